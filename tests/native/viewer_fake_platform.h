// A ViewerPlatform for the native tests: answers from tables the test fills,
// and records every trace line (prefix included) and every launch call.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "viewer/bstr_view.h"
#include "viewer/string_out.h"
#include "viewer/viewer_platform.h"

// A literal as an incoming automation string (literals are NUL-terminated,
// as BSTRs are).
inline BstrView Bstr(std::u16string_view text) {
  return {text.data(), static_cast<std::uint32_t>(text.size())};
}
inline constexpr BstrView kNullBstr{};

// The line Trace writes for message on the fake's default thread.
inline std::u16string TraceLine(std::u16string_view message) {
  return u": (TID=1234): Vexdor.ZevEvov : " + std::u16string(message);
}

class FakeStringOut : public StringOut {
 public:
  bool Assign(const char16_t* text, std::uint32_t length) override {
    if (fail) {
      value.reset();
      return false;
    }
    value.emplace(text, length);
    return true;
  }
  void AssignNull() override { value.reset(); }

  bool fail = false;
  // Pre-filled, so a getter that leaves its result alone shows.
  std::optional<std::u16string> value = u"<untouched>";
};

class FakeViewerPlatform : public ViewerPlatform {
 public:
  struct NameAnswer {
    bool succeeded;
    std::u16string name;
    std::uint32_t error;
  };
  struct ProcessCall {
    std::optional<std::u16string> applicationName;
    std::u16string commandLine;
    // The block's entries; nullopt for the caller's environment.
    std::optional<std::vector<std::u16string>> environment;
    bool inheritHandles;
    std::uint32_t creationFlags;
    ProcessStartup startup;
    std::uint32_t exitWaitMilliseconds;
  };
  struct ShellCall {
    std::uint32_t fMask;
    std::uintptr_t hwnd;
    std::u16string verb;
    std::u16string file;
    bool parametersNull;
    bool directoryNull;
    std::int32_t nShow;
  };

  // Answers.
  std::uint32_t threadId = 1234;
  std::map<std::uint32_t, std::u16string> systemMessages;
  std::map<std::u16string, std::u16string> environment;
  NameAnswer principalName{true, u"jdoe@corp.example", 0};
  NameAnswer samCompatibleName{true, u"CORP\\jdoe", 0};
  NameAnswer logonName{true, u"jdoe", 0};
  LaunchResult processResult{true, 0};
  LaunchResult shellResult{true, 0};
  std::optional<std::u16string> systemDirectory = u"C:\\windows\\system32";  // nullopt: fails with 5
  std::u16string environmentStrings = std::u16string(u"=C:=C:\\sap\0PATH=C:\\windows\0zz=1\0", 32);
  std::uintptr_t foregroundWindow = 4242;

  // Records.
  std::vector<std::u16string> traces;
  std::vector<std::string> events;  // every call, in order
  std::vector<ProcessCall> processCalls;
  std::vector<ShellCall> shellCalls;
  std::vector<std::uint32_t> sleeps;
  std::vector<std::uint32_t> nameFormats;  // UserNameEx formats, 0 for LogonUserName
  std::vector<std::uint32_t> nameSizes;    // the size passed in, per attempt

  void WriteDebugOutput(const char16_t* line) override {
    traces.emplace_back(line);
    events.push_back("trace");
  }
  std::uint32_t CurrentThreadId() override { return threadId; }

  bool SystemMessageText(std::uint32_t code, std::u16string& text) override {
    const auto found = systemMessages.find(code);
    if (found == systemMessages.end()) return false;
    text = found->second;
    return true;
  }

  // Latin-1, which agrees with Windows-1252 outside 0x80-0x9F.
  std::uint32_t AnsiToWide(const char* bytes, std::uint32_t byteCount, char16_t* out,
                           std::uint32_t capacity) override {
    if (capacity == 0) return byteCount;
    if (capacity < byteCount) return 0;
    for (std::uint32_t i = 0; i < byteCount; ++i) out[i] = static_cast<unsigned char>(bytes[i]);
    return byteCount;
  }

