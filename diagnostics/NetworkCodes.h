#pragma once

// Codes of the network analysis. The steps of the first group (parameters,
// adapters, devices, gateways) return -9001 to -9006 as their own results;
// only -9007 to -9012 end the analysis and reach the error record.
inline constexpr int kErrNetAdapterInfo1 = -9001;        // network parameters: size query failed
inline constexpr int kErrNetAdapterInfo2 = -9002;        // network parameters: allocation failed
inline constexpr int kErrNetAdapterInfo3 = -9003;        // adapter query or allocation failed
inline constexpr int kErrNetDevice = -9004;              // none connected, some failed to answer
inline constexpr int kErrNetNoConnectedAdapter = -9005;  // none connected, none failed
inline constexpr int kErrNetNoGateway = -9006;           // no gateway answered
inline constexpr int kErrNetDns = -9007;                 // no DNS server answered
inline constexpr int kErrNetInternetHttp = -9008;        // carrier web host refused port 80
inline constexpr int kErrNetInternetSsl = -9009;         // carrier web host refused port 443
inline constexpr int kErrNetServerHttp = -9010;          // payment server: HTTP failed, SSL connected
inline constexpr int kErrNetServerSsl = -9011;           // payment server: HTTP connected, SSL failed
inline constexpr int kErrNetServerHttpSsl = -9012;       // payment server: both failed
