#pragma once

#include <memory>
#include <string>
#include <vector>

#include "diagnostics/AdapterItem.h"
#include "diagnostics/DnsItem.h"
#include "diagnostics/GatewayItem.h"
#include "diagnostics/InternetItem.h"
#include "diagnostics/NetParamsItem.h"
#include "diagnostics/StatusSink.h"
#include "system/ReportSink.h"

// The second analysis phase: whether the path from this PC to the payment
// servers works, step by step (parameters, adapters, devices, gateways, DNS,
// the carrier web host on ports 80 and 443, the payment server). Each step
// shows its status text, keeps its findings in the records below and writes
// its report lines. The run owns the object, so the records live as long as
// the run.
class CNetworkAnalysis {
 public:
  // The lists own their items; an empty slot is passed over.
  using CAdapterList = std::vector<std::unique_ptr<CAdapterItem>>;
  using CGatewayList = std::vector<std::unique_ptr<CGatewayItem>>;
  using CDnsList = std::vector<std::unique_ptr<CDnsItem>>;

  // The host names are the build's deployment values: the carrier web host
  // (also the name the DNS probe asks for) and the payment server.
  CNetworkAnalysis(IReportSink& report, IStatusSink& status, std::string strCarrierWebHost,
                   std::string strPaymentServer);
  virtual ~CNetworkAnalysis() = default;
  CNetworkAnalysis(const CNetworkAnalysis&) = delete;
  CNetworkAnalysis& operator=(const CNetworkAnalysis&) = delete;

  // Runs the eight steps. The first four go on whatever they find; the
  // first of the last four that fails ends the analysis with its code
  // (-9007 to -9012) and no network section. 0 when all passed and the
  // network section was appended.
  int AnalyzeNetwork();

  // The steps, each 0 or a negative code (see diagnostics/NetworkCodes.h).
  int CheckNetworkParams();
  int CheckAdapters();
  int CheckDevices();
  int CheckGateways();
  int CheckDns();
  int CheckInternetHttp();
  int CheckInternetSsl();
  int CheckPaymentServer();

  // Appends the network section: host, adapters, gateways, DNS servers and
  // the Internet item, between the section markers.
  void AppendNetworkSection();

  CNetParamsItem m_netParamsItem;
  CAdapterList m_adapterList;
  CGatewayList m_gatewayList;
  CDnsList m_dnsList;
  CInternetItem m_internetItem;

  // The pause after each step; 100 ms in the product, less in tests.
  int m_nStepPauseMs = 100;

 private:
  void Pause() const;

  IReportSink& m_report;
  IStatusSink& m_status;
  std::string m_strCarrierWebHost;
  std::string m_strPaymentServer;
};
