#include "registrar/run_script_text.h"

#include <optional>

#include "registrar/key_walker.h"
#include "registrar/reg_key_handle.h"
#include "registrar/script_expander.h"
#include "registrar/script_text_buffer.h"
#include "registrar/token_scanner.h"

namespace registrar {
namespace {

// HKEY_CLASSES_ROOT merges the user's classes over the machine's, and a write
// through it lands in the user's hive wherever the key exists there; so the
// machine-wide registration names the machine's key. One path in one open: a
// 32-bit process on 64-bit Windows then gets the Classes key both views
// share, where Software, then Classes, would lead to Wow6432Node\Classes.
constexpr char16_t kMachineClassesPath[] = u"Software\\Classes";

struct RootKeyName {
  const char16_t* name;
  RegKey key;
};

// The names a root block may start with, tried in this order.
constexpr RootKeyName kRootKeyNames[] = {
    {u"HKCR", reg::kClassesRoot},
    {u"HKCU", reg::kCurrentUser},
    {u"HKLM", reg::kLocalMachine},
    {u"HKU", reg::kUsers},
    {u"HKPD", reg::kPerformanceData},
    {u"HKDD", reg::kDynData},
    {u"HKCC", reg::kCurrentConfig},
    {u"HKEY_CLASSES_ROOT", reg::kClassesRoot},
    {u"HKEY_CURRENT_USER", reg::kCurrentUser},
    {u"HKEY_LOCAL_MACHINE", reg::kLocalMachine},
    {u"HKEY_USERS", reg::kUsers},
    {u"HKEY_PERFORMANCE_DATA", reg::kPerformanceData},
    {u"HKEY_DYN_DATA", reg::kDynData},
    {u"HKEY_CURRENT_CONFIG", reg::kCurrentConfig},
};

std::optional<RegKey> RootKeyFromName(const TokenBuffer& name, const TextCompare& compare,
                                      RegKey classesRoot) {
  for (const RootKeyName& root : kRootKeyNames) {
    if (!compare.EqualNoCase(name.data(), root.name)) continue;
    return root.key == reg::kClassesRoot ? classesRoot : root.key;
  }
  return std::nullopt;
}

// The register pass writes through the key; like every key of that pass it
// is used read-only where it may not be written, and the first write below it
// then fails with the registry's access error.
HResult OpenMachineClasses(RegKeyHandle& key, bool doRegister) {
  RegError error = reg::kAccessDenied;
  if (doRegister) error = key.Open(reg::kLocalMachine, kMachineClassesPath, reg::kKeyReadWrite);
  if (error != reg::kSuccess) error = key.Open(reg::kLocalMachine, kMachineClassesPath, reg::kKeyRead);
  return hr::FromWin32(error);
}

}  // namespace

HResult RunScriptText(const char16_t* text, bool doRegister,
                      const ReplacementTable& replacements, const ScriptServices& services,
                      ClassesRoot classes) {
  if (text == nullptr) return hr::kPointer;
  ScriptTextBuffer expanded(services.memory);
  RETURN_IF_FAILED(ScriptExpander(replacements, classes == ClassesRoot::kUser).Expand(text, expanded));

  RegKeyHandle machineClasses(services.registry);
  if (classes == ClassesRoot::kMachine) RETURN_IF_FAILED(OpenMachineClasses(machineClasses, doRegister));
  const RegKey classesRoot = classes == ClassesRoot::kMachine ? machineClasses.get() : reg::kClassesRoot;

  TokenScanner scanner(expanded.view());
  KeyWalker walker(scanner, services);
  TokenBuffer token;
  while (!scanner.AtEnd()) {
    RETURN_IF_FAILED(scanner.ReadToken(token));
    const std::optional<RegKey> root = RootKeyFromName(token, services.compare, classesRoot);
    if (!root) return hr::kDispException;
    RETURN_IF_FAILED(scanner.ReadToken(token));
    // Behind a root name any token that starts with "{" opens the block.
    if (token[0] != u'{') return hr::kDispException;
    RETURN_IF_FAILED(doRegister ? walker.Register(*root, token) : walker.Unregister(*root, token));
    scanner.SkipBlanks();
  }
  return hr::kOk;
}

}  // namespace registrar
