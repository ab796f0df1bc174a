#include <gtest/gtest.h>

#include <array>
#include <string>

#include "tests/support/hresult_check.h"
#include "viewer/text_format.h"

namespace {

struct FormatCase {
  const char* name;
  const char16_t* format;
  std::initializer_list<FormatArg> args;
  std::u16string expected;
};

TEST(TextFormat, ConversionsIntoAString) {
  const FormatCase cases[] = {
      {"text", u"a%sb", {u"XY"}, u"aXYb"},
      {"null text", u"[%s]", {nullptr}, u"[(null)]"},
      {"empty text", u"[%s]", {u""}, u"[]"},
      {"decimal", u"%d|%i", {-1, 2147483647}, u"-1|2147483647"},
      {"smallest int", u"%d", {std::int32_t{INT32_MIN}}, u"-2147483648"},
      {"hex", u"0x%x", {0x80070005u}, u"0x80070005"},
      {"hex small", u"%x", {0xau}, u"a"},
      {"width 4, 3 digits", u"=%4lu=", {123u}, u"= 123="},
      {"width 4, 4 digits", u"=%4lu=", {1234u}, u"=1234="},
      {"width 4, 5 digits", u"=%4lu=", {12345u}, u"=12345="},
      {"percent", u"100%%", {}, u"100%"},
      {"line end kept", u"x\r\n", {}, u"x\r\n"},
  };
  for (const FormatCase& c : cases) {
    std::u16string out = u"old";
    EXPECT_HR(hr::kOk, FormatToString(out, c.format, c.args)) << c.name;
    EXPECT_EQ(out, c.expected) << c.name;
  }
}

TEST(TextFormat, RejectedTemplatesLeaveTheTargetAlone) {
  const struct {
    const char* name;
    const char16_t* format;
    std::initializer_list<FormatArg> args;
    HResult expected;
  } cases[] = {
      {"null template", nullptr, {}, hr::kInvalidArg},
      {"unknown conversion", u"%q", {1}, hr::kFail},
      {"missing argument", u"%s %s", {u"a"}, hr::kFail},
      {"text for a number", u"%d", {u"a"}, hr::kFail},
      {"signed for unsigned", u"%x", {1}, hr::kFail},
      {"unsigned for signed", u"%i", {1u}, hr::kFail},
      {"extra argument", u"%d", {1, 2}, hr::kFail},
      {"lone percent at the end", u"50%", {1}, hr::kFail},
  };
  for (const auto& c : cases) {
    std::u16string out = u"old";
    EXPECT_HR(c.expected, FormatToString(out, c.format, c.args)) << c.name;
    EXPECT_EQ(out, u"old") << c.name;
  }
}

TEST(TextFormat, ArgumentMayBeTheTarget) {
  std::u16string out = u"abc";
  ASSERT_HR(hr::kOk, FormatToString(out, u"<%s%s>", {out.c_str(), out.c_str()}));
  EXPECT_EQ(out, u"<abcabc>");
}

TEST(TextFormat, BufferIsCutAtItsEndAndTerminated) {
  std::array<char16_t, 8> buffer;
  buffer.fill(0xBDBD);
  EXPECT_EQ(FormatToBuffer(buffer.data(), 6, u"abc%s", {u"defgh"}), FormatOutcome::kTruncated);
  EXPECT_EQ(std::u16string(buffer.data()), u"abcde");
  EXPECT_EQ(buffer[6], 0xBDBD) << "wrote past the capacity";

  EXPECT_EQ(FormatToBuffer(buffer.data(), 6, u"%s", {u"abcde"}), FormatOutcome::kComplete);
  EXPECT_EQ(std::u16string(buffer.data()), u"abcde");

  // A pair that does not fit whole is dropped whole.
  EXPECT_EQ(FormatToBuffer(buffer.data(), 4, u"ab\U0001F600", {}), FormatOutcome::kTruncated);
  EXPECT_EQ(std::u16string(buffer.data()), u"ab");

  EXPECT_EQ(FormatToBuffer(buffer.data(), 8, u"ab%d", {u"x"}), FormatOutcome::kRejected);
  EXPECT_EQ(std::u16string(buffer.data()), u"ab");
}

}  // namespace
