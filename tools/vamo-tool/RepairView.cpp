#include "tools/vamo-tool/RepairView.h"

#include <algorithm>
#include <cstdio>

#include "tools/vamo-tool/TerminalProgress.h"

const char* const RepairView::kStepNames[kSteps] = {"사용자 환경 분석", "네트워크 분석", "브라우저 분석",
                                                    "프로그램 설치/복구", "완료"};

namespace {

constexpr char kFailedWord[] = "오류";
constexpr char kInstallPhaseError[] = "하나 이상의 파일에서 오류가 발생 하였습니다. ";
constexpr char kAnalysisPhaseError[] =
    "현재 인터넷 접속이 원활하지 않아 전자결제창 마법사 및 전자결제 서비스가 원활하지\n\n않을 수 있습니다. 인터넷 "
    "접속을 다시 한번 확인하시기 바랍니다.";
constexpr int kInstallPhase = 3;
constexpr int kDonePhase = 4;

// Never the last column: some terminals wrap as soon as it is written.
int Usable(int nColumns) { return std::max(nColumns - 1, 20); }

int BarCells(int nColumns) { return std::clamp(Usable(nColumns) / 3, 10, 30); }

// The bar lines end two columns earlier still: the cursor rests at the end
// of the last of them, where the terminal echoes Ctrl+C as "^C", which must
// not wrap the line under the view's feet.
int BarLineCells(int nColumns) { return Usable(nColumns) - 2; }

// The run's last status text is the completion text, which the command
// prints itself when the run has ended.
bool IsCompletionText(const std::string& strStatus) { return strStatus == CSetupDriver::kPhaseStatusText[3]; }

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += (text.empty() ? "" : " ") + line;
  return text;
}

std::string CountLine(const CSetupState& snapshot) {
  if (snapshot.m_strCountText.empty()) return snapshot.m_strCountLabel;
  return snapshot.m_strCountLabel + " " + snapshot.m_strCountText;
}

std::string PercentLine(const CSetupState& snapshot) {
  if (snapshot.m_strPercentLabel.empty()) return {};
  std::string line = snapshot.m_strPercentLabel + " " + snapshot.m_strPercentText;
  if (!snapshot.m_strPercentSubLabel.empty()) line += "  " + snapshot.m_strPercentSubLabel;
  return line;
}

// The moving block of the analysis phases: a quarter of the bar, entering
// from the left again after it left on the right.
std::string Marquee(int nTick, int nColumns) {
  const int nCells = BarCells(nColumns);
  const int nBlock = std::max(nCells / 4, 2);
  const int nStart = nTick % (nCells + nBlock) - nBlock;
  std::string bar = "[";
  for (int i = 0; i < nCells; ++i) bar += (i >= nStart && i < nStart + nBlock) ? '#' : '.';
  bar += "]";
  const int nLeft = BarLineCells(nColumns) - nCells - 2;
  return std::string(static_cast<size_t>(std::max(nLeft, 0)), ' ') + bar;
}

// The lines broken at spaces so that none is wider than `cells`; a word
// wider than that is cut.
std::vector<std::string> Wrapped(const std::vector<std::string>& lines, int cells) {
  std::vector<std::string> out;
  for (const std::string& line : lines) {
    std::string current;
    size_t start = 0;
    while (start <= line.size()) {
      size_t end = line.find(' ', start);
      if (end == std::string::npos) end = line.size();
      const std::string word = line.substr(start, end - start);
      const std::string joined = current.empty() ? word : current + " " + word;
      if (TerminalProgress::DisplayWidth(joined) <= cells || current.empty()) {
        current = TerminalProgress::FitToWidth(joined, cells);
      } else {
        out.push_back(current);
        current = TerminalProgress::FitToWidth(word, cells);
      }
      start = end + 1;
    }
    out.push_back(current);
  }
  return out;
}

}  // namespace

