// The printf-style formatter and the trace line on any template and any
// arguments. Formatting into a fixed buffer never writes past it and always
// terminates; its text agrees with formatting into a string (whole, or cut
// short of the capacity); a template that one rejects the other rejects
// without touching its target. A trace line is the thread prefix and the
// message, never more than 2047 characters.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "fuzz/fuzz_require.h"
#include "tests/native/viewer_fake_platform.h"
#include "viewer/text_format.h"
#include "viewer/trace.h"

namespace {

constexpr std::size_t kMaxTemplate = 512;
constexpr std::size_t kMaxArgText = 3000;
constexpr std::size_t kMaxArgs = 4;
constexpr std::size_t kTraceLimit = 2047;
constexpr std::size_t kMaxCapacity = 4096;
constexpr char16_t kUntouched = 0xBDBD;

// A NUL-terminated copy with no room behind it, so a read past the
// terminator shows under ASan.
std::unique_ptr<char16_t[]> ExactCopy(const std::u16string& text) {
  auto copy = std::make_unique<char16_t[]>(text.size() + 1);
  std::copy(text.begin(), text.end(), copy.get());
  copy[text.size()] = u'\0';
  return copy;
}

// Calls f with the first count arguments as one list.
template <typename F>
auto WithArgs(const std::vector<FormatArg>& args, F f) {
  switch (args.size()) {
    case 0:
      return f({});
    case 1:
      return f({args[0]});
    case 2:
      return f({args[0], args[1]});
    case 3:
      return f({args[0], args[1], args[2]});
    default:
      return f({args[0], args[1], args[2], args[3]});
  }
}

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  const std::size_t capacity = input.Count(kMaxCapacity);
  const std::uint32_t threadId = input.Number();
  const std::size_t argCount = input.Byte() % (kMaxArgs + 1);
  std::vector<std::unique_ptr<char16_t[]>> texts;
  std::vector<FormatArg> args;
  for (std::size_t i = 0; i < argCount; ++i) {
    switch (input.Byte() % 4) {
      case 0:
        args.emplace_back(static_cast<std::int32_t>(input.Number()));
        break;
      case 1:
        args.emplace_back(input.Number());
        break;
      case 2:
        args.emplace_back(static_cast<const char16_t*>(nullptr));
        break;
      default:
        texts.push_back(ExactCopy(input.Text(kMaxArgText)));
        args.emplace_back(static_cast<const char16_t*>(texts.back().get()));
        break;
    }
  }
  const std::u16string templateText = input.Rest().substr(0, kMaxTemplate);
  const auto format = ExactCopy(templateText);

  std::u16string whole = u"previous";
  const HResult formatted =
      WithArgs(args, [&](FormatArgs list) { return FormatToString(whole, format.get(), list); });
  FUZZ_REQUIRE(formatted == hr::kOk || formatted == hr::kFail);
  if (formatted == hr::kFail) FUZZ_REQUIRE(whole == u"previous");

  if (capacity > 0) {
    // One canary behind the area; ASan guards the rest of the heap block.
    std::vector<char16_t> buffer(capacity + 1, kUntouched);
    const FormatOutcome outcome = WithArgs(
        args, [&](FormatArgs list) { return FormatToBuffer(buffer.data(), capacity, format.get(), list); });
    FUZZ_REQUIRE(buffer[capacity] == kUntouched);
    const std::u16string cut(buffer.data());
    FUZZ_REQUIRE(cut.size() < capacity);
    FUZZ_REQUIRE((outcome == FormatOutcome::kRejected) == (formatted == hr::kFail));
    if (outcome == FormatOutcome::kComplete) FUZZ_REQUIRE(cut == whole);
    if (outcome == FormatOutcome::kTruncated) {
      // Cut at the capacity, one unit shorter when that would split a pair.
      FUZZ_REQUIRE(whole.size() >= capacity && whole.compare(0, cut.size(), cut) == 0);
      FUZZ_REQUIRE(cut.size() == capacity - 1 ||
              (cut.size() == capacity - 2 && IsHighSurrogate(whole[capacity - 2])));
    }
  }

  FakeViewerPlatform platform;
  platform.threadId = threadId;
  WithArgs(args, [&](FormatArgs list) {
    Trace(platform, format.get(), list);
    return 0;
  });
  FUZZ_REQUIRE(platform.traces.size() == 1);
  const std::u16string& line = platform.traces[0];
  FUZZ_REQUIRE(line.size() <= kTraceLimit);
  std::u16string prefix;
  FUZZ_REQUIRE(FormatToString(prefix, u": (TID=%4lu): Vexdor.ZevEvov : ", {threadId}) == hr::kOk);
  FUZZ_REQUIRE(line.compare(0, prefix.size(), prefix) == 0);
  if (formatted == hr::kOk && prefix.size() + whole.size() <= kTraceLimit) FUZZ_REQUIRE(line == prefix + whole);
  return 0;
}
