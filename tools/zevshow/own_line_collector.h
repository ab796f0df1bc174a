// Keeps the debug-output lines this process writes, for the trace of a test
// Show; lines of other processes that arrive meanwhile are passed over.
#pragma once

#include <string>
#include <vector>

#include "tools/zevshow/debug_output_sink.h"

class OwnLineCollector : public DebugOutputSink {
 public:
  void Take(DWORD processId, std::string_view text, bool cut) override;

  // The lines in order, each as DebugLineText gives it. Call once the
  // listener has stopped.
  std::vector<std::wstring> TakeLines();

 private:
  std::vector<std::wstring> lines_;
  bool linesLost_ = false;
};
