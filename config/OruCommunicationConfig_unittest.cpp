// The registry channel to the product, on the real store and registry. The program holds the
// controller_instance lock: it writes the fallback key, which is the channel of the default
// generation that controller runs use.
#include "config/OruCommunicationConfig.h"
#include "config/QMConfig.h"
#include "config/QMConfigListener.h"
#include "support/Registry.h"
#include "tests/common/ProcessRun.h"
#include "tests/common/TraceCapture.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
const wchar_t kRoot[] = L"Vantolin_ChannelTest";
const wchar_t kOtherRoot[] = L"Vantolin_ChannelTestOther";

CString Value(const CString& key, const wchar_t* pszName)
{
    return GetRegString(HKEY_CURRENT_USER, key, pszName, 0);
}

bool ValueExists(const CString& key, const wchar_t* pszName)
{
    return UserRegValueExists(key, pszName);
}

// The store keeps the channel's key open: the values go, the key stays.
void ClearChannel(const CString& key)
{
    for (const wchar_t* pszName : { L"CommandFromORU", L"VantolinState", L"StateMessageFromVantolin",
                                    L"SubStateMessageFromVantolin", L"ORUIsAlive" })
        DeleteUserRegValue(key, pszName);
}

void RootStore(const wchar_t* pszRoot)
{
    QMConfig* pConfig = QMConfig::GetInstance();
    pConfig->Uninitialize();
    pConfig->SetRoot(pszRoot, QMCONFIG_MODE_REGISTRY);
    ASSERT_TRUE(pConfig->Initialize());
    OruCommunicationConfig::Init(pConfig);
}

class ChannelTest : public CTracedTest
{
protected:
    const char* FolderPrefix() const override { return "channel_"; }
    void SetUp() override
    {
        CTracedTest::SetUp();
        RootStore(kRoot);
        m_key = OruCommunicationConfig::GetChannelKey();
        ClearChannel(m_key);
        DeleteUserRegValue(OruCommunicationConfig::GetFallbackKey(), L"VantolinState");
    }
    void TearDown() override
    {
        ClearChannel(m_key);
        DeleteUserRegValue(OruCommunicationConfig::GetFallbackKey(), L"VantolinState");
        CTracedTest::TearDown();
    }
    CString m_key;
};

TEST_F(ChannelTest, KeyFollowsTheStoresLocalRoot)
{
    QMConfig* pConfig = QMConfig::GetInstance();
    EXPECT_EQ(pConfig->GetLocalRoot().TrimRight(L"\\") + L"\\OruCommunication", m_key);
    EXPECT_TRUE(Contains(m_key, kRoot));

    OruCommunicationConfig::Init(nullptr);
    EXPECT_EQ(CString(L"Software\\Quillmark\\Vantolin_2012\\OruCommunication"), OruCommunicationConfig::GetChannelKey());

    // Start-up initialises the channel again after the store was re-rooted.
    RootStore(kOtherRoot);
    const CString other = OruCommunicationConfig::GetChannelKey();
    EXPECT_TRUE(Contains(other, kOtherRoot));
    OruCommunicationConfig::SetCommandFromORU(OruCommunicationConfig::COMMAND_START);
    EXPECT_EQ(CString(L"Start"), Value(other, L"CommandFromORU"));
    EXPECT_FALSE(ValueExists(m_key, L"CommandFromORU"));
    ClearChannel(other);
}

TEST_F(ChannelTest, CommandsWithTheirTextsAndLines)
{
    const struct
    {
        int command;
        const wchar_t* text;
        bool warning;
    } cases[] = { { 0, L"WaitHidden", false }, { 1, L"Start", false }, { 2, L"Close", false }, { 5, L"", true } };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.command);
        OruCommunicationConfig::SetCommandFromORU(c.command);
        EXPECT_TRUE(ValueExists(m_key, L"CommandFromORU"));
        EXPECT_EQ(CString(c.text), Value(m_key, L"CommandFromORU"));
    }
    const CString log = Log();
    EXPECT_TRUE(Contains(log, L"OruCommunicationConfig::SetCommandFromORU : [WaitHidden]"));
    EXPECT_TRUE(Contains(log, L"OruCommunicationConfig::SetCommandFromORU : [Close]"));
    EXPECT_TRUE(Contains(log, L"OruCommunicationConfig::SetCommandFromORU was called with unknown command !"));
    EXPECT_TRUE(Contains(log, L"OruCommunicationConfig::SetCommandFromORU : []"));
}

TEST_F(ChannelTest, StatesWrittenAndRead)
{
    const struct
    {
        int state;
        const wchar_t* text;
    } written[] = { { 1, L"Initializing" }, { 2, L"WaitingCommandFromORU" }, { 0, L"" }, { 7, L"" } };
    for (const auto& c : written)
    {
        SCOPED_TRACE(c.state);
        OruCommunicationConfig::SetVantolinState(c.state);
        EXPECT_EQ(CString(c.text), Value(m_key, L"VantolinState"));
        EXPECT_EQ(c.state == 7 ? 0 : c.state, OruCommunicationConfig::GetVantolinState());
    }
    EXPECT_TRUE(Contains(Log(), L"OruCommunicationConfig::SetVantolinState : [Initializing]"));
    EXPECT_TRUE(Contains(Log(), L"OruCommunicationConfig::SetVantolinState : []"));
    EXPECT_FALSE(Contains(Log(), L"SetVantolinState was called")) << "no warning for other states";

    // What the product may leave there: only the exact texts count.
    const struct
    {
        const wchar_t* text;
        int state;
    } read[] = { { L"Initializing", 1 },  { L"WaitingCommandFromORU", 2 }, { L"initializing", 0 },
                 { L"Initializing ", 0 }, { L"Waiting", 0 },                { L"", 0 } };
    for (const auto& c : read)
    {
        SCOPED_TRACE(CString(c.text).ToNarrow(CP_UTF8));
        ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, m_key, L"VantolinState", REG_SZ, c.text, nullptr, 0));
        EXPECT_EQ(c.state, OruCommunicationConfig::GetVantolinState());
    }
}

