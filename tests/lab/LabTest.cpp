// The network lab, observed from inside its client namespace with real tools
// (ip, getent, dig, ping, curl, bash's /dev/tcp). Nothing here sends a packet
// anywhere but into a lab the test made.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "tests/support/NetworkLab.h"
#include "tests/support/TempPrefix.h"
#include "tests/support/ToolRunner.h"

extern char** environ;

namespace {

// Replaces every {key} by the lab's status value of that key.
std::string Expand(const NetworkLab& lab, std::string text) {
  size_t open = 0;
  while ((open = text.find('{', open)) != std::string::npos) {
    size_t close = text.find('}', open);
    std::string value = lab.Value(text.substr(open + 1, close - open - 1));
    text.replace(open, close - open + 1, value);
    open += value.size();
  }
  return text;
}

// Shell functions the probes share. probe HOST PORT LABEL prints LABEL PORT
// and open, refused (a reset), silent (no answer within 1 s) or unreachable.
const char* const kProbes = R"(
probe() {
  local out rc=0
  out=$(timeout 1 bash -c "exec 3<>/dev/tcp/$1/$2" 2>&1) || rc=$?
  if ((rc == 0)); then echo "$3 $2 open"
  elif ((rc == 124)); then echo "$3 $2 silent"
  elif [[ $out == *refused* ]]; then echo "$3 $2 refused"
  elif [[ $out == *unreachable* ]]; then echo "$3 $2 unreachable"
  else echo "$3 $2 $out"; fi
}
ports() {
  probe "$LAB_WWW_HOST" 80 www; probe "$LAB_WWW_HOST" 443 www
  probe "$LAB_PAY_HOST" 80 pay; probe "$LAB_PAY_HOST" 443 pay
  probe "$LAB_UPDATE_HOST" 80 update; probe "$LAB_UPDATE_HOST" 443 update
}
dns_server() {
  local a=LAB_DNS$1
  if dig +time=1 +tries=1 +short "@${!a}" "$LAB_WWW_HOST" >/dev/null; then echo "dns$1 answers"
  else echo "dns$1 silent"; fi
}
dns_servers() {  # asked side by side: a silent server costs one wait, not three
  local one two three
  exec 4< <(dns_server 1) 5< <(dns_server 2) 6< <(dns_server 3)
  one=$(cat <&4) two=$(cat <&5) three=$(cat <&6)
  printf '%s\n' "$one" "$two" "$three"
}
echo_gateway() {
  if ping -c 1 -W 0.5 "$LAB_GATEWAY" >/dev/null; then echo "gateway answers"; else echo "gateway silent"; fi
}
)";

ToolOutput Probe(const NetworkLab& lab, const std::string& script) {
  return lab.RunShell(std::string(kProbes) + script);
}

// What the whole lab looks like from the client when nothing is switched.
const char* const kBaselineScript =
    "cat /sys/class/net/eth0/carrier; ip route show default | wc -l; echo_gateway; dns_servers; ports";
const char* const kBaselineOutput =
    "1\n1\ngateway answers\ndns1 answers\ndns2 answers\ndns3 answers\n"
    "www 80 open\nwww 443 open\npay 80 open\npay 443 open\nupdate 80 open\nupdate 443 open\n";

bool NamespaceExists(const std::string& name) {
  return access(("/run/netns/" + name).c_str(), F_OK) == 0;
}

bool PathExists(const std::string& path) {
  return access(path.c_str(), F_OK) == 0;
}

