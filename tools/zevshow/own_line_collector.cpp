#include "tools/zevshow/own_line_collector.h"

#include <new>

#include "tools/zevshow/debug_line_text.h"

void OwnLineCollector::Take(DWORD processId, std::string_view text, bool cut) {
  if (processId != GetCurrentProcessId()) return;
  try {
    lines_.push_back(DebugLineText(text, cut));
  } catch (const std::bad_alloc&) {
    linesLost_ = true;
  }
}

std::vector<std::wstring> OwnLineCollector::TakeLines() {
  if (linesLost_) lines_.push_back(L"[lines lost: out of memory]");
  linesLost_ = false;
  return std::move(lines_);
}
