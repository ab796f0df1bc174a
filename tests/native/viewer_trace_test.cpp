#include <gtest/gtest.h>

#include <string>

#include "tests/native/viewer_fake_platform.h"
#include "tests/support/hresult_check.h"
#include "viewer/trace.h"

namespace {

TEST(Trace, PrefixFollowsTheThreadIdWidth) {
  const struct {
    std::uint32_t threadId;
    std::u16string expected;
  } cases[] = {
      {7, u": (TID=   7): Vexdor.ZevEvov : R1\r\n"},
      {123, u": (TID= 123): Vexdor.ZevEvov : R1\r\n"},
      {1234, u": (TID=1234): Vexdor.ZevEvov : R1\r\n"},
      {12345, u": (TID=12345): Vexdor.ZevEvov : R1\r\n"},
      {4294967295u, u": (TID=4294967295): Vexdor.ZevEvov : R1\r\n"},
  };
  for (const auto& c : cases) {
    FakeViewerPlatform platform;
    platform.threadId = c.threadId;
    Trace(platform, u"%s\r\n", {u"R1"});
    ASSERT_EQ(platform.traces.size(), 1u);
    EXPECT_EQ(platform.traces[0], c.expected) << "thread " << c.threadId;
  }
}

TEST(Trace, OverlongLineIsCutAtTheBuffer) {
  FakeViewerPlatform platform;
  const std::u16string message(5000, u'x');
  Trace(platform, u"%s\r\n", {message.c_str()});
  ASSERT_EQ(platform.traces.size(), 1u);
  const std::u16string& line = platform.traces[0];
  EXPECT_EQ(line.size(), 2047u);
  EXPECT_EQ(line.substr(0, TraceLine(u"").size()), TraceLine(u""));
  EXPECT_EQ(line.find_first_not_of(u'x', TraceLine(u"").size()), std::u16string::npos);
}

TEST(SystemErrorText, Shapes) {
  FakeViewerPlatform platform;
  platform.systemMessages = {{2, u"File not found.\r\n"},
                             {0x80070005u, u"Access denied.\r\n"},
                             {5, u"two\r\nlines\r\n"}};
  const struct {
    std::uint32_t code;
    std::u16string expected;
  } cases[] = {
      {2, u"SystemError: 2 File not found.  "},
      {0x80070005u, u"SystemError: 0x80070005 Access denied.  "},
      {5, u"SystemError: 5 two  lines  "},
      {0x7FFFFFFFu, u"SystemError: 2147483647 <not found>"},
      {0x80000000u, u"SystemError: 0x80000000 <not found>"},
      {0, u"SystemError: 0 <not found>"},
  };
  for (const auto& c : cases) {
    std::u16string text = u"old";
    EXPECT_HR(hr::kOk, SystemErrorText(platform, c.code, text)) << c.code;
    EXPECT_EQ(text, c.expected) << c.code;
  }
}

}  // namespace
