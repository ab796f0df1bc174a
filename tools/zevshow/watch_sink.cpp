#include "tools/zevshow/watch_sink.h"

#include <new>

#include "tools/zevshow/viewer_trace_line.h"

void WatchSink::Take(DWORD processId, std::string_view text, bool cut) {
  WatchedLine line;
  GetLocalTime(&line.time);
  if (!all_ && !IsViewerTraceLine(text)) {
    ++counts_.leftOut;
    return;
  }
  ++counts_.caught;
  if (cut) ++counts_.cut;
  try {
    line.processId = processId;
    line.program = names_.NameOf(processId);
    line.text = text;
    line.cut = cut;
  } catch (const std::bad_alloc&) {
    queue_.CountDropped();
    return;
  }
  queue_.Push(std::move(line));
}

WatchSink::Counts WatchSink::counts() const {
  Counts counts = counts_;
  counts.processes = names_.count();
  return counts;
}
