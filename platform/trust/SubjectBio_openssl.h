#pragma once

#include <openssl/bio.h>

#include "platform/trust/SubjectSource.h"

// An OpenSSL source BIO over the ranges a SubjectSource hands out, so that
// PKCS7_verify digests a detached content as it is read instead of from a
// copy of it. The source must outlive the BIO and have its ranges begun.
namespace platform::trust {

BIO* NewSubjectBio(SubjectSource& source);

}  // namespace platform::trust
