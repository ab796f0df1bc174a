#pragma once

#include "registrar/registry_access.h"

namespace registrar {

// Owns one registry key handle, or borrows one that it must not close (the
// parent key of a block, a predefined root). Closes an owned handle on
// destruction; a borrowed one is given back untouched.
class RegKeyHandle {
 public:
  explicit RegKeyHandle(RegistryAccess& registry) : registry_(registry) {}
  // Borrows key; it is never closed through this holder.
  RegKeyHandle(RegistryAccess& registry, RegKey borrowed)
      : registry_(registry), key_(borrowed) {}
  ~RegKeyHandle() { Close(); }
  RegKeyHandle(const RegKeyHandle&) = delete;
  RegKeyHandle& operator=(const RegKeyHandle&) = delete;

  // Opens parent\subkey (a null subkey: parent itself). Only when that
  // succeeds is the held handle let go and the new one taken; the result is
  // then the result of closing the old one. On failure the registry error is
  // returned and the held handle stays.
  RegError Open(RegKey parent, const char16_t* subkey, RegAccess access);
  // Creates or opens parent\subkey, with the same hand-over as Open. created
  // tells whether the key is new, also when the old handle could not be closed.
  RegError Create(RegKey parent, const char16_t* subkey, RegAccess access, bool* created);
  // Closes an owned handle; 0 when nothing was held or it was borrowed.
  RegError Close();

  RegKey get() const { return key_; }
  // The registry-view bits of the access the handle was opened with.
  RegAccess view_bits() const { return viewBits_; }

 private:
  RegError Take(RegKey key, RegAccess access);

  RegistryAccess& registry_;
  RegKey key_ = reg::kNoKey;
  bool owned_ = false;
  RegAccess viewBits_ = 0;
};

}  // namespace registrar
