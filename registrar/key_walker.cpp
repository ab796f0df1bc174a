#include "registrar/key_walker.h"

#include <array>
#include <cstddef>
#include <cstdint>

#include "registrar/bounded_writer.h"

namespace registrar {
namespace {

constexpr const char16_t* kDeleteKeyword = u"Delete";
constexpr const char16_t* kForceRemoveKeyword = u"ForceRemove";
constexpr const char16_t* kNoRemoveKeyword = u"NoRemove";
constexpr const char16_t* kValKeyword = u"Val";

// Keys that ForceRemove and Delete never delete, whatever a script says.
constexpr const char16_t* kProtectedKeyNames[] = {
    u"AppID",    u"CLSID",    u"Component Categories", u"FileType",
    u"Interface", u"Hardware", u"Mime",                 u"SAM",
    u"SECURITY", u"SYSTEM",   u"Software",             u"TypeLib",
};

// The unregister pass remembers a key name across its nested block in this
// many characters, terminator included.
constexpr std::size_t kRememberedKeyNameSize = 260;
using RememberedKeyName = std::array<char16_t, kRememberedKeyNameSize>;

bool ClosesBlock(const TokenBuffer& token) { return token[0] == u'}'; }
bool IsAssignment(const TokenBuffer& token) { return token[0] == u'='; }
bool OpensBlock(const TokenBuffer& token) { return token[0] == u'{' && token[1] == u'\0'; }

bool HasBackslash(const TokenBuffer& token) {
  for (char16_t c : token) {
    if (c == u'\0') return false;
    if (c == u'\\') return true;
  }
  return false;
}

// Copies name whole; false when it does not fit.
bool Remember(const TokenBuffer& name, RememberedKeyName& remembered) {
  BoundedWriter writer(remembered, kRememberedKeyNameSize - 1);
  for (char16_t c : name) {
    if (c == u'\0') break;
    if (!writer.Put(c)) return false;
  }
  remembered[writer.size()] = u'\0';
  return true;
}

// Counts the nesting of blocks for as long as one of them is walked.
class DepthScope {
 public:
  explicit DepthScope(int& depth) : depth_(depth) { ++depth_; }
  ~DepthScope() { --depth_; }
  DepthScope(const DepthScope&) = delete;
  DepthScope& operator=(const DepthScope&) = delete;

 private:
  int& depth_;
};

}  // namespace

// One block being walked: its parent, pass and current key.
struct KeyWalker::Block {
  RegKey parent;
  // The register pass records its changes; the journal names parent parentId.
  RollbackJournal* journal;
  RollbackJournal::KeyId parentId;
  // The unregister pass below a key that is not there.
  bool recovering;
  RegKeyHandle current;

