// The file the recorder program (tools/recorder.cpp) appends its command line
// to, one UTF-8 line per start. A test names the file through RECORDER_OUTPUT,
// which the programs it starts inherit. Each RecorderOutput has a file of its
// own, so a launch that comes late writes into its own case's file, never into
// the next case's.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class RecorderOutput {
 public:
  // Starts empty: a file named for stem, this process and this instance, in
  // the temporary folder; points RECORDER_OUTPUT of this process at it.
  explicit RecorderOutput(const wchar_t* stem);
  ~RecorderOutput();
  RecorderOutput(const RecorderOutput&) = delete;
  RecorderOutput& operator=(const RecorderOutput&) = delete;

  const std::wstring& path() const { return path_; }

  std::vector<std::wstring> Lines() const;

  // Launched programs run on their own: waits until count lines are there or
  // timeoutMs (stretched by the time scale) has passed, and gives what is there.
  std::vector<std::wstring> WaitForLines(size_t count, DWORD timeoutMs = 20000) const;

 private:
  std::wstring path_;
};
