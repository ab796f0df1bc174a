#include "server/class_table.h"

#include <atomic>

#include "base/win/critical_section_guard.h"
#include "server/module_base.h"

namespace {

ClassTable* current = nullptr;

// The cache slot is written once under the lock and read without it.
void* LoadSlot(ClassEntry& entry) {
  return std::atomic_ref<void*>(entry.cachedClassObject).load(std::memory_order_acquire);
}

}  // namespace

ClassTable::ClassTable(std::span<ClassEntry* const> classes) : classes_(classes) {
  if (SUCCEEDED(classTableLock_.Initialize())) {
    ready_ = 1;
  } else {
    initFailed = true;
  }
  current = this;
}

ClassTable::~ClassTable() {
  current = nullptr;
  if (!Ready()) return;
  for (ClassEntry* entry : classes_) {
    if (entry == nullptr || entry->cachedClassObject == nullptr) continue;
    static_cast<IUnknown*>(DecodePointer(entry->cachedClassObject))->Release();
    entry->cachedClassObject = nullptr;
  }
  classTableLock_.Delete();
  ready_ = 0;
}

ClassTable* ClassTable::Current() { return current; }

ClassEntry* ClassTable::Find(REFCLSID classId) const {
  for (ClassEntry* entry : classes_) {
    if (entry != nullptr && IsEqualCLSID(*entry->classId, classId)) return entry;
  }
  return nullptr;
}

HRESULT ClassTable::CreateCachedClassObject(ClassEntry& entry) {
  CriticalSectionGuard guard(classTableLock_);
  // Another thread may have made it while this one waited for the lock.
  if (LoadSlot(entry) != nullptr) return S_OK;
  IUnknown* created = nullptr;
  const HRESULT result = entry.createClassObject(entry.createInstance, IID_IUnknown, reinterpret_cast<void**>(&created));
  if (SUCCEEDED(result)) {
    // Published with release order, so a reader that sees the pointer
    // without the lock also sees the finished object.
    std::atomic_ref<void*>(entry.cachedClassObject).store(EncodePointer(created), std::memory_order_release);
  }
  return result;
}

HRESULT ClassTable::GetClassObject(REFCLSID classId, REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (!Ready()) return E_UNEXPECTED;
  ClassEntry* entry = Find(classId);
  if (entry == nullptr) return CLASS_E_CLASSNOTAVAILABLE;

  HRESULT result = S_OK;
  if (LoadSlot(*entry) == nullptr) result = CreateCachedClassObject(*entry);
  if (void* encoded = LoadSlot(*entry)) {
    return static_cast<IUnknown*>(DecodePointer(encoded))->QueryInterface(iid, out);
  }
  if (*out == nullptr && result == S_OK) return CLASS_E_CLASSNOTAVAILABLE;
  return result;
}
