#include "controller/OruSettings.h"
#include "tests/common/TestArea.h"

#include <gtest/gtest.h>

namespace
{
CString WriteIni(const wchar_t* pszName, const std::string& body)
{
    const CString path = FreshTestFolder(L"orusettings") + pszName;
    EXPECT_TRUE(WriteTextFile(path, "[General]\r\n" + body));
    return path;
}
}

// One object per process: the tests read into it in turn, each read replaces every value.
TEST(OruSettings, MissingFileAndMissingKeysGiveTheDefaults)
{
    COruSettings& s = COruSettings::GetInstance();
    s.Read(L"D:\\tests\\orusettings_none\\oru.ini");
    EXPECT_EQ(L"VantolinSetup.exe", s.GetFileName());
    EXPECT_EQ(0, s.GetView());
    EXPECT_EQ(L"", s.GetPartnerID());
    EXPECT_EQ(L"", s.GetAffiliateID());
    EXPECT_EQ(0, s.GetRegType());
    EXPECT_EQ(L"0.0.0.0", s.GetVersion());
    EXPECT_EQ(L"0.0.0.0", s.GetVersionText());
    EXPECT_EQ(L"2011", s.GetGeneration());
    EXPECT_TRUE(Contains(s.GetUrl(), L"/retail/?"));
    EXPECT_EQ(L"", s.GetAdvInstIniFilePath());
    EXPECT_EQ(L"0", s.GetFullInstallerExeName());
    EXPECT_EQ(L"Detail", s.GetTraceLevel());
    EXPECT_EQ(5, s.GetCheckInternetTimeout());
    EXPECT_EQ(20, s.GetCheckInternetMaxTimeout());
    EXPECT_FALSE(s.GetRestartOption());
    EXPECT_EQ(L"", s.GetHelpFilePathBaseName());
    EXPECT_EQ(L"", s.GetTutorialVideoUrl());
    EXPECT_EQ(L"Vantolin", s.GetProductDisplayName());
    EXPECT_EQ(L"Vantolin", s.GetProductShortcutName());
    EXPECT_FALSE(s.GetShowAdvertiseDlg());
    EXPECT_EQ(L"D:\\tests\\orusettings_none\\oru.ini", s.GetFilePath());
}

TEST(OruSettings, ValuesAreTrimmedUnquotedAndBounded)
{
    const std::string longName(600, 'n');
    const CString path = WriteIni(L"values.ini", "vantolin_view=-1\r\n"
                                                 "partnerID =  11082  \r\n"
                                                 "url=\"http://dl.example/retail/?\"\r\n"
                                                 "product_display_name=\"  Kipsy Player \"\r\n"
                                                 "CheckInternetTimeout= 12 \r\n"
                                                 "reg_type=3abc\r\n"
                                                 "help_file_path_baseName=" + longName + "\r\n");
    COruSettings& s = COruSettings::GetInstance();
    s.Read(path);
    EXPECT_EQ(-1, s.GetView());
    EXPECT_EQ(L"11082", s.GetPartnerID());
    EXPECT_EQ(L"http://dl.example/retail/?", s.GetUrl());
    EXPECT_EQ(L"  Kipsy Player ", s.GetProductDisplayName());
    EXPECT_EQ(12, s.GetCheckInternetTimeout());
    EXPECT_EQ(3, s.GetRegType());
    // Text keys go through a buffer of 510 characters.
    EXPECT_EQ(CString(L'n', 509), s.GetHelpFilePathBaseName());
}

TEST(OruSettings, RestartOptionCountsOnlyTheNumberOne)
{
    const struct
    {
        const char* text;
        bool set;
    } cases[] = { { "1", true }, { "01", true }, { "yes", false }, { "2", false }, { "", false }, { "1x", true } };
    for (const auto& c : cases)
    {
        const CString path = WriteIni(L"restart.ini", std::string("restart_option=") + c.text + "\r\n");
        COruSettings::GetInstance().Read(path);
        EXPECT_EQ(c.set, COruSettings::GetInstance().GetRestartOption() != FALSE) << c.text;
    }
}

TEST(OruSettings, WriteThenReadGivesTheSameValues)
{
    COruSettings& s = COruSettings::GetInstance();
    s.Read(WriteIni(L"source.ini", "vantolin_view=4\r\npartnerID=61000\r\naffiliateID=77\r\nreg_type=2\r\n"
                                   "version=3.1.0.5\r\nversion_text=3.1 beta\r\nurl=http://x/retail/?\r\n"
                                   "restart_option=01\r\nshow_advertise_dlg=5\r\ntutorial_video_url=http://t/\r\n"
                                   "CheckInternetMaxTimeout=-1\r\nproduct_shortcut_name=VP\r\n"));
    const CString target = FreshTestFolder(L"orusettings_write") + L"oru.ini";
    ASSERT_TRUE(s.Write(target));
    const bool utf16 = ReadBytes(target).compare(0, 2, "\xFF\xFE") == 0;
    const CString written = utf16 ? ReadUtf16File(target) : ReadUtf8File(target);
    EXPECT_TRUE(Contains(written, L"show_advertise_dlg=1")) << written.ToNarrow();
    EXPECT_TRUE(Contains(written, L"restart_option=1")) << written.ToNarrow();
    EXPECT_TRUE(Contains(written, L"reg_type=2")) << written.ToNarrow();

    s.Read(WriteIni(L"other.ini", ""));
    s.Read(target);
    EXPECT_EQ(4, s.GetView());
    EXPECT_EQ(L"61000", s.GetPartnerID());
    EXPECT_EQ(L"77", s.GetAffiliateID());
    EXPECT_EQ(2, s.GetRegType());
    EXPECT_EQ(L"3.1.0.5", s.GetVersion());
    EXPECT_EQ(L"3.1 beta", s.GetVersionText());
    EXPECT_TRUE(s.GetRestartOption());
    EXPECT_TRUE(s.GetShowAdvertiseDlg());
    EXPECT_EQ(L"http://t/", s.GetTutorialVideoUrl());
    EXPECT_EQ(-1, s.GetCheckInternetMaxTimeout());
    EXPECT_EQ(L"VP", s.GetProductShortcutName());
}

// Runs last in this program: what the package gave stays for the rest of the process.
TEST(OruSettings, PackageValuesOutliveLaterReads)
{
    COruSettings& s = COruSettings::GetInstance();
    const CString path = WriteIni(L"package.ini", "generation=2011\r\nversion=1.0.0.0\r\nversion_text=1.0\r\n"
                                                  "partnerID=4711\r\n");
    s.Read(path);
    s.SetGeneration(L"9108q");
    s.SetVersion(L"3.0.2.7");
    s.SetVersionText(L"3.0.2.7");
    s.Read(path);
    EXPECT_EQ(L"9108q", s.GetGeneration());
    EXPECT_EQ(L"3.0.2.7", s.GetVersion());
    EXPECT_EQ(L"3.0.2.7", s.GetVersionText());
    EXPECT_EQ(L"4711", s.GetPartnerID()) << "the other values are read again";
}
