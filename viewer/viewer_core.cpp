#include "viewer/viewer_core.h"

#include <utility>

#include "viewer/custom_command.h"
#include "viewer/document_url.h"
#include "viewer/option_values.h"
#include "viewer/trace.h"
#include "viewer/user_name.h"

namespace {

using OptionalText = std::optional<std::u16string>;

constexpr std::int16_t kVariantTrue = -1;
constexpr std::int16_t kVariantFalse = 0;

constexpr std::int32_t kReturnCodeLaunched = 0;
constexpr std::int32_t kReturnCodeLaunchFailed = 745;
// Reported for a launch text that does not fit the command-line buffer.
constexpr std::uint32_t kErrorInsufficientBuffer = 122;

constexpr std::uint32_t kStartfUseShowWindow = 0x1;
constexpr std::uint32_t kCreateUnicodeEnvironment = 0x400;
constexpr std::uint16_t kSwHide = 0;
constexpr std::uint32_t kSeeMaskNoCloseProcess = 0x40;
constexpr std::uint32_t kSeeMaskNoAsync = 0x100;
constexpr std::uint32_t kSeeMaskFlagNoUi = 0x400;

// For %s: a null field prints as (null).
const char16_t* TraceText(const OptionalText& field) {
  return field.has_value() ? field->c_str() : nullptr;
}

// For the traces that print a null incoming string as empty text.
const char16_t* TextOrEmpty(BstrView value) { return value.data != nullptr ? value.data : u""; }

std::u16string_view View(const OptionalText& field) {
  return field.has_value() ? std::u16string_view(*field) : std::u16string_view();
}

// Release first, then copy up to the first NUL: a copy that throws leaves the
// field null.
void StoreString(OptionalText& field, BstrView value) {
  // The caller handed back our own string; releasing it first would lose it.
  if (field.has_value() && value.data == field->data()) return;
  field.reset();
  if (value.data != nullptr) field.emplace(value.Text());
}

// Appends the whole part, embedded NULs included; a failed append leaves the
// field as it was and returns false.
bool AppendString(OptionalText& field, BstrView part) {
  if (part.Whole().empty()) return true;
  try {
    std::u16string joined(View(field));
    joined += part.Whole();
    field = std::move(joined);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

HResult GetString(const OptionalText& field, StringOut& out) {
  if (!field.has_value()) {
    out.AssignNull();
  } else {
    // A copy that cannot be made is handed out as null, with success.
    AssignText(out, *field);
  }
  return hr::kOk;
}

HResult GetBool(bool value, StringOut& out) {
  // As for the string fields: a failed copy is a null result, with success.
  AssignText(out, BoolText(value));
  return hr::kOk;
}

HResult HandOut(const std::u16string& text, StringOut& out) {
  return AssignText(out, text) ? hr::kOk : hr::kOutOfMemory;
}

}  // namespace

HResult ViewerCore::get_ContRep(StringOut& pVal) const { return GetString(m_ContRep, pVal); }
HResult ViewerCore::get_DID(StringOut& pVal) const { return GetString(m_DID, pVal); }
HResult ViewerCore::get_Server(StringOut& pVal) const { return GetString(m_Server, pVal); }
HResult ViewerCore::get_UrlRoot(StringOut& pVal) const { return GetString(m_UrlRoot, pVal); }

HResult ViewerCore::put_ContRep(BstrView newVal) {
  return PutString(m_ContRep, newVal, u"ContRep:     %s\r\n");
}
HResult ViewerCore::put_DID(BstrView newVal) {
  return PutString(m_DID, newVal, u"SapDocid:    %s\r\n");
}
HResult ViewerCore::put_Server(BstrView newVal) {
  return PutString(m_Server, newVal, u"Server:      %s\r\n");
}
HResult ViewerCore::put_UrlRoot(BstrView newVal) {
  return PutString(m_UrlRoot, newVal, u"UrlRoot:     %s\r\n");
}

HResult ViewerCore::PutString(OptionalText& field, BstrView value, const char16_t* traceFormat) {
  StoreString(field, value);
  Trace(platform_, traceFormat, {TraceText(field)});
  return hr::kOk;
}

HResult ViewerCore::get_ReturnCode(std::int32_t& pVal) const {
  pVal = m_ReturnCode;
  Trace(platform_, u"exit get_ReturnCode\r\n");
  return hr::kOk;
}

HResult ViewerCore::get_LastErrorText(StringOut& pVal) const {
  RETURN_IF_FAILED(HandOut(m_LastErrorText, pVal));
  Trace(platform_, u"exit get_LastErrorText\r\n");
  return hr::kOk;
}

HResult ViewerCore::get_UseStartCmd(StringOut& pVal) const { return GetBool(m_UseStartCmd, pVal); }

HResult ViewerCore::put_UseStartCmd(BstrView newVal) {
  m_UseStartCmd = ParseBoolText(newVal.Text());
  Trace(platform_, u"UseStartCmd: %s => %s\r\n", {TextOrEmpty(newVal), BoolText(m_UseStartCmd)});
  return hr::kOk;
}

HResult ViewerCore::get_KeepFocusOnSap(StringOut& pVal) const {
  return GetBool(m_KeepFocusOnSap, pVal);
}

HResult ViewerCore::put_KeepFocusOnSap(BstrView newVal) {
  m_KeepFocusOnSap = ParseBoolText(newVal.Text());
  Trace(platform_, u"KeepFocusOnSap: %s => %s\r\n", {newVal.data, BoolText(m_KeepFocusOnSap)});
  return hr::kOk;
}

HResult ViewerCore::get_FocusWaitMS(StringOut& pVal) const {
  std::u16string text;
  RETURN_IF_FAILED(FormatToString(text, u"%d", {m_FocusWaitMS}));
  return HandOut(text, pVal);
}

HResult ViewerCore::put_FocusWaitMS(BstrView newVal) {
  m_FocusWaitMS = ParseFocusWait(newVal.Whole());
  Trace(platform_, u"FocusWaitMS: %s => %d ms\r\n", {newVal.data, m_FocusWaitMS});
  return hr::kOk;
}

HResult ViewerCore::get_ShowFlag(StringOut& pVal) const {
  std::u16string name;
  RETURN_IF_FAILED(ShowFlagName(m_ShowFlag, name));
  return HandOut(name, pVal);
}

HResult ViewerCore::put_ShowFlag(BstrView newVal) {
  m_ShowFlag = ParseShowFlag(newVal.Text());
  Trace(platform_, u"ShowFlag: %s => %d\r\n", {TextOrEmpty(newVal), m_ShowFlag});
  return hr::kOk;
}

HResult ViewerCore::get_SendUser(std::int16_t& pVal) const {
  pVal = m_SendUser ? kVariantTrue : kVariantFalse;
  return hr::kOk;
}

HResult ViewerCore::put_SendUser(std::int16_t newVal) {
  m_SendUser = newVal != kVariantFalse;
  return hr::kOk;
}

HResult ViewerCore::ClearCC() {
  m_CustomCommand.reset();
  return hr::kOk;
}

HResult ViewerCore::AddCC(BstrView newVal) {
  return AppendString(m_CustomCommand, newVal) ? hr::kOk : hr::kOutOfMemory;
}

HResult ViewerCore::get_CustomCommand(StringOut& pVal) const {
  return HandOut(ResolveCustomCommand(platform_, m_CustomCommand), pVal);
}

HResult ViewerCore::ClearUrlRoot() {
  m_UrlRoot.reset();
  return hr::kOk;
}

HResult ViewerCore::AddUrlRoot(BstrView urlPart) {
  // A part that cannot be appended is dropped; the member still succeeds.
  AppendString(m_UrlRoot, urlPart);
  Trace(platform_, u"AddUrlRoot:     %s\r\n", {TraceText(m_UrlRoot)});
  return hr::kOk;
}

HResult ViewerCore::ClearServer() {
  m_Server.reset();
  return hr::kOk;
}

HResult ViewerCore::AddServer(BstrView serverPart) {
  AppendString(m_Server, serverPart);
  Trace(platform_, u"AddServer:      %s\r\n", {TraceText(m_Server)});
  return hr::kOk;
}

HResult ViewerCore::BeginShowEx(BstrView sapDocId) {
  StoreString(m_DID, sapDocId);
  Trace(platform_, u"ShowEx:      %s\r\n", {TraceText(m_DID)});
  return hr::kOk;
}

HResult ViewerCore::ShowEx(BstrView sapDocId) {
  RETURN_IF_FAILED(BeginShowEx(sapDocId));
  return Show();
}

HResult ViewerCore::Show() {
  // Everything that allocates comes before the launch phase, so running out
  // of memory leaves ReturnCode and LastErrorText as they were.
  const std::u16string customCommand = ResolveCustomCommand(platform_, m_CustomCommand);
  std::optional<std::u16string> userName;
  if (m_SendUser) userName = QueryCurrentUserName(platform_);
  const std::u16string url = ComposeDocumentUrl(
      platform_, {View(m_Server), View(m_UrlRoot), View(m_ContRep), View(m_DID), userName});
  const std::u16string launchText = ComposeLaunchText(customCommand, m_UseStartCmd, url);
  const bool customCommandUsed = !customCommand.empty();
  StartCommandLaunch start;
  std::uint32_t startError = 0;
  const bool startReady =
      customCommandUsed || !m_UseStartCmd || PrepareStartCommand(platform_, url, start, startError);

  CommandLineBuffer commandLine;
  m_ReturnCode = kReturnCodeLaunched;
  m_LastErrorText.clear();
  if (customCommandUsed) m_UseStartCmd = true;
  const bool fits = commandLine.Fill(launchText);

  const std::uintptr_t previousWindow = platform_.ForegroundWindow();
  LaunchResult launched;
  if (!fits) {
    // Too long for the buffer: not launched, reported like a failed launch.
    launched.error = kErrorInsufficientBuffer;
  } else if (!startReady) {
    launched.error = startError;
  } else if (m_UseStartCmd) {
    launched = StartProcess(commandLine, customCommandUsed ? nullptr : &start);
  } else {
    launched = OpenWithShell(commandLine);
  }
  // Only START's cmd is waited for. One still running after the wait is no
  // failure: START may be waiting for a dialog, or the PC is slow.
  const bool startFailed = !customCommandUsed && m_UseStartCmd && launched.succeeded && launched.ended &&
                           launched.exitCode != 0;
  const HResult reported =
      launched.succeeded && !startFailed ? hr::kOk : ReportLaunchFailure(commandLine, launched);
  RestoreFocus(previousWindow);
  return reported;
}

LaunchResult ViewerCore::StartProcess(CommandLineBuffer& commandLine, StartCommandLaunch* start) {
  ProcessLaunch launch;
  launch.commandLine = commandLine.data();
  launch.startup.dwFlags = kStartfUseShowWindow;
  // A custom viewer gets ShowFlag; the START command's console stays hidden.
  launch.startup.wShowWindow = static_cast<std::uint16_t>(m_ShowFlag & 0xFFFF);
  if (start != nullptr) {
    launch.applicationName = start->applicationName.c_str();
    launch.commandLine = start->commandLine.data();
    launch.environment = start->environment.c_str();
    launch.creationFlags = kCreateUnicodeEnvironment;
    launch.startup.wShowWindow = kSwHide;
    launch.exitWaitMilliseconds = kStartCommandExitWaitMs;
  }
  Trace(platform_, u"Show:        '%s'\r\n", {commandLine.data()});
  return platform_.StartProcess(launch);
}

LaunchResult ViewerCore::OpenWithShell(CommandLineBuffer& commandLine) {
  ShellLaunch launch;
  launch.fMask = kSeeMaskNoCloseProcess | kSeeMaskNoAsync | kSeeMaskFlagNoUi;
  launch.hwnd = platform_.ForegroundWindow();
  launch.verb = u"open";
  launch.file = commandLine.data();
  launch.nShow = m_ShowFlag;
  Trace(platform_, u"Show:        '%s'\r\n", {commandLine.data()});
  return platform_.LaunchWithShell(launch);
}

HResult ViewerCore::ReportLaunchFailure(CommandLineBuffer& commandLine, const LaunchResult& launched) {
  // Set first, so that a failed launch is never reported as 0 even when the
  // text below cannot be had.
  m_ReturnCode = kReturnCodeLaunchFailed;
  std::u16string reason;
  RETURN_IF_FAILED(launched.succeeded ? StartCommandFailureText(launched.exitCode, reason)
                                      : SystemErrorText(platform_, launched.error, reason));
  return FormatToString(m_LastErrorText, u"Unable to open the url:\r\n'%s'\r\n%s",
                        {commandLine.data(), reason.c_str()});
}

void ViewerCore::RestoreFocus(std::uintptr_t window) {
  if (!m_KeepFocusOnSap) {
    Trace(platform_, u"exit Show\r\n");
    return;
  }
  // The wait counts unsigned milliseconds; a negative value waits no time
  // instead of weeks.
  platform_.Sleep(m_FocusWaitMS > 0 ? static_cast<std::uint32_t>(m_FocusWaitMS) : 0u);
  platform_.SetForeground(window);
  // Window handles carry 32 significant bits, sign-extended in a 64-bit
  // process: the cast loses nothing and shows what a 32-bit process would.
  // The line says "seconds", but the number is FocusWaitMS, in milliseconds:
  // the text stands as support staff and their log filters know it.
  Trace(platform_, u"exit Show -> restore old Wnd %i, after %d seconds\r\n",
        {static_cast<std::int32_t>(static_cast<std::uint32_t>(window)), m_FocusWaitMS});
}