  bool Registers() const { return journal != nullptr; }
};

HResult KeyWalker::Register(RegKey root, TokenBuffer& token) {
  RollbackJournal journal(services_.registry, root);
  const HResult result = RegisterBlock(token, root, RollbackJournal::kRoot, journal);
  // Only what this block changed is taken back; the first failure is what counts.
  if (hr::Failed(result)) journal.Undo();
  return result;
}

HResult KeyWalker::Unregister(RegKey root, TokenBuffer& token) {
  return UnregisterBlock(token, root, false);
}

HResult KeyWalker::RegisterBlock(TokenBuffer& token, RegKey parent,
                                 RollbackJournal::KeyId parentId, RollbackJournal& journal) {
  Block block{parent, &journal, parentId, false, RegKeyHandle(services_.registry)};
  return WalkEntries(token, block);
}

HResult KeyWalker::UnregisterBlock(TokenBuffer& token, RegKey parent, bool recovering) {
  Block block{parent, nullptr, RollbackJournal::kRoot, recovering,
              RegKeyHandle(services_.registry)};
  return WalkEntries(token, block);
}

HResult KeyWalker::WalkEntries(TokenBuffer& token, Block& block) {
  if (blockDepth_ >= kMaxBlockDepth) return hr::kDispException;
  DepthScope depth(blockDepth_);
  RETURN_IF_FAILED(scanner_.ReadToken(token));
  while (!ClosesBlock(token)) RETURN_IF_FAILED(ProcessEntry(token, block));
  // Everything the block names is done; letting its last key go decides nothing.
  block.current.Close();
  return hr::kOk;
}

HResult KeyWalker::ProcessEntry(TokenBuffer& token, Block& block) {
  bool removable = true;
  const bool isDelete = IsKeyword(token, kDeleteKeyword);
  if (isDelete || IsKeyword(token, kForceRemoveKeyword)) {
    RETURN_IF_FAILED(scanner_.ReadToken(token));
    if (block.Registers()) {
      if (HasBackslash(token)) return hr::kDispException;
      // A key that is not there is normal, so the outcome is not looked at.
      if (!IsProtectedKeyName(token.data())) {
        RegKeyHandle parent(services_.registry, block.parent);
        DeleteKeyTree(parent, token.data());
      }
      if (isDelete) return EndDeleteEntry(token);
    } else if (isDelete) {
      // The register pass took this token as the key name whatever it reads
      // ("Val", "NoRemove"), so this pass does too: read as a value entry, the
      // key behind it would be created and never removed.
      if (HasBackslash(token)) return hr::kDispException;
      return UnregisterKeyEntry(token, block, removable);
    }
  }
  if (IsKeyword(token, kNoRemoveKeyword)) {
    removable = false;
    RETURN_IF_FAILED(scanner_.ReadToken(token));
  }
  if (IsKeyword(token, kValKeyword)) return ProcessValueEntry(token, block, removable);
  if (HasBackslash(token)) return hr::kDispException;
  return block.Registers() ? RegisterKeyEntry(token, block)
                          : UnregisterKeyEntry(token, block, removable);
}

// A Delete entry of the register pass ends after its name and an optional
// assignment. A block behind it would have no key to belong to.
HResult KeyWalker::EndDeleteEntry(TokenBuffer& token) {
  RETURN_IF_FAILED(scanner_.ReadToken(token));
  RETURN_IF_FAILED(scanner_.SkipValueSpec(token));
  return OpensBlock(token) ? hr::kDispException : hr::kOk;
}

HResult KeyWalker::ProcessValueEntry(TokenBuffer& token, Block& block, bool removable) {
  RETURN_IF_FAILED(scanner_.ReadToken(valueName_));
  RETURN_IF_FAILED(scanner_.ReadToken(token));
  if (!IsAssignment(token)) return hr::kDispException;
  if (block.Registers()) {
    // The value belongs to the key of the enclosing block.
    RETURN_IF_FAILED(
        WriteValue(block.parent, block.parentId, valueName_.data(), token, *block.journal));
  } else {
    if (!block.recovering && removable) RETURN_IF_FAILED(RemoveValue(block.parent));
    RETURN_IF_FAILED(scanner_.SkipValueSpec(token));
  }
  // A value has no subkeys, so a block behind it would have no key to belong to.
  return OpensBlock(token) ? hr::kDispException : hr::kOk;
}

// Reads the type and value tokens behind "=", writes the value and reads the
// token behind it.
HResult KeyWalker::WriteValue(RegKey key, RollbackJournal::KeyId keyId, const char16_t* name,
                              TokenBuffer& token, RollbackJournal& journal) {
  RETURN_IF_FAILED(scanner_.ReadToken(token));
  TokenBuffer text;
  RETURN_IF_FAILED(scanner_.ReadToken(text));
  RETURN_IF_FAILED(journal.AddValue(keyId, key, name));
  RETURN_IF_FAILED(values_.Write(key, name, token.data(), text.data()));
  return scanner_.ReadToken(token);
}

HResult KeyWalker::RemoveValue(RegKey parent) {
  RegKeyHandle key(services_.registry);
  if (RegError opened = key.Open(parent, nullptr, reg::kKeyWrite); opened != reg::kSuccess) {
    return hr::FromWin32(opened);
  }
  // A value that is already gone is no error.
  const RegError deleted = services_.registry.DeleteValue(key.get(), valueName_.data());
  if (deleted != reg::kSuccess && deleted != reg::kFileNotFound) return hr::FromWin32(deleted);
  return hr::kOk;
}

HResult KeyWalker::RegisterKeyEntry(TokenBuffer& token, Block& block) {
  RollbackJournal::KeyId id = 0;
  RETURN_IF_FAILED(block.journal->AddKey(block.parentId, token.data(), &id));
  // A key that may be read but not written is used read-only; writes to it
  // then fail with the registry's access error. The key of the previous entry
  // is let go only once the next one is had. When it cannot be closed, the new
  // key is held all the same (the held handle has changed) and the entry fails,
  // rather than opening that key once more read-only.
  const RegKey previous = block.current.get();
  RegError opened = block.current.Open(block.parent, token.data(), reg::kKeyReadWrite);
  if (opened != reg::kSuccess && block.current.get() == previous) {
    opened = block.current.Open(block.parent, token.data(), reg::kKeyRead);
  }
  if (opened != reg::kSuccess && block.current.get() == previous) {
    // Only the create call knows whether the key is new: it may have appeared
    // since the opens failed.
    bool created = false;
    opened = block.current.Create(block.parent, token.data(), reg::kKeyReadWrite, &created);
    if (created) block.journal->MarkCreated(id);
  }
  if (opened != reg::kSuccess) return hr::FromWin32(opened);
  RETURN_IF_FAILED(scanner_.ReadToken(token));
  if (IsAssignment(token)) {
    RETURN_IF_FAILED(WriteValue(block.current.get(), id, nullptr, token, *block.journal));
  }
  if (OpensBlock(token)) {
    RETURN_IF_FAILED(RegisterBlock(token, block.current.get(), id, *block.journal));
    RETURN_IF_FAILED(scanner_.ReadToken(token));
  }
  return hr::kOk;
}

HResult KeyWalker::UnregisterKeyEntry(TokenBuffer& token, Block& block, bool removable) {
  // Under a key that is not there every key counts as not found.
  RegError opened = reg::kFileNotFound;
  if (!block.recovering) opened = block.current.Open(block.parent, token.data(), reg::kKeyRead);
  RememberedKeyName name{};
  // A name too long to remember whole is never deleted: a cut name would be another key.
  const bool nameRemembered = Remember(token, name);

  RETURN_IF_FAILED(scanner_.ReadToken(token));
  RETURN_IF_FAILED(scanner_.SkipValueSpec(token));
  if (OpensBlock(token)) {
    const bool childrenRecover = block.recovering || opened != reg::kSuccess;
    const RegKey key = opened == reg::kSuccess ? block.current.get() : reg::kNoKey;
    const HResult nested = UnregisterBlock(token, key, childrenRecover);
    if (hr::Failed(nested) && !childrenRecover) return nested;
    RETURN_IF_FAILED(scanner_.ReadToken(token));
  }

  if (opened == reg::kFileNotFound) return hr::kOk;
  if (opened != reg::kSuccess) return hr::FromWin32(opened);
  std::uint32_t subkeys = 0;
  const bool hasSubkeys =
      services_.registry.QuerySubkeyCount(block.current.get(), &subkeys) == reg::kSuccess &&
      subkeys > 0;
  if (RegError closed = block.current.Close(); closed != reg::kSuccess) {
    return hr::FromWin32(closed);
  }
  if (!removable || hasSubkeys || !nameRemembered) return hr::kOk;
  RegKeyHandle parent(services_.registry, block.parent);
  return hr::FromWin32(DeleteSingleKey(parent, name.data()));
}

bool KeyWalker::IsKeyword(const TokenBuffer& token, const char16_t* keyword) const {
  return services_.compare.EqualNoCase(token.data(), keyword);
}

bool KeyWalker::IsProtectedKeyName(const char16_t* name) const {
  for (const char16_t* protectedName : kProtectedKeyNames) {
    if (services_.compare.EqualNoCase(name, protectedName)) return true;
  }
  return false;
}

// Deletes holder's subkey name with everything below it.
RegError KeyWalker::DeleteKeyTree(RegKeyHandle& holder, const char16_t* name) {
  RegKeyHandle key(services_.registry);
  if (RegError opened = key.Open(holder.get(), name, reg::kKeyReadWrite | holder.view_bits());
      opened != reg::kSuccess) {
    return opened;
  }
  // Each deleted subkey leaves the list, so the next one is always at index 0.
  SubkeyNameBuffer subkey{};
  while (services_.registry.EnumSubkey(key.get(), 0, subkey) == reg::kSuccess) {
    subkey.back() = u'\0';
    if (RegError deleted = DeleteKeyTree(key, subkey.data()); deleted != reg::kSuccess) {
      return deleted;
    }
  }
  key.Close();
  return DeleteSingleKey(holder, name);
}

// Deletes holder's subkey name, which must have no subkeys.
RegError KeyWalker::DeleteSingleKey(RegKeyHandle& holder, const char16_t* name) {
  return services_.registry.DeleteKey(holder.get(), name, holder.view_bits());
}

}  // namespace registrar
