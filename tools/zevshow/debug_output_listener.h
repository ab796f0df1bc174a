// Collects the debug output (OutputDebugString) of every process in the
// session, the way a debug-output viewer does: it creates the shared buffer
// "DBWIN_BUFFER" with its two events, and a thread of its own copies each
// line out, hands the buffer back at once and only then gives the line to
// its sink, so a writer waits no longer than the copy takes.
//
// While these objects exist every writer in the session waits for the buffer,
// up to 10 s per line, so the thread reads until Stop() and the objects go
// away with the listener.
#pragma once

#include <windows.h>

#include "base/win/unique_handle.h"
#include "base/win/unique_resource.h"
#include "tools/zevshow/debug_output_sink.h"

class DebugOutputListener {
 public:
  enum class Status {
    kListening,
    // A viewer such as DebugView, or another zevshow, already owns the
    // buffer; the lines go there.
    kOtherViewer,
    // The buffer, its events or the thread could not be created.
    kUnavailable,
  };

  explicit DebugOutputListener(DebugOutputSink& sink);
  ~DebugOutputListener();
  DebugOutputListener(const DebugOutputListener&) = delete;
  DebugOutputListener& operator=(const DebugOutputListener&) = delete;

  Status status() const { return status_; }

  // Takes the line that is waiting, if any, then stops reading; the sink gets
  // nothing after it returns.
  void Stop();

 private:
  static DWORD WINAPI ThreadMain(void* listener);
  void ReadUntilStopped();

  DebugOutputSink& sink_;
  Status status_ = Status::kUnavailable;
  UniqueHandle bufferReady_;
  UniqueHandle dataReady_;
  UniqueHandle mapping_;
  UniqueResource<CloseWith<void*, &UnmapViewOfFile>> view_;
  UniqueHandle stop_;
  UniqueHandle thread_;
};
