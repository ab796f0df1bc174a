#include "comframe/com_type_info_holder.h"

#include <cstring>
#include <cwchar>
#include <memory>
#include <new>

#include "base/hresult.h"
#include "base/win/com_ref.h"
#include "base/win/critical_section_guard.h"
#include "base/win/unique_bstr.h"
#include "base/win/unique_type_blocks.h"
#include "comframe/com_module.h"

struct CComTypeInfoHolder::NameEntry {
  // Null when the member's name could not be read.
  UniqueBstr name;
  int length = 0;
  DISPID id = DISPID_UNKNOWN;
};

bool CComTypeInfoHolder::Loaded() const {
  return typeInfo_.load(std::memory_order_acquire) != nullptr &&
         nameCache_.load(std::memory_order_acquire) != nullptr;
}

HRESULT CComTypeInfoHolder::LoadTypeInfo(LCID locale) {
  if (Loaded()) return S_OK;
  ComModule* module = ComModule::Current();
  CriticalSectionGuard guard(module->StaticLock());
  // Another thread may have loaded it while this one waited for the lock.
  if (typeInfo_.load(std::memory_order_acquire) == nullptr) RETURN_IF_FAILED(LoadInterfaceTypeInfo(locale, *module));
  if (nameCache_.load(std::memory_order_acquire) != nullptr) return S_OK;
  return BuildNameCache(typeInfo_.load(std::memory_order_acquire));
}

HRESULT CComTypeInfoHolder::LoadInterfaceTypeInfo(LCID locale, ComModule& module) {
  ComRef<ITypeLib> library;
  RETURN_IF_FAILED(LoadRegTypeLib(*libraryId_, majorVersion_, minorVersion_, locale, library.put()));
  ComRef<ITypeInfo> info;
  RETURN_IF_FAILED(library->GetTypeInfoOfGuid(*iid_, info.put()));
  ComRef<ITypeInfo2> info2;
  ITypeInfo* kept = SUCCEEDED(info->QueryInterface(IID_ITypeInfo2, reinterpret_cast<void**>(info2.put())))
                        ? info2.release()
                        : info.release();
  typeInfo_.store(kept, std::memory_order_release);
  module.AddTermCallback(&ReleaseTypeInfo, reinterpret_cast<DWORD_PTR>(this));
  return S_OK;
}

HRESULT CComTypeInfoHolder::BuildNameCache(ITypeInfo* info) {
  UniqueTypeAttributes attributes(info);
  // Without attributes there is no cache yet; the next call tries again.
  if (FAILED(info->GetTypeAttr(attributes.put()))) return S_OK;

  const int count = attributes->cFuncs;
  std::unique_ptr<NameEntry[]> cache;
  if (count > 0) {
    cache.reset(new (std::nothrow) NameEntry[count]);
    if (!cache) return E_OUTOFMEMORY;
  }
  for (int index = 0; index < count; ++index) {
    UniqueFunctionDescription function(info);
    if (FAILED(info->GetFuncDesc(static_cast<UINT>(index), function.put()))) continue;
    UniqueBstr name;
    if (FAILED(info->GetDocumentation(function->memid, name.put(), nullptr, nullptr, nullptr))) continue;
    NameEntry& entry = cache[index];
    entry.length = static_cast<int>(SysStringLen(name.get()));
    entry.name.reset(name.release());
    entry.id = function->memid;
  }
  nameCount_ = count;
  nameCache_.store(cache.release(), std::memory_order_release);
  return S_OK;
}

void CComTypeInfoHolder::ReleaseTypeInfo(DWORD_PTR holder) {
  CComTypeInfoHolder* self = reinterpret_cast<CComTypeInfoHolder*>(holder);
  if (ITypeInfo* info = self->typeInfo_.exchange(nullptr)) info->Release();
  delete[] self->nameCache_.exchange(nullptr);
  self->nameCount_ = 0;
}

HRESULT CComTypeInfoHolder::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) return E_POINTER;
  *count = 1;
  return S_OK;
}

HRESULT CComTypeInfoHolder::GetTypeInfo(UINT index, LCID locale, ITypeInfo** out) {
  if (out != nullptr) *out = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  if (out == nullptr) return E_POINTER;
  HRESULT result = S_OK;
  if (typeInfo_.load(std::memory_order_acquire) == nullptr) result = LoadTypeInfo(locale);
  ITypeInfo* info = typeInfo_.load(std::memory_order_acquire);
  if (info == nullptr) return result;
  info->AddRef();
  *out = info;
  return S_OK;
}

HRESULT CComTypeInfoHolder::GetIDsOfNames(LPOLESTR* names, UINT count, LCID locale, DISPID* ids) {
  // The type information reads the first name whatever the count says.
  if (count == 0) return E_INVALIDARG;
  if (names == nullptr || ids == nullptr) return E_POINTER;
  HRESULT result = S_OK;
  if (!Loaded()) result = LoadTypeInfo(locale);
  ITypeInfo* info = typeInfo_.load(std::memory_order_acquire);
  if (info == nullptr) return result;

  const NameEntry* cache = nameCache_.load(std::memory_order_acquire);
  if (cache != nullptr && count == 1) {
    // The exact spelling only, compared as bytes; any other spelling goes to
    // the type information, which ignores case.
    const size_t length = names[0] != nullptr ? wcslen(names[0]) : 0;
    for (int index = nameCount_ - 1; index >= 0; --index) {
      const NameEntry& entry = cache[index];
      // An entry without a name matches nothing, not even an empty name.
      if (!entry.name || static_cast<size_t>(entry.length) != length) continue;
      if (std::memcmp(entry.name.get(), names[0], length * sizeof(OLECHAR)) == 0) {
        ids[0] = entry.id;
        return S_OK;
      }
    }
  }
  return info->GetIDsOfNames(names, count, ids);
}

HRESULT CComTypeInfoHolder::Invoke(IDispatch* object, DISPID id, LCID locale, WORD flags, DISPPARAMS* parameters,
                                   VARIANT* result, EXCEPINFO* exception, UINT* argumentError) {
  HRESULT loaded = S_OK;
  if (!Loaded()) loaded = LoadTypeInfo(locale);
  ITypeInfo* info = typeInfo_.load(std::memory_order_acquire);
  if (info == nullptr) return loaded;
  return info->Invoke(object, id, flags, parameters, result, exception, argumentError);
}
