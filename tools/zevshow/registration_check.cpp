#include "tools/zevshow/registration_check.h"

#include <objbase.h>

#include <string>
#include <vector>

#include "VeltaraDeskZevEvov.h"
#include "base/win/com_ref.h"
#include "tools/zevshow/classes_registry_view.h"
#include "tools/zevshow/exit_status.h"
#include "tools/zevshow/module_machine.h"
#include "tools/zevshow/registration_advice.h"
#include "tools/zevshow/result_text.h"
#include "tools/zevshow/server_identity.h"
#include "tools/zevshow/version_facts.h"

namespace {

using namespace server_identity;

enum class Status { kOk, kFault, kNotChecked, kInfo };

// The status column, padded to one width.
const wchar_t* StatusWord(Status status) {
  switch (status) {
    case Status::kOk: return L"OK     ";
    case Status::kFault: return L"FAULT  ";
    case Status::kNotChecked: return L"--     ";
    case Status::kInfo: return L"INFO   ";
  }
  return L"";
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

bool FileExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

class Checklist {
 public:
  explicit Checklist(TextOutput& out) : out_(out), view_(0) {}

  int Run() {
    out_.WriteLine(L"zevshow --check: " + std::to_wstring(kBits) + L"-bit process" +
                   (OnSixtyFourBitWindows() ? L" on 64-bit Windows" : L" on 32-bit Windows") +
                   L", registry view of " + std::to_wstring(kBits) + L"-bit programs");
    advice_ = AdviceFor(view_.ReadText(ClassKey() + L"\\InprocServer32").value_or(L""));
    const bool progIdThere = CheckProgIds();
    const bool classThere = CheckClass();
    CheckTypeLibrary(L"0");
    CheckTypeLibrary(L"409");
    CheckInterface();
    CheckCreateInstance();
    CheckOtherView();
    return Summarize(!progIdThere && !classThere);
  }

 private:
  static std::wstring ClassKey() { return L"CLSID\\" + GuidText(CLSID_Dorvex_ZevEvover); }

  void Line(Status status, const std::wstring& item, const std::wstring& detail, const std::wstring& fix = {}) {
    if (status == Status::kFault) ++faults_;
    out_.WriteLine(StatusWord(status) + item + L": " + detail);
    if (!fix.empty()) out_.WriteLine(L"       fix: " + fix);
  }

  // Registration commands are long; the summary prints them once.
  static std::wstring Reregister() { return L"register again (commands below)"; }

  // A ProgID names the class; true when its key is there at all.
  bool CheckProgId(const std::wstring& progId) {
    const std::wstring item = L"ProgID " + progId;
    if (!view_.KeyExists(progId)) {
      Line(Status::kFault, item, L"not registered", Reregister());
      return false;
    }
    const std::optional<std::wstring> named = view_.ReadText(progId + L"\\CLSID");
    if (!named || !NamesGuid(*named, CLSID_Dorvex_ZevEvover)) {
      Line(Status::kFault, item, L"names class " + named.value_or(L"(none)") + L", not " +
                                     GuidText(CLSID_Dorvex_ZevEvover), Reregister());
    } else {
      Line(Status::kOk, item, *named);
    }
    return true;
  }

  bool CheckProgIds() {
    const bool there = CheckProgId(kProgId);
    if (!there) {
      Line(Status::kNotChecked, L"CurVer", L"needs the ProgID");
    } else {
      const std::optional<std::wstring> current = view_.ReadText(std::wstring(kProgId) + L"\\CurVer");
      if (current && *current == kVersionedProgId) {
        Line(Status::kOk, L"CurVer", *current);
      } else {
        Line(Status::kFault, L"CurVer", L"is " + current.value_or(L"missing") + L", not " + kVersionedProgId,
             Reregister());
      }
    }
    CheckProgId(kVersionedProgId);
    return there;
  }

  // The class key, its server path and the file there; true when the key is there.
  bool CheckClass() {
    const std::wstring key = ClassKey();
    if (!view_.KeyExists(key)) {
      Line(Status::kFault, L"class " + key, L"not registered", Reregister());
      for (const wchar_t* item : {L"InprocServer32", L"DLL file", L"DLL bitness", L"DLL version", L"ThreadingModel"}) {
        Line(Status::kNotChecked, item, L"needs the class key");
      }
      return false;
    }
    Line(Status::kOk, L"class " + key, L"registered");
    const std::optional<std::wstring> path = view_.ReadText(key + L"\\InprocServer32");
    if (!path || path->empty()) {
      Line(Status::kFault, L"InprocServer32", L"no DLL path in " + key + L"\\InprocServer32", Reregister());
      for (const wchar_t* item : {L"DLL file", L"DLL bitness", L"DLL version"}) {
        Line(Status::kNotChecked, item, L"needs the DLL path");
      }
    } else {
      Line(Status::kOk, L"InprocServer32", *path);
      serverPath_ = *path;
      CheckServerFile();
    }
    CheckThreadingModel(key);
    return true;
  }

  void CheckServerFile() {
    if (!FileExists(serverPath_)) {
      Line(Status::kFault, L"DLL file", L"missing: " + serverPath_,
           L"reinstall, or put the DLL back and register again (commands below)");
      Line(Status::kNotChecked, L"DLL bitness", L"needs the DLL file");
      Line(Status::kNotChecked, L"DLL version", L"needs the DLL file");
      return;
    }
    Line(Status::kOk, L"DLL file", L"exists");
    const std::optional<WORD> machine = ModuleMachine(serverPath_);
    if (!machine) {
      Line(Status::kFault, L"DLL bitness", L"the file is no Windows DLL", L"reinstall (commands below)");
    } else if (*machine != kMachine) {
      Line(Status::kFault, L"DLL bitness",
           MachineName(*machine) + L", but this view is for " + std::to_wstring(kBits) + L"-bit programs",
           L"register the " + std::to_wstring(kBits) + L"-bit DLL here (commands below)");
    } else {
      Line(Status::kOk, L"DLL bitness", MachineName(*machine) + L", as this process");
    }
    const std::optional<VersionFacts> version = ReadVersionFacts(serverPath_);
    if (!version || version->productName != kProductName) {
      Line(Status::kFault, L"DLL version",
           version ? L"product \"" + version->productName + L"\", not " + kProductName : L"no version resource",
           L"the file is not this product's DLL: reinstall (commands below)");
    } else {
      Line(Status::kOk, L"DLL version", version->fileVersion + L", " + version->description);
    }
  }

  void CheckThreadingModel(const std::wstring& key) {
    const std::optional<std::wstring> model = view_.ReadText(key + L"\\InprocServer32", L"ThreadingModel");
    if (model && CompareStringOrdinal(model->c_str(), -1, kThreadingModel, -1, TRUE) == CSTR_EQUAL) {
      Line(Status::kOk, L"ThreadingModel", *model);
    } else {
      Line(Status::kFault, L"ThreadingModel", L"is " + model.value_or(L"missing") + L", not " + kThreadingModel,
           Reregister());
    }
  }

  void CheckTypeLibrary(const wchar_t* locale) {
    const std::wstring item = std::wstring(L"TypeLib locale ") + locale;
    const std::wstring key = L"TypeLib\\" + GuidText(LIBID_VeltaraDeskZevEvovLib) + L"\\" + kTypeLibraryVersion +
                             L"\\" + locale + L"\\" + kTypeLibraryPlatform;
    const std::optional<std::wstring> path = view_.ReadText(key);
    if (!path || path->empty()) {
      Line(Status::kFault, item, L"not registered (" + key + L")", Reregister());
    } else if (!serverPath_.empty() && SamePath(*path, serverPath_)) {
      // The server DLL carries the library; a missing DLL is already named above.
      Line(Status::kOk, item, *path + L" (the server DLL)");
    } else if (!FileExists(*path)) {
      Line(Status::kFault, item, L"file missing: " + *path, Reregister());
    } else {
      Line(Status::kOk, item, *path);
    }
  }

  void CheckInterface() {
    const std::wstring key = L"Interface\\" + GuidText(IID_IDorvex_ZevEvover);
    const std::optional<std::wstring> marshaler = view_.ReadText(key + L"\\ProxyStubClsid32");
    const std::optional<std::wstring> library = view_.ReadText(key + L"\\TypeLib");
    IID marshalerId;
    const bool marshalerOk = marshaler && IIDFromString(kTypeLibraryMarshaler, &marshalerId) == S_OK &&
                             NamesGuid(*marshaler, marshalerId);
    if (marshalerOk && library && NamesGuid(*library, LIBID_VeltaraDeskZevEvovLib)) {
      Line(Status::kOk, L"Interface marshaler", *marshaler + L", the type library marshaler");
    } else {
      Line(Status::kFault, L"Interface marshaler",
           key + L" has ProxyStubClsid32 " + marshaler.value_or(L"(none)") + L" and TypeLib " +
               library.value_or(L"(none)") + L"; single-threaded clients such as SAP GUI need " +
               kTypeLibraryMarshaler,
           Reregister());
    }
  }

  // Creating the object shows what a front end meets; it is tried only on a
  // registration without faults, so that one broken item shows as one fault.
  void CheckCreateInstance() {
    const wchar_t* item = L"CreateInstance in process";
    if (faults_ > 0) {
      Line(Status::kNotChecked, item, L"tried once the faults above are fixed");
      return;
    }
    ComRef<IDispatch> object;
    HRESULT hr = CoCreateInstance(CLSID_Dorvex_ZevEvover, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                  reinterpret_cast<void**>(object.put()));
    if (FAILED(hr)) {
      Line(Status::kFault, item, L"CoCreateInstance failed, " + ResultText(hr), Reregister());
      return;
    }
    // The dual interface itself crosses the apartments through the marshaler.
    ComRef<IDorvex_ZevEvover> dual;
    hr = object->QueryInterface(IID_IDorvex_ZevEvover, reinterpret_cast<void**>(dual.put()));
    if (FAILED(hr)) {
      Line(Status::kFault, item, L"QueryInterface(IDorvex_ZevEvover) failed, " + ResultText(hr), Reregister());
      return;
    }
    wchar_t name[] = L"Show";
    LPOLESTR names[] = {name};
    DISPID id = DISPID_UNKNOWN;
    hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) {
      Line(Status::kFault, item, L"GetIDsOfNames(Show) failed, " + ResultText(hr), Reregister());
      return;
    }
    Line(Status::kOk, item, L"created, late binding answers");
  }

  void CheckOtherView() {
    const std::wstring item = std::to_wstring(kOtherBits) + L"-bit view";
    if (!OnSixtyFourBitWindows()) {
      Line(Status::kInfo, item, L"none on 32-bit Windows");
      return;
    }
    const std::optional<std::wstring> path =
        ClassesRegistryView(kOtherView).ReadText(ClassKey() + L"\\InprocServer32");
    if (!path) {
      Line(Status::kInfo, item,
           L"not registered (only " + std::to_wstring(kOtherBits) + L"-bit front ends need it there)");
      return;
    }
    const std::optional<WORD> machine = ModuleMachine(*path);
    Line(Status::kInfo, item,
         L"registered, " + *path + (machine ? L" (" + MachineName(*machine) + L")" : L" (file missing)"));
  }

  int Summarize(bool notRegistered) {
    if (faults_ == 0) {
      out_.WriteLine(L"All checks OK.");
      return exit_status::kOk;
    }
    if (notRegistered) {
      out_.WriteLine(L"The viewer is not registered for " + std::to_wstring(kBits) +
                     L"-bit programs. To register it, at an elevated prompt:");
    } else {
      out_.WriteLine(std::to_wstring(faults_) + L" fault(s). To register the viewer again, at an elevated prompt:");
    }
    out_.WriteLine(L"  " + advice_.regsvr32);
    out_.WriteLine(L"or install the package:");
    out_.WriteLine(L"  " + advice_.msiexec);
    return exit_status::kNotUsable;
  }

  TextOutput& out_;
  ClassesRegistryView view_;
  RegistrationAdvice advice_;
  std::wstring serverPath_;
  int faults_ = 0;
};

}  // namespace

int RunRegistrationCheck(TextOutput& out) { return Checklist(out).Run(); }
