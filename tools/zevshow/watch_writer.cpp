#include "tools/zevshow/watch_writer.h"

#include <cwchar>
#include <new>
#include <string>

#include "tools/zevshow/debug_line_text.h"

namespace {

// "23:59:59.999  4294967295  ", terminator included, with room to spare.
constexpr size_t kStampCapacity = 48;

}  // namespace

bool WatchWriter::Start() {
  finish_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!finish_) return false;
  thread_.reset(CreateThread(nullptr, 0, &ThreadMain, this, 0, nullptr));
  return static_cast<bool>(thread_);
}

void WatchWriter::Finish() {
  if (!thread_) return;
  SetEvent(finish_.get());
  WaitForSingleObject(thread_.get(), INFINITE);
  thread_.reset();
}

DWORD WINAPI WatchWriter::ThreadMain(void* writer) {
  static_cast<WatchWriter*>(writer)->WriteUntilFinished();
  return 0;
}

void WatchWriter::WriteUntilFinished() {
  const HANDLE events[] = {queue_.available(), finish_.get()};
  for (;;) {
    const DWORD signalled = WaitForMultipleObjects(2, events, FALSE, INFINITE);
    WriteQueued();
    if (signalled != WAIT_OBJECT_0) return;
  }
}

void WatchWriter::WriteQueued() {
  for (const WatchedLine& line : queue_.TakeAll()) {
    wchar_t stamp[kStampCapacity];
    const int length = std::swprintf(stamp, kStampCapacity, L"%02u:%02u:%02u.%03u  %lu  ", line.time.wHour,
                                     line.time.wMinute, line.time.wSecond, line.time.wMilliseconds,
                                     static_cast<unsigned long>(line.processId));
    if (length < 0) continue;
    // One write per line: a line reaches a file or a pipe whole.
    try {
      out_.Write(std::wstring(stamp, length) + line.program + L"  " + DebugLineText(line.text, line.cut) + L"\r\n");
    } catch (const std::bad_alloc&) {
      out_.WriteLine(L"[line lost: out of memory]");
    }
  }
}