// Gone, or a zombie no one has reaped yet: either way it runs no more.
bool ProcessGone(const std::string& pid) {
  std::ifstream stat("/proc/" + pid + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  size_t close = text.rfind(')');
  return text.empty() || (close != std::string::npos && text.compare(close, 4, ") Z ") == 0);
}

// A process that stands for a test program owning a lab, killed at will.
class Sleeper {
 public:
  Sleeper() {
    char sleep[] = "sleep";
    char seconds[] = "120";
    char* argv[] = {sleep, seconds, nullptr};
    if (posix_spawn(&m_pid, "/bin/sleep", nullptr, nullptr, argv, environ) != 0) m_pid = -1;
  }
  ~Sleeper() { Kill(); }
  pid_t Pid() const { return m_pid; }
  void Kill() {
    if (m_pid <= 0) return;
    kill(m_pid, SIGKILL);
    waitpid(m_pid, nullptr, 0);
    m_pid = -1;
  }

 private:
  pid_t m_pid = -1;
};

// The labs' traces on the machine, for checking that a lab is wholly gone.
struct LabTraces {
  explicit LabTraces(const std::map<std::string, std::string>& status)
      : strName(status.at("name")),
        strClientNs(status.at("client_ns")),
        strServerNs(status.at("server_ns")),
        strNginxPid(status.at("nginx_pid")),
        strDnsmasqPid(status.at("dnsmasq_pid")) {}

  std::string Remaining() const {
    std::string left;
    for (const std::string& ns : {strClientNs, strServerNs}) {
      if (NamespaceExists(ns)) left += "namespace " + ns + "; ";
      if (PathExists("/etc/netns/" + ns)) left += "/etc/netns/" + ns + "; ";
    }
    if (PathExists("/run/vamo-lab/" + strName)) left += "state folder; ";
    if (!ProcessGone(strNginxPid)) left += "nginx " + strNginxPid + "; ";
    if (!ProcessGone(strDnsmasqPid)) left += "dnsmasq " + strDnsmasqPid + "; ";
    return left;
  }

  std::string strName, strClientNs, strServerNs, strNginxPid, strDnsmasqPid;
};

std::string HostNetworkState() {
  return RunProgram("/bin/sh", {"-c",
                                "ip -o link | awk '{ print $2 }'; ip -o addr | awk '{ print $2, $3, $4 }';"
                                "ip route show table all; ip rule; cat /etc/resolv.conf;"
                                "nft list ruleset 2>/dev/null; ls /sys/class/net"})
      .out;
}

// ---------------------------------------------------------------------------

TEST(LabClient, HasOneAdapterARouteToItsGatewayAndTheLabsResolver) {
  VAMO_REQUIRE_LAB();
  NetworkLab lab;
  ASSERT_TRUE(lab.IsUp()) << lab.Error();

  ToolOutput out = lab.RunShell(
      "ls /sys/class/net | tr '\\n' ' '; echo; cat /sys/class/net/eth0/carrier /sys/class/net/eth0/address;"
      "ip -4 -o addr show eth0 | awk '{ print $4 }'; ip route | sed 's/ *$//';"
      "ip -o link show lo | grep -q ',UP' && echo lo up; grep -v '^#' /etc/resolv.conf");
  EXPECT_EQ(Expand(lab,
                   "eth0 lo \n1\n{client_mac}\n{client_addr}/30\n"
                   "default via {gateway} dev eth0\n"
                   "{client_net} dev eth0 proto kernel scope link src {client_addr}\n"
                   "lo up\nnameserver {dns1}\nnameserver {dns2}\noptions timeout:1 attempts:1\n"),
            out.out)
      << out.err;
}

TEST(LabClient, ResolvesTheLabHostsAndAddressesAndNothingElse) {
  VAMO_REQUIRE_LAB();
  NetworkLab lab;
  ASSERT_TRUE(lab.IsUp()) << lab.Error();

  ToolOutput out = lab.RunShell(
      "for h in \"$LAB_WWW_HOST\" \"$LAB_PAY_HOST\" \"$LAB_UPDATE_HOST\" \"$LAB_DNS1\" \"$LAB_DNS2\""
      "         \"$LAB_DNS3\" \"$LAB_GATEWAY\" \"$LAB_CLIENT_ADDR\"; do"
      "  getent hosts \"$h\" | awk '{ print $1, $2 }'; done;"
      "getent hosts www.example.com || echo 'www.example.com unknown';"
      "dig +time=1 +tries=1 \"@$LAB_DNS1\" www.example.com | grep -o 'status: [A-Z]*'");
  EXPECT_EQ(Expand(lab,
                   "{www_addr} {www_host}\n{pay_addr} {pay_host}\n{update_addr} {update_host}\n"
                   "{dns1} {dns1_host}\n{dns2} {dns2_host}\n{dns3} {dns3_host}\n"
                   "{gateway} {gateway_host}\n{client_addr} {client_host}\n"
                   "www.example.com unknown\nstatus: NXDOMAIN\n"),
            out.out)
      << out.err;
}

TEST(LabWeb, ServesFilesOverHttpAndHttpsAndAnswersPostWithTheFile) {
  VAMO_REQUIRE_LAB();
  TempDir www;
  std::string blob;
  for (int i = 0; i < 70000; ++i) blob += static_cast<char>((i * 7919) >> 3);
  const std::string list = "[GENERAL]\r\nVERSION=1.0.1.7\r\n";
  www.WriteFile("VamoSetup_1.0.1.7.ver", list);
  www.WriteFile("files/plugin.cab", blob);
  NetworkLabOptions options;
  options.strUpdateRoot = www.Path();
  NetworkLab lab(options);
  ASSERT_TRUE(lab.IsUp()) << lab.Error();

  const std::string curl = "curl -sS --max-time 5 --cacert \"$LAB_CA\" ";
  const std::string post = curl + "-X POST -H 'Content-Type: application/x-www-form-urlencoded' --data-binary '' ";
  ToolOutput posted = lab.RunShell(post + "https://$LAB_UPDATE_HOST/files/plugin.cab");
  EXPECT_EQ(0, posted.exitStatus) << posted.err;
  EXPECT_TRUE(posted.out == blob) << "POST over https gave " << posted.out.size() << " bytes";
  ToolOutput fetched = lab.RunShell(curl + "http://$LAB_UPDATE_HOST/files/plugin.cab");
  EXPECT_TRUE(fetched.out == blob) << "GET over http gave " << fetched.out.size() << " bytes";

  ToolOutput out = lab.RunShell(
      post + "-D - -o /dev/null https://$LAB_UPDATE_HOST/VamoSetup_1.0.1.7.ver | grep -i -E '^(HTTP|content-length)' | tr -d '\\r';" +
      post + "-o /dev/null -w 'missing %{http_code}\\n' https://$LAB_UPDATE_HOST/missing.ver;" +
      "for h in \"$LAB_WWW_HOST\" \"$LAB_PAY_HOST\"; do " + curl + "-o /dev/null -w \"$h %{http_code}\\n\" https://$h/; done;" +
      curl + "\"$LAB_GUIDE_URL\" | grep -c '전자결제 조치 안내';" +
      "curl -sS --max-time 5 -o /dev/null https://$LAB_WWW_HOST/ 2>/dev/null; echo \"without the lab CA: $?\"");
  EXPECT_EQ(Expand(lab,
                   "HTTP/1.1 200 OK\nContent-Length: " + std::to_string(list.size()) +
                       "\nmissing 404\n{www_host} 200\n{pay_host} 200\n2\n"
                   "without the lab CA: 60\n"),
            out.out)
      << out.err;

  TempDir other;
  other.WriteFile("VamoSetup_1.0.1.7.ver", "republished");
  ASSERT_TRUE(lab.Publish(other.Path())) << lab.Error();
  EXPECT_EQ(other.Path(), lab.Value("update_root"));
  EXPECT_EQ("republished", lab.RunShell(post + "https://$LAB_UPDATE_HOST/VamoSetup_1.0.1.7.ver").out);
}

// The wizard's own download (GET over http, POST over https with the lab CA
// among the prefix's roots) fetches what the update server publishes.
TEST(LabWeb, TheWizardsDownloadFetchesFromTheUpdateServer) {
  VAMO_REQUIRE_LAB();
  TempPrefix prefix;
  TempDir www;
  std::string blob;
  for (int i = 0; i < 20000; ++i) blob += static_cast<char>(i * 31 + 7);
  www.WriteFile("files/plugin.cab", blob);
  NetworkLabOptions options;
  options.strUpdateRoot = www.Path();
  NetworkLab lab(options);
  ASSERT_TRUE(lab.IsUp()) << lab.Error();
  std::filesystem::create_directories(prefix.Root() + "/certs/root");
  std::filesystem::copy_file(lab.CaPath(), prefix.Root() + "/certs/root/vamo-lab.pem");

  // Proxies of the machine's environment would lead out of the lab.
  const std::vector<std::string> noProxy = {"http_proxy=", "https_proxy=", "HTTP_PROXY=", "HTTPS_PROXY=",
                                            "ALL_PROXY=", "all_proxy="};
  for (const char* scheme : {"http", "https"}) {
    SCOPED_TRACE(scheme);
    std::string target = std::string("C:\\plugin-") + scheme + ".cab";
    ToolOutput out = lab.Run({VAMO_TOOL_PATH, "download",
                              std::string(scheme) + "://" + lab.Value("update_host") + "/files/plugin.cab", target},
                             noProxy);
    EXPECT_EQ(0, out.exitStatus) << out.out << out.err;
    EXPECT_NE(std::string::npos, out.out.find("result: 0")) << out.out;
    EXPECT_TRUE(ReadHostFile(prefix.DriveC() + "/plugin-" + scheme + ".cab") == blob);
  }
}

TEST(LabWeb, HostNamesAndTheGuidePageFollowTheOptions) {
  VAMO_REQUIRE_LAB();
  NetworkLabOptions options;
  options.extraArgs = {"--carrier-host", "shop.example.test", "--pay-host", "pg.example.test",
                       "--update-host", "dl.example.test", "--guide-url", "https://help.example.test/a/guide.html"};
  NetworkLab lab(options);
  ASSERT_TRUE(lab.IsUp()) << lab.Error();
  EXPECT_EQ("shop.example.test", lab.Value("www_host"));

  ToolOutput out = lab.RunShell(
      "for h in shop pg dl help; do getent hosts $h.example.test | awk '{ print $1 }'; done;"
      "for h in shop pg dl; do curl -sS --max-time 5 --cacert \"$LAB_CA\" -o /dev/null -w '%{http_code}\\n' "
      "https://$h.example.test/; done;"
      "curl -sS --max-time 5 --cacert \"$LAB_CA\" https://help.example.test/a/guide.html | grep -c '조치 안내'");
  EXPECT_EQ(Expand(lab, "{www_addr}\n{pay_addr}\n{update_addr}\n{www_addr}\n200\n200\n200\n2\n"), out.out) << out.err;
}

// ---------------------------------------------------------------------------
// Every switch, seen from the client.

struct SwitchCase {
  const char* name;
  std::vector<std::string> switches;
  const char* script;    // after kProbes
  const char* expected;  // {key} expands to the lab's status values
};

class LabSwitch : public ::testing::TestWithParam<SwitchCase> {};

TEST_P(LabSwitch, ShowsItsFaultInsideTheClient) {
  VAMO_REQUIRE_LAB();
  NetworkLab lab;
  ASSERT_TRUE(lab.IsUp()) << lab.Error();
  ASSERT_TRUE(lab.Set(GetParam().switches)) << lab.Error();
  ToolOutput out = Probe(lab, GetParam().script);
  EXPECT_EQ(Expand(lab, GetParam().expected), out.out) << out.err;
}

std::string PortsWith(const std::map<std::string, std::string>& changed) {
  std::string report;
  for (const char* site : {"www", "pay", "update"}) {
    for (const char* port : {"80", "443"}) {
      std::string key = std::string(site) + " " + port;
      auto it = changed.find(key);
      report += key + " " + (it == changed.end() ? "open" : it->second) + "\n";
    }
  }
  return report;
}

const std::string kWww80Closed = PortsWith({{"www 80", "refused"}});
const std::string kWww443Closed = PortsWith({{"www 443", "refused"}});
const std::string kPay80Closed = PortsWith({{"pay 80", "refused"}});
const std::string kPay443Closed = PortsWith({{"pay 443", "refused"}});
const std::string kPayClosed = PortsWith({{"pay 80", "refused"}, {"pay 443", "refused"}});
const std::string kUpdate443Closed = PortsWith({{"update 443", "refused"}});
const std::string kWww80Dropped = PortsWith({{"www 80", "silent"}});

INSTANTIATE_TEST_SUITE_P(
    Switches, LabSwitch,
    ::testing::Values(
        SwitchCase{"NoDefaultRoute", {"route=off"},
                   "ip route show default | wc -l; probe \"$LAB_WWW_ADDR\" 80 www", "0\nwww 80 unreachable\n"},
        SwitchCase{"CarrierLost", {"carrier=off"},
                   "cat /sys/class/net/eth0/carrier; ip route show default | wc -l; echo_gateway",
                   "0\n1\ngateway silent\n"},
        SwitchCase{"AdapterDown", {"adapter=down"},
                   "cat /sys/class/net/eth0/carrier 2>&1 | sed 's/.*: //'; cat /sys/class/net/eth0/operstate",
                   "Invalid argument\ndown\n"},
        SwitchCase{"SecondAdapterWithoutCarrier", {"second=on"},
                   "cat /sys/class/net/eth0/carrier /sys/class/net/eth1/carrier /sys/class/net/eth1/address;"
                   "ip -4 -o addr show eth1 | awk '{ print $4 }'; ip route show default | wc -l",
                   "1\n0\n{second_mac}\n{second_addr}/30\n1\n"},
        SwitchCase{"GatewayIgnoresEcho", {"icmp=off"}, "echo_gateway; probe \"$LAB_WWW_HOST\" 80 www",
                   "gateway silent\nwww 80 open\n"},
        SwitchCase{"FirstDnsServerSilent", {"dns-down=1"},
                   "dns_servers; getent ahostsv4 \"$LAB_WWW_HOST\" >/dev/null && echo resolved",
                   "dns1 silent\ndns2 answers\ndns3 answers\nresolved\n"},
        SwitchCase{"SecondAndThirdDnsServersSilent", {"dns-down=2,3"}, "dns_servers",
                   "dns1 answers\ndns2 silent\ndns3 silent\n"},
        SwitchCase{"AllDnsServersSilent", {"dns-down=all"}, "dns_servers",
                   "dns1 silent\ndns2 silent\ndns3 silent\n"},
        SwitchCase{"OneDnsServer", {"dns=1"}, "grep ^nameserver /etc/resolv.conf", "nameserver {dns1}\n"},
        SwitchCase{"ThreeDnsServers", {"dns=3"}, "grep ^nameserver /etc/resolv.conf",
                   "nameserver {dns1}\nnameserver {dns2}\nnameserver {dns3}\n"},
        SwitchCase{"CarrierHostClosedOn80", {"www80=closed"}, "ports", kWww80Closed.c_str()},
        SwitchCase{"CarrierHostClosedOn443", {"www443=closed"}, "ports", kWww443Closed.c_str()},
        SwitchCase{"PaymentServerClosedOn80", {"pay80=closed"}, "ports", kPay80Closed.c_str()},
        SwitchCase{"PaymentServerClosedOn443", {"pay443=closed"}, "ports", kPay443Closed.c_str()},
        SwitchCase{"PaymentServerClosed", {"pay=closed"}, "ports", kPayClosed.c_str()},
        SwitchCase{"UpdateServerClosedOn443", {"update443=closed"}, "ports", kUpdate443Closed.c_str()},
        SwitchCase{"CarrierHostDropsOn80", {"www80=drop"}, "ports", kWww80Dropped.c_str()}),
    [](const ::testing::TestParamInfo<SwitchCase>& info) { return std::string(info.param.name); });

TEST(LabSwitches, ReturnToTheStartingStateWithDefaults) {
  VAMO_REQUIRE_LAB();
  NetworkLab lab;
  ASSERT_TRUE(lab.IsUp()) << lab.Error();
  ASSERT_EQ(kBaselineOutput, Probe(lab, kBaselineScript).out);

  // Taking the adapter down drops its routes: they must come back with it.
  ASSERT_TRUE(lab.Set({"adapter=down", "carrier=off", "route=off", "icmp=off", "second=on", "dns=1",
                       "dns-down=1", "www=closed", "pay=drop", "update443=closed"}))
      << lab.Error();
  EXPECT_EQ("down", lab.Value("adapter"));
  EXPECT_EQ("drop", lab.Value("pay80"));
  ASSERT_TRUE(lab.Set({"defaults"})) << lab.Error();
  EXPECT_EQ(kBaselineOutput, Probe(lab, kBaselineScript).out);
  EXPECT_EQ("up", lab.Value("adapter"));
  EXPECT_EQ("off", lab.Value("second"));
  EXPECT_EQ(1, lab.RunShell("test -e /sys/class/net/eth1").exitStatus);
}

TEST(LabSwitches, RefusesABadSwitchWithoutApplyingAny) {
  VAMO_REQUIRE_LAB();
  NetworkLab lab;
  ASSERT_TRUE(lab.IsUp()) << lab.Error();
  for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
           {"route=off", "carrier=maybe"}, {"route=off", "volume=11"}, {"route=off", "dns=4"},
           {"route=off", "dns-down=4"}, {"route=off", "www80"}}) {
    EXPECT_FALSE(lab.Set(bad)) << bad.back();
    EXPECT_NE(std::string::npos, lab.Error().find("lab: ")) << lab.Error();
  }
  EXPECT_EQ("on", NetworkLab::StatusOf(lab.Name())["route"]);
  EXPECT_EQ("1\n", lab.RunShell("ip route show default | wc -l").out);
}

