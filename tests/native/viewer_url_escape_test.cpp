#include <gtest/gtest.h>

#include <array>
#include <string>

#include "tests/native/viewer_fake_platform.h"
#include "viewer/url_escape.h"

namespace {

using namespace std::literals;

TEST(EscapeUrlValue, Examples) {
  const struct {
    std::u16string_view value;
    std::u16string expected;
  } cases[] = {
      {u"", u""},
      {u"AZaz09!'()*-./:_~%", u"AZaz09!'()*-./:_~%"},
      {u"%41", u"%41"},
      {u"A B", u"A%20B"},
      {u" \"#$&+,;<=>?@[\\]^`{|}", u"%20%22%23%24%26%2b%2c%3b%3c%3d%3e%3f%40%5b%5c%5d%5e%60%7b%7c%7d"},
      {u"\x01\t\x1f\x7f", u"%01%09%1f%7f"},
      {u"\u00e4", u"%c3%a4"},
      {u"\u0416", u"%d0%96"},
      {u"\u4e2d", u"%e4%b8%ad"},
      {u"\U0001F600", u"%f0%9f%98%80"},
      {u"\xD800", u"%ef%bf%bd"},
      {u"\xDC00" u"a", u"%ef%bf%bda"},
      {u"\xD83D" u"a", u"%ef%bf%bda"},
      {u"\xDE00\xD83D", u"%ef%bf%bd%ef%bf%bd"},
      {u"ab\0cd"sv, u"ab"},
  };
  FakeViewerPlatform platform;
  for (const auto& c : cases) {
    EXPECT_EQ(EscapeUrlValue(platform, c.value), c.expected)
        << testing::PrintToString(std::u16string(c.value));
  }
}

TEST(EscapeUrlValue, ResultHoldsAtMost1023Characters) {
  const struct {
    const char* name;
    std::u16string value;
    std::size_t expectedLength;
  } cases[] = {
      {"1023 plain", std::u16string(1023, u'a'), 1023},
      {"1024 plain", std::u16string(1024, u'a'), 0},
      {"341 escapes", std::u16string(341, u' '), 1023},
      {"342 escapes", std::u16string(342, u' '), 0},
      {"escape across the limit", std::u16string(1021, u'a') + u" ", 0},
      {"long input on the heap", std::u16string(3000, u'a'), 0},
  };
  FakeViewerPlatform platform;
  for (const auto& c : cases) {
    const std::u16string escaped = EscapeUrlValue(platform, c.value);
    EXPECT_EQ(escaped.size(), c.expectedLength) << c.name;
  }
}

TEST(UnescapeUrl, ResultOrStoredTextWithTrace) {
  const struct {
    std::u16string stored;
    std::u16string expected;
    bool fails;
  } cases[] = {
      {u"%7B0%7D", u"{0}", false},
      {u"%7b0%7d", u"{0}", false},
      {u"%25", u"%", false},
      {u"a+b", u"a+b", false},
      {u"%20", u" ", false},
      {u"%E4", u"\u00e4", false},
      {u"plain text", u"plain text", false},
      // Characters outside ASCII written as they are stay themselves; escapes
      // around them still stand for bytes of the ANSI code page.
      {u"\u00e4", u"\u00e4", false},
      {u"\"C:\\B\u00fccher\\v.exe\"%20%7B0%7D", u"\"C:\\B\u00fccher\\v.exe\" {0}", false},
      {u"%E4\u00e4%e4\U0001F600%20", u"\u00e4\u00e4\u00e4\U0001F600 ", false},
      {u"\u00e4%G1", u"\u00e4%G1", true},
      {u"%22%25VIEWERDIR%25%5Cview.exe%22%20%7B0%7D", u"\"%VIEWERDIR%\\view.exe\" {0}", false},
      {u"%00", u"%00", true},
      {u"%G1", u"%G1", true},
      {u"%1G", u"%1G", true},
      {u"x%4", u"x%4", true},
      {u"x%", u"x%", true},
      {u"%\u00e4", u"%\u00e4", true},
      {u"\"%VIEWERDIR%\\view.exe\" {0}", u"\"%VIEWERDIR%\\view.exe\" {0}", true},
  };
  for (const auto& c : cases) {
    FakeViewerPlatform platform;
    EXPECT_EQ(UnescapeUrl(platform, c.stored), c.expected) << testing::PrintToString(c.stored);
    const std::vector<std::u16string> expectedTraces =
        c.fails ? std::vector<std::u16string>{u"UnescapeUrl: failed for Url: " + c.stored + u"\r\n"}
                : std::vector<std::u16string>{};
    EXPECT_EQ(platform.Messages(), expectedTraces) << testing::PrintToString(c.stored);
  }
}

TEST(UnescapeUrlText, LengthAndUntouchedArea) {
  const struct {
    const char* name;
    const char16_t* text;
    std::uint32_t capacity;
    bool succeeds;
    std::uint32_t expectedLength;
    std::u16string expectedOut;
  } cases[] = {
      {"fits", u"a%C3%A4", 4, true, 4, u"a\u00c3\u00a4"},
      {"one short", u"a%C3%A4", 3, false, 4, u"<sentinel>"},
      {"size query", u"abc", 0, false, 4, u"<sentinel>"},
      {"malformed after two bytes", u"ab%4", 10, false, 3, u"<sentinel>"},
      {"%00 first", u"%00ab", 10, false, 1, u"<sentinel>"},
      {"empty text", u"", 10, false, 0xBDBDu, u"<sentinel>"},
  };
  for (const auto& c : cases) {
    FakeViewerPlatform platform;
    std::array<char16_t, 16> out{};
    std::u16string(u"<sentinel>").copy(out.data(), 10);
    std::uint32_t length = 0xBDBD;
    EXPECT_EQ(UnescapeUrlText(platform, c.text, out.data(), &length, c.capacity), c.succeeds)
        << c.name;
    EXPECT_EQ(length, c.expectedLength) << c.name;
    EXPECT_EQ(std::u16string(out.data()), c.expectedOut) << c.name;
  }
}

TEST(UnescapeUrlText, NullArgumentsFail) {
  FakeViewerPlatform platform;
  char16_t out[4] = {};
  std::uint32_t length = 7;
  EXPECT_FALSE(UnescapeUrlText(platform, nullptr, out, &length, 4));
  EXPECT_FALSE(UnescapeUrlText(platform, u"a", nullptr, &length, 4));
  EXPECT_EQ(length, 7u);
}

TEST(UnescapeUrl, LongTextsUseTheHeap) {
  FakeViewerPlatform platform;
  std::u16string escaped;
  for (int i = 0; i < 1000; ++i) escaped += u"%41";
  EXPECT_EQ(UnescapeUrl(platform, escaped), std::u16string(1000, u'A'));
  const std::u16string plain(3000, u'b');
  EXPECT_EQ(UnescapeUrl(platform, plain), plain);
  EXPECT_TRUE(platform.traces.empty());
}

}  // namespace
