// The viewer's text path: a sequence of property writes, appends, clears,
// option words and Shows decoded from the input, over the fake platform with
// launch and user-name answers also taken from the input. After every Show:
// ReturnCode is 0 or 745 and LastErrorText is empty exactly when it is 0; the
// launched text is terminated inside its 2047-character buffer; a document
// URL handed to the shell is quoted once, at its two ends; no trace line
// passes its buffer; a negative focus wait waits no time. The START path runs
// the system's cmd.exe with its fixed command line, and the URL reaches it
// only as the one environment entry added to the caller's, quoted once.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "fuzz/fuzz_require.h"
#include "tests/native/viewer_fake_platform.h"
#include "viewer/start_command.h"
#include "viewer/viewer_core.h"

namespace {

constexpr std::size_t kMaxValue = 3000;
constexpr std::size_t kMaxOperations = 64;
constexpr std::size_t kCommandLineLimit = 2047;
constexpr std::size_t kTraceLimit = 2047;
constexpr std::int32_t kLaunched = 0;
constexpr std::int32_t kLaunchFailed = 745;
constexpr std::uint32_t kNoSuchDomain = 1355;

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
  // A started process that ended at once, with the error number as its exit code.
  platform.processResult.ended = (launches & 16) != 0;
  platform.processResult.exitCode = platform.processResult.error;
  platform.shellResult = {(launches & 2) != 0, input.Number()};
  platform.principalName = NameAnswer(input);
  platform.samCompatibleName = NameAnswer(input);
  platform.logonName = NameAnswer(input);
  platform.foregroundWindow = input.Number();
  if (launches & 4) platform.systemMessages[platform.processResult.error] = input.Text(200);
  if (launches & 8) platform.environmentStrings = input.Text(400);
  for (std::size_t i = input.Byte() % 3; i > 0; --i) {
    std::u16string name = input.Text(16);
    platform.environment[name] = input.Text(kMaxValue);
  }
}

std::size_t CountOf(const std::u16string& text, char16_t c) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), c));
}

bool IsQuotedOnce(const std::u16string& url) {
  return url.size() >= 2 && url.front() == u'"' && url.back() == u'"' && CountOf(url, u'"') == 2;
}

// An entry's name ends at its first "=" after the first character ("=C:"
// names a drive's folder); an entry without one is all name.
bool SameNameAnyCase(std::u16string_view entry, std::u16string_view name) {
  const std::u16string_view entryName = entry.substr(0, entry.find(u'=', 1));
  if (entryName.size() != name.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char16_t c = entryName[i] >= u'a' && entryName[i] <= u'z' ? static_cast<char16_t>(entryName[i] - 32)
                                                                      : entryName[i];
    if (c != name[i]) return false;
  }
  return true;
}

// line: the launch trace, "Show:        '<text>'\r\n" after the prefix, cut
// short when it reached its limit.
void CheckStartCommand(const FakeViewerPlatform& platform, const FakeViewerPlatform::ProcessCall& call,
                       const std::u16string& line) {
  constexpr std::u16string_view kShowHead = u"Show:        '";
  const std::size_t head = line.find(kShowHead);
  FUZZ_REQUIRE(head != std::u16string::npos);
  const std::u16string traced = line.substr(head + kShowHead.size());
  // A cut line ends at the limit, or one short of it rather than split a pair.
  const bool cut = line.size() + 1 >= kTraceLimit;
  FUZZ_REQUIRE(call.applicationName == u"C:\\windows\\system32\\cmd.exe");
  FUZZ_REQUIRE(call.commandLine == kStartCommandLine);
  FUZZ_REQUIRE(call.environment.has_value());
  // The caller's entries, less any of the variable's name, and the variable.
  std::size_t callerEntries = 0;
  for (std::u16string_view rest = platform.environmentStrings; !rest.empty();) {
    const std::u16string_view entry = rest.substr(0, rest.find(u'\0'));
    rest.remove_prefix(std::min(rest.size(), entry.size() + 1));
    if (!entry.empty() && !SameNameAnyCase(entry, kStartUrlVariable)) ++callerEntries;
  }
  FUZZ_REQUIRE(call.environment->size() == callerEntries + 1);
  std::size_t urls = 0;
  for (const std::u16string& entry : *call.environment) {
    if (!SameNameAnyCase(entry, kStartUrlVariable)) continue;
    ++urls;
    const std::size_t nameSize = std::u16string_view(kStartUrlVariable).size();
    FUZZ_REQUIRE(entry.size() > nameSize && entry[nameSize] == u'=');
    const std::u16string url = entry.substr(nameSize + 1);
    FUZZ_REQUIRE(IsQuotedOnce(url));
    const std::u16string shown = kStartCommandShownPrefix + url + u"'\r\n";
    FUZZ_REQUIRE(traced == shown || (cut && traced.size() < shown.size() && shown.compare(0, traced.size(), traced) == 0));
  }
  FUZZ_REQUIRE(urls == 1);
}