TEST(LabSwitches, StartingOptionsAreAppliedAtUp) {
  VAMO_REQUIRE_LAB();
  NetworkLabOptions options;
  options.nDnsServers = 3;
  options.bSecondAdapter = true;
  options.switches = {"icmp=off", "pay443=closed"};
  NetworkLab lab(options);
  ASSERT_TRUE(lab.IsUp()) << lab.Error();
  ToolOutput out = Probe(lab,
                         "grep -c ^nameserver /etc/resolv.conf; cat /sys/class/net/eth1/carrier; echo_gateway;"
                         "probe \"$LAB_PAY_HOST\" 443 pay");
  EXPECT_EQ("3\n0\ngateway silent\npay 443 refused\n", out.out) << out.err;
}

// ---------------------------------------------------------------------------
// Running things inside

TEST(LabExec, KeepsTheCallersEnvironmentAndPassesTheExitStatusOn) {
  VAMO_REQUIRE_LAB();
  NetworkLab lab;
  ASSERT_TRUE(lab.IsUp()) << lab.Error();
  ToolOutput out = lab.Run({"sh", "-c", "echo \"$VAMO_PREFIX|$VAMO_LAB|$VAMO_LAB_CA|$(id -u)\"; exit 7"},
                           {"VAMO_PREFIX=/tmp/some prefix"});
  EXPECT_EQ(7, out.exitStatus);
  EXPECT_EQ("/tmp/some prefix|" + lab.Name() + "|" + lab.CaPath() + "|" + std::to_string(geteuid()) + "\n",
            out.out);
}

