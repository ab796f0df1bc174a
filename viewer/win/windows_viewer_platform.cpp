#include "viewer/win/windows_viewer_platform.h"

#include <windows.h>
#include <shellapi.h>
#define SECURITY_WIN32
#include <secext.h>

#include "base/win/unique_environment_block.h"
#include "base/win/unique_handle.h"
#include "base/win/unique_local_memory.h"
#include "base/win/wide_text.h"

namespace {

LaunchResult FailedLaunch() {
  LaunchResult result;
  result.error = GetLastError();
  return result;
}

}  // namespace

void WindowsViewerPlatform::WriteDebugOutput(const char16_t* line) { OutputDebugStringW(AsWide(line)); }

std::uint32_t WindowsViewerPlatform::CurrentThreadId() { return GetCurrentThreadId(); }

bool WindowsViewerPlatform::SystemMessageText(std::uint32_t code, std::u16string& text) {
  UniqueLocalMemory<wchar_t> message;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
      MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPWSTR>(message.put()), 0, nullptr);
  if (length == 0 || message.get() == nullptr) return false;
  text.assign(AsUtf16(message.get()), length);
  return true;
}

std::uint32_t WindowsViewerPlatform::AnsiToWide(const char* bytes, std::uint32_t byteCount, char16_t* out,
                                                std::uint32_t capacity) {
  const int written = MultiByteToWideChar(CP_THREAD_ACP, 0, bytes, static_cast<int>(byteCount), AsWide(out),
                                          static_cast<int>(capacity));
  return written > 0 ? static_cast<std::uint32_t>(written) : 0;
}

std::uint32_t WindowsViewerPlatform::ExpandEnvironment(const char16_t* text, char16_t* out, std::uint32_t capacity) {
  return ExpandEnvironmentStringsW(AsWide(text), AsWide(out), capacity);
}

bool WindowsViewerPlatform::UserNameEx(std::uint32_t format, char16_t* buffer, std::uint32_t& size) {
  ULONG length = size;
  const bool found = GetUserNameExW(static_cast<EXTENDED_NAME_FORMAT>(format), AsWide(buffer), &length) != FALSE;
  size = length;
  return found;
}

bool WindowsViewerPlatform::LogonUserName(char16_t* buffer, std::uint32_t& size) {
  DWORD length = size;
  const bool found = GetUserNameW(AsWide(buffer), &length) != FALSE;
  size = length;
  return found;
}

std::uint32_t WindowsViewerPlatform::LastError() { return GetLastError(); }

bool WindowsViewerPlatform::SystemDirectory(std::u16string& path, std::uint32_t& error) {
  const UINT needed = GetSystemDirectoryW(nullptr, 0);
  if (needed == 0) {
    error = GetLastError();
    return false;
  }
  std::wstring area(needed, L'\0');
  const UINT length = GetSystemDirectoryW(area.data(), needed);
  if (length == 0 || length >= needed) {
    error = length == 0 ? GetLastError() : ERROR_INSUFFICIENT_BUFFER;
    return false;
  }
  path.assign(AsUtf16(area.c_str()), length);
  return true;
}

std::u16string WindowsViewerPlatform::EnvironmentStrings() {
  const UniqueEnvironmentBlock block(GetEnvironmentStringsW());
  if (block.get() == nullptr) return {};
  // Entries follow each other, each with its NUL; an empty one ends the block.
  const wchar_t* end = block.get();
  while (*end != L'\0') end += wcslen(end) + 1;
  return std::u16string(AsUtf16(block.get()), static_cast<std::size_t>(end - block.get()));
}

LaunchResult WindowsViewerPlatform::StartProcess(const ProcessLaunch& launch) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = launch.startup.dwFlags;
  startup.wShowWindow = launch.startup.wShowWindow;
  PROCESS_INFORMATION process{};
  // The block is only read, whatever the parameter's type says.
  void* environment = const_cast<char16_t*>(launch.environment);
  if (!CreateProcessW(AsWide(launch.applicationName), AsWide(launch.commandLine), nullptr, nullptr,
                      launch.inheritHandles ? TRUE : FALSE, launch.creationFlags, environment, nullptr, &startup,
                      &process)) {
    return FailedLaunch();
  }
  UniqueHandle processHandle(process.hProcess);
  UniqueHandle threadHandle(process.hThread);
  LaunchResult result;
  result.succeeded = true;
  // A wait that fails tells nothing about the process: it started, and that
  // is what is reported.
  DWORD exitCode = 0;
  if (launch.exitWaitMilliseconds != 0 &&
      WaitForSingleObject(processHandle.get(), launch.exitWaitMilliseconds) == WAIT_OBJECT_0 &&
      GetExitCodeProcess(processHandle.get(), &exitCode)) {
    result.ended = true;
    result.exitCode = exitCode;
  }
  return result;
}

LaunchResult WindowsViewerPlatform::LaunchWithShell(const ShellLaunch& launch) {
  SHELLEXECUTEINFOW execute{};
  execute.cbSize = sizeof execute;
  execute.fMask = launch.fMask;
  execute.hwnd = reinterpret_cast<HWND>(launch.hwnd);
  execute.lpVerb = AsWide(launch.verb);
  execute.lpFile = AsWide(launch.file);
  execute.lpParameters = AsWide(launch.parameters);
  execute.lpDirectory = AsWide(launch.directory);
  execute.nShow = launch.nShow;
  if (!ShellExecuteExW(&execute)) return FailedLaunch();
  UniqueHandle processHandle(execute.hProcess);
  LaunchResult result;
  result.succeeded = true;
  return result;
}

std::uintptr_t WindowsViewerPlatform::ForegroundWindow() {
  return reinterpret_cast<std::uintptr_t>(GetForegroundWindow());
}

void WindowsViewerPlatform::Sleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

void WindowsViewerPlatform::SetForeground(std::uintptr_t window) {
  SetForegroundWindow(reinterpret_cast<HWND>(window));
}
