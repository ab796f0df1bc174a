#include "registrar/rollback_journal.h"

#include <new>
#include <utility>

namespace registrar {

// Allocation failures are caught here, not at the entry point: the pass must
// stop before the change it could not record, while Undo can still take back
// everything before it.

HResult RollbackJournal::AddKey(KeyId parent, const char16_t* name, KeyId* id) {
  try {
    Entry entry;
    entry.parent = parent;
    entry.name = name;
    entries_.push_back(std::move(entry));
  } catch (const std::bad_alloc&) {
    return hr::kOutOfMemory;
  }
  *id = entries_.size() - 1;
  return hr::kOk;
}

void RollbackJournal::MarkCreated(KeyId id) { entries_[id].created = true; }

HResult RollbackJournal::AddValue(KeyId key, RegKey handle, const char16_t* name) {
  // A value in a key this pass created goes with the key.
  if (key != kRoot && entries_[key].created) return hr::kOk;
  try {
    Entry entry;
    entry.parent = key;
    entry.isValue = true;
    entry.defaultValue = name == nullptr;
    if (name != nullptr) entry.name = name;
    const RegError queried = registry_.QueryValue(handle, name, &entry.type, &entry.data);
    if (queried != reg::kSuccess && queried != reg::kFileNotFound) return hr::FromWin32(queried);
    entry.existed = queried == reg::kSuccess;
    entries_.push_back(std::move(entry));
  } catch (const std::bad_alloc&) {
    return hr::kOutOfMemory;
  }
  return hr::kOk;
}

void RollbackJournal::Undo() {
  for (std::size_t i = entries_.size(); i-- > 0;) {
    const Entry& entry = entries_[i];
    if (entry.isValue) {
      RestoreValue(entry);
    } else if (entry.created) {
      DeleteKey(entry);
    }
  }
  entries_.clear();
}

// Opens key id by the names recorded from the root down, since the handles of
// the walk are closed by now.
RegError RollbackJournal::Open(KeyId id, RegAccess access, RegKeyHandle& key) const {
  const Entry& entry = entries_[id];
  if (entry.parent == kRoot) return key.Open(root_, entry.name.c_str(), access);
  RegKeyHandle parent(registry_);
  if (RegError opened = Open(entry.parent, reg::kKeyRead, parent); opened != reg::kSuccess) {
    return opened;
  }
  return key.Open(parent.get(), entry.name.c_str(), access);
}

void RollbackJournal::RestoreValue(const Entry& value) {
  RegKeyHandle key(registry_, root_);
  if (value.parent != kRoot && Open(value.parent, reg::kKeyWrite, key) != reg::kSuccess) return;
  const char16_t* name = value.defaultValue ? nullptr : value.name.c_str();
  if (!value.existed) {
    registry_.DeleteValue(key.get(), name);
    return;
  }
  registry_.SetValue(key.get(), name, value.type, value.data.data(),
                     static_cast<std::uint32_t>(value.data.size()));
}

void RollbackJournal::DeleteKey(const Entry& key) {
  RegKeyHandle parent(registry_, root_);
  if (key.parent != kRoot && Open(key.parent, reg::kKeyRead, parent) != reg::kSuccess) return;
  registry_.DeleteKey(parent.get(), key.name.c_str(), parent.view_bits());
}

}  // namespace registrar
