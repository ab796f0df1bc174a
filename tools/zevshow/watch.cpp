#include "tools/zevshow/watch.h"

#include <cwchar>
#include <string>

#include "tools/zevshow/console_stop.h"
#include "tools/zevshow/debug_output_listener.h"
#include "tools/zevshow/exit_status.h"
#include "tools/zevshow/watch_sink.h"
#include "tools/zevshow/watch_writer.h"
#include "tools/zevshow/watched_line_queue.h"

namespace {

constexpr DWORD kMillisecondsPerSecond = 1000;
// "zevshow --watch: started 2026-12-31 23:59:59 local time", terminator
// included, with room to spare.
constexpr size_t kStartedCapacity = 80;

int CannotWatch(TextOutput& err, const wchar_t* why) {
  err.WriteLine(std::wstring(L"zevshow: cannot watch: ") + why);
  return exit_status::kNotUsable;
}

std::wstring Count(size_t count, const wchar_t* what) { return std::to_wstring(count) + L" " + what; }

void WriteSummary(TextOutput& out, const WatchSink::Counts& counts, size_t dropped, bool all) {
  std::wstring summary = L"zevshow --watch: " + Count(counts.caught, L"lines caught, ") +
                         Count(counts.processes, L"processes seen, ") +
                         Count(counts.cut, L"lines cut at the buffer's size");
  if (dropped > 0) summary += L", " + Count(dropped, L"lines dropped, the output was too slow");
  if (!all) summary += L", " + Count(counts.leftOut, L"other lines left out (--all shows them)");
  out.WriteLine(summary);
}

}  // namespace

int RunWatch(const CommandOptions& options, TextOutput& out, TextOutput& err) {
  ConsoleStop stop;
  WatchedLineQueue queue;
  if (!stop || FAILED(queue.Initialize())) return CannotWatch(err, L"the events or the handler could not be set up.");
  WatchSink sink(queue, options.all);
  DebugOutputListener listener(sink);
  switch (listener.status()) {
    case DebugOutputListener::Status::kListening:
      break;
    case DebugOutputListener::Status::kOtherViewer:
      return CannotWatch(err,
                         L"another debug-output viewer (DebugView, or a second zevshow --watch or --trace) "
                         L"owns this session's debug-output buffer (DBWIN_BUFFER) and receives the lines. "
                         L"Close it and start zevshow --watch again.");
    case DebugOutputListener::Status::kUnavailable:
      return CannotWatch(err, L"the debug-output buffer (DBWIN_BUFFER) could not be set up.");
  }
  WatchWriter writer(queue, out);
  if (!writer.Start()) return CannotWatch(err, L"the writer thread could not be started.");
  SYSTEMTIME now;
  GetLocalTime(&now);
  wchar_t started[kStartedCapacity];
  if (std::swprintf(started, kStartedCapacity, L"zevshow --watch: started %04u-%02u-%02u %02u:%02u:%02u local time",
                    now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond) > 0) {
    out.WriteLine(started);
  }
  err.WriteLine(options.watchSeconds != 0
                    ? L"zevshow --watch: listening for " + std::to_wstring(options.watchSeconds) +
                          L" s; Ctrl+C ends it sooner."
                    : std::wstring(L"zevshow --watch: listening; Ctrl+C ends it."));

  WaitForSingleObject(stop.requested(),
                      options.watchSeconds != 0 ? options.watchSeconds * kMillisecondsPerSecond : INFINITE);
  listener.Stop();
  writer.Finish();
  WriteSummary(out, sink.counts(), queue.dropped(), options.all);
  stop.Done();
  return exit_status::kOk;
}
