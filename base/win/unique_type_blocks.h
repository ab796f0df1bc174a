// Owns one description block that a type library or a type information hands
// out (GetLibAttr, GetTypeAttr, GetFuncDesc) and gives it back to the object
// that handed it out. Made with that object, on which it takes no reference:
// declare the owner after the object's own owner, so that it goes first.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include "base/win/unique_resource.h"

template <typename Source, typename Block, auto release>
struct ReleaseThrough {
  using Value = Block*;
  // Converts, so that the owner is made straight from the source.
  ReleaseThrough(Source* from = nullptr) : source(from) {}
  static bool IsHeld(Block* block) { return block != nullptr; }
  void operator()(Block* block) const { (source->*release)(block); }

  Source* source;
};

using UniqueTypeLibAttributes = UniqueResource<ReleaseThrough<ITypeLib, TLIBATTR, &ITypeLib::ReleaseTLibAttr>>;
using UniqueTypeAttributes = UniqueResource<ReleaseThrough<ITypeInfo, TYPEATTR, &ITypeInfo::ReleaseTypeAttr>>;
using UniqueFunctionDescription = UniqueResource<ReleaseThrough<ITypeInfo, FUNCDESC, &ITypeInfo::ReleaseFuncDesc>>;