TEST(LabExec, RunsAPartOfATestInsideTheClient) {
  if (NetworkLab::InsideLab()) {
    // The inner run: this process sees the lab's network, not the machine's.
    std::ifstream resolv("/etc/resolv.conf");
    std::string text((std::istreambuf_iterator<char>(resolv)), std::istreambuf_iterator<char>());
    EXPECT_NE(std::string::npos, text.find("nameserver " + NetworkLab::InsideValue("dns1") + "\n")) << text;
    const char* expected = std::getenv("EXPECTED_GATEWAY");
    ASSERT_NE(nullptr, expected);
    EXPECT_EQ(expected, NetworkLab::InsideValue("gateway"));
    std::ifstream carrier("/sys/class/net/eth0/carrier");
    std::string state;
    carrier >> state;
    EXPECT_EQ("1", state);
    return;
  }
  VAMO_REQUIRE_LAB();
  NetworkLab lab;
  ASSERT_TRUE(lab.IsUp()) << lab.Error();
  EXPECT_TRUE(lab.RunCurrentTestInside({"EXPECTED_GATEWAY=" + lab.Value("gateway")}));
  // A failing inner run is reported as a failure, with its output.
  ::testing::AssertionResult wrong = lab.RunCurrentTestInside({"EXPECTED_GATEWAY=not-the-gateway"});
  EXPECT_FALSE(wrong);
  EXPECT_NE(std::string::npos, std::string(wrong.message()).find("not-the-gateway"));
}

