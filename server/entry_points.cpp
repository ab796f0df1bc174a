// Exported entry points of the in-process server. Until the class object and
// the registration code are in place they answer "not available" / E_NOTIMPL.
#include <windows.h>
#include <ole2.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }

STDAPI DllGetClassObject(REFCLSID, REFIID, LPVOID* ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow() { return S_OK; }
STDAPI DllRegisterServer() { return E_NOTIMPL; }
STDAPI DllUnregisterServer() { return E_NOTIMPL; }
STDAPI DllInstall(BOOL, LPCWSTR) { return E_NOTIMPL; }
