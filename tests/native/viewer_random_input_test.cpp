// Random property values through the viewer's text paths, under ASan and
// UBSan: values around the escaping and command-line bounds, surrogates
// (paired and lone), percent signs, quotes and embedded NULs. Nothing may be
// read or written out of bounds, and what comes out keeps its invariants.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

#include "tests/native/viewer_fake_platform.h"
#include "tests/support/hresult_check.h"
#include "viewer/url_escape.h"
#include "viewer/viewer_core.h"

namespace {

constexpr int kRounds = 400;
constexpr std::uint32_t kSeed = 20261208;
constexpr size_t kEscapedLimit = 1023;
constexpr size_t kCommandLineLimit = 2047;

// Characters that matter to the escaper, the unescaper and the launch texts.
const char16_t kAlphabet[] = {u'a', u'Z', u'0', u'~',  u'%',    u'&',    u'=',    u' ',    u'"',   u'{',
                              u'}', u'\\', u'/', u'+', u'\t',   u'\0',   0x00E4,  0x0416,  0x20AC, 0xD83D,
                              0xDE00, 0xDC00, 0xD800, u'7', u'f', u'0'};

std::u16string RandomText(std::mt19937& random) {
  // Mostly short, sometimes right at the escaping or command-line bounds.
  static const size_t kLengths[] = {0, 1, 5, 40, 340, 341, 1022, 1023, 1024, 2040, 2100};
  const size_t length = kLengths[random() % std::size(kLengths)];
  std::u16string text(length, u'a');
  for (char16_t& c : text) c = kAlphabet[random() % std::size(kAlphabet)];
  return text;
}

BstrView View(const std::u16string& text) { return {text.c_str(), static_cast<std::uint32_t>(text.size())}; }

bool IsAscii(const std::u16string& text) {
  for (char16_t c : text) {
    if (c == 0 || c > 0x7E) return false;
  }
  return true;
}

TEST(ViewerRandomInput, EscapedValuesStayAsciiAndBounded) {
  std::mt19937 random(kSeed);
  FakeViewerPlatform platform;
  for (int round = 0; round < kRounds; ++round) {
    const std::u16string value = RandomText(random);
    const std::u16string escaped = EscapeUrlValue(platform, value);
    ASSERT_LE(escaped.size(), kEscapedLimit) << "round " << round;
    ASSERT_TRUE(IsAscii(escaped)) << "round " << round;

    // Unescaping never fails silently: either it succeeds with a terminated
    // text no longer than asked for, or it reports the size it needs.
    std::uint32_t needed = 0;
    UnescapeUrlText(platform, value.c_str(), nullptr, &needed, 0);
    std::u16string out(needed + 1, u'\xBDBD');
    std::uint32_t length = 0;
    if (needed > 0 && UnescapeUrlText(platform, value.c_str(), out.data(), &length, needed)) {
      ASSERT_EQ(length, needed) << "round " << round;
      ASSERT_EQ(out[needed - 1], u'\0') << "round " << round;
      ASSERT_EQ(out[needed], u'\xBDBD') << "wrote past the capacity, round " << round;
    }
  }
}

TEST(ViewerRandomInput, ShowKeepsItsReportAndItsBuffer) {
  std::mt19937 random(kSeed + 1);
  for (int round = 0; round < kRounds; ++round) {
    FakeViewerPlatform platform;
    platform.processResult = LaunchResult{(random() % 4) != 0, 2};
    platform.shellResult = LaunchResult{(random() % 4) != 0, 3};
    platform.systemMessages[2] = u"File not found.\r\n";
    ViewerCore viewer(platform);
    viewer.put_Server(View(RandomText(random)));
    viewer.AddUrlRoot(View(RandomText(random)));
    viewer.put_ContRep(View(RandomText(random)));
    viewer.put_DID(View(RandomText(random)));
    viewer.put_SendUser(static_cast<std::int16_t>(random() % 2 ? -1 : 0));
    viewer.put_UseStartCmd(View(random() % 2 ? u"true" : u"false"));
    if (random() % 2) {
      viewer.AddCC(View(RandomText(random)));
      viewer.AddCC(View(u" {0} {0}"));
    }

    ASSERT_HR(hr::kOk, viewer.Show()) << "round " << round;
    std::int32_t code = -1;
    viewer.get_ReturnCode(code);
    ASSERT_TRUE(code == 0 || code == 745) << "round " << round;
    for (const auto& call : platform.processCalls) ASSERT_LE(call.commandLine.size(), kCommandLineLimit);
    for (const auto& call : platform.shellCalls) ASSERT_LE(call.file.size(), kCommandLineLimit);
    FakeStringOut text;
    ASSERT_HR(hr::kOk, viewer.get_LastErrorText(text));
    ASSERT_EQ(code == 745, text.value.has_value() && !text.value->empty()) << "round " << round;
  }
}

}  // namespace
