// Registry keys of the server's registration, saved with their values and
// subkeys and written back as they were: the keys both registry views share
// (the ProgIDs and the AppID keys) around an unregistration while the other
// bitness's class still needs them, and every key a registration writes
// around a registration that may fail, so that a failed one over an earlier
// registration leaves that one whole. The scripts stay the one description of
// what registration writes; this only undoes removals.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class RegistrationKeysSnapshot {
 public:
  enum class Keys {
    kShared,  // the ProgIDs and the AppID keys
    kAll,     // those, the class key, the type library's and the interface's
  };
  // Reads each of those keys that exists, with all its values and subkeys,
  // from where the scripts write (machine-wide or per user).
  HRESULT Take(Keys keys);
  // Creates the saved keys again with their values; nothing when Take was not
  // called or found nothing.
  HRESULT PutBack() const;

  struct Value {
    std::wstring name;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
  };
  struct Key {
    std::wstring name;  // relative to the parent key
    std::vector<Value> values;
    std::vector<Key> subkeys;
  };

 private:
  HKEY root_ = nullptr;
  std::vector<Key> keys_;
};