// ---------------------------------------------------------------------------
// Life cycle and safety

TEST(LabLifecycle, TwoLabsRunSideBySideWithTheirOwnNamesAndAddresses) {
  VAMO_REQUIRE_LAB();
  NetworkLab first;
  NetworkLab second;
  ASSERT_TRUE(first.IsUp()) << first.Error();
  ASSERT_TRUE(second.IsUp()) << second.Error();
  for (const char* key : {"slot", "client_ns", "server_ns", "client_addr", "gateway", "dns1", "www_addr", "ca"})
    EXPECT_NE(first.Value(key), second.Value(key)) << key;

  ASSERT_TRUE(first.Set({"icmp=off", "www=closed"})) << first.Error();
  EXPECT_EQ("gateway silent\nwww 80 refused\n",
            Probe(first, "echo_gateway; probe \"$LAB_WWW_HOST\" 80 www").out);
  EXPECT_EQ("gateway answers\nwww 80 open\n",
            Probe(second, "echo_gateway; probe \"$LAB_WWW_HOST\" 80 www").out);
}

TEST(LabLifecycle, DownRemovesEverythingTheLabMade) {
  VAMO_REQUIRE_LAB();
  std::map<std::string, std::string> status;
  {
    NetworkLabOptions options;
    options.bSecondAdapter = true;
    NetworkLab lab(options);
    ASSERT_TRUE(lab.IsUp()) << lab.Error();
    status = NetworkLab::StatusOf(lab.Name());
    ASSERT_EQ("yes", status["running"]);
    EXPECT_NE(std::string::npos, LabTraces(status).Remaining().find("nginx"));
  }
  EXPECT_EQ("", LabTraces(status).Remaining());
  EXPECT_TRUE(NetworkLab::StatusOf(status["name"]).empty());
}

