// A front end of this program's bitness, reduced to what tells which DLL
// serves it: creates the viewer in process only (never through a surrogate),
// by ProgID or by class id, makes one call on it and checks that the object's
// code lies in the expected DLL file.
//   inproc_client PROGID|{CLSID} EXPECTED_DLL_PATH
// Exit codes: 0 served by the expected DLL in this process; 2 the ProgID is
// unknown; 3 creation failed; 4 another module serves it; 5 the call failed.
#include <windows.h>
#include <ole2.h>

#include <cstdio>
#include <string>

#include "VeltaraDeskZevEvov.h"
#include "base/win/com_ref.h"
#include "base/win/unique_bstr.h"

namespace {

std::wstring ModulePathOf(const void* address) {
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          static_cast<LPCWSTR>(address), &module)) {
    return L"";
  }
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
  return std::wstring(path, length);
}

int Run(const wchar_t* name, const wchar_t* expectedDll) {
  CLSID classId;
  const HRESULT found = name[0] == L'{' ? CLSIDFromString(name, &classId) : CLSIDFromProgID(name, &classId);
  if (FAILED(found)) {
    std::printf("%ls: no class id (0x%08lx)\n", name, static_cast<unsigned long>(found));
    return 2;
  }
  ComRef<IDorvex_ZevEvover> viewer;
  const HRESULT created = CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, IID_IDorvex_ZevEvover,
                                           reinterpret_cast<void**>(viewer.put()));
  if (FAILED(created)) {
    std::printf("%ls: CoCreateInstance in process gave 0x%08lx\n", name, static_cast<unsigned long>(created));
    return 3;
  }
  // The first pointer of the object is its table of functions, which the DLL holds.
  const std::wstring served = ModulePathOf(*reinterpret_cast<void* const*>(viewer.get()));
  std::printf("%ls: served by %ls\n", name, served.c_str());
  if (lstrcmpiW(served.c_str(), expectedDll) != 0) return 4;

  UniqueBstr written;
  *written.put() = SysAllocString(L"A1");
  UniqueBstr text;
  if (FAILED(viewer->put_ContRep(written.get())) || FAILED(viewer->get_ContRep(text.put())) || text.get() == nullptr ||
      lstrcmpW(text.get(), L"A1") != 0) {
    return 5;
  }
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::printf("usage: inproc_client PROGID|{CLSID} EXPECTED_DLL_PATH\n");
    return 1;
  }
  if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return 1;
  const int result = Run(argv[1], argv[2]);
  CoUninitialize();
  return result;
}
