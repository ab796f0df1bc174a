#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/hresult.h"
#include "registrar/reg_key_handle.h"
#include "registrar/registry_access.h"

namespace registrar {

// Records what the register pass over one root block changes, so that a
// failed pass can be taken back: the keys it created, and the values it wrote
// into keys that were there before, with what they held. A key that was there
// before is never deleted; what ForceRemove and Delete entries removed stays
// removed.
class RollbackJournal {
 public:
  // Names a key of the walk: the root, or a key recorded with AddKey.
  using KeyId = std::size_t;
  static constexpr KeyId kRoot = static_cast<KeyId>(-1);

  // registry must outlive the journal.
  RollbackJournal(RegistryAccess& registry, RegKey root) : registry_(registry), root_(root) {}
  RollbackJournal(const RollbackJournal&) = delete;
  RollbackJournal& operator=(const RollbackJournal&) = delete;

  // Records parent\name before it is opened or created; *id names it from
  // then on. kOutOfMemory when it cannot be recorded.
  HResult AddKey(KeyId parent, const char16_t* name, KeyId* id);
  // Key id has just been created by this pass.
  void MarkCreated(KeyId id);
  // Records what value name (null: the default value) of key, open as handle,
  // holds before it is written. A registry error as HRESULT, kOutOfMemory when
  // it cannot be recorded; the value must not be written then.
  HResult AddValue(KeyId key, RegKey handle, const char16_t* name);
  // Gives the recorded values back and deletes the created keys, newest
  // change first. A step that fails is passed over: the pass has failed
  // already, and its first failure is what the caller reports.
  void Undo();

 private:
  struct Entry {
    // A key: the key it lies in. A value: its key.
    KeyId parent = kRoot;
    std::u16string name;
    bool isValue = false;
    // A key that this pass created.
    bool created = false;
    bool defaultValue = false;
    // A value that was there before, with its type and data.
    bool existed = false;
    RegValueType type = 0;
    std::vector<std::uint8_t> data;
  };

  RegError Open(KeyId id, RegAccess access, RegKeyHandle& key) const;
  void RestoreValue(const Entry& value);
  void DeleteKey(const Entry& key);

  RegistryAccess& registry_;
  RegKey root_;
  std::vector<Entry> entries_;
};

}  // namespace registrar
