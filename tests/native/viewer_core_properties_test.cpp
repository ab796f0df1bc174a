#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "tests/native/viewer_fake_platform.h"
#include "tests/support/hresult_check.h"
#include "viewer/viewer_core.h"

namespace {

using namespace std::literals;

using Getter = HResult (ViewerCore::*)(StringOut&) const;
using Putter = HResult (ViewerCore::*)(BstrView);

std::optional<std::u16string> Read(const ViewerCore& viewer, Getter getter) {
  FakeStringOut out;
  EXPECT_HR(hr::kOk, (viewer.*getter)(out));
  return out.value;
}

TEST(ViewerCore, FreshObject) {
  FakeViewerPlatform platform;
  ViewerCore viewer(platform);
  EXPECT_EQ(Read(viewer, &ViewerCore::get_ContRep), std::nullopt);
  EXPECT_EQ(Read(viewer, &ViewerCore::get_DID), std::nullopt);
  EXPECT_EQ(Read(viewer, &ViewerCore::get_Server), std::nullopt);
  EXPECT_EQ(Read(viewer, &ViewerCore::get_UrlRoot), std::nullopt);
  EXPECT_EQ(Read(viewer, &ViewerCore::get_LastErrorText), u"");
  EXPECT_EQ(Read(viewer, &ViewerCore::get_CustomCommand), u"");
  EXPECT_EQ(Read(viewer, &ViewerCore::get_UseStartCmd), u"false");
  EXPECT_EQ(Read(viewer, &ViewerCore::get_KeepFocusOnSap), u"false");
  EXPECT_EQ(Read(viewer, &ViewerCore::get_FocusWaitMS), u"0");
  EXPECT_EQ(Read(viewer, &ViewerCore::get_ShowFlag), u"SW_HIDE");
  std::int32_t returnCode = -7;
  EXPECT_HR(hr::kOk, viewer.get_ReturnCode(returnCode));
  EXPECT_EQ(returnCode, 0);
  std::int16_t sendUser = 7;
  EXPECT_HR(hr::kOk, viewer.get_SendUser(sendUser));
  EXPECT_EQ(sendUser, 0);
  EXPECT_EQ(platform.Messages(),
            (std::vector<std::u16string>{u"exit get_LastErrorText\r\n", u"exit get_ReturnCode\r\n"}));
}

TEST(ViewerCore, StringPutsStoreUpToTheFirstNulAndTrace) {
  const struct {
    const char* name;
    Putter put;
    Getter get;
    const char16_t* label;
  } properties[] = {
      {"ContRep", &ViewerCore::put_ContRep, &ViewerCore::get_ContRep, u"ContRep:     "},
      {"DID", &ViewerCore::put_DID, &ViewerCore::get_DID, u"SapDocid:    "},
      {"Server", &ViewerCore::put_Server, &ViewerCore::get_Server, u"Server:      "},
      {"UrlRoot", &ViewerCore::put_UrlRoot, &ViewerCore::get_UrlRoot, u"UrlRoot:     "},
  };
  const struct {
    BstrView value;
    std::optional<std::u16string> stored;
    std::u16string traced;
  } values[] = {
      {Bstr(u"R1"), u"R1", u"R1"},
      {kNullBstr, std::nullopt, u"(null)"},
      {Bstr(u""), u"", u""},
      {Bstr(u"ab\0cd"sv), u"ab", u"ab"},
  };
  for (const auto& p : properties) {
    for (const auto& v : values) {
      FakeViewerPlatform platform;
      ViewerCore viewer(platform);
      ASSERT_HR(hr::kOk, (viewer.*p.put)(Bstr(u"previous")));
      EXPECT_HR(hr::kOk, (viewer.*p.put)(v.value)) << p.name;
      EXPECT_EQ(Read(viewer, p.get), v.stored) << p.name;
      EXPECT_EQ(platform.traces.back(), TraceLine(p.label + v.traced + u"\r\n")) << p.name;
    }
  }
}

TEST(ViewerCore, AddAppendsWholePartsAndClearResets) {
  const struct {
    const char* name;
    HResult (ViewerCore::*add)(BstrView);
    HResult (ViewerCore::*clear)();
    Getter get;
    const char16_t* label;  // empty: Add writes no trace
  } members[] = {
      {"Server", &ViewerCore::AddServer, &ViewerCore::ClearServer, &ViewerCore::get_Server,
       u"AddServer:      "},
      {"UrlRoot", &ViewerCore::AddUrlRoot, &ViewerCore::ClearUrlRoot, &ViewerCore::get_UrlRoot,
       u"AddUrlRoot:     "},
      {"CC", &ViewerCore::AddCC, &ViewerCore::ClearCC, &ViewerCore::get_CustomCommand, u""},
  };
  for (const auto& m : members) {
    FakeViewerPlatform platform;
    ViewerCore viewer(platform);
    EXPECT_HR(hr::kOk, (viewer.*m.clear)()) << m.name;
    EXPECT_HR(hr::kOk, (viewer.*m.add)(kNullBstr)) << m.name;
    EXPECT_HR(hr::kOk, (viewer.*m.add)(Bstr(u"ab"))) << m.name;
    EXPECT_HR(hr::kOk, (viewer.*m.add)(Bstr(u""))) << m.name;
    EXPECT_HR(hr::kOk, (viewer.*m.add)(Bstr(u"c\0d"sv))) << m.name;
    if (m.add != &ViewerCore::AddCC) {
      // The whole part is kept; the trace shows the value up to its first NUL.
      EXPECT_EQ(Read(viewer, m.get), u"abc\0d"s) << m.name;
      EXPECT_EQ(platform.Messages(), (std::vector<std::u16string>{
                                         m.label + u"(null)\r\n"s, m.label + u"ab\r\n"s,
                                         m.label + u"ab\r\n"s, m.label + u"abc\r\n"s}))
          << m.name;
    } else {
      EXPECT_EQ(Read(viewer, m.get), u"abc") << m.name;
      EXPECT_TRUE(platform.traces.empty()) << m.name;
    }
    EXPECT_HR(hr::kOk, (viewer.*m.clear)()) << m.name;
    EXPECT_EQ(Read(viewer, m.get), m.add == &ViewerCore::AddCC ? std::optional(u""s) : std::nullopt)
        << m.name;
  }
}

TEST(ViewerCore, OptionPutsParseTraceAndReadBack) {
  const struct {
    Putter put;
    Getter get;
    BstrView value;
    std::u16string trace;
    std::u16string readBack;
  } cases[] = {
      {&ViewerCore::put_UseStartCmd, &ViewerCore::get_UseStartCmd, Bstr(u"Yes"),
       u"UseStartCmd: Yes => true\r\n", u"true"},
      {&ViewerCore::put_UseStartCmd, &ViewerCore::get_UseStartCmd, kNullBstr,
       u"UseStartCmd:  => false\r\n", u"false"},
      {&ViewerCore::put_UseStartCmd, &ViewerCore::get_UseStartCmd, Bstr(u"1\0x"sv),
       u"UseStartCmd: 1 => true\r\n", u"true"},
      {&ViewerCore::put_KeepFocusOnSap, &ViewerCore::get_KeepFocusOnSap, Bstr(u"TRUE"),
       u"KeepFocusOnSap: TRUE => true\r\n", u"true"},
      {&ViewerCore::put_KeepFocusOnSap, &ViewerCore::get_KeepFocusOnSap, kNullBstr,
       u"KeepFocusOnSap: (null) => false\r\n", u"false"},
      {&ViewerCore::put_KeepFocusOnSap, &ViewerCore::get_KeepFocusOnSap, Bstr(u"on"),
       u"KeepFocusOnSap: on => false\r\n", u"false"},
      {&ViewerCore::put_FocusWaitMS, &ViewerCore::get_FocusWaitMS, Bstr(u""),
       u"FocusWaitMS:  => 2000 ms\r\n", u"2000"},
      {&ViewerCore::put_FocusWaitMS, &ViewerCore::get_FocusWaitMS, kNullBstr,
       u"FocusWaitMS: (null) => 2000 ms\r\n", u"2000"},
      {&ViewerCore::put_FocusWaitMS, &ViewerCore::get_FocusWaitMS, Bstr(u"1500ms"),
       u"FocusWaitMS: 1500ms => 1500 ms\r\n", u"1500"},
      {&ViewerCore::put_FocusWaitMS, &ViewerCore::get_FocusWaitMS, Bstr(u"abc"),
       u"FocusWaitMS: abc => 0 ms\r\n", u"0"},
      {&ViewerCore::put_FocusWaitMS, &ViewerCore::get_FocusWaitMS, Bstr(u" 250"),
       u"FocusWaitMS:  250 => 250 ms\r\n", u"250"},
      {&ViewerCore::put_FocusWaitMS, &ViewerCore::get_FocusWaitMS, Bstr(u"-20"),
       u"FocusWaitMS: -20 => -20 ms\r\n", u"-20"},
      {&ViewerCore::put_FocusWaitMS, &ViewerCore::get_FocusWaitMS, Bstr(u"\0" u"5"sv),
       u"FocusWaitMS:  => 0 ms\r\n", u"0"},
      {&ViewerCore::put_ShowFlag, &ViewerCore::get_ShowFlag, Bstr(u"sw_shownormal"),
       u"ShowFlag: sw_shownormal => 1\r\n", u"SW_SHOWNORMAL"},
      {&ViewerCore::put_ShowFlag, &ViewerCore::get_ShowFlag, Bstr(u"SW_MAX"),
       u"ShowFlag: SW_MAX => 11\r\n", u"SW_FORCEMINIMIZE"},
      {&ViewerCore::put_ShowFlag, &ViewerCore::get_ShowFlag, Bstr(u"7"),
       u"ShowFlag: 7 => 7\r\n", u"SW_SHOWMINNOACTIVE"},
      {&ViewerCore::put_ShowFlag, &ViewerCore::get_ShowFlag, Bstr(u"12"),
       u"ShowFlag: 12 => 12\r\n", u"12"},
      {&ViewerCore::put_ShowFlag, &ViewerCore::get_ShowFlag, Bstr(u"-1"),
       u"ShowFlag: -1 => -1\r\n", u"-1"},
      {&ViewerCore::put_ShowFlag, &ViewerCore::get_ShowFlag, Bstr(u"SW_SHOW "),
       u"ShowFlag: SW_SHOW  => 0\r\n", u"SW_HIDE"},
      {&ViewerCore::put_ShowFlag, &ViewerCore::get_ShowFlag, kNullBstr,
       u"ShowFlag:  => 0\r\n", u"SW_HIDE"},
  };
  for (const auto& c : cases) {
    FakeViewerPlatform platform;
    ViewerCore viewer(platform);
    EXPECT_HR(hr::kOk, (viewer.*c.put)(c.value)) << testing::PrintToString(c.trace);
    EXPECT_EQ(platform.traces, std::vector<std::u16string>{TraceLine(c.trace)});
    EXPECT_EQ(Read(viewer, c.get), c.readBack) << testing::PrintToString(c.trace);
  }
}

TEST(ViewerCore, SendUser) {
  const struct {
    std::int16_t put;
    std::int16_t read;
  } cases[] = {{-1, -1}, {1, -1}, {0x100, -1}, {0, 0}};
  for (const auto& c : cases) {
    FakeViewerPlatform platform;
    ViewerCore viewer(platform);
    ASSERT_HR(hr::kOk, viewer.put_SendUser(-1));
    EXPECT_HR(hr::kOk, viewer.put_SendUser(c.put));
    std::int16_t value = 7;
    EXPECT_HR(hr::kOk, viewer.get_SendUser(value));
    EXPECT_EQ(value, c.read) << "put " << c.put;
    EXPECT_TRUE(platform.traces.empty());
  }
}

}  // namespace
