#include "tests/transfer/TransferTestSupport.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/fs/FileSystem.h"
#include "system/SetupFolders.h"
#include "system/Trace.h"
#include "tests/support/SharedFixture.h"
#include "tests/support/TempPrefix.h"

extern char** environ;

ToolOutput Shell(const std::string& commandLine) { return RunProgram("/bin/sh", {"-c", commandLine}); }

std::string ShellQuote(const std::string& word) {
  std::string quoted = "'";
  for (char c : word) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

namespace {

void MustRun(const std::string& commandLine) {
  ToolOutput out = Shell(commandLine);
  if (out.exitStatus != 0) throw std::runtime_error("command failed: " + commandLine + "\n" + out.err);
}

std::string MakeTempFolder() {
  std::string templ = std::filesystem::temp_directory_path().string() + "/vamo-pki-XXXXXX";
  if (mkdtemp(templ.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  return templ;
}

void MakeCa(const std::string& dir, const std::string& name, const std::string& commonName) {
  MustRun("cd " + ShellQuote(dir) + " && openssl req -x509 -newkey rsa:2048 -nodes -keyout " + name +
          ".key -out " + name + ".pem -days 3650 -subj " + ShellQuote("/CN=" + commonName) +
          " -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign"
          " 2>/dev/null");
}

void MakeServerCert(const std::string& dir, const std::string& ca, const std::string& name) {
  std::ofstream(dir + "/" + name + ".ext") << "subjectAltName=IP:127.0.0.1\nbasicConstraints=CA:FALSE\n"
                                              "extendedKeyUsage=serverAuth\n";
  MustRun("cd " + ShellQuote(dir) + " && openssl req -newkey rsa:2048 -nodes -keyout " + name + ".key -out " +
          name + ".csr -subj /CN=127.0.0.1 2>/dev/null && openssl x509 -req -in " + name + ".csr -CA " + ca +
          ".pem -CAkey " + ca + ".key -CAcreateserial -days 3650 -out " + name + ".pem -extfile " + name +
          ".ext 2>/dev/null");
}

}  // namespace

const TestPki& SharedTestPki() {
  static const TestPki pki = [] {
    std::string dir = SharedFixtureFolder("pki", [](const std::string& folder) {
      MakeCa(folder, "ca", "Vamo Test Root");
      MakeServerCert(folder, "ca", "server");
      MakeCa(folder, "otherca", "Vamo Untrusted Root");
      MakeServerCert(folder, "otherca", "otherserver");
    });
    return TestPki{dir + "/ca.pem",      dir + "/server.pem",      dir + "/server.key",
                   dir + "/otherca.pem", dir + "/otherserver.pem", dir + "/otherserver.key"};
  }();
  return pki;
}

const TestKeys& SharedTestKeys() {
  static const TestKeys keys = [] {
    std::string d = SharedFixtureFolder("keys", [](const std::string& folder) {
      std::string dir = ShellQuote(folder);
      for (const char* name : {"key", "other"}) {
        MustRun("cd " + dir + " && openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 -out " + name +
                ".pem 2>/dev/null && openssl pkey -in " + name + ".pem -pubout -out " + name + ".pub");
      }
      MustRun("cd " + dir + " && openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out ec.pem "
              "2>/dev/null && openssl pkey -in ec.pem -pubout -out ec.pub");
    });
    return TestKeys{d + "/key.pem", d + "/key.pub", d + "/other.pem", d + "/other.pub", d + "/ec.pub"};
  }();
  return keys;
}

std::string ReadKeyFile(const std::string& path) { return ReadHostFile(path); }

std::string OpensslSign(const std::string& privateKeyPath, const std::string& bytes) {
  TempDir folder;
  std::string data = folder.WriteFile("data", bytes);
  std::string sig = folder.Path() + "/sig";
  MustRun("openssl dgst -sha512 -sign " + ShellQuote(privateKeyPath) + " -out " + ShellQuote(sig) + " " +
          ShellQuote(data));
  return ReadHostFile(sig);
}

TestHttpServer::TestHttpServer() : TestHttpServer(Options{}) {}

TestHttpServer::TestHttpServer(const Options& options) : m_bHttps(!options.certPath.empty()) {
  m_strLogDir = MakeTempFolder();
  m_strLog = m_strLogDir + "/requests.log";
  std::vector<std::string> args = {"python3", VAMO_HTTP_TEST_SERVER, "--log", m_strLog, "--stall",
                                   std::to_string(options.stallSeconds)};
  if (m_bHttps) args.insert(args.end(), {"--cert", options.certPath, "--key", options.keyPath});
  if (!options.root.empty()) args.insert(args.end(), {"--root", options.root});
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  int fds[2];
  if (pipe(fds) != 0) throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  posix_spawn_file_actions_addopen(&actions, 2, (m_strLogDir + "/stderr").c_str(), O_WRONLY | O_CREAT, 0600);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  pid_t pid = 0;
  int rc = posix_spawnp(&pid, "python3", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  if (rc != 0) {
    close(fds[0]);
    throw std::runtime_error("cannot start the test server");
  }
  m_pid = pid;
  std::string line;
  char c = 0;
  while (read(fds[0], &c, 1) == 1 && c != '\n') line += c;
  close(fds[0]);
  if (!line.starts_with("PORT ")) {
    std::string err = ReadHostFile(m_strLogDir + "/stderr");
    Stop();
    throw std::runtime_error("test server did not start: " + err);
  }
  m_nPort = static_cast<uint16_t>(std::stoi(line.substr(5)));
}

TestHttpServer::~TestHttpServer() { Stop(); }

void TestHttpServer::Stop() {
  if (m_pid > 0) {
    kill(m_pid, SIGTERM);
    int status = 0;
    waitpid(m_pid, &status, 0);
    m_pid = -1;
  }
  if (!m_strLogDir.empty()) {
    std::error_code ec;
    std::filesystem::remove_all(m_strLogDir, ec);
    m_strLogDir.clear();
  }
}

std::string TestHttpServer::Url(const std::string& path) const {
  return std::string(m_bHttps ? "https" : "http") + "://127.0.0.1:" + std::to_string(m_nPort) + path;
}

std::vector<RecordedRequest> TestHttpServer::Requests() const {
  std::vector<RecordedRequest> requests;
  std::istringstream log(ReadHostFile(m_strLog));
  std::string line;
  while (std::getline(log, line)) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1) {
      fields.push_back(line.substr(start, tab - start));
    }
    fields.push_back(line.substr(start));
    if (fields.size() < 3) continue;
    RecordedRequest request;
    request.method = fields[0];
    request.path = fields[1];
    for (size_t i = 2; i + 1 < fields.size(); ++i) {
      size_t colon = fields[i].find(": ");
      std::string name = fields[i].substr(0, colon);
      for (char& ch : name) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
      request.headers[name] = colon == std::string::npos ? "" : fields[i].substr(colon + 2);
    }
    request.bodyLength = std::stoul(fields.back().substr(5));
    requests.push_back(std::move(request));
  }
  return requests;
}

std::string ServerPattern(size_t length) {
  std::string bytes(length, '\0');
  for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<char>((i % 65536) % 251);
  return bytes;
}

void WriteHostFile(const std::string& hostPath, const std::string& bytes) {
  std::ofstream out(hostPath, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

TraceCapture::TraceCapture() : m_strLog(m_folder.Path() + "/trace.log") {
  std::string versionFile = CSetupFolders::InstalledVersionFile();
  platform::fs::CreateDirectoryPath(CSetupFolders::InstallFolder());
  platform::fs::WriteFileAtomic(versionFile, std::string_view("[GENERAL]\r\nDEBUG=TRACE\r\n"));
  setenv("VAMO_DEBUG_LOG", m_strLog.c_str(), 1);
}

TraceCapture::~TraceCapture() { unsetenv("VAMO_DEBUG_LOG"); }

std::vector<std::string> TraceCapture::Lines() const {
  std::vector<std::string> lines;
  std::istringstream log(ReadHostFile(m_strLog));
  std::string line;
  while (std::getline(log, line)) {
    if (line.starts_with(kTracePrefix)) line.erase(0, std::string_view(kTracePrefix).size());
    lines.push_back(line);
  }
  return lines;
}

bool TraceCapture::Contains(const std::string& message) const {
  for (const std::string& line : Lines()) {
    if (line == message) return true;
  }
  return false;
}
