#include "tools/zevshow/console_stop.h"

namespace {

// After a window close the system ends the process 5 s after the event at
// the latest; the handler waits a little less for the summary.
constexpr DWORD kCloseGraceMs = 4500;

// The handler runs on a thread the system starts and takes no argument.
HANDLE g_requested = nullptr;
HANDLE g_done = nullptr;

}  // namespace

ConsoleStop::ConsoleStop() {
  requested_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  done_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!requested_ || !done_) return;
  g_requested = requested_.get();
  g_done = done_.get();
  installed_ = SetConsoleCtrlHandler(&Handler, TRUE) != FALSE;
}

ConsoleStop::~ConsoleStop() {
  if (installed_) SetConsoleCtrlHandler(&Handler, FALSE);
  g_requested = nullptr;
  g_done = nullptr;
}

void ConsoleStop::Done() { SetEvent(done_.get()); }

BOOL WINAPI ConsoleStop::Handler(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      SetEvent(g_requested);
      return TRUE;
    case CTRL_CLOSE_EVENT:
      SetEvent(g_requested);
      WaitForSingleObject(g_done, kCloseGraceMs);
      return TRUE;
    default:
      return FALSE;
  }
}
