#pragma once
// Authenticode check of a file's embedded signature, against the signer of the running program.
//
// The rule fails closed: only a program with no signature at all takes any valid signer (a
// development build). A program whose own signature cannot be verified (damaged, expired, a
// hash the system cannot check, bytes after its certificate table) takes no file at all: it
// cannot tell its own publisher from anyone else's.

#include "classlib/Handles.h"
#include "classlib/String.h"

#include <string>

// A signer as its leaf certificate names it: the subject and the public key (algorithm and key
// bits), so that a certificate that only copies the subject text is someone else.
struct CCodeSigner
{
    CString strSubject;
    std::string publicKey;
    bool operator==(const CCodeSigner& other) const
    {
        return strSubject == other.strSubject && publicKey == other.publicKey;
    }
    bool operator!=(const CCodeSigner& other) const { return !(*this == other); }
};

class CSignerRule
{
public:
    enum EKind
    {
        AnySigner, // the program carries no signature
        OwnSigner, // only the program's own signer
        NoSigner   // the program's signature cannot be verified: nothing is accepted
    };
    static CSignerRule Any() { return CSignerRule(AnySigner, CCodeSigner()); }
    static CSignerRule Own(const CCodeSigner& signer) { return CSignerRule(OwnSigner, signer); }
    static CSignerRule None() { return CSignerRule(NoSigner, CCodeSigner()); }

    EKind GetKind() const { return m_kind; }
    const CCodeSigner& GetSigner() const { return m_signer; }

private:
    CSignerRule(EKind kind, const CCodeSigner& signer) : m_kind(kind), m_signer(signer) {}
    EKind m_kind;
    CCodeSigner m_signer;
};

// True when the file's embedded signature is valid, covers the whole file, and its signer is
// one the rule accepts. Logs why a file fails (a refusal by the rule at level 10).
bool VerifyEmbeddedSignature(const CString& path, const CSignerRule& rule);
// The same through a handle opened for reading: what is checked is what the handle reads.
bool VerifyEmbeddedSignature(HANDLE hFile, const CString& path, const CSignerRule& rule);

// The rule a program at that path would apply (its own signature read as the running program's).
CSignerRule GetSignerRuleOfProgram(const CString& programPath);
// The rule of this running program: read on the first call, while the program file is the one
// that was started, and kept for the run.
const CSignerRule& GetOwnSignerRule();

// The signer of a file with a valid signature that covers the whole file; false otherwise.
bool GetEmbeddedSigner(const CString& path, CCodeSigner& rSigner);
// The signer subject of this running program; empty when it has no signer the rule accepts.
CString GetOwnSignerSubject();

// A file opened for reading that nobody may write, rename or delete while it is held (others
// may only read it), and whose signature was checked through that handle: the program started
// from its path while it is held is the program checked.
class CCheckedFile
{
public:
    CCheckedFile() = default;
    CCheckedFile(const CCheckedFile&) = delete;
    CCheckedFile& operator=(const CCheckedFile&) = delete;
    CCheckedFile(CCheckedFile&&) = default;
    CCheckedFile& operator=(CCheckedFile&&) = default;

    // Opens and checks the file by the rule; false (logged at level 10) when it cannot be opened
    // so, or fails the check: nothing is held then.
    bool Open(const CString& path, const CSignerRule& rule = GetOwnSignerRule());
    bool IsHeld() const { return m_file.IsValid(); }
    const CString& GetPath() const { return m_strPath; }
    // Gives the handle to a new owner (one that holds it until its program has started).
    CScopedFileHandle Release() { return std::move(m_file); }
    void Close() { m_file.Close(); }

private:
    CScopedFileHandle m_file;
    CString m_strPath;
};
