// The signature check on the signed fixtures: this test program is signed with certificate "a",
// signed_same.exe too, signed_other.exe with "b", signed_twin.exe with a certificate that copies
// the subject of "a" with a key of its own (all self-made: Wine checks the hashes of a
// signature, not the trust of its root).
#include "download/EmbeddedSignature.h"

#include "support/FileUtil.h"
#include "tests/common/HttpTestServer.h"
#include "tests/common/TestArea.h"
#include "tests/common/TraceCapture.h"

#include <gtest/gtest.h>

#include <thread>

namespace
{
class SignatureTest : public CTracedTest
{
protected:
    const char* FolderPrefix() const override { return "signature_"; }
    static CString Fixture(const wchar_t* pszName) { return ServerFilesFolder() + pszName; }
    // Signed controllers whose own signature cannot be verified.
    static CString Damaged(const wchar_t* pszKind) { return BinFolder() + L"..\\fixtures\\damaged\\" + pszKind + L"\\VantolinSetupXP.exe"; }
};

// What another thread of the machine can do to a file: each answer is whether it worked.
struct CChanges
{
    bool write, replace, rename, remove, read;
};

CChanges TryChanges(const CString& path, const CString& other)
{
    CChanges done = {};
    // Another thread, as another program of the user would come: nothing is shared with the holder.
    std::thread([&] {
        done.write = CScopedFileHandle(CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                   nullptr, OPEN_EXISTING, 0, nullptr)).IsValid();
        done.replace = MoveFileExW(other, path, MOVEFILE_REPLACE_EXISTING) != FALSE;
        done.rename = MoveFileW(path, path + L".moved") != FALSE;
        if (done.rename)
            MoveFileW(path + L".moved", path);
        done.remove = DeleteFileW(path) != FALSE;
        CScopedFileHandle reader(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        done.read = reader.IsValid();
    }).join();
    return done;
}
}

TEST_F(SignatureTest, OwnSignerIsCertificateAWithItsKey)
{
    const CSignerRule& own = GetOwnSignerRule();
    ASSERT_EQ(CSignerRule::OwnSigner, own.GetKind());
    EXPECT_TRUE(Contains(own.GetSigner().strSubject, L"CN=Vantolin Test Signer A")) << own.GetSigner().strSubject.ToNarrow();
    EXPECT_FALSE(own.GetSigner().publicKey.empty());
    EXPECT_EQ(own.GetSigner().strSubject, GetOwnSignerSubject());
    CCodeSigner signer;
    ASSERT_TRUE(GetEmbeddedSigner(Fixture(L"signed_same.exe"), signer));
    EXPECT_TRUE(own.GetSigner() == signer);
    ASSERT_TRUE(GetEmbeddedSigner(Fixture(L"signed_twin.exe"), signer));
    EXPECT_EQ(own.GetSigner().strSubject, signer.strSubject) << "the twin copies the subject";
    EXPECT_NE(own.GetSigner().publicKey, signer.publicKey) << "but not the key";
    ASSERT_TRUE(GetEmbeddedSigner(Fixture(L"signed_other.exe"), signer));
    EXPECT_TRUE(Contains(signer.strSubject, L"CN=Vantolin Test Signer B"));
    EXPECT_FALSE(GetEmbeddedSigner(Fixture(L"unsigned.exe"), signer));
    EXPECT_FALSE(GetEmbeddedSigner(Fixture(L"appended.exe"), signer)) << "bytes after the signature are not covered";
}

