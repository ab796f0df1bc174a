#include "test_registration.h"

#include <oleauto.h>

#include <string>

#include "VeltaraDeskZevEvov.h"
#include "base/win/com_ref.h"
#include "process_runner.h"
#include "test_bitness.h"
#include "test_paths.h"

namespace {

const std::wstring kNeutralTypeLibraryKey =
    std::wstring(L"TypeLib\\{9A4C2E17-B35D-4E80-9F61-07D2C8A4E5B3}\\1.0\\0\\") + test_bitness::kPlatformKey;
constexpr LCID kLibraryLocale = MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT);

long Regsvr32(const wchar_t* options) {
  return RunProcess(SystemProgram(L"regsvr32.exe") + L" " + options + L" \"" + testing_paths::DllPath() + L"\"");
}

}  // namespace

HRESULT RegisterServerForTests() { return Regsvr32(L"/s") == 0 ? S_OK : E_FAIL; }

void UnregisterServerForTests() { Regsvr32(L"/u /s"); }

HRESULT RegisterTypeLibraryForTests() {
  std::wstring path = testing_paths::DllPath();
  ComRef<ITypeLib> library;
  HRESULT result = LoadTypeLib(path.c_str(), library.put());
  if (FAILED(result)) return result;
  result = RegisterTypeLib(library.get(), path.data(), nullptr);
  if (FAILED(result)) return result;
  return HRESULT_FROM_WIN32(RegSetKeyValueW(HKEY_CLASSES_ROOT, kNeutralTypeLibraryKey.c_str(), nullptr, REG_SZ, path.c_str(),
                                            static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t))));
}

HRESULT UnregisterTypeLibraryForTests() {
  RegDeleteKeyW(HKEY_CLASSES_ROOT, kNeutralTypeLibraryKey.c_str());
  return UnRegisterTypeLib(LIBID_VeltaraDeskZevEvovLib, 1, 0, kLibraryLocale, test_bitness::kSysKind);
}

ScopedTestRegistration::ScopedTestRegistration() : result_(RegisterServerForTests()) {}

ScopedTestRegistration::~ScopedTestRegistration() { UnregisterServerForTests(); }
