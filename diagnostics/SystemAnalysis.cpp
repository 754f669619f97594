#include "diagnostics/SystemAnalysis.h"

int AnalyzeUser(std::unique_ptr<CSystemInfo>& pSystemInfo, IReportSink& report) {
  pSystemInfo = std::make_unique<CSystemInfo>();
  CSystemInfo& info = *pSystemInfo;
  info.GatherSystemInfo();

  report.AppendLine("------- 수동설치마법사 -------\r\n");
  // A fixed text, not the program's version resource.
  report.AppendLine("VamoSetup.exe : 1.0.1.1 Build 2013.04.24\r\n");
  report.AppendLine("------- 수동설치마법사 -------\r\n");
  report.AppendLine("------- ANALYSIS USER BEGIN -------\r\n");
  report.AppendLine("컴퓨터 이름 : %s\r\n", info.m_strComputerName.c_str());
  report.AppendLine("사용자 : %s\r\n", info.m_strUserName.c_str());
  report.AppendLine("운영체제 : Microsoft %s %s %s비트 %s (빌드번호 %s)\r\n", info.m_strOsName.c_str(),
                    info.m_strEdition.c_str(), info.m_strBits.c_str(), info.m_strVersion.c_str(),
                    info.m_strBuild.c_str());
  report.AppendLine("서비스팩 : %s\r\n", info.m_strServicePack.c_str());
  report.AppendLine("언어 : %s / %s\r\n", info.m_strLanguage.c_str(), info.m_strLanguageVariant.c_str());
  report.AppendLine("프로세서 : %s (%d CPUs)\r\n", info.m_strProcessorName.c_str(), info.m_nProcessorCount);
  report.AppendLine("메모리 : %sMB/%sMB\r\n", info.m_strAvailPhysMemory.c_str(), info.m_strTotalPhysMemory.c_str());
  report.AppendLine("가상메모리 : %sMB/%sMB\r\n", info.m_strAvailVirtualMemory.c_str(),
                    info.m_strTotalVirtualMemory.c_str());
  report.AppendLine("페이지파일 : %sMB/%sMB\r\n", info.m_strAvailPageFile.c_str(), info.m_strTotalPageFile.c_str());
  report.AppendLine("------- ANALYSIS USER END -------\r\n");
  return 0;
}