std::vector<std::string> RepairView::TextLines(const std::string& strText) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start <= strText.size()) {
    size_t end = strText.find('\n', start);
    if (end == std::string::npos) end = strText.size();
    std::string line = strText.substr(start, end - start);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    if (!line.empty()) lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

std::string RepairView::WithBar(const std::string& strLeft, long long nDone, long long nTotal, int nColumns) {
  const int nCells = BarCells(nColumns);
  const int nLeft = BarLineCells(nColumns) - nCells - 3;
  // A name too long for its place is cut, and says so.
  std::string left = TerminalProgress::DisplayWidth(strLeft) <= nLeft
                         ? strLeft
                         : TerminalProgress::FitToWidth(strLeft, nLeft - 1) + "~";
  left += std::string(static_cast<size_t>(std::max(nLeft - TerminalProgress::DisplayWidth(left), 0)), ' ');
  const auto done = static_cast<uint64_t>(std::max(nDone, 0LL));
  const auto total = static_cast<uint64_t>(std::max(nTotal, 0LL));
  return left + " " + TerminalProgress::Bar(done, total, nCells);
}

std::string RepairView::Strip(int nPhase, bool bFailed, bool bInPlace, int nColumns) {
  const int nCurrent = std::clamp(nPhase, 0, kSteps - 1);
  std::string current = kStepNames[nCurrent];
  if (bFailed) current += std::string(" ") + kFailedWord;
  if (!bInPlace) return "단계 " + std::to_string(nCurrent + 1) + "/" + std::to_string(kSteps) + " " + current;

  // Every step by name, with arrows when they fit, with wide gaps when
  // only those fit, else only the current step by name.
  std::string arrows;
  std::string gaps;
  std::string compact;
  for (int k = 0; k < kSteps; ++k) {
    const bool bFirst = k == 0;
    const std::string name = k == nCurrent ? "[" + current + "]" : std::string(kStepNames[k]);
    arrows += (bFirst ? "" : " > ") + name;
    gaps += (bFirst ? "" : "  ") + name;
    compact += (bFirst ? "" : " > ") +
               (k == nCurrent ? "[" + std::to_string(k + 1) + " " + current + "]" : std::to_string(k + 1));
  }
  for (const std::string* strip : {&arrows, &gaps}) {
    if (TerminalProgress::DisplayWidth(*strip) <= Usable(nColumns)) return *strip;
  }
  return compact;
}

std::vector<std::string> RepairView::TerminalLines(const CSetupState& snapshot, int nColumns, int nTick) {
  std::vector<std::string> lines = {Strip(PhaseNumber(snapshot.m_nPhase), false, true, nColumns)};
  std::vector<std::string> status = Wrapped(TextLines(snapshot.m_strStatus), Usable(nColumns));
  if (status.size() < 2) status.resize(2);
  lines.insert(lines.end(), status.begin(), status.end());
  if (PhaseNumber(snapshot.m_nPhase) < kInstallPhase) {
    lines.push_back(Marquee(nTick, nColumns));
    lines.push_back("");
  } else {
    lines.push_back(WithBar(CountLine(snapshot), snapshot.m_nCountCurrent, snapshot.m_nCountTotal, nColumns));
    lines.push_back(WithBar(PercentLine(snapshot), snapshot.m_nPercentDone, snapshot.m_nPercentTotal, nColumns));
  }
  return lines;
}

std::vector<std::string> RepairView::PipeLines(const CSetupState& snapshot) {
  // The completion text is left to the command's last lines; until then the
  // install phase's text stands.
  const std::string& strStatus =
      IsCompletionText(snapshot.m_strStatus) ? std::string(CSetupDriver::kPhaseStatusText[2]) : snapshot.m_strStatus;
  std::vector<std::string> lines = {Strip(std::min(PhaseNumber(snapshot.m_nPhase), kInstallPhase), false, false, 0),
                                    Joined(TextLines(strStatus))};
  if (PhaseNumber(snapshot.m_nPhase) >= kInstallPhase) {
    lines.push_back(CountLine(snapshot));
    if (snapshot.m_strPercentLabel.empty()) return lines;
    const int nTenth = TerminalProgress::Percent(static_cast<uint64_t>(std::max(snapshot.m_nPercentDone, 0)),
                                                 static_cast<uint64_t>(std::max(snapshot.m_nPercentTotal, 0))) /
                       10 * 10;
    std::string line = snapshot.m_strPercentLabel + " " + std::to_string(nTenth) + "%";
    if (!snapshot.m_strPercentSubLabel.empty()) line += " " + snapshot.m_strPercentSubLabel;
    lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> RepairView::FinalTerminalLines(const CSetupState& snapshot, bool bFailed,
                                                        int nColumns) {
  // As in the window, the progress area goes when the run has ended: the
  // closing text takes its place.
  return {Strip(bFailed ? PhaseNumber(snapshot.m_nPhase) : kDonePhase, bFailed, true, nColumns)};
}

std::vector<std::string> RepairView::ErrorText(int nPhase, const std::string& strPhone, const std::string& strEmail) {
  if (nPhase == kInstallPhase) {
    return {kInstallPhaseError, "고객센터 ( " + strPhone + ", " + strEmail + " )로 문의 주시기 바랍니다."};
  }
  return TextLines(kAnalysisPhaseError);
}
