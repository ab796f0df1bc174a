#include "tools/zevshow/debug_output_listener.h"

#include <cstring>
#include <new>

namespace {

// The shared buffer: the writer's process id, then its text in the ANSI code
// page with a terminator. Writers cut longer text at the last byte that fits.
constexpr DWORD kBufferBytes = 4096;
constexpr size_t kTextCapacity = kBufferBytes - sizeof(DWORD);
constexpr size_t kLongestText = kTextCapacity - 1;

}  // namespace

DebugOutputListener::DebugOutputListener() {
  if (IsDebuggerPresent()) {
    status_ = Status::kDebuggerAttached;
    return;
  }
  bufferReady_.reset(CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_BUFFER_READY"));
  if (!bufferReady_) return;
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    status_ = Status::kOtherViewer;
    return;
  }
  dataReady_.reset(CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_DATA_READY"));
  mapping_.reset(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kBufferBytes, L"DBWIN_BUFFER"));
  stop_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!dataReady_ || !mapping_ || !stop_) return;
  view_.reset(MapViewOfFile(mapping_.get(), FILE_MAP_READ, 0, 0, kBufferBytes));
  if (!view_) return;
  thread_.reset(CreateThread(nullptr, 0, &ThreadMain, this, 0, nullptr));
  if (!thread_) return;
  status_ = Status::kListening;
  SetEvent(bufferReady_.get());
}

DebugOutputListener::~DebugOutputListener() { Finish(); }

std::vector<std::wstring> DebugOutputListener::Finish() {
  if (thread_) {
    SetEvent(stop_.get());
    WaitForSingleObject(thread_.get(), INFINITE);
    thread_.reset();
  }
  if (linesLost_) lines_.push_back(L"[lines lost: out of memory]");
  linesLost_ = false;
  return std::move(lines_);
}

DWORD WINAPI DebugOutputListener::ThreadMain(void* listener) {
  static_cast<DebugOutputListener*>(listener)->ReadUntilStopped();
  return 0;
}

void DebugOutputListener::ReadUntilStopped() {
  // A line and the stop can be signalled together; the wait reports the
  // lower index first, so a waiting line is always taken before stopping.
  const HANDLE events[] = {dataReady_.get(), stop_.get()};
  for (;;) {
    const DWORD signalled = WaitForMultipleObjects(2, events, FALSE, INFINITE);
    if (signalled != WAIT_OBJECT_0) return;
    TakeLine();
    SetEvent(bufferReady_.get());
  }
}

void DebugOutputListener::TakeLine() {
  const char* buffer = static_cast<const char*>(view_.get());
  DWORD processId = 0;
  std::memcpy(&processId, buffer, sizeof processId);
  if (processId != GetCurrentProcessId()) return;
  const char* text = buffer + sizeof processId;
  const size_t length = strnlen(text, kTextCapacity);
  try {
    const int units = MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0);
    std::wstring line(units, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), line.data(), units);
    while (!line.empty() && (line.back() == L'\n' || line.back() == L'\r')) line.pop_back();
    if (length >= kLongestText) line += L" [cut]";
    lines_.push_back(std::move(line));
  } catch (const std::bad_alloc&) {
    linesLost_ = true;
  }
}
