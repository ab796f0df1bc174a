// Receives the lines a DebugOutputListener takes out of the shared buffer.
#pragma once

#include <windows.h>

#include <string_view>

class DebugOutputSink {
 public:
  // Called on the listener's thread for each line, after the buffer has been
  // handed back to the writers: the writer's process id and its text as
  // written, in the ANSI code page, without the terminator. cut: the text
  // filled the buffer, so the writer's line was longer and lost its end here.
  virtual void Take(DWORD processId, std::string_view text, bool cut) = 0;

 protected:
  ~DebugOutputSink() = default;
};
