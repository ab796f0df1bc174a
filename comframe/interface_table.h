// The interfaces an object answers, as a table: each entry names an interface
// id and where that interface's face sits within the object. The first entry
// also answers IUnknown; an entry with a null id closes the table.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <cstddef>
#include <cstdint>

struct InterfaceEntry {
  const IID* iid;
  std::ptrdiff_t offset;
};

// Offset of the Face base within an Object, as the compiler lays it out. The
// cast is computed on a stand-in address, never dereferenced; it must not be
// null, or the cast would keep it null instead of adjusting it.
template <typename Face, typename Object>
std::ptrdiff_t FaceOffset() {
  constexpr std::uintptr_t kStandIn = 0x1000;
  Object* object = reinterpret_cast<Object*>(kStandIn);
  return reinterpret_cast<std::uintptr_t>(static_cast<Face*>(object)) - kStandIn;
}

// Looks iid up in table (IUnknown takes the first entry), AddRefs the face it
// finds within object and hands it out; E_NOINTERFACE with a null out
// otherwise.
HRESULT QueryInterfaceByTable(void* object, const InterfaceEntry* table, REFIID iid, void** out) noexcept;
