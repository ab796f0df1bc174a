// Hands caught lines from the listener's thread to the writer's. Pushing
// never waits for the writer: a console that is held (a selection in its
// window) or a slow disk would otherwise stall the listener, and with it
// every process that writes debug output. Up to a bound of memory the lines
// wait here; beyond it they are dropped and counted.
#pragma once

#include <windows.h>

#include <vector>

#include "base/win/critical_section.h"
#include "base/win/unique_handle.h"
#include "tools/zevshow/watched_line.h"

class WatchedLineQueue {
 public:
  WatchedLineQueue() = default;
  WatchedLineQueue(const WatchedLineQueue&) = delete;
  WatchedLineQueue& operator=(const WatchedLineQueue&) = delete;

  // S_OK, or why the lock or the event could not be set up.
  HRESULT Initialize();

  void Push(WatchedLine&& line);
  // A line that could not even be copied (out of memory).
  void CountDropped();

  // Signalled after a push.
  HANDLE available() const { return available_.get(); }
  // Every line waiting, in order.
  std::vector<WatchedLine> TakeAll();

  size_t dropped();

 private:
  CriticalSection lock_;
  UniqueHandle available_;
  std::vector<WatchedLine> lines_;
  size_t bytes_ = 0;
  size_t dropped_ = 0;
};
