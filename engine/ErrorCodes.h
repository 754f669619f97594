#pragma once

// Codes that a run can end with, and the codes an install item keeps. Only
// the codes with a row in CErrorInfo's table become user messages.

// Network analysis: named where the analysis lives.
#include "diagnostics/NetworkCodes.h"

// Install procedure, as the user sees it.
inline constexpr int kErrUpdateListDownload = -9201;
inline constexpr int kErrUpdateListVerify = -9202;
inline constexpr int kErrUpdateListParse = -9203;
inline constexpr int kErrInstallItems = -9204;
inline constexpr int kErrNotAdministrator = -9301;
inline constexpr int kErrFolderAccess = -9302;

// Results kept in install items only.
inline constexpr int kErrItemDownload = -9101;
inline constexpr int kErrItemVerify = -9201;
inline constexpr int kErrItemUnpack = -9202;
inline constexpr int kErrItemRegistry = -9003;
inline constexpr int kErrItemCabinet = -9401;
inline constexpr int kErrPlatformMismatch = -9303;
