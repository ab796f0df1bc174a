// Exported registration entry points. E_NOTIMPL until the registrar is wired in.
#include <windows.h>
#include <ole2.h>

STDAPI DllRegisterServer() { return E_NOTIMPL; }
STDAPI DllUnregisterServer() { return E_NOTIMPL; }
STDAPI DllInstall(BOOL, LPCWSTR) { return E_NOTIMPL; }
