#include "comframe/interface_table.h"

HRESULT QueryInterfaceByTable(void* object, const InterfaceEntry* table, REFIID iid, void** out) noexcept {
  if (out == nullptr) return E_POINTER;
  const InterfaceEntry* found = nullptr;
  if (IsEqualIID(iid, IID_IUnknown)) {
    found = table;
  } else {
    for (const InterfaceEntry* entry = table; entry->iid != nullptr; ++entry) {
      if (IsEqualIID(*entry->iid, iid)) {
        found = entry;
        break;
      }
    }
  }
  if (found == nullptr || found->iid == nullptr) {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  IUnknown* face = reinterpret_cast<IUnknown*>(static_cast<char*>(object) + found->offset);
  face->AddRef();
  *out = face;
  return S_OK;
}
