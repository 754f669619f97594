#include "system/VersionInfo.h"

#include <cstdio>
#include <new>
#include <optional>

#include "platform/pe/VersionResource.h"

CVersionInfo::~CVersionInfo() { Reset(); }

bool CVersionInfo::Load(const std::string& strPath) {
  Reset();
  const uint32_t nSize = platform::FileVersionInfoSize(strPath);
  if (nSize == 0) return false;
  std::unique_ptr<uint8_t[]> pBlock(new (std::nothrow) uint8_t[nSize]);
  if (!pBlock || !platform::ReadFileVersionInfo(strPath, std::span<uint8_t>(pBlock.get(), nSize))) return false;

  const std::optional<platform::VersionValue> translation =
      platform::QueryVersionValue(std::span<const uint8_t>(pBlock.get(), nSize), "\\VarFileInfo\\Translation");
  if (!translation || translation->bytes.size() < 4) return false;
  // The entry holds the language in its low and the code page in its high
  // half; the string-table path wants them the other way round.
  const auto& b = translation->bytes;
  const uint32_t dwLanguage = static_cast<uint32_t>(b[0] | (b[1] << 8));
  const uint32_t dwCodePage = static_cast<uint32_t>(b[2] | (b[3] << 8));
  m_dwTranslation = (dwLanguage << 16) | dwCodePage;
  m_pBlock = std::move(pBlock);
  m_nBlockSize = nSize;
  return true;
}

std::string CVersionInfo::GetString(const std::string& strKey, uint32_t dwTranslation) const {
  if (!m_pBlock) return {};
  char szPath[64];
  const uint32_t dwUsed = dwTranslation != 0 ? dwTranslation : m_dwTranslation;
  std::snprintf(szPath, sizeof(szPath), "\\StringFileInfo\\%08x\\", dwUsed);
  const std::optional<platform::VersionValue> value =
      platform::QueryVersionValue(std::span<const uint8_t>(m_pBlock.get(), m_nBlockSize), szPath + strKey);
  return value ? platform::VersionValueText(*value) : std::string();
}

void CVersionInfo::Reset() {
  m_pBlock.reset();
  m_nBlockSize = 0;
  m_dwTranslation = 0;
}
