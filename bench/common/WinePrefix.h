#pragma once

// A Wine prefix of a benchmark's own, with a persistent wineserver, so that
// each Windows program starts as a script's second call would: the server and
// Wine's services are up. Ended (by its own WINEPREFIX) and left to the
// caller's scratch folder to remove.
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/common/BenchSupport.h"

namespace bench {

inline bool RunShell(const std::string& command) { return std::system(command.c_str()) == 0; }

// What a Windows program of the prefix at `path` runs with: no debug
// chatter, and no offer to install Mono or Gecko from the network.
inline std::vector<std::string> WineEnvironment(const std::string& path) {
  return {"WINEPREFIX=" + path, "WINEDEBUG=-all", "WINEARCH=win64", "WINEDLLOVERRIDES=mscoree,mshtml="};
}

class WinePrefix {
 public:
  // `wineRun` is scripts/wine-run, which boots a prefix.
  WinePrefix(const std::string& path, const std::string& wineRun) : m_path(path), m_wineRun(wineRun) {
    for (const std::string& setting : WineEnvironment(path)) {
      const size_t equals = setting.find('=');
      setenv(setting.substr(0, equals).c_str(), setting.c_str() + equals + 1, 1);
    }
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
  }
  ~WinePrefix() {
    if (m_started) {
      RunShell("wineserver -k 2>/dev/null");
      RunShell("wineserver -w 2>/dev/null");
    }
  }
  WinePrefix(const WinePrefix&) = delete;
  WinePrefix& operator=(const WinePrefix&) = delete;

  // A prepared prefix (scripts/wine-run --template DIR) in VAMO_WINE_TEMPLATE
  // is copied unless `bBootHere`; otherwise a prefix is booted, which inside
  // a lab's namespace lets Wine's network services see the lab's adapters.
  bool Prepare(bool bBootHere = false) {
    const char* templ = std::getenv("VAMO_WINE_TEMPLATE");
    bool ready = !bBootHere && templ != nullptr && *templ != '\0'
                     ? RunShell("mkdir -p " + Quote(m_path) + " && cp -a " + Quote(std::string(templ) + "/.") + " " +
                                Quote(m_path))
                     : RunShell(Quote(m_wineRun) + " --template " + Quote(m_path));
    m_started = ready && RunShell("wineserver -p");
    return m_started;
  }

 private:
  std::string m_path;
  std::string m_wineRun;
  bool m_started = false;
};

// wine64 from the PATH, else where Debian's wine package keeps it.
inline std::string Wine64() { return RunShell("command -v wine64 > /dev/null") ? "wine64" : "/usr/lib/wine/wine64"; }

// Z:\ is the host's root in every Wine prefix.
inline std::string WindowsName(const std::string& hostPath) {
  std::string name = "Z:" + hostPath;
  for (char& c : name) {
    if (c == '/') c = '\\';
  }
  return name;
}

}  // namespace bench
