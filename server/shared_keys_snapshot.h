// The keys of the registration scripts that both registry views share (the
// ProgIDs and the AppID keys), saved before an unregistration while the other
// bitness's class still needs them and written back afterwards as they were.
// The scripts stay the one description of what registration writes; this only
// undoes their removal of the shared part.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class SharedKeysSnapshot {
 public:
  // Reads each shared key that exists, with all its values and subkeys, from
  // where the scripts write (machine-wide or per user).
  HRESULT Take();
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
