#include "tools/zevshow/debug_output_listener.h"

#include <array>
#include <cstring>

namespace {

// The shared buffer: the writer's process id, then its text in the ANSI code
// page with a terminator. Writers cut longer text at the last byte that fits.
constexpr DWORD kBufferBytes = 4096;
constexpr size_t kTextCapacity = kBufferBytes - sizeof(DWORD);
constexpr size_t kLongestText = kTextCapacity - 1;

// Another listener made these first; creating them again only opens its
// objects.
bool ExistedBefore() { return GetLastError() == ERROR_ALREADY_EXISTS; }

}  // namespace

DebugOutputListener::DebugOutputListener(DebugOutputSink& sink) : sink_(sink) {
  bufferReady_.reset(CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_BUFFER_READY"));
  if (!bufferReady_) return;
  if (ExistedBefore()) {
    status_ = Status::kOtherViewer;
    return;
  }
  dataReady_.reset(CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_DATA_READY"));
  if (!dataReady_) return;
  if (ExistedBefore()) {
    status_ = Status::kOtherViewer;
    return;
  }
  mapping_.reset(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kBufferBytes, L"DBWIN_BUFFER"));
  if (!mapping_) return;
  if (ExistedBefore()) {
    status_ = Status::kOtherViewer;
    return;
  }
  stop_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!stop_) return;
  view_.reset(MapViewOfFile(mapping_.get(), FILE_MAP_READ, 0, 0, kBufferBytes));
  if (!view_) return;
  thread_.reset(CreateThread(nullptr, 0, &ThreadMain, this, 0, nullptr));
  if (!thread_) return;
  status_ = Status::kListening;
  SetEvent(bufferReady_.get());
}

DebugOutputListener::~DebugOutputListener() { Stop(); }

void DebugOutputListener::Stop() {
  if (!thread_) return;
  SetEvent(stop_.get());
  WaitForSingleObject(thread_.get(), INFINITE);
  thread_.reset();
}

DWORD WINAPI DebugOutputListener::ThreadMain(void* listener) {
  static_cast<DebugOutputListener*>(listener)->ReadUntilStopped();
  return 0;
}

void DebugOutputListener::ReadUntilStopped() {
  const char* buffer = static_cast<const char*>(view_.get());
  std::array<char, kTextCapacity> text;
  // A line and the stop can be signalled together; the wait reports the
  // lower index first, so a waiting line is always taken before stopping.
  const HANDLE events[] = {dataReady_.get(), stop_.get()};
  for (;;) {
    const DWORD signalled = WaitForMultipleObjects(2, events, FALSE, INFINITE);
    if (signalled != WAIT_OBJECT_0) return;
    DWORD processId = 0;
    std::memcpy(&processId, buffer, sizeof processId);
    const size_t length = strnlen(buffer + sizeof processId, kTextCapacity);
    std::memcpy(text.data(), buffer + sizeof processId, length);
    SetEvent(bufferReady_.get());
    sink_.Take(processId, std::string_view(text.data(), length), length >= kLongestText);
  }
}
