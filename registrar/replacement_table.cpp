#include "registrar/replacement_table.h"

#include <new>
#include <utility>

namespace registrar {

ReplacementTable::~ReplacementTable() { ResetReplacements(); }

HResult ReplacementTable::DefineReplacement(const char16_t* name, const char16_t* text) {
  if (name == nullptr || text == nullptr) return hr::kInvalidArg;
  TableLockGuard guard(lock_);
  // push_back either adds the whole entry or leaves the table as it was.
  try {
    entries_.push_back(Entry{name, text});
  } catch (const std::bad_alloc&) {
    return hr::kOutOfMemory;
  }
  return hr::kOk;
}

HResult ReplacementTable::ResetReplacements() {
  TableLockGuard guard(lock_);
  std::vector<Entry>().swap(entries_);
  return hr::kOk;
}

std::uint32_t ReplacementTable::size() const {
  TableLockGuard guard(lock_);
  return static_cast<std::uint32_t>(entries_.size());
}

const ReplacementTable::Entry* ReplacementTable::FindLocked(const char16_t* name) const {
  if (name == nullptr) return nullptr;
  for (const Entry& entry : entries_) {
    if (compare_.EqualNoCase(entry.name.c_str(), name)) return &entry;
  }
  return nullptr;
}

}  // namespace registrar
