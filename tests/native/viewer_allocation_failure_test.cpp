// Allocation failures inside the viewer, one chosen allocation at a time. The
// members are called through the exception barrier, as the COM members call
// them.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "base/exception_barrier.h"
#include "tests/native/viewer_fake_platform.h"
#include "tests/support/failing_allocation.h"
#include "tests/support/hresult_check.h"
#include "viewer/viewer_core.h"

namespace {

using Getter = HResult (ViewerCore::*)(StringOut&) const;
using Putter = HResult (ViewerCore::*)(BstrView);

constexpr std::u16string_view kLong = u"a value too long for the small-string area";

std::optional<std::u16string> Read(const ViewerCore& viewer, Getter getter) {
  FakeStringOut out;
  EXPECT_HR(hr::kOk, (viewer.*getter)(out));
  return out.value;
}

std::u16string LastErrorText(const ViewerCore& viewer) {
  return Read(viewer, &ViewerCore::get_LastErrorText).value_or(u"<null>");
}

TEST(AllocationFailure, StringPutLeavesTheFieldNull) {
  const struct {
    const char* name;
    Putter put;
    Getter get;
  } cases[] = {
      {"ContRep", &ViewerCore::put_ContRep, &ViewerCore::get_ContRep},
      {"DID", &ViewerCore::put_DID, &ViewerCore::get_DID},
      {"Server", &ViewerCore::put_Server, &ViewerCore::get_Server},
      {"UrlRoot", &ViewerCore::put_UrlRoot, &ViewerCore::get_UrlRoot},
      {"ShowEx", &ViewerCore::ShowEx, &ViewerCore::get_DID},
  };
  for (const auto& c : cases) {
    FakeViewerPlatform platform;
    ViewerCore viewer(platform);
    ASSERT_HR(hr::kOk, (viewer.*c.put)(Bstr(kLong))) << c.name;
    platform.traces.clear();
    platform.events.clear();
    HResult result;
    {
      FailingAllocation failFirst(0);
      result = ExceptionBarrier(
          [&] { return (viewer.*c.put)(Bstr(u"another value too long for the small-string area")); });
    }
    EXPECT_HR(hr::kOutOfMemory, result) << c.name;
    EXPECT_EQ(Read(viewer, c.get), std::nullopt) << c.name;
    EXPECT_TRUE(platform.traces.empty()) << c.name;
    EXPECT_TRUE(platform.events.empty()) << c.name << ": no launch after a failed ShowEx";
  }
}

TEST(AllocationFailure, AppendKeepsTheOldValue) {
  const struct {
    const char* name;
    Putter add;
    Getter get;
    HResult expected;
    std::size_t traces;
  } cases[] = {
      {"AddServer", &ViewerCore::AddServer, &ViewerCore::get_Server, hr::kOk, 1},
      {"AddUrlRoot", &ViewerCore::AddUrlRoot, &ViewerCore::get_UrlRoot, hr::kOk, 1},
      {"AddCC", &ViewerCore::AddCC, &ViewerCore::get_CustomCommand, hr::kOutOfMemory, 0},
  };
  for (const auto& c : cases) {
    FakeViewerPlatform platform;
    ViewerCore viewer(platform);
    ASSERT_HR(hr::kOk, (viewer.*c.add)(Bstr(kLong))) << c.name;
    platform.traces.clear();
    HResult result;
    {
      FailingAllocation failFirst(0);
      result = (viewer.*c.add)(Bstr(u"more"));
    }
    EXPECT_HR(c.expected, result) << c.name;
    EXPECT_EQ(Read(viewer, c.get), std::u16string(kLong)) << c.name;
    EXPECT_EQ(platform.traces.size(), c.traces) << c.name;
  }
}

TEST(AllocationFailure, GettersWhoseCopyFails) {
  const struct {
    const char* name;
    Getter get;
    HResult expected;
  } cases[] = {
      {"ContRep", &ViewerCore::get_ContRep, hr::kOk},
      {"DID", &ViewerCore::get_DID, hr::kOk},
      {"Server", &ViewerCore::get_Server, hr::kOk},
      {"UrlRoot", &ViewerCore::get_UrlRoot, hr::kOk},
      {"UseStartCmd", &ViewerCore::get_UseStartCmd, hr::kOk},
      {"KeepFocusOnSap", &ViewerCore::get_KeepFocusOnSap, hr::kOk},
      {"LastErrorText", &ViewerCore::get_LastErrorText, hr::kOutOfMemory},
      {"CustomCommand", &ViewerCore::get_CustomCommand, hr::kOutOfMemory},
      {"ShowFlag", &ViewerCore::get_ShowFlag, hr::kOutOfMemory},
      {"FocusWaitMS", &ViewerCore::get_FocusWaitMS, hr::kOutOfMemory},
  };
  for (const auto& c : cases) {
    FakeViewerPlatform platform;
    ViewerCore viewer(platform);
    for (const Putter put : {&ViewerCore::put_ContRep, &ViewerCore::put_DID,
                             &ViewerCore::put_Server, &ViewerCore::put_UrlRoot}) {
      (viewer.*put)(Bstr(u"v"));
    }
    platform.traces.clear();
    FakeStringOut out;
    out.fail = true;
    EXPECT_HR(c.expected, (viewer.*c.get)(out)) << c.name;
    EXPECT_EQ(out.value, std::nullopt) << c.name;
    EXPECT_TRUE(platform.traces.empty()) << c.name;
  }
}

TEST(AllocationFailure, ShowFlagNameThatCannotBeMade) {
  FakeViewerPlatform platform;
  ViewerCore viewer(platform);
  viewer.put_ShowFlag(Bstr(u"SW_SHOWMINNOACTIVE"));
  FakeStringOut out;
  HResult result;
  {
    FailingAllocation failFirst(0);
    result = viewer.get_ShowFlag(out);
  }
  EXPECT_HR(hr::kOutOfMemory, result);
  EXPECT_EQ(out.value, u"<untouched>");
}

// The fake's own bookkeeping allocates where the real platform calls do not;
// those allocations are kept out of the count. Only the system message text
// is copied into a string by the real platform too.
class UncountedPlatform : public ViewerPlatform {
 public:
  explicit UncountedPlatform(FakeViewerPlatform& fake) : fake_(fake) {}