TEST_F(SignatureTest, Table)
{
    const CSignerRule own = GetOwnSignerRule();
    ASSERT_EQ(CSignerRule::OwnSigner, own.GetKind());
    const CSignerRule any = CSignerRule::Any(), none = CSignerRule::None();
    struct
    {
        const wchar_t* file;
        const CSignerRule* rule;
        bool expected;
        const wchar_t* logged;
    } cases[] = {
        {L"signed_same.exe", &own, true, L"File signature is OK."},
        {L"signed_same.exe", &any, true, L"File signature is OK."},
        {L"signed_other.exe", &own, false, L"ERR: VerifyEmbeddedSignature: The file is signed by [CN=Vantolin Test Signer B"},
        {L"signed_other.exe", &any, true, L"File signature is OK."},
        // The subject text alone does not make a signer ours.
        {L"signed_twin.exe", &own, false, L"ERR: VerifyEmbeddedSignature: The file is signed by [CN=Vantolin Test Signer A, O=Vantolin Tests] with another key"},
        {L"signed_twin.exe", &any, true, L"File signature is OK."},
        {L"unsigned.exe", &own, false, L"VerifyEmbeddedSignature: No signature found on the file []D:\\httpserver"},
        {L"unsigned.exe", &any, false, L"VerifyEmbeddedSignature: No signature found on the file []D:\\httpserver"},
        {L"tampered.exe", &own, false, L"VerifyEmbeddedSignature: The signature of the file is invalid [D:\\httpserver"},
        {L"appended.exe", &own, false, L"VerifyEmbeddedSignature: The file holds 33 bytes after its signature [D:\\httpserver"},
        {L"appended.exe", &any, false, L"VerifyEmbeddedSignature: The file holds 33 bytes after its signature [D:\\httpserver"},
        {L"missing.exe", &own, false, L"VerifyEmbeddedSignature failed: file does not exist [D:\\httpserver"},
        // A program that cannot verify itself takes nothing, not even its own signer's files.
        {L"signed_same.exe", &none, false, L"ERR: VerifyEmbeddedSignature: the signature of this program cannot be verified, no file is accepted"},
        {L"signed_other.exe", &none, false, L"ERR: VerifyEmbeddedSignature: the signature of this program cannot be verified, no file is accepted"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(CString(c.file).ToNarrow() + " rule " + std::to_string(c.rule->GetKind()));
        const int before = Log().GetLength();
        EXPECT_EQ(c.expected, VerifyEmbeddedSignature(Fixture(c.file), *c.rule));
        const CString log = Log().Mid(before);
        EXPECT_TRUE(Contains(log, c.logged)) << log.ToNarrow();
    }
}

// The rule a program takes from its own signature fails closed: only a program with no
// signature at all accepts any signer.
TEST_F(SignatureTest, TheRuleOfAProgramFailsClosed)
{
    struct
    {
        const char* name;
        CString program;
        CSignerRule::EKind kind;
    } cases[] = {
        {"signed", Fixture(L"signed_same.exe"), CSignerRule::OwnSigner},
        {"unsigned", Fixture(L"unsigned.exe"), CSignerRule::AnySigner},
        {"a byte of the signed part changed", Fixture(L"tampered.exe"), CSignerRule::NoSigner},
        {"bytes after the certificate table", Fixture(L"appended.exe"), CSignerRule::NoSigner},
        {"controller with its stub changed", Damaged(L"altered"), CSignerRule::NoSigner},
        {"controller with bytes appended", Damaged(L"appended"), CSignerRule::NoSigner},
        {"a path that cannot be read", m_folder + L"missing.exe", CSignerRule::NoSigner},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(c.program == m_folder + L"missing.exe" || FileExists(c.program)) << c.program.ToNarrow();
        const int before = Log().GetLength();
        const CSignerRule rule = GetSignerRuleOfProgram(c.program);
        EXPECT_EQ(c.kind, rule.GetKind());
        const CString log = Log().Mid(before);
        EXPECT_EQ(c.kind == CSignerRule::NoSigner,
                  Contains(log, L"ERR: GetOwnSignerRule: the signature of the program cannot be verified ("))
            << log.ToNarrow();
        // Whatever the rule, an archive of another signer passes only a program without a signature.
        EXPECT_EQ(c.kind == CSignerRule::AnySigner, VerifyEmbeddedSignature(Fixture(L"signed_other.exe"), rule));
    }
}

// A checked file is held against writes, replacement, renaming and deletion until it is let go;
// others may still read it. A file someone writes cannot be checked at all.
TEST_F(SignatureTest, ACheckedFileCannotBeSwappedWhileItIsHeld)
{
    const CString path = m_folder + L"archive.exe", other = m_folder + L"other.exe";
    ASSERT_TRUE(CopyFileW(Fixture(L"signed_same.exe"), path, FALSE));
    const std::string checked = ReadBytes(path);
    {
        CCheckedFile file;
        ASSERT_TRUE(file.Open(path));
        EXPECT_TRUE(file.IsHeld());
        ASSERT_TRUE(CopyFileW(Fixture(L"signed_other.exe"), other, FALSE));
        const CChanges held = TryChanges(path, other);
        EXPECT_FALSE(held.write);
        EXPECT_FALSE(held.replace);
        EXPECT_FALSE(held.rename);
        EXPECT_FALSE(held.remove);
        EXPECT_TRUE(held.read);
        EXPECT_EQ(checked, ReadBytes(path)) << "what runs is what was checked";

        // Handed on, the hold goes with the handle.
        CScopedFileHandle handle = file.Release();
        EXPECT_FALSE(file.IsHeld());
        EXPECT_FALSE(TryChanges(path, other).replace);
    }
    const CChanges free = TryChanges(path, other);
    EXPECT_TRUE(free.write);
    EXPECT_TRUE(free.replace);

    // Being written: refused before any check.
    ASSERT_TRUE(CopyFileW(Fixture(L"signed_same.exe"), path, FALSE));
    {
        CScopedFileHandle writer(CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(writer.IsValid());
        CCheckedFile file;
        EXPECT_FALSE(file.Open(path));
        EXPECT_FALSE(file.IsHeld());
        EXPECT_TRUE(Contains(Log(), L"ERR: CCheckedFile::Open cannot hold the file against writes (error 32) [" + path + L"]"));
    }
    // Failing the check: nothing is held.
    ASSERT_TRUE(CopyFileW(Fixture(L"signed_twin.exe"), path, FALSE));
    CCheckedFile refused;
    EXPECT_FALSE(refused.Open(path));
    EXPECT_FALSE(refused.IsHeld());
    EXPECT_TRUE(Contains(Log(), L"ERR: CCheckedFile::Open the signature check failed, the file is not run [" + path + L"]"));
    EXPECT_TRUE(TryChanges(path, other).write);
}
