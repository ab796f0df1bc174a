#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/hresult.h"
#include "registrar/table_lock.h"
#include "registrar/text_compare.h"

namespace registrar {

// Owns copies of the name and text pairs that a registration script refers to
// as %name%, in the order they were defined. Every access holds the lock that
// the owner provides; the lock and the comparison must outlive the table.
class ReplacementTable {
 public:
  ReplacementTable(TableLock& lock, const TextCompare& compare)
      : lock_(lock), compare_(compare) {}
  ~ReplacementTable();
  ReplacementTable(const ReplacementTable&) = delete;
  ReplacementTable& operator=(const ReplacementTable&) = delete;

  // Appends copies of name and text as one entry, even when the name is there
  // already (lookups then keep finding the first one). kInvalidArg for a null
  // name or text; kOutOfMemory, adding nothing, when a copy cannot be made.
  HResult DefineReplacement(const char16_t* name, const char16_t* text);
  // Frees every entry. Always kOk.
  HResult ResetReplacements();

  // Finds the first entry whose name equals name without regard to case and
  // hands its text to use while the lock is still held, so the lookup and the
  // caller's copy form one locked section. False when no entry matches.
  template <typename UseText>
  bool FindReplacement(const char16_t* name, UseText&& use) const {
    TableLockGuard guard(lock_);
    const Entry* entry = FindLocked(name);
    if (entry == nullptr) return false;
    use(std::u16string_view(entry->text));
    return true;
  }

  std::uint32_t size() const;

 private:
  struct Entry {
    std::u16string name;
    std::u16string text;
  };

  const Entry* FindLocked(const char16_t* name) const;

  TableLock& lock_;
  const TextCompare& compare_;
  std::vector<Entry> entries_;
};

}  // namespace registrar
