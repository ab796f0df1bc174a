// The viewer's text path: a sequence of property writes, appends, clears,
// option words and Shows decoded from the input, over the fake platform with
// launch and user-name answers also taken from the input. After every Show:
// ReturnCode is 0 or 745 and LastErrorText is empty exactly when it is 0; the
// launched text is terminated inside its 2047-character buffer; a document
// URL handed to the shell is quoted once, at its two ends; no trace line
// passes its buffer; a negative focus wait waits no time.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "tests/native/viewer_fake_platform.h"
#include "viewer/viewer_core.h"

namespace {

constexpr std::size_t kMaxValue = 3000;
constexpr std::size_t kMaxOperations = 64;
constexpr std::size_t kCommandLineLimit = 2047;
constexpr std::size_t kTraceLimit = 2047;
constexpr std::int32_t kLaunched = 0;
constexpr std::int32_t kLaunchFailed = 745;
constexpr std::uint32_t kNoSuchDomain = 1355;

void Require(bool condition) {
  if (!condition) std::abort();
}

// Incoming automation strings: each one an exact heap copy with its NUL, kept
// alive for the whole run, as a caller's BSTR would be during the call.
class Strings {
 public:
  BstrView Make(const std::u16string& text) {
    auto copy = std::make_unique<char16_t[]>(text.size() + 1);
    std::copy(text.begin(), text.end(), copy.get());
    copy[text.size()] = u'\0';
    held_.push_back(std::move(copy));
    return {held_.back().get(), static_cast<std::uint32_t>(text.size())};
  }

 private:
  std::vector<std::unique_ptr<char16_t[]>> held_;
};

FakeViewerPlatform::NameAnswer NameAnswer(FuzzInput& input) {
  const std::uint8_t choice = input.Byte();
  if (choice % 3 == 0) return {true, input.Text(400), 0};
  return {false, u"", choice % 3 == 1 ? kNoSuchDomain : input.Number()};
}

void SetUpPlatform(FakeViewerPlatform& platform, FuzzInput& input) {
  const std::uint8_t launches = input.Byte();
  platform.processResult = {(launches & 1) != 0, input.Number()};
  platform.shellResult = {(launches & 2) != 0, input.Number()};
  platform.principalName = NameAnswer(input);
  platform.samCompatibleName = NameAnswer(input);
  platform.logonName = NameAnswer(input);
  platform.foregroundWindow = input.Number();
  if (launches & 4) platform.systemMessages[platform.processResult.error] = input.Text(200);
  for (std::size_t i = input.Byte() % 3; i > 0; --i) {
    std::u16string name = input.Text(16);
    platform.environment[name] = input.Text(kMaxValue);
  }
}

std::size_t CountOf(const std::u16string& text, char16_t c) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), c));
}

void CheckShow(const ViewerCore& viewer, const FakeViewerPlatform& platform, HResult shown,
               std::size_t launchesBefore) {
  Require(shown == hr::kOk);
  std::int32_t code = -1;
  Require(viewer.get_ReturnCode(code) == hr::kOk);
  Require(code == kLaunched || code == kLaunchFailed);
  FakeStringOut text;
  Require(viewer.get_LastErrorText(text) == hr::kOk && text.value.has_value());
  Require(text.value->empty() == (code == kLaunched));
  if (code == kLaunchFailed) Require(text.value->rfind(u"Unable to open the url:\r\n'", 0) == 0);

  const std::size_t launches = platform.processCalls.size() + platform.shellCalls.size();
  Require(launches <= launchesBefore + 1);
  if (launches == launchesBefore) Require(code == kLaunchFailed);  // too long to launch
  for (const auto& call : platform.processCalls) Require(call.commandLine.size() <= kCommandLineLimit);
  for (const auto& call : platform.shellCalls) {
    Require(call.file.size() <= kCommandLineLimit);
    Require(call.file.size() >= 2 && call.file.front() == u'"' && call.file.back() == u'"');
    Require(CountOf(call.file, u'"') == 2);
  }
  for (const std::u16string& line : platform.traces) Require(line.size() <= kTraceLimit);
  for (const std::uint32_t slept : platform.sleeps) Require(slept <= 0x7FFFFFFFu);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  FakeViewerPlatform platform;
  SetUpPlatform(platform, input);
  ViewerCore viewer(platform);
  Strings strings;
  FakeStringOut out;

  const auto value = [&](std::uint8_t op) {
    // The top bit of an operation hands in a null string.
    return (op & 0x80) != 0 ? kNullBstr : strings.Make(input.Text(kMaxValue));
  };
  for (std::size_t n = 0; n < kMaxOperations && !input.empty(); ++n) {
    const std::uint8_t op = input.Byte();
    const std::size_t launchesBefore = platform.processCalls.size() + platform.shellCalls.size();
    switch (op & 0x7F) {
      case 0: viewer.put_ContRep(value(op)); break;
      case 1: viewer.put_DID(value(op)); break;
      case 2: viewer.put_Server(value(op)); break;
      case 3: viewer.put_UrlRoot(value(op)); break;
      case 4: viewer.AddUrlRoot(value(op)); break;
      case 5: viewer.AddServer(value(op)); break;
      case 6: viewer.ClearUrlRoot(); break;
      case 7: viewer.ClearServer(); break;
      case 8: viewer.AddCC(value(op)); break;
      case 9: viewer.ClearCC(); break;
      case 10: viewer.put_UseStartCmd(value(op)); break;
      case 11: viewer.put_KeepFocusOnSap(value(op)); break;
      case 12: viewer.put_FocusWaitMS(value(op)); break;
      case 13: viewer.put_ShowFlag(value(op)); break;
      case 14: viewer.put_SendUser(static_cast<std::int16_t>(input.Byte() << 8 | input.Byte())); break;
      case 15: CheckShow(viewer, platform, viewer.Show(), launchesBefore); break;
      case 16: CheckShow(viewer, platform, viewer.ShowEx(value(op)), launchesBefore); break;
      case 17:
        viewer.get_CustomCommand(out);
        viewer.get_ShowFlag(out);
        viewer.get_FocusWaitMS(out);
        viewer.get_UseStartCmd(out);
        viewer.get_KeepFocusOnSap(out);
        break;
      default: break;
    }
  }
  const std::size_t launchesBefore = platform.processCalls.size() + platform.shellCalls.size();
  CheckShow(viewer, platform, viewer.Show(), launchesBefore);
  return 0;
}
