#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

#include "base/hresult.h"
#include "registrar/reg_key_handle.h"
#include "registrar/registry_access.h"
#include "registrar/replacement_table.h"
#include "registrar/script_services.h"
#include "registrar/script_text_buffer.h"

namespace registrar {

// Token, value-name and value-text buffers; a token keeps one more slot free
// beyond its terminator.
inline constexpr std::size_t kTokenBufferSize = 4096;
inline constexpr std::size_t kMaxTokenLength = kTokenBufferSize - 2;
using TokenBuffer = std::array<char16_t, kTokenBufferSize>;

// Longest name between two percent signs.
inline constexpr std::size_t kMaxReplacementNameLength = 31;

// Nested blocks deeper than this are refused: each level costs stack, and no
// registration script comes near it.
inline constexpr int kMaxBlockDepth = 128;

// Interprets one registration script: expands its %name% references from a
// replacement table and applies its root blocks to the registry (register
// pass) or removes them again (unregister pass). Owns nothing beyond one run
// except the expanded text of the current run.
class CRegScriptParser {
 public:
  // replacements and services must outlive the parser. perUserRegistration
  // moves HKCR blocks below HKEY_CURRENT_USER\Software\Classes.
  CRegScriptParser(const ReplacementTable& replacements, const ScriptServices& services,
                   bool perUserRegistration)
      : replacements_(replacements), services_(services),
        perUserRegistration_(perUserRegistration) {}
  CRegScriptParser(const CRegScriptParser&) = delete;
  CRegScriptParser& operator=(const CRegScriptParser&) = delete;

  // Expands text into a new block that the caller frees with ScriptMemory::Free.
  HResult ExpandScript(const char16_t* text, char16_t** expanded);
  // Expands text and applies (doRegister) or removes every root block.
  HResult RunScript(const char16_t* text, bool doRegister);

  // Points the scanner at text, which must stay alive while it is read.
  void StartAt(std::u16string_view text);
  // Skips white space and reads one token, unquoted, into buffer.
  HResult ReadToken(TokenBuffer& buffer);
  void SkipBlanks();
  // Steps over "= type value" when buffer holds a token starting with "=",
  // leaving the token behind it in buffer.
  HResult SkipValueSpec(TokenBuffer& buffer);
  // Reads a type and a value token and writes the value under key (a null
  // valueName: the default value); then reads the next token into buffer.
  HResult WriteValue(RegKey key, const char16_t* valueName, TokenBuffer& buffer);
  std::optional<RegKey> RootKeyFromName(const char16_t* name) const;

  // Walks the entries of one block, entered just behind its "{" token, and
  // returns having read the "}" that closes it (left in buffer).
  HResult ProcessKeyBlock(TokenBuffer& buffer, RegKey parent, bool doRegister,
                          bool recovering);
  // Deletes holder's subkey name with everything below it.
  RegError DeleteKeyTree(RegKeyHandle& holder, const char16_t* name);
  // Deletes holder's subkey name, which must have no subkeys.
  RegError DeleteSingleKey(RegKeyHandle& holder, const char16_t* name);

 private:
  struct Block;

  char16_t Peek(std::size_t ahead = 0) const;
  bool AtEnd() const { return Peek() == u'\0'; }
  void Advance();

  HResult Expand(std::u16string_view input, ScriptTextBuffer& out) const;
  HResult AppendReplacement(std::u16string_view name, ScriptTextBuffer& out) const;

  bool IsKeyword(const TokenBuffer& token, const char16_t* keyword) const;
  bool IsProtectedKeyName(const char16_t* name) const;

  HResult ProcessEntry(TokenBuffer& token, Block& block);
  HResult ProcessValueEntry(TokenBuffer& token, Block& block, bool removable);
  HResult RegisterKeyEntry(TokenBuffer& token, Block& block);
  HResult UnregisterKeyEntry(TokenBuffer& token, Block& block, bool removable);
  HResult EndDeleteEntry(TokenBuffer& token);
  HResult RemoveValue(RegKey parent);

  const ReplacementTable& replacements_;
  ScriptServices services_;
  bool perUserRegistration_;
  const char16_t* pos_ = nullptr;
  const char16_t* end_ = nullptr;
  // A value name is used before any nested block is read, so one buffer
  // serves every level.
  TokenBuffer valueName_{};
  int blockDepth_ = 0;
};

}  // namespace registrar
