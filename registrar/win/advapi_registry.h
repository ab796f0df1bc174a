// The registry operations of the script walk on the platform registry (advapi32).
#pragma once

#include "registrar/registry_access.h"

namespace registrar {

class AdvapiRegistry final : public RegistryAccess {
 public:
  RegError OpenKey(RegKey parent, const char16_t* subkey, RegAccess access, RegKey* key) override;
  RegError CreateKey(RegKey parent, const char16_t* subkey, RegAccess access, RegKey* key,
                     bool* created) override;
  RegError SetValue(RegKey key, const char16_t* name, RegValueType type, const std::uint8_t* data,
                    std::uint32_t size) override;
  RegError QueryValue(RegKey key, const char16_t* name, RegValueType* type,
                      std::vector<std::uint8_t>* data) override;
  RegError DeleteValue(RegKey key, const char16_t* name) override;
  RegError EnumSubkey(RegKey key, std::uint32_t index, SubkeyNameBuffer& name) override;
  RegError QuerySubkeyCount(RegKey key, std::uint32_t* count) override;
  RegError DeleteKey(RegKey parent, const char16_t* subkey, RegAccess viewBits) override;
  RegError CloseKey(RegKey key) override;
};

}  // namespace registrar
