#pragma once

// Codes that a run can end with, and the codes an install item keeps. Only
// the codes with a row in CErrorInfo's table become user messages.

// Network analysis.
inline constexpr int kErrNetAdapterInfo1 = -9001;
inline constexpr int kErrNetAdapterInfo2 = -9002;
inline constexpr int kErrNetAdapterInfo3 = -9003;
inline constexpr int kErrNetDevice = -9004;
inline constexpr int kErrNetNoConnectedAdapter = -9005;
inline constexpr int kErrNetNoGateway = -9006;
inline constexpr int kErrNetDns = -9007;
inline constexpr int kErrNetInternetHttp = -9008;
inline constexpr int kErrNetInternetSsl = -9009;
inline constexpr int kErrNetServerHttp = -9010;
inline constexpr int kErrNetServerSsl = -9011;
inline constexpr int kErrNetServerHttpSsl = -9012;

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