TEST(LabLifecycle, GcRemovesTheLabOfAKilledOwnerAndKeepsTheOthers) {
  VAMO_REQUIRE_LAB();
  Sleeper owner;
  ASSERT_GT(owner.Pid(), 0);
  std::string name = "gc" + std::to_string(getpid());
  ToolOutput up = NetworkLab::RunLabTool({"up", name, "--owner", std::to_string(owner.Pid())});
  ASSERT_EQ(0, up.exitStatus) << up.err;
  std::map<std::string, std::string> status = NetworkLab::StatusOf(name);
  ASSERT_FALSE(status.empty());
  NetworkLab mine;
  ASSERT_TRUE(mine.IsUp()) << mine.Error();

  ASSERT_EQ(0, NetworkLab::RunLabTool({"gc"}).exitStatus);
  EXPECT_EQ("yes", NetworkLab::StatusOf(name)["running"]) << "the owner still runs";

  owner.Kill();
  ToolOutput gc = NetworkLab::RunLabTool({"gc"});
  EXPECT_EQ(0, gc.exitStatus) << gc.err;
  EXPECT_EQ("", LabTraces(status).Remaining());
  EXPECT_EQ("yes", NetworkLab::StatusOf(mine.Name())["running"]) << "a lab whose owner lives stays";
}

