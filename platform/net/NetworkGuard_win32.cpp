#include "platform/net/NetworkGuard.h"

#include <windows.h>

namespace platform::net {

bool MayProbeNetwork(bool bHostNetwork) {
  if (bHostNetwork) return true;
  wchar_t value[4] = {};
  const DWORD length = ::GetEnvironmentVariableW(L"VAMO_HOST_NETWORK", value, 4);
  return length == 1 && value[0] == L'1';
}

}  // namespace platform::net
