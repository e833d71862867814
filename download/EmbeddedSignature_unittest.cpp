// The signature check on the signed fixtures: this test program is signed with certificate "a",
// signed_same.exe too, signed_other.exe with "b" (both self-made: Wine checks the hashes of a
// signature, not the trust of its root).
#include "download/EmbeddedSignature.h"

#include "tests/common/HttpTestServer.h"
#include "tests/common/TestArea.h"
#include "tests/common/TraceCapture.h"

#include <gtest/gtest.h>

namespace
{
class SignatureTest : public CTracedTest
{
protected:
    const char* FolderPrefix() const override { return "signature_"; }
    static CString Fixture(const wchar_t* pszName) { return ServerFilesFolder() + pszName; }
};
}

TEST_F(SignatureTest, OwnSignerIsCertificateA)
{
    const CString own = GetOwnSignerSubject();
    EXPECT_TRUE(Contains(own, L"CN=Vantolin Test Signer A")) << own.ToNarrow();
    EXPECT_EQ(own, GetEmbeddedSignerSubject(Fixture(L"signed_same.exe")));
    EXPECT_TRUE(Contains(GetEmbeddedSignerSubject(Fixture(L"signed_other.exe")), L"CN=Vantolin Test Signer B"));
    EXPECT_TRUE(GetEmbeddedSignerSubject(Fixture(L"unsigned.exe")).IsEmpty());
}

TEST_F(SignatureTest, Table)
{
    const CString own = GetOwnSignerSubject();
    ASSERT_FALSE(own.IsEmpty());
    struct
    {
        const wchar_t* file;
        bool withOwnSigner;
        bool expected;
        const wchar_t* logged;
    } cases[] = {
        {L"signed_same.exe", true, true, L"File signature is OK."},
        {L"signed_same.exe", false, true, L"File signature is OK."},
        {L"signed_other.exe", true, false, L"VerifyEmbeddedSignature: The file is signed by [CN=Vantolin Test Signer B"},
        {L"signed_other.exe", false, true, L"File signature is OK."},
        {L"unsigned.exe", true, false, L"VerifyEmbeddedSignature: No signature found on the file []D:\\httpserver"},
        {L"tampered.exe", true, false, L"VerifyEmbeddedSignature: The signature of the file is invalid [D:\\httpserver"},
        {L"missing.exe", true, false, L"VerifyEmbeddedSignature failed: file does not exist [D:\\httpserver"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(CString(c.file).ToNarrow() + (c.withOwnSigner ? " with our signer" : " with any signer"));
        const int before = Log().GetLength();
        EXPECT_EQ(c.expected, VerifyEmbeddedSignature(Fixture(c.file), c.withOwnSigner ? own : CString()));
        const CString log = Log().Mid(before);
        EXPECT_TRUE(Contains(log, c.logged)) << log.ToNarrow();
    }
}
