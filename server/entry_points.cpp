// Exported entry points of the in-process server: loading and unloading, the
// class object, and whether the library may be unloaded.
#include <windows.h>
#include <ole2.h>

#include <optional>

#include "base/exception_barrier.h"
#include "server/server_records.h"

// The C++ runtime's release of its own buffers; libstdc++ defines it but no
// header declares it.
namespace __gnu_cxx {
void __freeres() noexcept;
}

namespace {

std::optional<ServerRecords> serverRecords;

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      serverRecords.emplace(instance);
      // A process-wide lock that could not be set up: refuse to load.
      if (initFailed) {
        serverRecords.reset();
        return FALSE;
      }
      return TRUE;
    case DLL_PROCESS_DETACH:
      serverRecords.reset();
      // The statically linked C++ runtime keeps buffers (its exception
      // handling's among them) that outlive an unload: about 19 KB lost on
      // every load and unload. Only an unload frees them; at process exit
      // (reserved not null) other threads may still be using them.
      if (reserved == nullptr) __gnu_cxx::__freeres();
      return TRUE;
    default:
      return TRUE;
  }
}

STDAPI DllGetClassObject(REFCLSID classId, REFIID iid, LPVOID* out) {
  return ExceptionBarrier([&]() -> HRESULT {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (!serverRecords) return E_UNEXPECTED;
    return serverRecords->classTable.GetClassObject(classId, iid, out);
  });
}

STDAPI DllCanUnloadNow() {
  if (!serverRecords) return S_OK;
  return serverRecords->module.CurrentLockCount() == 0 ? S_OK : S_FALSE;
}