TEST_F(ChannelTest, MessagesAndBadValues)
{
    OruCommunicationConfig::SetStateMessageFromVantolin(L"Loading the library");
    OruCommunicationConfig::SetSubStateMessageFromVantolin(L"Album 3 of 40");
    EXPECT_EQ(CString(L"Loading the library"), OruCommunicationConfig::GetStateMessageFromVantolin());
    EXPECT_EQ(CString(L"Album 3 of 40"), OruCommunicationConfig::GetSubStateMessageFromVantolin());
    EXPECT_FALSE(Contains(Log(), L"Loading the library")) << "messages are written without a line";

    // 2048 bytes stored without a terminator (the registry would count a terminator that
    // follows the data, so the character after them is not one): read whole and terminated.
    const std::wstring stored(1025, L'm');
    const std::wstring full(1024, L'm');
    CScopedRegKey key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, m_key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                             key.Receive(), nullptr));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key.Get(), L"StateMessageFromVantolin", 0, REG_SZ,
                                            reinterpret_cast<const BYTE*>(stored.c_str()), 2048));
    EXPECT_EQ(CString(full.c_str()), OruCommunicationConfig::GetStateMessageFromVantolin());

    // Another type reads as the empty text.
    const DWORD two = 2;
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetValueExW(key.Get(), L"VantolinState", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&two), sizeof(two)));
    EXPECT_EQ(0, OruCommunicationConfig::GetVantolinState());

    OruCommunicationConfig::SetORUIsAlive();
    EXPECT_EQ(CString(L"1"), Value(m_key, L"ORUIsAlive"));
}

TEST_F(ChannelTest, FallbackKeyOfTheOlderGeneration)
{
    const CString fallback = OruCommunicationConfig::GetFallbackKey();
    ASSERT_FALSE(fallback.CompareNoCase(m_key) == 0);

    // Nothing on the channel: the older key answers.
    ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, fallback, L"VantolinState", REG_SZ, L"Initializing", nullptr, 0));
    EXPECT_EQ(1, OruCommunicationConfig::GetVantolinState());

    // A clear empties what an older product left there, so that it does not read as ready.
    ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, fallback, L"VantolinState", REG_SZ, L"WaitingCommandFromORU", nullptr, 0));
    OruCommunicationConfig::SetVantolinState(0);
    EXPECT_EQ(0, OruCommunicationConfig::GetVantolinState());
    EXPECT_EQ(CString(), Value(fallback, L"VantolinState"));

    // An unknown command is no clear of the product's values.
    ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, fallback, L"CommandFromORU", REG_SZ, L"Start", nullptr, 0));
    OruCommunicationConfig::SetCommandFromORU(5);
    EXPECT_EQ(CString(L"Start"), Value(fallback, L"CommandFromORU"));
    DeleteUserRegValue(fallback, L"CommandFromORU");

    // A clear never creates what is not there.
    DeleteUserRegValue(fallback, L"SubStateMessageFromVantolin");
    OruCommunicationConfig::SetSubStateMessageFromVantolin(L"");
    EXPECT_FALSE(ValueExists(fallback, L"SubStateMessageFromVantolin"));
    ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, fallback, L"StateMessageFromVantolin", REG_SZ, L"old", nullptr, 0));
    OruCommunicationConfig::SetStateMessageFromVantolin(L"");
    EXPECT_EQ(CString(), OruCommunicationConfig::GetStateMessageFromVantolin());
    DeleteUserRegValue(fallback, L"StateMessageFromVantolin");
    // A written text leaves the older key alone.
    ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, fallback, L"VantolinState", REG_SZ, L"Initializing", nullptr, 0));
    OruCommunicationConfig::SetVantolinState(2);
    EXPECT_EQ(CString(L"Initializing"), Value(fallback, L"VantolinState"));
}

class CSignallingListener : public IQMConfigListener
{
public:
    CSignallingListener() : m_event(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    void OnConfigChanged(const std::vector<QMConfigKey*>&) override { SetEvent(m_event.Get()); }
    HANDLE Event() const { return m_event.Get(); }

private:
    CScopedHandle m_event;
};

TEST_F(ChannelTest, ListenerHearsTheProductsWrite)
{
    // The stand-in product, a second process, writes its state on this channel.
    WriteTextFile(m_folder + L"Vantolin.ini", "[Run]\r\nChannel=" + m_key.ToNarrow(CP_UTF8) +
                                                  "\r\nInitDelay=300\r\nLifetime=3000\r\n");
    ASSERT_TRUE(CopyInto(L"Vantolin.exe", m_folder));
    CSignallingListener listener;
    OruCommunicationConfig::Subscribe(&listener);
    CChildProcess product;
    ASSERT_TRUE(product.Start(m_folder + L"Vantolin.exe", L"", m_folder));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(listener.Event(), 30000));
    OruCommunicationConfig::Unsubscribe(&listener);
    product.Wait(30000);
}
} // namespace
