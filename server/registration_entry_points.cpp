// Exported registration entry points, as regsvr32 calls them: machine-wide, or
// per user once DllInstall has seen the command line "user".
#include <windows.h>
#include <ole2.h>

#include <cwchar>

#include "base/exception_barrier.h"
#include "registrar/win/per_user_registration.h"
#include "server/module_base.h"
#include "server/registration.h"
#include "server/thread_locale_scope.h"

namespace {

// "user" and its terminator: the word in any letter case, nothing longer.
constexpr size_t kUserCommandChars = 5;

HMODULE ThisModule() {
  const ModuleBase* base = ModuleBase::Current();
  return base ? base->ModuleInstance() : nullptr;
}

// Each runs behind its own exception barrier, so that DllInstall sees a
// registration that ran out of memory as a failed one and takes it back.
HRESULT Register() noexcept {
  return ExceptionBarrier([]() -> HRESULT {
    if (ThisModule() == nullptr) return E_UNEXPECTED;
    ThreadLocaleScope locale;
    return RegisterServerWithScripts(ThisModule());
  });
}

HRESULT Unregister() noexcept {
  return ExceptionBarrier([]() -> HRESULT {
    if (ThisModule() == nullptr) return E_UNEXPECTED;
    ThreadLocaleScope locale;
    return UnregisterServerWithScripts(ThisModule());
  });
}

}  // namespace

STDAPI DllRegisterServer() { return Register(); }

STDAPI DllUnregisterServer() { return Unregister(); }

STDAPI DllInstall(BOOL install, LPCWSTR commandLine) {
  if (commandLine != nullptr && _wcsnicmp(commandLine, L"user", kUserCommandChars) == 0) {
    registrar::EnablePerUserRegistration();
  }
  // A failed registration takes itself back.
  return install ? Register() : Unregister();
}
