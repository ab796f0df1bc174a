// What the watch does with each line on the listener's thread: the filter,
// the counts, the process's name, and the hand-over to the writer's thread.
#pragma once

#include "tools/zevshow/debug_output_sink.h"
#include "tools/zevshow/process_names.h"
#include "tools/zevshow/watched_line_queue.h"

class WatchSink : public DebugOutputSink {
 public:
  struct Counts {
    size_t caught = 0;    // lines that passed the filter
    size_t cut = 0;       // of those, cut at the buffer's size
    size_t leftOut = 0;   // lines without the viewer's prefix, without --all
    size_t processes = 0; // processes whose lines passed the filter
  };

  // all: every line, not just the viewer's.
  WatchSink(WatchedLineQueue& queue, bool all) : queue_(queue), all_(all) {}

  void Take(DWORD processId, std::string_view text, bool cut) override;

  // Read once the listener has stopped.
  Counts counts() const;

 private:
  WatchedLineQueue& queue_;
  const bool all_;
  ProcessNames names_;
  Counts counts_;
};
