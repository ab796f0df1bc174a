#pragma once

#include "base/hresult.h"
#include "registrar/reg_key_handle.h"
#include "registrar/registry_access.h"
#include "registrar/rollback_journal.h"
#include "registrar/script_services.h"
#include "registrar/token_scanner.h"
#include "registrar/value_writer.h"

namespace registrar {

// Nested blocks deeper than this are refused: each level costs stack, and no
// registration script comes near it. The root block is the first level.
inline constexpr int kMaxBlockDepth = 128;

// Walks the entries of a root block as the scanner reads them: the register
// pass creates keys and writes values, the unregister pass removes them again
// depth first. A register pass that fails takes back what it changed.
class KeyWalker {
 public:
  // scanner and services must outlive the walker.
  KeyWalker(TokenScanner& scanner, const ScriptServices& services)
      : scanner_(scanner), services_(services),
        values_(services.registry, services.compare, services.numbers) {}
  KeyWalker(const KeyWalker&) = delete;
  KeyWalker& operator=(const KeyWalker&) = delete;

  // Each walks one root block under root, entered just behind its "{", and
  // returns having read the "}" that closes it (left in token). A failed
  // register pass deletes the keys it created and gives back the values it
  // wrote into keys that were there before; then its failure is returned.
  HResult Register(RegKey root, TokenBuffer& token);
  HResult Unregister(RegKey root, TokenBuffer& token);

 private:
  struct Block;

  HResult RegisterBlock(TokenBuffer& token, RegKey parent, RollbackJournal::KeyId parentId,
                        RollbackJournal& journal);
  HResult UnregisterBlock(TokenBuffer& token, RegKey parent, bool recovering);
  HResult WalkEntries(TokenBuffer& token, Block& block);
  HResult ProcessEntry(TokenBuffer& token, Block& block);
  HResult ProcessValueEntry(TokenBuffer& token, Block& block, bool removable);
  HResult RegisterKeyEntry(TokenBuffer& token, Block& block);
  HResult UnregisterKeyEntry(TokenBuffer& token, Block& block, bool removable);
  HResult EndDeleteEntry(TokenBuffer& token);
  HResult WriteValue(RegKey key, RollbackJournal::KeyId keyId, const char16_t* name,
                     TokenBuffer& token, RollbackJournal& journal);
  HResult RemoveValue(RegKey parent);

  bool IsKeyword(const TokenBuffer& token, const char16_t* keyword) const;
  bool IsProtectedKeyName(const char16_t* name) const;
  RegError DeleteKeyTree(RegKeyHandle& holder, const char16_t* name);
  RegError DeleteSingleKey(RegKeyHandle& holder, const char16_t* name);

  TokenScanner& scanner_;
  ScriptServices services_;
  ValueWriter values_;
  // A value name is used before any nested block is read, so one buffer
  // serves every level.
  TokenBuffer valueName_{};
  int blockDepth_ = 0;
};

}  // namespace registrar
