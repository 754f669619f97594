#pragma once

// Result codes of the transfer and verification operations. Only these
// numbers leave the subsystem; small negative numbers (-1 ...) are local to
// one operation and documented with it.

// FileDownload: the file could not be fetched; nothing is left at the local
// path.
inline constexpr int kErrDownloadFail = -9101;

// SignatureVerifier.
inline constexpr int kErrVerifyNoAlgorithm = -9207;  // VerifyInit with code 0
inline constexpr int kErrVerifyInit = -9208;         // unknown code, or the digest did not start
inline constexpr int kErrVerifyMismatch = -9209;     // digest update failed or signature differs
inline constexpr int kErrVerifyPublicKey = -9210;    // no usable public key

// MessageDigest.
inline constexpr int kErrDigestInit = -9401;
inline constexpr int kErrDigestUpdate = -9402;
inline constexpr int kErrDigestFinal = -9403;

// Algorithm codes shared by SignatureVerifier and MessageDigest; 6-10 are the
// keyed hash over the digest of code - 5 (MessageDigest only).
inline constexpr int kAlgMd5 = 1;
inline constexpr int kAlgSha1 = 2;
inline constexpr int kAlgSha256 = 3;
inline constexpr int kAlgSha384 = 4;
inline constexpr int kAlgSha512 = 5;
inline constexpr int kAlgHmacMd5 = 6;
inline constexpr int kAlgHmacSha1 = 7;
inline constexpr int kAlgHmacSha256 = 8;
inline constexpr int kAlgHmacSha384 = 9;
inline constexpr int kAlgHmacSha512 = 10;
