// Every platform call the viewer makes, behind one interface. The Windows
// layer implements it over kernel32, user32, shell32 and secur32; the native
// tests implement it with a fake that records what it is asked.
#pragma once

#include <cstdint>
#include <string>

// The STARTUPINFOW members a process launch sets; every other member is zero
// and cb is the Windows layer's to fill.
struct ProcessStartup {
  std::uint32_t dwFlags = 0;
  std::uint16_t wShowWindow = 0;
};

// The arguments of CreateProcessW that vary or that the launch fixes. Both
// security attribute pointers and the current directory are always null.
struct ProcessLaunch {
  const char16_t* applicationName = nullptr;  // null: the command line's first word names it
  char16_t* commandLine = nullptr;            // writable, as CreateProcessW requires
  // A UTF-16 environment block (with CREATE_UNICODE_ENVIRONMENT), or null for
  // the caller's environment.
  const char16_t* environment = nullptr;
  bool inheritHandles = false;
  std::uint32_t creationFlags = 0;
  ProcessStartup startup;
  // How long to wait for the started process to end, in milliseconds; 0: not
  // at all.
  std::uint32_t exitWaitMilliseconds = 0;
};

// The SHELLEXECUTEINFOW members a shell launch sets; every other member is
// zero and cbSize is the Windows layer's to fill.
struct ShellLaunch {
  std::uint32_t fMask = 0;
  std::uintptr_t hwnd = 0;
  const char16_t* verb = nullptr;
  const char16_t* file = nullptr;
  const char16_t* parameters = nullptr;
  const char16_t* directory = nullptr;
  std::int32_t nShow = 0;
};

struct LaunchResult {
  bool succeeded = false;
  // The thread's last-error value, taken right after a failed call.
  std::uint32_t error = 0;
  // A started process that ended within its exit wait, and its exit code.
  bool ended = false;
  std::uint32_t exitCode = 0;
};

class ViewerPlatform {
 public:
  virtual ~ViewerPlatform() = default;

  // OutputDebugStringW.
  virtual void WriteDebugOutput(const char16_t* line) = 0;
  // GetCurrentThreadId.
  virtual std::uint32_t CurrentThreadId() = 0;
  // FormatMessageW from the system table, user's default language, inserts
  // ignored, into a buffer the system allocates and this call frees. False
  // when the system has no text for code. May throw std::bad_alloc while
  // copying the text.
  virtual bool SystemMessageText(std::uint32_t code, std::u16string& text) = 0;
  // MultiByteToWideChar(CP_THREAD_ACP, 0, ...), byteCount > 0 and no
  // terminator counted. With capacity 0: the characters needed; otherwise the
  // characters written. 0 on failure.
  virtual std::uint32_t AnsiToWide(const char* bytes, std::uint32_t byteCount, char16_t* out,
                                   std::uint32_t capacity) = 0;
  // ExpandEnvironmentStringsW: characters needed including the terminator,
  // 0 on failure; fills out only when capacity suffices.
  virtual std::uint32_t ExpandEnvironment(const char16_t* text, char16_t* out,
                                          std::uint32_t capacity) = 0;
  // GetUserNameExW(format, buffer, &size): size in characters, in and out.
  virtual bool UserNameEx(std::uint32_t format, char16_t* buffer, std::uint32_t& size) = 0;
  // GetUserNameW(buffer, &size).
  virtual bool LogonUserName(char16_t* buffer, std::uint32_t& size) = 0;
  // GetLastError.
  virtual std::uint32_t LastError() = 0;
  // GetSystemDirectoryW. False, with error set to the thread's last error,
  // when it fails. May throw std::bad_alloc.
  virtual bool SystemDirectory(std::u16string& path, std::uint32_t& error) = 0;
  // GetEnvironmentStringsW, then FreeEnvironmentStringsW: the caller's
  // environment, each entry followed by its NUL, the block's final NUL left
  // off. Empty when it cannot be had. May throw std::bad_alloc.
  virtual std::u16string EnvironmentStrings() = 0;
  // CreateProcessW; with an exit wait, WaitForSingleObject on the started
  // process and GetExitCodeProcess once it has ended. Closes both handles of
  // a started process before it returns.
  virtual LaunchResult StartProcess(const ProcessLaunch& launch) = 0;
  // ShellExecuteExW; closes a returned process handle at once.
  virtual LaunchResult LaunchWithShell(const ShellLaunch& launch) = 0;
  // GetForegroundWindow.
  virtual std::uintptr_t ForegroundWindow() = 0;
  // Sleep.
  virtual void Sleep(std::uint32_t milliseconds) = 0;
  // SetForegroundWindow; its result is of no interest to the viewer.
  virtual void SetForeground(std::uintptr_t window) = 0;
};
