#pragma once

#include <string>

// Where an analysis shows what it is doing: the big status text of the
// window. The setup driver implements it; the analyses sit below the engine
// and know only this.
class IStatusSink {
 public:
  virtual ~IStatusSink() = default;
  virtual void SetStatusText(const std::string& strText) = 0;
};
