#include "server/registration.h"

#include <initializer_list>
#include <string>

#include "base/hresult.h"
#include "base/win/com_ref.h"
#include "base/win/unique_bstr.h"
#include "base/win/unique_type_blocks.h"
#include "comframe/class_entry.h"
#include "registrar/win/per_user_registration.h"
#include "resource_ids.h"
#include "server/class_table.h"
#include "server/module_path.h"
#include "server/neutral_locale_alias.h"
#include "server/registration_keys_snapshot.h"
#include "server/registration_script.h"
#include "server/registry_views.h"
#include "server/server_identifiers.h"

namespace {

constexpr wchar_t kTypeLibraryExtension[] = L".tlb";
// ".tlb" and its terminator.
constexpr size_t kExtensionRoom = 5;

const ReplacementPair kAppIdPairs[] = {{L"APPID", kAppIdText}, {nullptr, nullptr}};

// Position just behind the last character of text that matches one of stops,
// walking the text the way the platform steps through characters.
template <typename IsStop>
const wchar_t* LastStop(const wchar_t* text, IsStop isStop) {
  const wchar_t* found = nullptr;
  for (const wchar_t* p = text; *p != L'\0'; p = CharNextW(p)) {
    if (isStop(*p)) found = p;
  }
  return found;
}

// The folder part of a help file path, kept up to its last separator; empty
// when it has none. A longer path than the buffer is cut at the buffer.
std::wstring HelpDirectory(const wchar_t* helpFile) {
  wchar_t directory[kModulePathCapacity];
  lstrcpynW(directory, helpFile, kModulePathCapacity);
  const wchar_t* last = LastStop(directory, [](wchar_t c) { return c == L'\\' || c == L'/' || c == L':'; });
  return last == nullptr ? std::wstring() : std::wstring(static_cast<const wchar_t*>(directory), last + 1);
}

// Loads module's own type library, or the ".tlb" companion beside it, and
// tells the path that loaded. May throw std::bad_alloc.
HRESULT LoadModuleTypeLibrary(HMODULE module, ITypeLib** library, std::wstring* loadedPath) {
  *library = nullptr;
  wchar_t path[kModulePathCapacity];
  RETURN_IF_FAILED(ReadModulePath(module, path));

  const wchar_t* lastSeparator = LastStop(path, [](wchar_t c) { return c == L'\\'; });
  const wchar_t* afterSeparator = lastSeparator ? lastSeparator + 1 : path;
  const wchar_t* dot = LastStop(afterSeparator, [](wchar_t c) { return c == L'.'; });
  const size_t extension = dot ? static_cast<size_t>(dot - path) : wcslen(path);

  ComRef<ITypeLib> loaded;
  if (FAILED(LoadTypeLib(path, loaded.put()))) {
    if (extension + kExtensionRoom > kModulePathCapacity) return E_FAIL;
    lstrcpynW(path + extension, kTypeLibraryExtension, static_cast<int>(kExtensionRoom));
    RETURN_IF_FAILED(LoadTypeLib(path, loaded.put()));
  }
  loadedPath->assign(path);
  *library = loaded.release();
  return S_OK;
}

using RegisterTypeLibFunction = HRESULT(WINAPI*)(ITypeLib*, LPOLESTR, LPOLESTR);
using UnRegisterTypeLibFunction = HRESULT(WINAPI*)(REFGUID, WORD, WORD, LCID, SYSKIND);

// The per-user variant from the loaded oleaut32 when per-user registration is
// on and the platform has it; the machine-wide one otherwise.
template <typename Function>
Function ChooseTypeLibFunction(const char* perUserName, Function machineWide) {
  if (!registrar::PerUserRegistration()) return machineWide;
  HMODULE oleaut = GetModuleHandleW(L"OLEAUT32.DLL");
  if (oleaut == nullptr) return machineWide;
  FARPROC perUser = GetProcAddress(oleaut, perUserName);
  return perUser ? reinterpret_cast<Function>(reinterpret_cast<void*>(perUser)) : machineWide;
}

HRESULT RegisterTypeLibrary(HMODULE module) {
  ComRef<ITypeLib> library;
  std::wstring path;
  RETURN_IF_FAILED(LoadModuleTypeLibrary(module, library.put(), &path));

  UniqueBstr helpFile;
  std::wstring directory;
  bool hasDirectory = false;
  if (SUCCEEDED(library->GetDocumentation(-1, nullptr, nullptr, nullptr, helpFile.put())) && helpFile) {
    directory = HelpDirectory(helpFile.get());
    hasDirectory = true;
  }
  RegisterTypeLibFunction registerTypeLib = ChooseTypeLibFunction("RegisterTypeLibForUser", &RegisterTypeLib);
  RETURN_IF_FAILED(registerTypeLib(library.get(), path.data(), hasDirectory ? directory.data() : nullptr));

  UniqueTypeLibAttributes attributes(library.get());
  RETURN_IF_FAILED(library->GetLibAttr(attributes.put()));
  return RegisterNeutralLocaleAlias(*attributes.get(), path);
}

HRESULT UnregisterTypeLibrary(HMODULE module) {
  ComRef<ITypeLib> library;
  std::wstring path;
  RETURN_IF_FAILED(LoadModuleTypeLibrary(module, library.put(), &path));
  UniqueTypeLibAttributes attributes(library.get());
  RETURN_IF_FAILED(library->GetLibAttr(attributes.put()));
  RETURN_IF_FAILED(RemoveNeutralLocaleAlias(*attributes.get()));
  UnRegisterTypeLibFunction unregisterTypeLib = ChooseTypeLibFunction("UnRegisterTypeLibForUser", &UnRegisterTypeLib);
  const HRESULT unregistered = unregisterTypeLib(attributes->guid, attributes->wMajorVerNum,
                                                 attributes->wMinorVerNum, attributes->lcid, attributes->syskind);
  // A library that is not registered (a second unregistration, or one an
  // installer repair removed) fails with E_INVALIDARG or TYPE_E_REGISTRYACCESS;
  // it is as unregistered as it can be, so that is no failure.
  if (FAILED(unregistered) && TypeLibraryRegistered(*attributes.get())) return unregistered;
  PruneEmptyTypeLibKeys(*attributes.get());
  return S_OK;
}

// Every class of the class table runs its own registration routine (the
// viewer's is its class script). Its component categories would follow; the
// viewer declares none, so there is nothing to write or remove.
HRESULT UpdateClassRegistries(bool doRegister) {
  const ClassTable* table = ClassTable::Current();
  if (table == nullptr) return E_UNEXPECTED;
  return table->ForEachEntry([doRegister](const ClassEntry& entry) { return entry.updateRegistry(doRegister); });
}

// The first failure of several steps that all run.
HRESULT FirstFailure(std::initializer_list<HRESULT> results) {
  for (HRESULT result : results) {
    if (FAILED(result)) return result;
  }
  return S_OK;
}

// Every step runs whatever the one before answered: a step that stopped the
// rest would leave their keys behind for good.
HRESULT RemoveRegistration(HMODULE module) {
  const HRESULT classes = UpdateClassRegistries(false);
  const HRESULT typeLibrary = UnregisterTypeLibrary(module);
  const HRESULT appId = RunRegistrationScript(module, IDR_APPID_SCRIPT, false, kAppIdPairs);
  return FirstFailure({classes, typeLibrary, appId});
}

// Takes back the steps of a failed registration that had succeeded; the failed
// step has taken itself back (a script removes only the keys it created). The
// unregister passes remove keys that an earlier registration had written too:
// what was there before comes back as it was.
void UndoRegistration(HMODULE module, bool classesRegistered, const RegistrationKeysSnapshot& before) {
  if (classesRegistered) {
    UpdateClassRegistries(false);
    UnregisterTypeLibrary(module);
  }
  RunRegistrationScript(module, IDR_APPID_SCRIPT, false, kAppIdPairs);
  before.PutBack();
}

}  // namespace

HRESULT RegisterServerWithScripts(HMODULE module) {
  RegistrationKeysSnapshot before;
  RETURN_IF_FAILED(before.Take(RegistrationKeysSnapshot::Keys::kAll));
  RETURN_IF_FAILED(RunRegistrationScript(module, IDR_APPID_SCRIPT, true, kAppIdPairs));
  HRESULT result = UpdateClassRegistries(true);
  const bool classesRegistered = SUCCEEDED(result);
  if (classesRegistered) result = RegisterTypeLibrary(module);
  if (FAILED(result)) UndoRegistration(module, classesRegistered, before);
  return result;
}

HRESULT UnregisterServerWithScripts(HMODULE module) {
  // The other bitness's class, registered side by side, still needs the keys
  // both registry views share: they are put back whatever the removal did.
  RegistrationKeysSnapshot shared;
  if (ClassRegisteredInOtherView(module)) RETURN_IF_FAILED(shared.Take(RegistrationKeysSnapshot::Keys::kShared));
  const HRESULT removed = RemoveRegistration(module);
  const HRESULT restored = shared.PutBack();
  return FAILED(removed) ? removed : restored;
}