TEST(LabLifecycle, UpReplacesAStaleLabOfTheSameName) {
  VAMO_REQUIRE_LAB();
  std::string name = "stale" + std::to_string(getpid());
  Sleeper owner;
  ASSERT_EQ(0, NetworkLab::RunLabTool({"up", name, "--owner", std::to_string(owner.Pid()), "icmp=off"}).exitStatus);
  std::map<std::string, std::string> stale = NetworkLab::StatusOf(name);
  owner.Kill();

  ToolOutput up = NetworkLab::RunLabTool({"up", name, "--owner", std::to_string(getpid())});
  ASSERT_EQ(0, up.exitStatus) << up.err;
  std::map<std::string, std::string> fresh = NetworkLab::StatusOf(name);
  EXPECT_EQ("yes", fresh["running"]);
  EXPECT_EQ("on", fresh["icmp"]);
  EXPECT_TRUE(ProcessGone(stale["nginx_pid"]));
  EXPECT_TRUE(ProcessGone(stale["dnsmasq_pid"]));
  ToolOutput down = NetworkLab::RunLabTool({"down", name});
  EXPECT_EQ(0, down.exitStatus) << down.err;
  EXPECT_EQ("", LabTraces(fresh).Remaining());
}

struct StartFailure {
  const char* name;
  const char* option;  // --nginx or --dnsmasq
  const char* script;  // the stand-in server
  const char* message;
};

class LabStartFailure : public ::testing::TestWithParam<StartFailure> {};

