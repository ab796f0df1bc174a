#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tests/native/viewer_fake_platform.h"
#include "tests/support/hresult_check.h"
#include "viewer/viewer_core.h"

namespace {

using namespace std::literals;

// The START path as the trace and the error text show it, and as it is run.
constexpr std::u16string_view kStart = u"cmd /V:ON /C  START \"\" ";
constexpr std::u16string_view kStartCommand = u"cmd /V:ON /C  START \"\" !ZEVEVOV_DOCUMENT_URL!";

std::u16string LastErrorText(const ViewerCore& viewer) {
  FakeStringOut out;
  EXPECT_HR(hr::kOk, viewer.get_LastErrorText(out));
  return out.value.value_or(u"<null>");
}

std::int32_t ReturnCode(const ViewerCore& viewer) {
  std::int32_t code = -7;
  EXPECT_HR(hr::kOk, viewer.get_ReturnCode(code));
  return code;
}

TEST(Show, FreshObjectOpensTheBareUrlWithTheShell) {
  FakeViewerPlatform platform;
  ViewerCore viewer(platform);
  EXPECT_HR(hr::kOk, viewer.Show());
  ASSERT_EQ(platform.shellCalls.size(), 1u);
  const auto& call = platform.shellCalls[0];
  EXPECT_EQ(call.fMask, 0x540u);
  EXPECT_EQ(call.hwnd, 4242u);
  EXPECT_EQ(call.verb, u"open");
  EXPECT_EQ(call.file, u"\"/.archiveLink?viewDoc\"");
  EXPECT_TRUE(call.parametersNull);
  EXPECT_TRUE(call.directoryNull);
  EXPECT_EQ(call.nShow, 0);
  EXPECT_TRUE(platform.processCalls.empty());
  EXPECT_EQ(platform.Messages(), (std::vector<std::u16string>{
                                     u"Show:        '\"/.archiveLink?viewDoc\"'\r\n",
                                     u"exit Show\r\n"}));
  EXPECT_EQ(platform.events,
            (std::vector<std::string>{"foreground", "foreground", "trace", "shell", "trace"}));
  EXPECT_EQ(ReturnCode(viewer), 0);
  EXPECT_EQ(LastErrorText(viewer), u"");
}

struct UrlCase {
  const char* name;
  std::function<void(ViewerCore&, FakeViewerPlatform&)> setup;
  std::u16string expected;
};

TEST(Show, DocumentUrl) {
  using P = FakeViewerPlatform;
  const auto principalFails = [](P& p, std::uint32_t code) {
    p.principalName = {false, u"", code};
  };
  const UrlCase cases[] = {
      {"example",
       [](ViewerCore& v, P&) {
         v.put_Server(Bstr(u"SRV"));
         v.put_UrlRoot(Bstr(u"/r"));
         v.put_ContRep(Bstr(u"A1"));
         v.put_DID(Bstr(u"A B"));
       },
       u"\"SRV/r/.archiveLink?viewDoc&contRep=A1&docID=A%20B\""},
      {"empty keys dropped",
       [](ViewerCore& v, P&) {
         v.put_ContRep(Bstr(u""));
         v.put_DID(Bstr(u""));
       },
       u"\"/.archiveLink?viewDoc\""},
      {"spaces kept in server and root",
       [](ViewerCore& v, P&) {
         v.put_Server(Bstr(u"S V"));
         v.put_UrlRoot(Bstr(u"/a b"));
         v.put_DID(Bstr(u"a b"));
       },
       u"\"S V/a b/.archiveLink?viewDoc&docID=a%20b\""},
      {"escapes kept, & and = escaped",
       [](ViewerCore& v, P&) { v.put_DID(Bstr(u"%41&x=y")); },
       u"\"/.archiveLink?viewDoc&docID=%41%26x%3dy\""},
      {"too long a value leaves its key",
       [](ViewerCore& v, P&) {
         const std::u16string value(1024, u'a');
         v.put_ContRep(Bstr(value));
         v.put_DID(Bstr(u"D"));
       },
       u"\"/.archiveLink?viewDoc&contRep=&docID=D\""},
      {"server parts up to a NUL",
       [](ViewerCore& v, P&) { v.AddServer(Bstr(u"S\0X"sv)); },
       u"\"S/.archiveLink?viewDoc\""},
      {"principal name",
       [](ViewerCore& v, P&) {
         v.put_DID(Bstr(u"D"));
         v.put_SendUser(-1);
       },
       u"\"/.archiveLink?viewDoc&docID=D&user=jdoe%40corp.example\""},
      {"domain name",
       [&](ViewerCore& v, P& p) {
         principalFails(p, 1355);
         v.put_SendUser(-1);
       },
       u"\"/.archiveLink?viewDoc&user=CORP%5cjdoe\""},
      {"no name",
       [&](ViewerCore& v, P& p) {
         principalFails(p, 5);
         v.put_SendUser(-1);
       },
       u"\"/.archiveLink?viewDoc&user=\""},
      {"quotes in server and root",
       [](ViewerCore& v, P&) {
         v.put_Server(Bstr(u"a\"b"));
         v.put_UrlRoot(Bstr(u"\"r\""));
         v.put_DID(Bstr(u"\""));
       },
       u"\"a%22b%22r%22/.archiveLink?viewDoc&docID=%22\""},
  };
  for (const UrlCase& c : cases) {
    FakeViewerPlatform platform;
    ViewerCore viewer(platform);
    c.setup(viewer, platform);
    EXPECT_HR(hr::kOk, viewer.Show()) << c.name;
    ASSERT_EQ(platform.shellCalls.size(), 1u) << c.name;
    EXPECT_EQ(platform.shellCalls[0].file, c.expected) << c.name;
  }
}

TEST(Show, ProcessLaunchPaths) {
  const std::u16string url = u"\"SRV/.archiveLink?viewDoc\"";
  const struct {
    const char* name;
    std::u16string customCommand;  // stored through AddCC
    bool useStartCmd;
    std::u16string commandLine;
    std::uint16_t wShowWindow;
  } cases[] = {
      {"custom command twice", u"view.exe {0} -x {0}", false,
       u"view.exe " + url + u" -x " + url, 3},
      {"custom command, no placeholder", u"view.exe -x", false, u"view.exe -x", 3},
      {"custom command over start", u"%7B0%7D", true, url, 3},
  };
  for (const auto& c : cases) {
    FakeViewerPlatform platform;
    ViewerCore viewer(platform);
    viewer.put_Server(Bstr(u"SRV"));
    viewer.put_ShowFlag(Bstr(u"65539"));  // 0x10003: the low 16 bits are 3
    viewer.put_UseStartCmd(Bstr(c.useStartCmd ? u"true" : u"false"));
    viewer.AddCC(Bstr(c.customCommand));
    platform.traces.clear();
    EXPECT_HR(hr::kOk, viewer.Show()) << c.name;
    ASSERT_EQ(platform.processCalls.size(), 1u) << c.name;
    const auto& call = platform.processCalls[0];
    EXPECT_EQ(call.commandLine, c.commandLine) << c.name;
    EXPECT_EQ(call.startup.dwFlags, 1u) << c.name;
    EXPECT_EQ(call.startup.wShowWindow, c.wShowWindow) << c.name;
    EXPECT_FALSE(call.inheritHandles) << c.name;
    EXPECT_EQ(call.creationFlags, 0u) << c.name;
    EXPECT_TRUE(platform.shellCalls.empty()) << c.name;
    EXPECT_EQ(platform.Messages(), (std::vector<std::u16string>{
                                       u"Show:        '" + c.commandLine + u"'\r\n",
                                       u"exit Show\r\n"}))
        << c.name;
    FakeStringOut useStartCmd;
    viewer.get_UseStartCmd(useStartCmd);
    EXPECT_EQ(useStartCmd.value, u"true") << c.name;
  }
}

TEST(Show, CustomCommandLeavesStartCommandOn) {
  FakeViewerPlatform platform;
  ViewerCore viewer(platform);
  viewer.AddCC(Bstr(u"v.exe {0}"));
  platform.processResult = {false, 2};
  viewer.Show();
  viewer.ClearCC();
  platform.processResult = {true, 0};
  viewer.Show();
  ASSERT_EQ(platform.processCalls.size(), 2u);
  EXPECT_EQ(platform.processCalls[1].commandLine, kStartCommand);
}

TEST(Show, FailedLaunchIsReportedThenReset) {
  FakeViewerPlatform platform;
  platform.systemMessages[2] = u"File not found.\r\n";
  ViewerCore viewer(platform);
  platform.shellResult = {false, 2};
  EXPECT_HR(hr::kOk, viewer.Show());
  EXPECT_EQ(ReturnCode(viewer), 745);
  EXPECT_EQ(LastErrorText(viewer),
            u"Unable to open the url:\r\n'\"/.archiveLink?viewDoc\"'\r\nSystemError: 2 File not found.  ");

  viewer.AddCC(Bstr(u"nosuch.exe {0}"));
  platform.processResult = {false, 0x80070005u};
  EXPECT_HR(hr::kOk, viewer.Show());
  EXPECT_EQ(LastErrorText(viewer),
            u"Unable to open the url:\r\n'nosuch.exe \"/.archiveLink?viewDoc\"'\r\n"
            u"SystemError: 0x80070005 <not found>");

  platform.processResult = {true, 0};
  EXPECT_HR(hr::kOk, viewer.Show());
  EXPECT_EQ(ReturnCode(viewer), 0);
  EXPECT_EQ(LastErrorText(viewer), u"");
}

TEST(Show, LaunchTextBeyond2047CharactersIsNotLaunched) {
  // The URL adds 23 characters to the server; the START command as shown 23 more.
  const struct {
    const char* name;
    std::size_t serverLength;
    bool useStartCmd;
    bool launched;
  } cases[] = {
      {"shell, 2047", 2024, false, true},
      {"shell, 2048", 2025, false, false},
      {"start, 2047", 2001, true, true},
      {"start, 2048", 2002, true, false},
      {"start, far beyond", 9000, true, false},
  };
  for (const auto& c : cases) {
    FakeViewerPlatform platform;
    platform.systemMessages[122] = u"Buffer too small.\r\n";
    ViewerCore viewer(platform);
    const std::u16string server(c.serverLength, u's');
    viewer.put_Server(Bstr(server));
    viewer.put_UseStartCmd(Bstr(c.useStartCmd ? u"1" : u"0"));
    viewer.put_KeepFocusOnSap(Bstr(u"yes"));
    platform.traces.clear();
    EXPECT_HR(hr::kOk, viewer.Show()) << c.name;
    const std::size_t launches = platform.processCalls.size() + platform.shellCalls.size();
    EXPECT_EQ(launches, c.launched ? 1u : 0u) << c.name;
    EXPECT_EQ(ReturnCode(viewer), c.launched ? 0 : 745) << c.name;
    const std::u16string text = LastErrorText(viewer);
    if (!c.launched) {
      const std::u16string head = u"Unable to open the url:\r\n'";
      const std::u16string tail = u"'\r\nSystemError: 122 Buffer too small.  ";
      EXPECT_EQ(text.substr(0, head.size()), head) << c.name;
      EXPECT_EQ(text.size(), head.size() + 2047 + tail.size()) << c.name;
      EXPECT_EQ(text.substr(text.size() - tail.size()), tail) << c.name;
      EXPECT_EQ(platform.Messages().at(0), u"exit Show -> restore old Wnd 4242, after 0 seconds\r\n")
          << c.name;
    }
  }
}

// cmd expands %NAME% anywhere in its command line, quotes or not, and splits
// it at & | < > afterwards; variables such as CMDCMDLINE hold quotes. So the
// URL goes to START through the environment, and cmd itself is the system's.
TEST(Show, StartCommandKeepsTheUrlOutOfCmdsCommandLine) {
  using P = FakeViewerPlatform;
  const struct {
    const char* name;
    std::function<void(ViewerCore&, P&)> setup;
    std::u16string url;
  } cases[] = {
      {"variables in the document id",
       [](ViewerCore& v, P&) { v.put_DID(Bstr(u"%COMSPEC%&%CMDCMDLINE%&%CMDCMDLINE:~5%")); },
       u"\"/.archiveLink?viewDoc&docID=%COMSPEC%%26%CMDCMDLINE%%26%CMDCMDLINE:~5%\""},
      {"variables and cmd's characters in server and root",
       [](ViewerCore& v, P&) {
         v.put_Server(Bstr(u"http://%COMPUTERNAME%/!PATH!^"));
         v.put_UrlRoot(Bstr(u"/a&b|c<d>e(f)"));
         v.put_ContRep(Bstr(u"%CD%"));
       },
       u"\"http://%COMPUTERNAME%/!PATH!^/a&b|c<d>e(f)/.archiveLink?viewDoc&contRep=%CD%\""},
      {"a quote in the server",
       [](ViewerCore& v, P&) { v.put_Server(Bstr(u"http://x\" & calc.exe & \"")); },
       u"\"http://x%22 & calc.exe & %22/.archiveLink?viewDoc\""},
      {"line breaks in the root",
       [](ViewerCore& v, P&) { v.put_UrlRoot(Bstr(u"/r\r\ncalc.exe")); },
       u"\"/r\r\ncalc.exe/.archiveLink?viewDoc\""},
      {"a variable in the user name",
       [](ViewerCore& v, P& p) {
         p.principalName = {true, u"%USERNAME%", 0};
         v.put_SendUser(-1);
       },
       u"\"/.archiveLink?viewDoc&user=%USERNAME%\""},
      {"the variable's name already set",
       [](ViewerCore&, P& p) {
         p.environmentStrings = std::u16string(u"zevevov_document_url=old\0", 25) + p.environmentStrings;
       },
       u"\"/.archiveLink?viewDoc\""},
  };
  for (const auto& c : cases) {
    FakeViewerPlatform platform;
    ViewerCore viewer(platform);
    viewer.put_ShowFlag(Bstr(u"SW_SHOWNORMAL"));
    viewer.put_UseStartCmd(Bstr(u"true"));
    c.setup(viewer, platform);
    platform.traces.clear();
    EXPECT_EQ(viewer.Show(), hr::kOk) << c.name;
    ASSERT_EQ(platform.processCalls.size(), 1u) << c.name;
    const auto& call = platform.processCalls[0];
    EXPECT_EQ(call.applicationName, u"C:\\windows\\system32\\cmd.exe") << c.name;
    EXPECT_EQ(call.commandLine, kStartCommand) << c.name;
    EXPECT_EQ(call.creationFlags, 0x400u) << c.name;  // CREATE_UNICODE_ENVIRONMENT
    EXPECT_EQ(call.startup.wShowWindow, 0u) << c.name;
    EXPECT_EQ(call.environment, (std::vector<std::u16string>{u"=C:=C:\\sap", u"PATH=C:\\windows",
                                                             u"ZEVEVOV_DOCUMENT_URL=" + c.url, u"zz=1"}))
        << c.name;
    EXPECT_EQ(platform.Messages(), (std::vector<std::u16string>{
                                       u"Show:        '" + std::u16string(kStart) + c.url + u"'\r\n",
                                       u"exit Show\r\n"}))
        << c.name;
  }
}

TEST(Show, StartCommandWithoutSystemDirectoryIsNotLaunched) {
  FakeViewerPlatform platform;
  platform.systemDirectory.reset();
  platform.systemMessages[5] = u"Access denied.\r\n";
  ViewerCore viewer(platform);
  viewer.put_UseStartCmd(Bstr(u"true"));
  EXPECT_EQ(viewer.Show(), hr::kOk);
  EXPECT_TRUE(platform.processCalls.empty());
  EXPECT_EQ(ReturnCode(viewer), 745);
  EXPECT_EQ(LastErrorText(viewer), u"Unable to open the url:\r\n'" + std::u16string(kStart) +
                                       u"\"/.archiveLink?viewDoc\"'\r\nSystemError: 5 Access denied.  ");
}

// START's cmd is waited for a while: its exit code is START's result. A cmd
// still running then is left to run; a custom viewer is never waited for.
TEST(Show, StartCommandOutcomeFromCmdsExitCode) {
  const std::u16string failed = u"Unable to open the url:\r\n'" + std::u16string(kStart) + u"\"/.archiveLink?viewDoc\"'\r\n";
  const struct {
    const char* name;
    const char16_t* customCommand;
    LaunchResult result;
    std::uint32_t exitWait;
    std::int32_t returnCode;
    std::u16string lastErrorText;
  } cases[] = {
      {"still running after the wait", u"", {true, 0, false, 0}, kStartCommandExitWaitMs, 0, u""},
      {"ended with 0", u"", {true, 0, true, 0}, kStartCommandExitWaitMs, 0, u""},
      {"ended with 1", u"", {true, 0, true, 1}, kStartCommandExitWaitMs, 745,
       failed + u"START failed: cmd ended with exit code 1"},
      {"ended by an exception", u"", {true, 0, true, 0xC0000005u}, kStartCommandExitWaitMs, 745,
       failed + u"START failed: cmd ended with exit code 0xc0000005"},
      {"cmd not started", u"", {false, 2, false, 0}, kStartCommandExitWaitMs, 745,
       failed + u"SystemError: 2 File not found.  "},
      {"custom viewer", u"v.exe", {true, 0, true, 1}, 0, 0, u""},
  };
  for (const auto& c : cases) {
    FakeViewerPlatform platform;
    platform.systemMessages[2] = u"File not found.\r\n";
    platform.processResult = c.result;
    ViewerCore viewer(platform);
    viewer.put_UseStartCmd(Bstr(u"true"));
    viewer.AddCC(Bstr(c.customCommand));
    EXPECT_HR(hr::kOk, viewer.Show()) << c.name;
    ASSERT_EQ(platform.processCalls.size(), 1u) << c.name;
    EXPECT_EQ(platform.processCalls[0].exitWaitMilliseconds, c.exitWait) << c.name;
    EXPECT_EQ(ReturnCode(viewer), c.returnCode) << c.name;
    EXPECT_EQ(LastErrorText(viewer), c.lastErrorText) << c.name;
  }
}

TEST(Show, FocusIsGivenBackAfterTheWait) {
  // A window handle means 32 bits, sign-extended in a 64-bit process: the
  // trace shows the number a 32-bit process would, the call gets the handle whole.
  const std::uintptr_t highWindow = static_cast<std::uintptr_t>(static_cast<std::intptr_t>(INT32_MIN + 16));
  const struct {
    const char16_t* wait;
    std::uint32_t slept;
    const char16_t* shown;
    bool launchFails;
    std::uintptr_t window;
    const char16_t* shownWindow;
  } cases[] = {
      {u"2000", 2000, u"2000", false, 987654, u"987654"},
      {u"", 2000, u"2000", false, 987654, u"987654"},
      {u"0", 0, u"0", false, 987654, u"987654"},
      {u"-5", 0, u"-5", false, 987654, u"987654"},
      {u"-2147483648", 0, u"-2147483648", false, 987654, u"987654"},
      {u"300", 300, u"300", true, 987654, u"987654"},
      {u"10", 10, u"10", false, highWindow, u"-2147483632"},
  };
  for (const auto& c : cases) {
    FakeViewerPlatform platform;
    platform.foregroundWindow = c.window;
    platform.shellResult.succeeded = !c.launchFails;
    ViewerCore viewer(platform);
    viewer.put_KeepFocusOnSap(Bstr(u"true"));
    viewer.put_FocusWaitMS(Bstr(c.wait));
    platform.events.clear();
    platform.traces.clear();
    EXPECT_HR(hr::kOk, viewer.Show());
    EXPECT_EQ(platform.events,
              (std::vector<std::string>{"foreground", "foreground", "trace", "shell",
                                        "sleep " + std::to_string(c.slept),
                                        "set foreground " + std::to_string(c.window), "trace"}))
        << testing::PrintToString(std::u16string(c.wait));
    EXPECT_EQ(platform.Messages().back(), u"exit Show -> restore old Wnd "s + c.shownWindow + u", after " +
                                              c.shown + u" seconds\r\n");
  }
}

TEST(ShowEx, StoresTheIdTracesAndShows) {
  const struct {
    BstrView id;
    std::optional<std::u16string> stored;
    std::u16string traced;
    std::u16string url;
  } cases[] = {
      {Bstr(u"D 1"), u"D 1", u"D 1", u"\"/.archiveLink?viewDoc&docID=D%201\""},
      {kNullBstr, std::nullopt, u"(null)", u"\"/.archiveLink?viewDoc\""},
  };
  for (const auto& c : cases) {
    FakeViewerPlatform platform;
    ViewerCore viewer(platform);
    viewer.put_DID(Bstr(u"old"));
    platform.traces.clear();
    platform.shellResult = {false, 3};
    EXPECT_HR(hr::kOk, viewer.ShowEx(c.id));
    FakeStringOut did;
    viewer.get_DID(did);
    EXPECT_EQ(did.value, c.stored);
    ASSERT_EQ(platform.shellCalls.size(), 1u);
    EXPECT_EQ(platform.shellCalls[0].file, c.url);
    EXPECT_EQ(platform.Messages(), (std::vector<std::u16string>{
                                       u"ShowEx:      " + c.traced + u"\r\n",
                                       u"Show:        '" + c.url + u"'\r\n", u"exit Show\r\n"}));
    EXPECT_EQ(ReturnCode(viewer), 745);
  }
}

TEST(Show, TraceOrderWithEveryStep) {
  FakeViewerPlatform platform;
  platform.principalName = {false, u"", 1355};
  ViewerCore viewer(platform);
  viewer.AddCC(Bstr(u"v.exe %X% {0}"));
  viewer.put_SendUser(-1);
  platform.traces.clear();
  viewer.Show();
  EXPECT_EQ(platform.Messages(),
            (std::vector<std::u16string>{
                u"UnescapeUrl: failed for Url: v.exe %X% {0}\r\n",
                u"Unable to get NameUserPrincipal, trying NameSamCompatible (Error: 1355)\r\n",
                u"Show:        'v.exe %X% \"/.archiveLink?viewDoc&user=CORP%5cjdoe\"'\r\n",
                u"exit Show\r\n"}));
}

}  // namespace
