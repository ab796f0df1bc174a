#include "tools/zevshow/test_show.h"

#include <objbase.h>

#include <optional>
#include <string>
#include <vector>

#include "VeltaraDeskZevEvov.h"
#include "base/hresult.h"
#include "base/win/com_ref.h"
#include "tools/zevshow/classes_registry_view.h"
#include "tools/zevshow/debug_output_listener.h"
#include "tools/zevshow/exit_status.h"
#include "tools/zevshow/late_bound_object.h"
#include "tools/zevshow/module_path.h"
#include "tools/zevshow/own_line_collector.h"
#include "tools/zevshow/registration_advice.h"
#include "tools/zevshow/result_text.h"
#include "tools/zevshow/server_identity.h"

namespace {

// Calls made in the front end's order: the server and the URL root are built
// through Clear/Add, then the document, then the options that were given.
HRESULT SetMembers(const CommandOptions& o, LateBoundObject& viewer) {
  RETURN_IF_FAILED(viewer.Call(L"ClearServer"));
  RETURN_IF_FAILED(viewer.Call(L"AddServer", *o.server));
  RETURN_IF_FAILED(viewer.Call(L"ClearUrlRoot"));
  RETURN_IF_FAILED(viewer.Call(L"AddUrlRoot", *o.urlRoot));
  RETURN_IF_FAILED(viewer.Put(L"ContRep", *o.contRep));
  RETURN_IF_FAILED(viewer.Put(L"DID", *o.did));
  RETURN_IF_FAILED(viewer.Put(L"SendUser", o.sendUser));
  if (o.showFlag) RETURN_IF_FAILED(viewer.Put(L"ShowFlag", *o.showFlag));
  if (o.keepFocus) RETURN_IF_FAILED(viewer.Put(L"KeepFocusOnSap", std::wstring_view(L"true")));
  if (o.focusWait) RETURN_IF_FAILED(viewer.Put(L"FocusWaitMS", *o.focusWait));
  if (o.startCmd) RETURN_IF_FAILED(viewer.Put(L"UseStartCmd", std::wstring_view(L"true")));
  if (o.command) {
    RETURN_IF_FAILED(viewer.Call(L"ClearCC"));
    RETURN_IF_FAILED(viewer.Call(L"AddCC", *o.command));
  }
  return S_OK;
}

// Where the server was loaded from in this process, when it goes by its name.
std::wstring LoadedServerPath() {
  HMODULE module = GetModuleHandleW(server_identity::kDllName);
  return module != nullptr ? ModulePath(module) : std::wstring();
}

void WriteRegistrationAdvice(TextOutput& out) {
  const RegistrationAdvice advice = AdviceFor(
      ClassesRegistryView(0)
          .ReadText(L"CLSID\\" + server_identity::GuidText(CLSID_Dorvex_ZevEvover) + L"\\InprocServer32")
          .value_or(L""));
  out.WriteLine(L"To register it for " + std::to_wstring(server_identity::kBits) +
                L"-bit programs, at an elevated prompt:");
  out.WriteLine(L"  " + advice.regsvr32);
  out.WriteLine(L"or install the package:");
  out.WriteLine(L"  " + advice.msiexec);
  out.WriteLine(L"zevshow --check names the part of the registration that is missing.");
}

int CannotUse(TextOutput& out, const std::wstring& what) {
  out.WriteLine(what);
  WriteRegistrationAdvice(out);
  return exit_status::kNotUsable;
}

// Multi-line text (LastErrorText holds line breaks), its later lines indented.
void WriteIndented(TextOutput& out, const std::wstring& text) {
  size_t start = 0;
  for (;;) {
    const size_t end = text.find(L'\n', start);
    std::wstring line = text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    out.WriteLine((start == 0 ? L"" : L"  ") + line);
    if (end == std::wstring::npos) return;
    start = end + 1;
  }
}

// A debugger receives the lines before any viewer could, so none is set up.
void WriteTrace(TextOutput& out, std::optional<DebugOutputListener>& listener, OwnLineCollector& lines) {
  if (!listener) {
    out.WriteLine(L"Trace: not captured, the debugger attached to zevshow receives it.");
    return;
  }
  listener->Stop();
  switch (listener->status()) {
    case DebugOutputListener::Status::kListening:
      out.WriteLine(L"Trace:");
      for (const std::wstring& line : lines.TakeLines()) out.WriteLine(line);
      return;
    case DebugOutputListener::Status::kOtherViewer:
      out.WriteLine(L"Trace: not captured, a debug-output viewer (such as DebugView) is running and shows it.");
      return;
    case DebugOutputListener::Status::kUnavailable:
      out.WriteLine(L"Trace: not captured, the debug-output buffer could not be set up.");
      return;
  }
}

}  // namespace

int RunTestShow(const CommandOptions& options, TextOutput& out) {
  using server_identity::kProgId;
  CLSID classId;
  HRESULT hr = CLSIDFromProgID(kProgId, &classId);
  if (FAILED(hr)) {
    return CannotUse(out, std::wstring(L"Cannot find ") + kProgId + L": CLSIDFromProgID failed, " + ResultText(hr));
  }

  ComRef<IDispatch> object;
  hr = CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(object.put()));
  if (FAILED(hr)) {
    return CannotUse(out, std::wstring(L"Cannot create ") + kProgId + L" in process: CoCreateInstance failed, " +
                              ResultText(hr));
  }
  const std::wstring loaded = LoadedServerPath();
  out.WriteLine(std::wstring(L"Viewer: ") + kProgId + L", " + std::to_wstring(server_identity::kBits) +
                L"-bit, in process" + (loaded.empty() ? L"" : L" from " + loaded));

  // Only a run with --trace sets up the buffer: while it exists, every
  // OutputDebugString in the session goes through it.
  OwnLineCollector traceLines;
  std::optional<DebugOutputListener> listener;
  if (options.trace && !IsDebuggerPresent()) listener.emplace(traceLines);
  LateBoundObject viewer(object.get());
  long returnCode = 0;
  std::wstring lastErrorText;
  hr = SetMembers(options, viewer);
  if (SUCCEEDED(hr)) hr = viewer.Call(L"Show");
  if (SUCCEEDED(hr)) hr = viewer.Get(L"ReturnCode", returnCode);
  if (SUCCEEDED(hr)) hr = viewer.Get(L"LastErrorText", lastErrorText);
  if (options.trace) WriteTrace(out, listener, traceLines);
  if (FAILED(hr)) return CannotUse(out, L"The viewer refused a call: " + viewer.failure());

  out.WriteLine(L"ReturnCode: " + std::to_wstring(returnCode));
  out.Write(L"LastErrorText: ");
  WriteIndented(out, lastErrorText);
  return returnCode == 0 ? exit_status::kOk : exit_status::kShowFailed;
}
