// The viewer core's platform calls on Windows: the debug output, the system's
// message texts, text conversion, the environment, user names, and the
// process, shell and window calls of a launch. Holds no state.
#pragma once

#include "viewer/viewer_platform.h"

class WindowsViewerPlatform final : public ViewerPlatform {
 public:
  void WriteDebugOutput(const char16_t* line) override;
  std::uint32_t CurrentThreadId() override;
  bool SystemMessageText(std::uint32_t code, std::u16string& text) override;
  std::uint32_t AnsiToWide(const char* bytes, std::uint32_t byteCount, char16_t* out,
                           std::uint32_t capacity) override;
  std::uint32_t ExpandEnvironment(const char16_t* text, char16_t* out, std::uint32_t capacity) override;
  bool UserNameEx(std::uint32_t format, char16_t* buffer, std::uint32_t& size) override;
  bool LogonUserName(char16_t* buffer, std::uint32_t& size) override;
  std::uint32_t LastError() override;
  bool SystemDirectory(std::u16string& path, std::uint32_t& error) override;
  std::u16string EnvironmentStrings() override;
  LaunchResult StartProcess(const ProcessLaunch& launch) override;
  LaunchResult LaunchWithShell(const ShellLaunch& launch) override;
  std::uintptr_t ForegroundWindow() override;
  void Sleep(std::uint32_t milliseconds) override;
  void SetForeground(std::uintptr_t window) override;
};