// A server that does not come up is a clear failure within the wait, and the
// half-made lab is gone afterwards.
TEST_P(LabStartFailure, FailsClearlyAndLeavesNothing) {
  VAMO_REQUIRE_LAB();
  TempDir bin;
  std::string server = bin.WriteFile("server", std::string("#!/bin/sh\n") + GetParam().script);
  ASSERT_EQ(0, chmod(server.c_str(), 0755));
  std::string name = "fail" + std::to_string(getpid());
  ToolOutput up = NetworkLab::RunLabTool({"up", name, "--wait", "2", GetParam().option, server});
  EXPECT_NE(0, up.exitStatus);
  EXPECT_NE(std::string::npos, up.err.find(GetParam().message)) << up.err;
  EXPECT_FALSE(NamespaceExists("vamolab-" + name + "-pc"));
  EXPECT_FALSE(NamespaceExists("vamolab-" + name + "-net"));
  EXPECT_FALSE(PathExists("/run/vamo-lab/" + name));
  EXPECT_FALSE(PathExists("/etc/netns/vamolab-" + name + "-pc"));
  std::string daemon = ReadHostFile(bin.Path() + "/daemon.pid");
  if (!daemon.empty()) {
    EXPECT_TRUE(ProcessGone(daemon.substr(0, daemon.find('\n'))));
  }
}

// The stand-in that never listens daemonises like nginx: it leaves a process
// behind (in the lab's namespace) that the clean-up must end.
INSTANTIATE_TEST_SUITE_P(
    Servers, LabStartFailure,
    ::testing::Values(
        StartFailure{"NginxRefusesItsConfiguration", "--nginx",
                     "echo 'nginx: [emerg] no such file' >&2; exit 1\n", "nginx did not start (exit status 1): nginx: [emerg]"},
        StartFailure{"NginxNeverListens", "--nginx",
                     "while [ $# -gt 0 ]; do [ \"$1\" = -c ] && conf=$2; shift; done\n"
                     "sleep 60 </dev/null >/dev/null 2>&1 &\n"
                     "echo $! > \"$(dirname \"$conf\")/nginx.pid\"; echo $! > \"$(dirname \"$0\")/daemon.pid\"\n",
                     "nginx did not listen on"},
        StartFailure{"NginxNeverReturns", "--nginx", "exec sleep 60\n", "nginx did not return within 2 s"},
        StartFailure{"DnsmasqEndsAtOnce", "--dnsmasq", "exit 3\n", "dnsmasq did not start (exit status 3)"}),
    [](const ::testing::TestParamInfo<StartFailure>& info) { return std::string(info.param.name); });

TEST(LabSafety, LeavesTheMachinesOwnNetworkAlone) {
  VAMO_REQUIRE_LAB();
  std::string before = HostNetworkState();
  ASSERT_FALSE(before.empty());
  {
    NetworkLabOptions options;
    options.bSecondAdapter = true;
    NetworkLab lab(options);
    ASSERT_TRUE(lab.IsUp()) << lab.Error();

    // The lab's namespaces hold only the lab's links and routes: there is no
    // way out of them.
    EXPECT_EQ("eth0 eth1 lo\n", lab.RunShell("ls /sys/class/net | tr '\\n' ' ' | sed 's/ $//'; echo").out);
    EXPECT_EQ(Expand(lab, "default via {gateway} dev eth0\n{client_net} dev eth0 proto kernel scope link src "
                          "{client_addr}\n{second_net} dev eth1 proto kernel scope link src {second_addr} linkdown\n"),
              lab.RunShell("ip route | sed 's/ *$//'").out);
    std::string serverNs = lab.Value("server_ns");
    ToolOutput server = RunProgram("/bin/sh", {"-c", "ip -n " + serverNs +
                                                         " -o link | awk -F': ' '{ print $2 }' | cut -d@ -f1 | sort;"
                                                         "ip -n " + serverNs + " route | sed 's/ *$//'"});
    EXPECT_EQ(Expand(lab, "gw0\ngw1\nlo\n{client_net} dev gw0 proto kernel scope link src {gateway}\n"),
              server.out);

    ASSERT_TRUE(lab.Set({"route=off", "carrier=off", "icmp=off", "dns-down=all", "www=closed", "pay=drop"}))
        << lab.Error();
    EXPECT_EQ(before, HostNetworkState());
  }
  EXPECT_EQ(before, HostNetworkState());
}

}  // namespace
