// The watch's writer thread: prints the lines the queue holds, each as
//   HH:MM:SS.mmm  PID  PROGRAM  TEXT
// so that the listener's thread never waits for the output.
#pragma once

#include <windows.h>

#include "base/win/unique_handle.h"
#include "tools/zevshow/text_output.h"
#include "tools/zevshow/watched_line_queue.h"

class WatchWriter {
 public:
  WatchWriter(WatchedLineQueue& queue, TextOutput& out) : queue_(queue), out_(out) {}
  ~WatchWriter() { Finish(); }
  WatchWriter(const WatchWriter&) = delete;
  WatchWriter& operator=(const WatchWriter&) = delete;

  // False when the thread could not be started.
  bool Start();
  // Prints what is still queued, then ends the thread. Call after the last
  // push.
  void Finish();

 private:
  static DWORD WINAPI ThreadMain(void* writer);
  void WriteUntilFinished();
  void WriteQueued();

  WatchedLineQueue& queue_;
  TextOutput& out_;
  UniqueHandle finish_;
  UniqueHandle thread_;
};
