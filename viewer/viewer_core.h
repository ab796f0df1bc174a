// The viewer object's state and members, free of COM: what SAP sets, how the
// document URL is built and launched, and what is reported back. The Windows
// layer forwards each interface member here; calls must not overlap (the
// Windows layer serialises them), so nothing here takes a lock. A member that
// runs out of memory may throw std::bad_alloc: the COM member's exception
// barrier turns it into E_OUTOFMEMORY.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/hresult.h"
#include "viewer/bstr_view.h"
#include "viewer/command_line.h"
#include "viewer/start_command.h"
#include "viewer/string_out.h"
#include "viewer/viewer_platform.h"

class ViewerCore {
 public:
  // The platform must outlive the object.
  explicit ViewerCore(ViewerPlatform& platform) : platform_(platform) {}
  ViewerCore(const ViewerCore&) = delete;
  ViewerCore& operator=(const ViewerCore&) = delete;

  HResult get_ContRep(StringOut& pVal) const;
  HResult put_ContRep(BstrView newVal);
  HResult get_DID(StringOut& pVal) const;
  HResult put_DID(BstrView newVal);
  HResult get_Server(StringOut& pVal) const;
  HResult put_Server(BstrView newVal);
  HResult get_UrlRoot(StringOut& pVal) const;
  HResult put_UrlRoot(BstrView newVal);
  HResult Show();
  HResult get_ReturnCode(std::int32_t& pVal) const;
  HResult get_LastErrorText(StringOut& pVal) const;
  HResult ShowEx(BstrView sapDocId);
  // The first half of ShowEx: stores the document id and traces it. A COM
  // object then runs Show through its own interface.
  HResult BeginShowEx(BstrView sapDocId);
  HResult get_UseStartCmd(StringOut& pVal) const;
  HResult put_UseStartCmd(BstrView newVal);
  HResult ClearCC();
  HResult AddCC(BstrView newVal);
  HResult get_CustomCommand(StringOut& pVal) const;
  HResult get_ShowFlag(StringOut& pVal) const;
  HResult put_ShowFlag(BstrView newVal);
  HResult get_KeepFocusOnSap(StringOut& pVal) const;
  HResult put_KeepFocusOnSap(BstrView newVal);
  HResult get_FocusWaitMS(StringOut& pVal) const;
  HResult put_FocusWaitMS(BstrView newVal);
  HResult ClearUrlRoot();
  HResult AddUrlRoot(BstrView urlPart);
  HResult ClearServer();
  HResult AddServer(BstrView serverPart);
  HResult get_SendUser(std::int16_t& pVal) const;
  HResult put_SendUser(std::int16_t newVal);

 private:
  // An automation string field: empty optional for a null string.
  using OptionalText = std::optional<std::u16string>;

  HResult PutString(OptionalText& field, BstrView value, const char16_t* traceFormat);
  // start is null for a custom command.
  LaunchResult StartProcess(CommandLineBuffer& commandLine, StartCommandLaunch* start);
  LaunchResult OpenWithShell(CommandLineBuffer& commandLine);
  // A call that failed (with its error), or a START whose cmd ended with a
  // code other than 0.
  HResult ReportLaunchFailure(CommandLineBuffer& commandLine, const LaunchResult& launched);
  void RestoreFocus(std::uintptr_t window);

  ViewerPlatform& platform_;

  OptionalText m_DID;
  OptionalText m_ContRep;
  OptionalText m_UrlRoot;
  OptionalText m_Server;
  std::u16string m_LastErrorText;
  std::int32_t m_ReturnCode = 0;
  OptionalText m_CustomCommand;
  bool m_UseStartCmd = false;
  bool m_KeepFocusOnSap = false;
  std::int32_t m_FocusWaitMS = 0;
  std::int32_t m_ShowFlag = 0;  // SW_HIDE
  bool m_SendUser = false;
};
