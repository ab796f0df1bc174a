#include "tools/trace_capture/debug_capture.h"

#include <windows.h>

#include <vector>

#include "base/win/unique_handle.h"

namespace {

// The debugger owns the image file handle that a process or DLL event hands over.
void CloseImageFile(HANDLE file) { const UniqueHandle owned(file); }

std::wstring ReadDebugString(HANDLE process, const OUTPUT_DEBUG_STRING_INFO& info) {
  const SIZE_T units = info.nDebugStringLength;
  if (units == 0) return {};
  if (info.fUnicode) {
    std::vector<wchar_t> buffer(units);
    SIZE_T read = 0;
    if (!ReadProcessMemory(process, info.lpDebugStringData, buffer.data(), units * sizeof(wchar_t), &read)) return {};
    std::wstring text(buffer.data(), read / sizeof(wchar_t));
    if (!text.empty() && text.back() == L'\0') text.pop_back();
    return text;
  }
  // Wine 8 delivers the text converted to the ANSI code page.
  std::vector<char> buffer(units);
  SIZE_T read = 0;
  if (!ReadProcessMemory(process, info.lpDebugStringData, buffer.data(), units, &read)) return {};
  int length = static_cast<int>(read);
  while (length > 0 && buffer[length - 1] == '\0') --length;
  if (length == 0) return {};
  int wide = MultiByteToWideChar(CP_ACP, 0, buffer.data(), length, nullptr, 0);
  std::wstring text(wide, L'\0');
  MultiByteToWideChar(CP_ACP, 0, buffer.data(), length, text.data(), wide);
  return text;
}

}  // namespace

CapturedRun RunCapturingDebugOutput(const std::wstring& commandLine, unsigned long timeoutMs) {
  CapturedRun run;
  std::vector<wchar_t> writable(commandLine.begin(), commandLine.end());
  writable.push_back(L'\0');
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, writable.data(), nullptr, nullptr, FALSE, DEBUG_ONLY_THIS_PROCESS, nullptr, nullptr,
                      &si, &pi)) {
    return run;
  }
  run.started = true;
  UniqueHandle process(pi.hProcess);
  UniqueHandle thread(pi.hThread);

  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    DEBUG_EVENT event{};
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) {
      run.timedOut = true;
      TerminateProcess(process.get(), 1);
      DebugActiveProcessStop(pi.dwProcessId);
      break;
    }
    if (!WaitForDebugEvent(&event, static_cast<DWORD>(deadline - now))) continue;
    DWORD status = DBG_CONTINUE;
    switch (event.dwDebugEventCode) {
      case CREATE_PROCESS_DEBUG_EVENT:
        CloseImageFile(event.u.CreateProcessInfo.hFile);
        break;
      case LOAD_DLL_DEBUG_EVENT:
        CloseImageFile(event.u.LoadDll.hFile);
        break;
      case OUTPUT_DEBUG_STRING_EVENT:
        run.lines.push_back(ReadDebugString(process.get(), event.u.DebugString));
        break;
      case EXCEPTION_DEBUG_EVENT:
        if (event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT) status = DBG_EXCEPTION_NOT_HANDLED;
        break;
      default:
        break;
    }
    if (event.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT && event.dwProcessId == pi.dwProcessId) {
      run.exitCode = event.u.ExitProcess.dwExitCode;
      ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
      break;
    }
    ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
  }
  return run;
}

std::vector<std::wstring> TraceMessages(const CapturedRun& run) {
  static const std::wstring kMarker = L"): Vexdor.ZevEvov : ";
  std::vector<std::wstring> messages;
  for (const std::wstring& line : run.lines) {
    if (line.rfind(L": (TID=", 0) != 0) continue;
    const size_t at = line.find(kMarker);
    if (at == std::wstring::npos) continue;
    std::wstring message = line.substr(at + kMarker.size());
    if (message.size() >= 2 && message.compare(message.size() - 2, 2, L"\r\n") == 0) message.resize(message.size() - 2);
    messages.push_back(message);
  }
  return messages;
}
