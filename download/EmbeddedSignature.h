#pragma once
// Authenticode check of a downloaded file's embedded signature.

#include "classlib/String.h"

// True when the file's embedded signature is valid and, when expectedSigner is not empty, was
// made by a certificate of exactly that subject. Logs why a file fails.
bool VerifyEmbeddedSignature(const CString& path, const CString& expectedSigner);
// The subject of the certificate that signed the file ("CN=..., O=..."); empty when the file
// carries no valid signature.
CString GetEmbeddedSignerSubject(const CString& path);
// The signer subject of this running program; empty when it is not signed.
CString GetOwnSignerSubject();
