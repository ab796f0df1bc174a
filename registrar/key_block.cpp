// The walk over the entries of one { } block: the register pass creates keys
// and writes values, the unregister pass removes them depth first.
#include "registrar/bounded_writer.h"
#include "registrar/reg_script_parser.h"

namespace registrar {
namespace {

constexpr const char16_t* kDeleteKeyword = u"Delete";
constexpr const char16_t* kForceRemoveKeyword = u"ForceRemove";
constexpr const char16_t* kNoRemoveKeyword = u"NoRemove";
constexpr const char16_t* kValKeyword = u"Val";

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

// Counts the nesting of ProcessKeyBlock for as long as one activation runs.
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

// One activation of ProcessKeyBlock: its parent, pass and current key.
struct CRegScriptParser::Block {
  RegKey parent;
  bool doRegister;
  bool recovering;
  RegKeyHandle current;
};

HResult CRegScriptParser::ProcessKeyBlock(TokenBuffer& buffer, RegKey parent, bool doRegister,
                                          bool recovering) {
  if (blockDepth_ >= kMaxBlockDepth) return hr::kDispException;
  DepthScope depth(blockDepth_);
  Block block{parent, doRegister, recovering, RegKeyHandle(services_.registry)};
  if (HResult result = ReadToken(buffer); hr::Failed(result)) return result;
  while (!ClosesBlock(buffer)) {
    if (HResult result = ProcessEntry(buffer, block); hr::Failed(result)) return result;
  }
  // Everything the block names is done; letting its last key go decides nothing.
  block.current.Close();
  return hr::kOk;
}

HResult CRegScriptParser::ProcessEntry(TokenBuffer& token, Block& block) {
  bool removable = true;
  const bool isDelete = IsKeyword(token, kDeleteKeyword);
  if (isDelete || IsKeyword(token, kForceRemoveKeyword)) {
    if (HResult result = ReadToken(token); hr::Failed(result)) return result;
    if (block.doRegister) {
      if (HasBackslash(token)) return hr::kDispException;
      // A key that is not there is normal, so the outcome is not looked at.
      if (!IsProtectedKeyName(token.data())) {
        RegKeyHandle parent(services_.registry, block.parent);
        DeleteKeyTree(parent, token.data());
      }
      if (isDelete) return EndDeleteEntry(token);
    }
  }
  if (IsKeyword(token, kNoRemoveKeyword)) {
    removable = false;
    if (HResult result = ReadToken(token); hr::Failed(result)) return result;
  }
  if (IsKeyword(token, kValKeyword)) return ProcessValueEntry(token, block, removable);
  if (HasBackslash(token)) return hr::kDispException;
  return block.doRegister ? RegisterKeyEntry(token, block)
                          : UnregisterKeyEntry(token, block, removable);
}

// A Delete entry of the register pass ends after its name and an optional
// assignment. A block behind it would have no key to belong to.
HResult CRegScriptParser::EndDeleteEntry(TokenBuffer& token) {
  if (HResult result = ReadToken(token); hr::Failed(result)) return result;
  if (HResult result = SkipValueSpec(token); hr::Failed(result)) return result;
  return OpensBlock(token) ? hr::kDispException : hr::kOk;
}

HResult CRegScriptParser::ProcessValueEntry(TokenBuffer& token, Block& block, bool removable) {
  if (HResult result = ReadToken(valueName_); hr::Failed(result)) return result;
  if (HResult result = ReadToken(token); hr::Failed(result)) return result;
  if (!IsAssignment(token)) return hr::kDispException;
  if (block.doRegister) {
    // The value belongs to the key of the enclosing block.
    if (HResult result = WriteValue(block.parent, valueName_.data(), token); hr::Failed(result)) {
      return result;
    }
  } else {
    if (!block.recovering && removable) {
      if (HResult result = RemoveValue(block.parent); hr::Failed(result)) return result;
    }
    if (HResult result = SkipValueSpec(token); hr::Failed(result)) return result;
  }
  // A value has no subkeys, so a block behind it would have no key to belong to.
  return OpensBlock(token) ? hr::kDispException : hr::kOk;
}

HResult CRegScriptParser::RemoveValue(RegKey parent) {
  RegKeyHandle key(services_.registry);
  if (RegError opened = key.Open(parent, nullptr, reg::kKeyWrite); opened != reg::kSuccess) {
    return hr::FromWin32(opened);
  }
  // A value that is already gone is no error.
  const RegError deleted = services_.registry.DeleteValue(key.get(), valueName_.data());
  if (deleted != reg::kSuccess && deleted != reg::kFileNotFound) return hr::FromWin32(deleted);
  return hr::kOk;
}

HResult CRegScriptParser::RegisterKeyEntry(TokenBuffer& token, Block& block) {
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
    opened = block.current.Create(block.parent, token.data(), reg::kKeyReadWrite);
  }
  if (opened != reg::kSuccess) return hr::FromWin32(opened);
  if (HResult result = ReadToken(token); hr::Failed(result)) return result;
  if (IsAssignment(token)) {
    if (HResult result = WriteValue(block.current.get(), nullptr, token); hr::Failed(result)) {
      return result;
    }
  }
  if (OpensBlock(token)) {
    if (HResult result = ProcessKeyBlock(token, block.current.get(), true, false);
        hr::Failed(result)) {
      return result;
    }
    if (HResult result = ReadToken(token); hr::Failed(result)) return result;
  }
  return hr::kOk;
}

HResult CRegScriptParser::UnregisterKeyEntry(TokenBuffer& token, Block& block, bool removable) {
  // Under a key that is not there every key counts as not found.
  RegError opened = reg::kFileNotFound;
  if (!block.recovering) opened = block.current.Open(block.parent, token.data(), reg::kKeyRead);
  RememberedKeyName name{};
  // A name too long to remember whole is never deleted: a cut name would be another key.
  const bool nameRemembered = Remember(token, name);

  if (HResult result = ReadToken(token); hr::Failed(result)) return result;
  if (HResult result = SkipValueSpec(token); hr::Failed(result)) return result;
  if (OpensBlock(token)) {
    const bool childrenRecover = block.recovering || opened != reg::kSuccess;
    const RegKey key = opened == reg::kSuccess ? block.current.get() : reg::kNoKey;
    const HResult nested = ProcessKeyBlock(token, key, false, childrenRecover);
    if (hr::Failed(nested) && !childrenRecover) return nested;
    if (HResult result = ReadToken(token); hr::Failed(result)) return result;
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
  if (RegError deleted = DeleteSingleKey(parent, name.data()); deleted != reg::kSuccess) {
    return hr::FromWin32(deleted);
  }
  return hr::kOk;
}

}  // namespace registrar