  // %NAME% with NAME defined is replaced; anything else stays as written.
  std::uint32_t ExpandEnvironment(const char16_t* text, char16_t* out,
                                  std::uint32_t capacity) override {
    std::u16string result;
    const std::u16string_view in(text);
    for (std::size_t i = 0; i < in.size(); ++i) {
      const std::size_t close = in[i] == u'%' ? in.find(u'%', i + 1) : std::u16string_view::npos;
      const auto value = close == std::u16string_view::npos
                             ? environment.end()
                             : environment.find(std::u16string(in.substr(i + 1, close - i - 1)));
      if (value == environment.end()) {
        result += in[i];
      } else {
        result += value->second;
        i = close;
      }
    }
    const auto needed = static_cast<std::uint32_t>(result.size() + 1);
    if (capacity >= needed) result.copy(out, result.size()), out[result.size()] = u'\0';
    return needed;
  }

  bool UserNameEx(std::uint32_t format, char16_t* buffer, std::uint32_t& size) override {
    nameFormats.push_back(format);
    nameSizes.push_back(size);
    return AnswerName(format == 8 ? principalName : samCompatibleName, buffer, size, false);
  }
  bool LogonUserName(char16_t* buffer, std::uint32_t& size) override {
    nameFormats.push_back(0);
    nameSizes.push_back(size);
    return AnswerName(logonName, buffer, size, true);
  }
  std::uint32_t LastError() override { return lastError_; }
  bool SystemDirectory(std::u16string& path, std::uint32_t& error) override {
    if (!systemDirectory.has_value()) {
      error = 5;
      return false;
    }
    path = *systemDirectory;
    return true;
  }
  std::u16string EnvironmentStrings() override { return environmentStrings; }

  LaunchResult StartProcess(const ProcessLaunch& launch) override {
    events.push_back("process");
    std::optional<std::u16string> applicationName;
    if (launch.applicationName != nullptr) applicationName = launch.applicationName;
    std::optional<std::vector<std::u16string>> environment;
    if (launch.environment != nullptr) {
      environment.emplace();
      for (const char16_t* entry = launch.environment; *entry != u'\0'; entry += environment->back().size() + 1) {
        environment->emplace_back(entry);
      }
    }
    processCalls.push_back({applicationName, launch.commandLine, environment, launch.inheritHandles,
                            launch.creationFlags, launch.startup, launch.exitWaitMilliseconds});
    return processResult;
  }
  LaunchResult LaunchWithShell(const ShellLaunch& launch) override {
    events.push_back("shell");
    shellCalls.push_back({launch.fMask, launch.hwnd, launch.verb, launch.file,
                          launch.parameters == nullptr, launch.directory == nullptr,
                          launch.nShow});
    return shellResult;
  }
  std::uintptr_t ForegroundWindow() override {
    events.push_back("foreground");
    return foregroundWindow;
  }
  void Sleep(std::uint32_t milliseconds) override {
    events.push_back("sleep " + std::to_string(milliseconds));
    sleeps.push_back(milliseconds);
  }
  void SetForeground(std::uintptr_t window) override {
    events.push_back("set foreground " + std::to_string(window));
  }

  // The trace lines with their prefix taken off.
  std::vector<std::u16string> Messages() const {
    std::vector<std::u16string> messages;
    for (const std::u16string& line : traces) {
      messages.push_back(line.substr(TraceLine(u"").size()));
    }
    return messages;
  }

 private:
  // GetUserNameExW counts without the terminator, GetUserNameW with it.
  bool AnswerName(const NameAnswer& answer, char16_t* buffer, std::uint32_t& size,
                  bool countTerminator) {
    constexpr std::uint32_t kErrorInsufficientBuffer = 122;
    if (!answer.succeeded || answer.name.size() + 1 > size) {
      lastError_ = answer.succeeded ? kErrorInsufficientBuffer : answer.error;
      return false;
    }
    answer.name.copy(buffer, answer.name.size());
    buffer[answer.name.size()] = u'\0';
    size = static_cast<std::uint32_t>(answer.name.size() + (countTerminator ? 1 : 0));
    return true;
  }

  std::uint32_t lastError_ = 0;
};
