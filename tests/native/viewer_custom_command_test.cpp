#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "tests/native/viewer_fake_platform.h"
#include "viewer/custom_command.h"

namespace {

using namespace std::literals;

TEST(ResolveCustomCommand, UnescapesThenExpands) {
  const std::u16string kFailureTrace = u"UnescapeUrl: failed for Url: ";
  const struct {
    const char* name;
    std::optional<std::u16string> stored;
    std::u16string expected;
    std::size_t traces;
  } cases[] = {
      {"none stored", std::nullopt, u"", 0},
      {"empty", u"", u"", 0},
      {"escaped", u"%22%25VIEWERDIR%25%5Cview.exe%22%20%7B0%7D", u"\"C:\\V\\view.exe\" {0}", 0},
      {"plain, malformed escape", u"\"%VIEWERDIR%\\view.exe\" {0}", u"\"C:\\V\\view.exe\" {0}", 1},
      {"undefined variable", u"%25NOSUCH%25\\x.exe {0}", u"%NOSUCH%\\x.exe {0}", 0},
      {"no percent after unescaping", u"view.exe {0} {0}", u"view.exe {0} {0}", 0},
      {"embedded NUL", u"a.exe\0b"s, u"a.exe", 0},
  };
  for (const auto& c : cases) {
    FakeViewerPlatform platform;
    platform.environment[u"VIEWERDIR"] = u"C:\\V";
    EXPECT_EQ(ResolveCustomCommand(platform, c.stored), c.expected) << c.name;
    EXPECT_EQ(platform.traces.size(), c.traces) << c.name;
  }
}

// An expansion that reports no size leaves no command at all.
class FailingExpansion : public FakeViewerPlatform {
 public:
  std::uint32_t ExpandEnvironment(const char16_t*, char16_t*, std::uint32_t) override { return 0; }
};

TEST(ResolveCustomCommand, FailedExpansionGivesEmptyText) {
  FailingExpansion platform;
  EXPECT_EQ(ResolveCustomCommand(platform, u"%25X%25 {0}"), u"");
  EXPECT_EQ(ResolveCustomCommand(platform, u"x.exe {0}"), u"x.exe {0}");
}

}  // namespace
