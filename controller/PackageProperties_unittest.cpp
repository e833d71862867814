// The package's properties read from packages built by wixl, by the reader and by the step
// engine's continuation, which hands the generation to the settings.

#include "controller/OruProcess.h"
#include "controller/OruSettings.h"
#include "controller/PackageProperties.h"
#include "tests/common/EngineFakes.h"
#include "tests/common/FolderOwnerAnswer.h"
#include "tests/common/TraceCapture.h"

#include <gtest/gtest.h>

#include <memory>

namespace
{
// Built by the tests' CMake files: generation 9108q, and the generation ../9109z; both have
// version 3.0.2.7 and advertise 12.
const wchar_t kGoodFolder[] = L"D:\\fixtures\\extract_9108q\\";
const wchar_t kBadFolder[] = L"D:\\fixtures\\extract_badgen\\";
const wchar_t kPackage[] = L"msi\\VantolinSetup.msi";

class PackagePropertiesTest : public CTracedTest
{
protected:
    const char* FolderPrefix() const override { return "packageprops_"; }
    // The continuation names an extraction folder the first, elevated run made: Windows gives it
    // the Administrators, Wine this user.
    CFolderOwnerAnswer m_owner;
    void TearDown() override
    {
        m_engine.reset();
        CTracedTest::TearDown();
    }

    // A continuation of the runtime's restart at its first step, on the package of the folder.
    COruProcess& MakeContinuation(const CString& extractFolder)
    {
        m_engine.reset(new COruProcess(&m_services.installFolder, &m_services.flags[0], &m_services.flags[1],
                                       &m_services.flags[2], &m_services.flags[3], &m_services.customFolder,
                                       &m_services.flags[4], &m_services.flags[5], &m_services.flags[6]));
        EXPECT_TRUE(m_engine->Init(m_folder + L"oru.ini", &m_services.checker, &m_services.patch, nullptr,
                                   &m_services.exec, nullptr, nullptr, m_folder, extractFolder, m_folder + L"copy",
                                   &m_services.downloader, L"VCRedistRestart", m_folder + L"msilog", FALSE, FALSE,
                                   TRUE, TRUE, TRUE, &m_services.map, nullptr, 0, FALSE, FALSE, nullptr));
        COruProcessProbe::ShowAdvertise(*m_engine) = TRUE;
        COruProcessProbe::CurrentStep(*m_engine) = 1;
        COruProcessProbe::ProductVersion(*m_engine) = L"1.0.0.1";
        return *m_engine;
    }

    CFakeEngineServices m_services{ L"PackageProperties" };
    std::unique_ptr<COruProcess> m_engine;
};

TEST_F(PackagePropertiesTest, ReaderTakesAGoodPackageAndRefusesABadGeneration)
{
    struct Row
    {
        CString package;
        PackageReadResult result;
        const wchar_t* advertised;
        const wchar_t* generation;
        const wchar_t* version;
    } rows[] = {
        { CString(kGoodFolder) + kPackage, PACKAGE_READ, L"12", L"9108q", L"3.0.2.7" },
        // The other properties are still there for the caller: the installation folder follows them.
        { CString(kBadFolder) + kPackage, PACKAGE_REFUSED, L"12", L"", L"3.0.2.7" },
        { CString(kGoodFolder) + L"msi\\NoSuchPackage.msi", PACKAGE_MISSING, L"", L"", L"" },
    };
    for (const Row& r : rows)
    {
        SCOPED_TRACE(r.package.ToNarrow());
        PackageProperties properties;
        properties.strGeneration = L"left over";
        EXPECT_EQ(r.result, ReadPackageProperties(r.package, L"PackageReader", properties));
        EXPECT_EQ(CString(r.advertised), properties.strAdvertisedVersion);
        EXPECT_EQ(CString(r.generation), properties.strGeneration);
        EXPECT_EQ(CString(r.version), properties.strVersion);
    }
    EXPECT_TRUE(Contains(Log(), L"ERR: PackageReader : refusing the package's generation [../9109z]: it cannot name a folder"))
        << Log().ToNarrow();
}

TEST_F(PackagePropertiesTest, ContinuationHandsThePackagesGenerationToTheSettings)
{
    COruSettings& settings = COruSettings::GetInstance();
    ASSERT_TRUE(settings.SetGeneration(L"2011"));
    COruProcess& e = MakeContinuation(kGoodFolder);
    EXPECT_EQ(24, e.GetNextStep(true));
    EXPECT_TRUE(e.IsSuccess());
    EXPECT_EQ(CString(L"9108q"), settings.GetGeneration());
    EXPECT_EQ(CString(L"3.0.2.7"), COruProcessProbe::ProductVersion(e));
}

TEST_F(PackagePropertiesTest, ContinuationOnABadGenerationFailsAndKeepsTheRunsGeneration)
{
    COruSettings& settings = COruSettings::GetInstance();
    ASSERT_TRUE(settings.SetGeneration(L"2011"));
    COruProcess& e = MakeContinuation(kBadFolder);
    EXPECT_EQ(30, e.GetNextStep(true));
    EXPECT_FALSE(e.IsSuccess());
    EXPECT_EQ(CString(L"2011"), settings.GetGeneration());
    EXPECT_EQ(CString(L"1.0.0.1"), COruProcessProbe::ProductVersion(e));
    EXPECT_TRUE(Contains(Log(), L"ERR: COruProcess::DecideNextStep : refusing the package's generation [../9109z]"))
        << Log().ToNarrow();
}

TEST(OruSettingsGeneration, TheSettingsTakeNoGenerationThatCannotNameAFolder)
{
    COruSettings& settings = COruSettings::GetInstance();
    ASSERT_TRUE(settings.SetGeneration(L"2012.1"));
    EXPECT_FALSE(settings.SetGeneration(L"..\\..\\2013"));
    EXPECT_FALSE(settings.SetGeneration(L"U:"));
    EXPECT_EQ(CString(L"2012.1"), settings.GetGeneration());
}
}
