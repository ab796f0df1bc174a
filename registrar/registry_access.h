// The registry operations that the script walk performs, with the platform's
// numbers for keys, errors, access masks and value types. The Windows layer
// implements RegistryAccess on advapi32; native tests implement it in memory.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace registrar {

// An opaque key handle: the platform's HKEY value. reg::kNoKey is no key.
using RegKey = std::uintptr_t;
// A Win32 error code as the registry functions return it; 0 is success.
using RegError = std::uint32_t;
using RegAccess = std::uint32_t;
using RegValueType = std::uint32_t;

namespace reg {

inline constexpr RegKey kNoKey = 0;

// The predefined roots keep the platform's HKEY values, sign-extended as the
// platform defines them, so the Windows layer hands them over unchanged.
constexpr RegKey PredefinedKey(std::uint32_t value) {
  return static_cast<RegKey>(static_cast<std::intptr_t>(static_cast<std::int32_t>(value)));
}
inline constexpr RegKey kClassesRoot = PredefinedKey(0x80000000u);
inline constexpr RegKey kCurrentUser = PredefinedKey(0x80000001u);
inline constexpr RegKey kLocalMachine = PredefinedKey(0x80000002u);
inline constexpr RegKey kUsers = PredefinedKey(0x80000003u);
inline constexpr RegKey kPerformanceData = PredefinedKey(0x80000004u);
inline constexpr RegKey kCurrentConfig = PredefinedKey(0x80000005u);
inline constexpr RegKey kDynData = PredefinedKey(0x80000006u);

inline constexpr RegError kSuccess = 0;
inline constexpr RegError kFileNotFound = 2;
inline constexpr RegError kAccessDenied = 5;
inline constexpr RegError kMoreData = 234;
inline constexpr RegError kNoMoreItems = 259;
inline constexpr RegError kKeyDeleted = 1018;

inline constexpr RegAccess kKeyRead = 0x20019;
inline constexpr RegAccess kKeyWrite = 0x20006;
inline constexpr RegAccess kKeyReadWrite = kKeyRead | kKeyWrite;
// The registry-view bits (KEY_WOW64_64KEY, KEY_WOW64_32KEY) of an access mask.
inline constexpr RegAccess kViewBitsMask = 0x300;

inline constexpr RegValueType kTypeSz = 1;
inline constexpr RegValueType kTypeBinary = 3;
inline constexpr RegValueType kTypeDword = 4;
inline constexpr RegValueType kTypeMultiSz = 7;

// Key names hold at most 255 characters, so 256 take any name with its NUL.
inline constexpr std::size_t kSubkeyNameBufferSize = 256;

}  // namespace reg

using SubkeyNameBuffer = std::array<char16_t, reg::kSubkeyNameBufferSize>;

class RegistryAccess {
 public:
  virtual ~RegistryAccess() = default;

  // RegOpenKeyExW(parent, subkey, 0, access). A null subkey opens parent once more.
  virtual RegError OpenKey(RegKey parent, const char16_t* subkey, RegAccess access,
                           RegKey* key) = 0;
  // RegCreateKeyExW(parent, subkey, 0, no class, REG_OPTION_NON_VOLATILE, access,
  // no security attributes); an existing key is opened. created tells whether
  // this call made the key (REG_CREATED_NEW_KEY) or found it.
  virtual RegError CreateKey(RegKey parent, const char16_t* subkey, RegAccess access,
                             RegKey* key, bool* created) = 0;
  // RegSetValueExW; a null name is the key's default value.
  virtual RegError SetValue(RegKey key, const char16_t* name, RegValueType type,
                            const std::uint8_t* data, std::uint32_t size) = 0;
  // RegQueryValueExW: the type and data of value name (null: the default value).
  virtual RegError QueryValue(RegKey key, const char16_t* name, RegValueType* type,
                              std::vector<std::uint8_t>* data) = 0;
  // RegDeleteValueW.
  virtual RegError DeleteValue(RegKey key, const char16_t* name) = 0;
  // RegEnumKeyExW: the NUL-terminated name of the subkey at index.
  virtual RegError EnumSubkey(RegKey key, std::uint32_t index, SubkeyNameBuffer& name) = 0;
  // RegQueryInfoKeyW, asking for the number of subkeys only.
  virtual RegError QuerySubkeyCount(RegKey key, std::uint32_t* count) = 0;
  // Deletes one key that has no subkeys: RegDeleteKeyExW(parent, subkey,
  // viewBits, 0) where the platform has it, else RegDeleteKeyW(parent, subkey).
  virtual RegError DeleteKey(RegKey parent, const char16_t* subkey, RegAccess viewBits) = 0;
  // RegCloseKey.
  virtual RegError CloseKey(RegKey key) = 0;
};

}  // namespace registrar
