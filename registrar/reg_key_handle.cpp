#include "registrar/reg_key_handle.h"

namespace registrar {

RegError RegKeyHandle::Open(RegKey parent, const char16_t* subkey, RegAccess access) {
  RegKey opened = reg::kNoKey;
  const RegError result = registry_.OpenKey(parent, subkey, access, &opened);
  if (result != reg::kSuccess) return result;
  return Take(opened, access);
}

RegError RegKeyHandle::Create(RegKey parent, const char16_t* subkey, RegAccess access,
                              bool* created) {
  *created = false;
  RegKey key = reg::kNoKey;
  const RegError result = registry_.CreateKey(parent, subkey, access, &key, created);
  if (result != reg::kSuccess) return result;
  return Take(key, access);
}

RegError RegKeyHandle::Close() {
  RegError result = reg::kSuccess;
  if (owned_ && key_ != reg::kNoKey) result = registry_.CloseKey(key_);
  key_ = reg::kNoKey;
  owned_ = false;
  viewBits_ = 0;
  return result;
}

RegError RegKeyHandle::Take(RegKey key, RegAccess access) {
  const RegError closed = Close();
  key_ = key;
  owned_ = true;
  viewBits_ = access & reg::kViewBitsMask;
  return closed;
}

}  // namespace registrar