// How many calls of each kind the platform had recorded before a Show, so that
// each Show's checks look at its own calls only.
struct Launches {
  explicit Launches(const FakeViewerPlatform& platform)
      : processes(platform.processCalls.size()), shells(platform.shellCalls.size()),
        traces(platform.traces.size()), sleeps(platform.sleeps.size()) {}
  std::size_t processes;
  std::size_t shells;
  std::size_t traces;
  std::size_t sleeps;
};

void CheckShow(const ViewerCore& viewer, const FakeViewerPlatform& platform, HResult shown, Launches before) {
  FUZZ_REQUIRE(shown == hr::kOk);
  std::int32_t code = -1;
  FUZZ_REQUIRE(viewer.get_ReturnCode(code) == hr::kOk);
  FUZZ_REQUIRE(code == kLaunched || code == kLaunchFailed);
  FakeStringOut text;
  FUZZ_REQUIRE(viewer.get_LastErrorText(text) == hr::kOk && text.value.has_value());
  FUZZ_REQUIRE(text.value->empty() == (code == kLaunched));
  if (code == kLaunchFailed) FUZZ_REQUIRE(text.value->rfind(u"Unable to open the url:\r\n'", 0) == 0);

  const Launches after(platform);
  const std::size_t launched = after.processes - before.processes + after.shells - before.shells;
  FUZZ_REQUIRE(launched <= 1);
  if (launched == 0) FUZZ_REQUIRE(code == kLaunchFailed);  // too long to launch
  for (std::size_t i = before.processes; i < after.processes; ++i) {
    FUZZ_REQUIRE(platform.processCalls[i].commandLine.size() <= kCommandLineLimit);
  }
  for (std::size_t i = before.shells; i < after.shells; ++i) {
    FUZZ_REQUIRE(platform.shellCalls[i].file.size() <= kCommandLineLimit);
    FUZZ_REQUIRE(IsQuotedOnce(platform.shellCalls[i].file));
  }
  for (std::size_t i = before.traces; i < after.traces; ++i) FUZZ_REQUIRE(platform.traces[i].size() <= kTraceLimit);
  for (std::size_t i = before.sleeps; i < after.sleeps; ++i) FUZZ_REQUIRE(platform.sleeps[i] <= 0x7FFFFFFFu);
  if (after.processes > before.processes && platform.processCalls.back().applicationName.has_value()) {
    const auto line = std::find_if(platform.traces.rbegin(), platform.traces.rend(), [](const std::u16string& l) {
      return l.find(u"Show:        '") != std::u16string::npos;
    });
    FUZZ_REQUIRE(line != platform.traces.rend());
    CheckStartCommand(platform, platform.processCalls.back(), *line);
  }
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
    const Launches before(platform);
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
      case 15: CheckShow(viewer, platform, viewer.Show(), before); break;
      case 16: CheckShow(viewer, platform, viewer.ShowEx(value(op)), before); break;
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
  const Launches before(platform);
  CheckShow(viewer, platform, viewer.Show(), before);
  return 0;
}
