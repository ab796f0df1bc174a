// Collects this process's own debug output (OutputDebugString) while it runs,
// the way a debug-output viewer does: it creates the shared buffer
// "DBWIN_BUFFER" with its two events, and a thread of its own takes each line
// out and hands the buffer back. Lines of other processes that arrive
// meanwhile are passed over.
//
// While these objects exist every writer in the session waits for the buffer,
// up to 10 s per line, so the thread reads until Finish() and the objects go
// away with the listener.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "base/win/unique_handle.h"
#include "base/win/unique_resource.h"

class DebugOutputListener {
 public:
  enum class Status {
    kListening,
    // A viewer such as DebugView already owns the buffer; the lines go there.
    kOtherViewer,
    // A debugger receives the lines before any viewer could.
    kDebuggerAttached,
    // The buffer, its events or the thread could not be created.
    kUnavailable,
  };

  DebugOutputListener();
  ~DebugOutputListener();
  DebugOutputListener(const DebugOutputListener&) = delete;
  DebugOutputListener& operator=(const DebugOutputListener&) = delete;

  Status status() const { return status_; }

  // Stops reading and gives the lines this process wrote, in order, each
  // without its line end. A line that the platform cut at the buffer's size
  // ends in " [cut]".
  std::vector<std::wstring> Finish();

 private:
  static DWORD WINAPI ThreadMain(void* listener);
  void ReadUntilStopped();
  void TakeLine();

  Status status_ = Status::kUnavailable;
  UniqueHandle bufferReady_;
  UniqueHandle dataReady_;
  UniqueHandle mapping_;
  UniqueResource<CloseWith<void*, &UnmapViewOfFile>> view_;
  UniqueHandle stop_;
  UniqueHandle thread_;
  std::vector<std::wstring> lines_;
  bool linesLost_ = false;
};
