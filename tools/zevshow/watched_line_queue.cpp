#include "tools/zevshow/watched_line_queue.h"

#include <new>

#include "base/win/critical_section_guard.h"
#include "base/win/last_error.h"

namespace {

// About 16,000 full-size lines: far more than a viewer writes while a
// console is held, little next to a PC's memory.
constexpr size_t kMaxQueuedBytes = 64 * 1024 * 1024;

size_t BytesOf(const WatchedLine& line) {
  return sizeof line + line.text.size() + line.program.size() * sizeof(wchar_t);
}

}  // namespace

HRESULT WatchedLineQueue::Initialize() {
  const HRESULT hr = lock_.Initialize();
  if (FAILED(hr)) return hr;
  available_.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  return available_ ? S_OK : LastErrorResult();
}

void WatchedLineQueue::Push(WatchedLine&& line) {
  const size_t bytes = BytesOf(line);
  {
    CriticalSectionGuard guard(lock_);
    if (bytes_ + bytes > kMaxQueuedBytes) {
      ++dropped_;
      return;
    }
    try {
      lines_.push_back(std::move(line));
    } catch (const std::bad_alloc&) {
      ++dropped_;
      return;
    }
    bytes_ += bytes;
  }
  SetEvent(available_.get());
}

void WatchedLineQueue::CountDropped() {
  CriticalSectionGuard guard(lock_);
  ++dropped_;
}

std::vector<WatchedLine> WatchedLineQueue::TakeAll() {
  std::vector<WatchedLine> taken;
  CriticalSectionGuard guard(lock_);
  taken.swap(lines_);
  bytes_ = 0;
  return taken;
}

size_t WatchedLineQueue::dropped() {
  CriticalSectionGuard guard(lock_);
  return dropped_;
}
