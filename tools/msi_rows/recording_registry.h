// A registry that only remembers: the registration scripts run over it as over
// the platform's, and the keys and values they leave behind can be listed.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "registrar/registry_access.h"

namespace msi_rows {

struct RecordedValue {
  std::optional<std::u16string> name;  // none: the key's default value
  registrar::RegValueType type;
  std::vector<std::uint8_t> data;
};

struct RecordedKey {
  std::u16string path;  // below its root, names joined by backslashes
  std::vector<RecordedValue> values;
  bool hasSubkeys;
};

// Owns an in-memory tree of keys below each predefined root; handles are
// numbers of its own and are forgotten on CloseKey.
class RecordingRegistry final : public registrar::RegistryAccess {
 public:
  RecordingRegistry();
  ~RecordingRegistry() override;

  registrar::RegError OpenKey(registrar::RegKey parent, const char16_t* subkey,
                              registrar::RegAccess access, registrar::RegKey* key) override;
  registrar::RegError CreateKey(registrar::RegKey parent, const char16_t* subkey,
                                registrar::RegAccess access, registrar::RegKey* key,
                                bool* created) override;
  registrar::RegError SetValue(registrar::RegKey key, const char16_t* name,
                               registrar::RegValueType type, const std::uint8_t* data,
                               std::uint32_t size) override;
  registrar::RegError QueryValue(registrar::RegKey key, const char16_t* name,
                                 registrar::RegValueType* type,
                                 std::vector<std::uint8_t>* data) override;
  registrar::RegError DeleteValue(registrar::RegKey key, const char16_t* name) override;
  registrar::RegError EnumSubkey(registrar::RegKey key, std::uint32_t index,
                                 registrar::SubkeyNameBuffer& name) override;
  registrar::RegError QuerySubkeyCount(registrar::RegKey key, std::uint32_t* count) override;
  registrar::RegError DeleteKey(registrar::RegKey parent, const char16_t* subkey,
                                registrar::RegAccess viewBits) override;
  registrar::RegError CloseKey(registrar::RegKey key) override;

  // Every key below root in a fixed order (parents before children, siblings
  // by name without regard to case).
  std::vector<RecordedKey> Keys(registrar::RegKey root) const;

 private:
  struct Node;
  Node* Find(registrar::RegKey key) const;
  registrar::RegKey NewHandle(Node* node);

  std::map<registrar::RegKey, std::unique_ptr<Node>> roots_;
  std::map<registrar::RegKey, Node*> handles_;
  registrar::RegKey nextHandle_ = 1;
};

}  // namespace msi_rows
