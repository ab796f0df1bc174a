#include "registrar/win/reg_object.h"

#include <cstdint>
#include <limits>
#include <memory>
#include <new>

#include "base/win/last_error.h"
#include "base/win/unique_module.h"
#include "base/win/wide_text.h"
#include "registrar/run_script_text.h"
#include "registrar/win/advapi_registry.h"
#include "registrar/win/per_user_registration.h"

namespace registrar {

namespace {

// Script texts up to this size are converted on the stack.
constexpr size_t kLocalTextBytes = 1024;
constexpr size_t kLocalTextChars = kLocalTextBytes / sizeof(wchar_t);

constexpr DWORD kLoadAsImageResource = LOAD_LIBRARY_AS_DATAFILE_EXCLUSIVE | LOAD_LIBRARY_AS_IMAGE_RESOURCE;

}  // namespace

CRegObject::CRegObject() : table_(replacementLock_, compare_) {}

HRESULT CRegObject::Initialize() { return replacementLock_.Initialize(); }

HRESULT STDMETHODCALLTYPE CRegObject::QueryInterface(REFIID, void**) { return E_NOTIMPL; }
ULONG STDMETHODCALLTYPE CRegObject::AddRef() { return 1; }
ULONG STDMETHODCALLTYPE CRegObject::Release() { return 0; }

HRESULT STDMETHODCALLTYPE CRegObject::DefineReplacement(LPCOLESTR name, LPCOLESTR text) {
  return table_.DefineReplacement(AsUtf16(name), AsUtf16(text));
}

HRESULT STDMETHODCALLTYPE CRegObject::ResetReplacements() { return table_.ResetReplacements(); }

HRESULT CRegObject::RunScriptResource(LPCWSTR moduleFile, UINT id, LPCWSTR type, bool doRegister) {
  UniqueModule image(LoadLibraryExW(moduleFile, nullptr, kLoadAsImageResource));
  if (image.get() == nullptr) image.reset(LoadLibraryExW(moduleFile, nullptr, LOAD_LIBRARY_AS_DATAFILE));
  if (image.get() == nullptr) return LastErrorResult();

  HRSRC resource = FindResourceW(image.get(), MAKEINTRESOURCEW(id), type);
  if (resource == nullptr) return LastErrorResult();
  HGLOBAL loaded = LoadResource(image.get(), resource);
  if (loaded == nullptr) return LastErrorResult();
  const char* bytes = static_cast<const char*>(LockResource(loaded));
  const DWORD size = SizeofResource(image.get(), resource);
  if (bytes == nullptr) return LastErrorResult();
  // The text needs room for its terminator, and MultiByteToWideChar an int count.
  if (size >= static_cast<DWORD>(std::numeric_limits<int>::max())) return E_OUTOFMEMORY;
  const size_t chars = static_cast<size_t>(size) + 1;

  wchar_t localText[kLocalTextChars];
  std::unique_ptr<wchar_t[]> heapText;
  wchar_t* text = localText;
  if (chars > kLocalTextChars) {
    heapText.reset(new (std::nothrow) wchar_t[chars]);
    if (!heapText) return E_OUTOFMEMORY;
    text = heapText.get();
  }

  const int converted = MultiByteToWideChar(CP_THREAD_ACP, 0, bytes, static_cast<int>(size), text, static_cast<int>(size));
  if (converted == 0) return LastErrorResult();
  text[converted] = L'\0';

  AdvapiRegistry registry;
  VariantNumberConversion numbers;
  TaskMemory memory;
  const ScriptServices services{registry, compare_, numbers, memory};
  return RunScriptText(AsUtf16(text), doRegister, table_, services,
                       PerUserRegistration() ? ClassesRoot::kUser : ClassesRoot::kMachine);
}

}  // namespace registrar