  void WriteDebugOutput(const char16_t* line) override {
    UncountedAllocations uncounted;
    fake_.WriteDebugOutput(line);
  }
  std::uint32_t CurrentThreadId() override { return fake_.CurrentThreadId(); }
  bool SystemMessageText(std::uint32_t code, std::u16string& text) override {
    return fake_.SystemMessageText(code, text);
  }
  std::uint32_t AnsiToWide(const char* bytes, std::uint32_t byteCount, char16_t* out,
                           std::uint32_t capacity) override {
    return fake_.AnsiToWide(bytes, byteCount, out, capacity);
  }
  std::uint32_t ExpandEnvironment(const char16_t* text, char16_t* out,
                                  std::uint32_t capacity) override {
    UncountedAllocations uncounted;
    return fake_.ExpandEnvironment(text, out, capacity);
  }
  bool UserNameEx(std::uint32_t format, char16_t* buffer, std::uint32_t& size) override {
    UncountedAllocations uncounted;
    return fake_.UserNameEx(format, buffer, size);
  }
  bool LogonUserName(char16_t* buffer, std::uint32_t& size) override {
    UncountedAllocations uncounted;
    return fake_.LogonUserName(buffer, size);
  }
  std::uint32_t LastError() override { return fake_.LastError(); }
  bool SystemDirectory(std::u16string& path, std::uint32_t& error) override {
    return fake_.SystemDirectory(path, error);
  }
  std::u16string EnvironmentStrings() override { return fake_.EnvironmentStrings(); }
  LaunchResult StartProcess(const ProcessLaunch& launch) override {
    UncountedAllocations uncounted;
    return fake_.StartProcess(launch);
  }
  LaunchResult LaunchWithShell(const ShellLaunch& launch) override {
    UncountedAllocations uncounted;
    return fake_.LaunchWithShell(launch);
  }
  std::uintptr_t ForegroundWindow() override {
    UncountedAllocations uncounted;
    return fake_.ForegroundWindow();
  }
  void Sleep(std::uint32_t milliseconds) override {
    UncountedAllocations uncounted;
    fake_.Sleep(milliseconds);
  }
  void SetForeground(std::uintptr_t window) override {
    UncountedAllocations uncounted;
    fake_.SetForeground(window);
  }

 private:
  FakeViewerPlatform& fake_;
};

// Every allocation of a Show in turn fails: the call reports either success or
// kOutOfMemory, never reports a failed launch as 0, and leaves the results
// alone when it stops before the launch. Once through a custom command, once
// through START.
TEST(AllocationFailure, ShowFailsCleanlyAtEveryAllocation) {
  for (const bool startCommand : {false, true}) {
    bool exhausted = false;
    for (long n = 0; !exhausted; ++n) {
      FakeViewerPlatform platform;
      platform.principalName = {false, u"", 1355};
      platform.systemMessages[2] = u"The system cannot find the file specified.\r\n";
      UncountedPlatform uncounted(platform);
      ViewerCore viewer(uncounted);
      viewer.put_Server(Bstr(u"https://archive.example.com:8443"));
      viewer.put_UrlRoot(Bstr(u"/sap/bc/contentserver/100"));
      viewer.put_ContRep(Bstr(u"Z1 with a long repository name"));
      viewer.put_DID(Bstr(u"4F1A2B3C4D5E6F708192A3B4C5D6E7F8"));
      viewer.put_SendUser(-1);
      viewer.put_KeepFocusOnSap(Bstr(u"true"));
      if (startCommand) {
        viewer.put_UseStartCmd(Bstr(u"true"));
      } else {
        viewer.AddCC(Bstr(u"%22%25VIEWER%25%5Cview.exe%22%20%7B0%7D"));
      }
      platform.environment[u"VIEWER"] = u"C:\\Program Files\\Document Viewer";
      platform.processResult = {false, 2};
      ASSERT_HR(hr::kOk, viewer.Show());
      ASSERT_EQ(LastErrorText(viewer).substr(0, 23), u"Unable to open the url:");
      const std::u16string before = LastErrorText(viewer);
      platform.processCalls.clear();

      HResult result;
      {
        FailingAllocation failNth(n);
        result = ExceptionBarrier([&] { return viewer.Show(); });
        exhausted = !FailingAllocation::Injected();
      }
      std::int32_t returnCode = 0;
      viewer.get_ReturnCode(returnCode);
      if (result == hr::kOk) {
        EXPECT_EQ(returnCode, 745) << "allocation " << n;
      } else {
        EXPECT_HR(hr::kOutOfMemory, result) << "allocation " << n;
        EXPECT_EQ(returnCode, 745) << "allocation " << n;
        if (platform.processCalls.empty()) {
          EXPECT_EQ(LastErrorText(viewer), before) << "allocation " << n;
        }
      }
      EXPECT_LE(platform.processCalls.size(), 1u) << "allocation " << n;
    }
  }
}

}  // namespace
