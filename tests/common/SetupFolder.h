#pragma once
// The setup folder of whole installations by the built controller: a renamed controller with the
// setup archive (the product's wixl package, the prerequisite stand-ins), the post-installation
// stand-ins and a launcher named as a repeated download; the generation's logs; the installed
// copies of the product's package, removed before and after each test.

#include "classlib/String.h"

#include <gtest/gtest.h>

// The package's generation: the run re-roots to it after unpacking.
extern const wchar_t kSetupGeneration[];
// A renamed controller, so that Wine's version setting for it touches no other test: on
// Windows XP .NET 4 is missing and no .NET page is needed for step 21.
extern const wchar_t kSetupController[];
extern const wchar_t kSetupLauncher[];
// The product's key of the generation that holds its edition and affiliate id.
extern const wchar_t kSetupCommonKey[];

// The text between the first pszStart and the next pszEnd (to the end when there is none);
// "<none>" without pszStart.
CString Between(const CString& text, const wchar_t* pszStart, const wchar_t* pszEnd);
void ClearGenerationLogs();
// Every log the controller wrote for the generation (the folder is emptied for each run).
CString ReadGenerationLogs();
// Every installed copy of the product's package (found by name: the packages have no upgrade
// table): they share their components, so a copy left installed would keep values that other
// tests' installations must remove.
void RemoveInstalledProducts();
// The store's temporary folder's Installer\, where the restart phase copies the setup folder: a
// copy left from before is this user's under Wine, which a run refuses to copy into.
void RemoveRestartCopy();

// Runs the renamed controller as Windows XP and leaves no copy of the product installed.
class CSetupFolderTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;
    // D:\tests\<name>\ with oru.ini (its extra lines), the archive of the fixture folder
    // (D:\fixtures\steps\<archive>), the post-installation stand-ins and the launcher.
    CString PrepareFolder(const wchar_t* pszName, const char* pszIni, const wchar_t* pszArchive = L"install");
};
