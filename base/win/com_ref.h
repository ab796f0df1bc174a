// Owns one COM interface reference; gives it back with Release. Takes no
// reference of its own: what it is given, or what a call writes through
// put(), is the reference it owns.
#pragma once

#include <unknwn.h>

#include "base/win/unique_resource.h"

template <typename T>
struct ComReleaser {
  using Value = T*;
  static bool IsHeld(T* object) { return object != nullptr; }
  void operator()(T* object) const { object->Release(); }
};

template <typename T>
using ComRef = UniqueResource<ComReleaser<T>>;
