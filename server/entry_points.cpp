// Exported entry points of the in-process server: loading and unloading, the
// class object, and whether the library may be unloaded.
#include <windows.h>
#include <ole2.h>

#include <new>
#include <utility>

#include "base/exception_barrier.h"
#include "runtime/runtime_buffers.h"
#include "server/server_records.h"

namespace {

// Built at process attach and torn down at an unload only. A pointer, not an
// object: the runtime runs the destructors of static objects at every process
// detach, process exit included.
ServerRecords* serverRecords = nullptr;

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      serverRecords = new (std::nothrow) ServerRecords(instance);
      // No memory, or a process-wide lock that could not be set up: refuse
      // to load.
      if (serverRecords == nullptr || initFailed) {
        delete std::exchange(serverRecords, nullptr);
        return FALSE;
      }
      return TRUE;
    case DLL_PROCESS_DETACH:
      // Process exit (reserved not null): the other threads were killed
      // wherever they were, possibly holding our locks, and the DLLs we
      // would call (oleaut32 for the type information) may be detached
      // already. The system takes the memory, handles and locks back.
      if (reserved != nullptr) return TRUE;
      delete std::exchange(serverRecords, nullptr);
      FreeRuntimeBuffers();
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
