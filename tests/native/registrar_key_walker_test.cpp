#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>

#include "registrar/key_walker.h"
#include "registrar/run_script_text.h"
#include "tests/native/registrar_fakes.h"
#include "tests/native/registrar_module_scripts.h"
#include "tests/support/hresult_check.h"

namespace registrar_test {
namespace {

class RegistrarKeyWalker : public ::testing::Test {
 protected:
  HResult Run(const std::u16string& script, bool doRegister) {
    return RunScriptText(script.c_str(), doRegister, h.replacements, h.services, ClassesRoot::kAsNamed);
  }
  void TearDown() override {
    EXPECT_EQ(h.registry.OpenHandles(), 0) << "every key handle is closed";
    EXPECT_EQ(h.registry.badHandles, 0) << "no closed or borrowed handle is misused";
    EXPECT_EQ(h.memory.live(), 0u) << "the expanded text is freed";
  }
  // Calls made since the log was last cleared that mention text.
  int CallsMentioning(const std::string& text) {
    return static_cast<int>(std::count_if(
        h.registry.calls.begin(), h.registry.calls.end(),
        [&](const std::string& call) { return call.find(text) != std::string::npos; }));
  }

  ScriptHarness h;
};

TEST_F(RegistrarKeyWalker, ScriptShapes) {
  const struct {
    const char16_t* script;
    HResult result;
  } cases[] = {
      {u"", hr::kOk},
      {u" \r\n\t ", hr::kDispException},
      {u"HKXX { }", hr::kDispException},
      {u"HKCR a { }", hr::kDispException},
      {u"HKCR", hr::kDispException},
      {u"HKCR {", hr::kDispException},
      {u"HKCR {x }", hr::kOk},  // behind a root name any token opening with "{" opens
      {u"HKCR { }HKCU { }", hr::kDispException},  // "}HKCU" closes, "{" is no root
      {u"HKCR { } \r\n hkcu { }\r\n", hr::kOk},
      {u"HKCR { Val v }", hr::kDispException},
      {u"HKCR { Val v s 'x' }", hr::kDispException},
      // The text ends where a value text or the token behind a value is due.
      {u"HKCR { k = s", hr::kDispException},
      {u"HKCR { k = s 'a'", hr::kDispException},
  };
  for (const auto& c : cases) {
    ScriptHarness local;
    for (bool doRegister : {true, false}) {
      EXPECT_EQ(RunScriptText(c.script, doRegister, local.replacements, local.services, ClassesRoot::kAsNamed), c.result)
          << Narrow(c.script) << (doRegister ? " (register)" : " (unregister)");
    }
    EXPECT_EQ(local.registry.Dump(), "") << Narrow(c.script);
    EXPECT_EQ(local.registry.OpenHandles(), 0) << Narrow(c.script);
    EXPECT_EQ(local.memory.live(), 0u) << Narrow(c.script);
  }
}

TEST_F(RegistrarKeyWalker, RootNames) {
  const struct {
    const char16_t* name;
    const char* root;  // null: no root name
  } cases[] = {
      {u"HKCR", "HKCR"},
      {u"hkcu", "HKCU"},
      {u"HKLM", "HKLM"},
      {u"HKU", "HKU"},
      {u"HKPD", "HKPD"},
      {u"HKDD", "HKDD"},
      {u"HKCC", "HKCC"},
      {u"HKEY_CLASSES_ROOT", "HKCR"},
      {u"HKEY_CURRENT_USER", "HKCU"},
      {u"hkey_local_machine", "HKLM"},
      {u"HKEY_USERS", "HKU"},
      {u"HKEY_PERFORMANCE_DATA", "HKPD"},
      {u"HKEY_DYN_DATA", "HKDD"},
      {u"HKEY_CURRENT_CONFIG", "HKCC"},
      {u"'HKLM'", "HKLM"},
      {u"HKEY", nullptr},
      {u"HKCR2", nullptr},
      {u"''", nullptr},
  };
  for (const auto& c : cases) {
    ScriptHarness local;
    const std::u16string script = std::u16string(c.name) + u" { k }";
    const HResult result =
        RunScriptText(script.c_str(), true, local.replacements, local.services, ClassesRoot::kAsNamed);
    EXPECT_HR(c.root ? hr::kOk : hr::kDispException, result) << Narrow(c.name);
    EXPECT_EQ(local.registry.Dump(), c.root ? std::string(c.root) + "\\k\n" : "") << Narrow(c.name);
  }
}

TEST_F(RegistrarKeyWalker, RegisterWritesKeysAndValues) {
  h.registry.SetString("HKCR\\a", "", "old");
  h.registry.SetString("HKCR\\a", "kept", "k");
  ASSERT_EQ(Run(u"HKCR { a = s 'new' { val 'n\\m' = d 7 b { c } }\r\n"
                u"'x y' = s 'q' } HKLM { z }", true),
            hr::kOk);
  EXPECT_EQ(h.registry.Dump(),
            "HKCR\\a\n"
            "HKCR\\a [@] = S:new\n"
            "HKCR\\a [kept] = S:k\n"
            "HKCR\\a [n\\m] = type 4:07000000\n"
            "HKCR\\a\\b\n"
            "HKCR\\a\\b\\c\n"
            "HKCR\\x y\n"
            "HKCR\\x y [@] = S:q\n"
            "HKLM\\z\n");
}

TEST_F(RegistrarKeyWalker, BracesGlueToNames) {
  // "}}" is one token and closes only the innermost block.
  EXPECT_HR(hr::kOk, Run(u"HKCR { a { b }} }", true));
  EXPECT_TRUE(h.registry.HasKey("HKCR\\a\\b"));
  // "a{" is a key name; the block stays open and "}" then ends it early.
  EXPECT_HR(hr::kDispException, Run(u"HKCR { a{ b } }", true));
  EXPECT_TRUE(h.registry.HasKey("HKCR\\a{"));
  EXPECT_TRUE(h.registry.HasKey("HKCR\\b"));
  // A key name that only begins with "{" opens no block.
  EXPECT_HR(hr::kOk, Run(u"HKCR { {id} { c } }", true));
  EXPECT_TRUE(h.registry.HasKey("HKCR\\{id}\\c"));
}

TEST_F(RegistrarKeyWalker, QuotedKeywordsAreKeywords) {
  EXPECT_HR(hr::kOk, Run(u"HKCR { k { 'VAL' 'v' = s 'x' 'noremove' n } }", true));
  EXPECT_EQ(h.registry.GetValue("HKCR\\k", "v")->type, reg::kTypeSz);
  EXPECT_TRUE(h.registry.HasKey("HKCR\\k\\n"));
  EXPECT_FALSE(h.registry.HasKey("HKCR\\k\\VAL"));
}

TEST_F(RegistrarKeyWalker, BackslashInKeyNameFailsBeforeAnyCallForIt) {
  for (const char16_t* script :
       {u"HKCR { a\\b }", u"HKCR { ForceRemove a\\b }", u"HKCR { Delete 'a\\b' }"}) {
    for (bool doRegister : {true, false}) {
      h.registry.calls.clear();
      EXPECT_HR(hr::kDispException, Run(script, doRegister)) << Narrow(script);
      EXPECT_EQ(CallsMentioning("a\\b"), 0) << Narrow(script);
    }
  }
  // Value names may hold backslashes.
  EXPECT_HR(hr::kOk, Run(u"HKCR { k { val 'a\\b' = s 'x' } }", true));
  EXPECT_TRUE(h.registry.GetValue("HKCR\\k", "a\\b").has_value());
}

TEST_F(RegistrarKeyWalker, ReadOnlyKeyIsUsedReadOnly) {
  h.registry.AddKey("HKCR\\ro\\old");
  h.registry.DenyWrite("HKCR\\ro");
  // Nothing written: opening read-only is enough.
  EXPECT_HR(hr::kOk, Run(u"HKCR { ro { old } }", true));
  h.registry.calls.clear();
  EXPECT_HR(hr::FromWin32(reg::kAccessDenied), Run(u"HKCR { ro = s 'x' }", true));
  EXPECT_EQ(h.registry.calls[0], "OpenKey HKCR 'ro' 0x2001F -> 5");
  EXPECT_EQ(h.registry.calls[1], "OpenKey HKCR 'ro' 0x20019 -> 0");
  EXPECT_HR(hr::FromWin32(reg::kAccessDenied), Run(u"HKCR { ro { new } }", true));
  EXPECT_FALSE(h.registry.HasKey("HKCR\\ro\\new"));
}

TEST_F(RegistrarKeyWalker, RegisterHandsThePreviousKeyBackOnlyForTheNext) {
  h.registry.AddKey("HKCR\\old");
  h.registry.calls.clear();
  ASSERT_HR(hr::kOk, Run(u"HKCR { new old }", true));
  const std::vector<std::string> expected = {
      "OpenKey HKCR 'new' 0x2001F -> 2", "OpenKey HKCR 'new' 0x20019 -> 2",
      "CreateKey HKCR 'new' 0x2001F -> 0",
      "OpenKey HKCR 'old' 0x2001F -> 0", "CloseKey HKCR\\new -> 0",
      "CloseKey HKCR\\old -> 0"};
  EXPECT_EQ(h.registry.calls, expected);
}

TEST_F(RegistrarKeyWalker, FailedClose) {
  constexpr HResult kInvalidHandle = hr::FromWin32(6);
  const struct {
    const char16_t* script;
    bool doRegister;
    HResult result;
    const char* dump;
  } cases[] = {
      // The key of the previous entry cannot be let go once the next one is
      // had: the next one is not reopened read-only, the entry fails. The
      // rollback takes a's new value back and deletes the key it created.
      {u"HKCR { a = s 'x' b = s 'y' }", true, kInvalidHandle, "HKCR\\a\nHKCR\\b\n"},
      {u"HKCR { a = s 'x' fresh = s 'y' }", true, kInvalidHandle, "HKCR\\a\nHKCR\\b\n"},
      // At the end of a block the key is let go; the block has succeeded.
      {u"HKCR { a = s 'x' }", true, hr::kOk, "HKCR\\a\nHKCR\\a [@] = S:x\nHKCR\\b\n"},
      // The unregister pass fails before deleting the key.
      {u"HKCR { a b }", false, kInvalidHandle, "HKCR\\a\nHKCR\\b\n"},
  };
  for (const auto& c : cases) {
    ScriptHarness local;
    local.registry.AddKey("HKCR\\a");
    local.registry.AddKey("HKCR\\b");
    local.registry.FailClose("HKCR\\a");
    EXPECT_EQ(RunScriptText(c.script, c.doRegister, local.replacements, local.services, ClassesRoot::kAsNamed),
              c.result)
        << Narrow(c.script);
    EXPECT_EQ(local.registry.Dump(), c.dump) << Narrow(c.script);
    EXPECT_EQ(local.registry.OpenHandles(), 0) << Narrow(c.script);
    EXPECT_EQ(local.registry.badHandles, 0) << Narrow(c.script);
  }
}

TEST_F(RegistrarKeyWalker, ForceRemoveAndDelete) {
  const struct {
    const char16_t* script;
    HResult result;
    const char* dump;
  } cases[] = {
      {u"HKCR { ForceRemove f { k = s 'v' } }", hr::kOk,
       "HKCR\\f\nHKCR\\f\\k\nHKCR\\f\\k [@] = S:v\nHKCR\\keep\n"},
      {u"HKCR { ForceRemove 'F' = s 'v' }", hr::kOk,
       "HKCR\\F\nHKCR\\F [@] = S:v\nHKCR\\keep\n"},
      {u"HKCR { Delete f }", hr::kOk, "HKCR\\keep\n"},
      {u"HKCR { Delete f = s 'v' NoRemove n }", hr::kOk, "HKCR\\keep\nHKCR\\n\n"},
      {u"HKCR { Delete missing }", hr::kOk,
       "HKCR\\f\nHKCR\\f\\x\nHKCR\\f\\x [v] = S:1\nHKCR\\f\\x\\y\nHKCR\\f\\x\\y\\z\nHKCR\\keep\n"},
      {u"HKCR { Delete f { k } }", hr::kDispException, "HKCR\\keep\n"},
  };
  for (const auto& c : cases) {
    ScriptHarness local;
    local.registry.SetString("HKCR\\f\\x", "v", "1");
    local.registry.AddKey("HKCR\\f\\x\\y\\z");
    local.registry.AddKey("HKCR\\keep");
    EXPECT_EQ(RunScriptText(c.script, true, local.replacements, local.services, ClassesRoot::kAsNamed),
              c.result)
        << Narrow(c.script);
    EXPECT_EQ(local.registry.Dump(), c.dump) << Narrow(c.script);
    EXPECT_EQ(local.registry.OpenHandles(), 0) << Narrow(c.script);
  }
}

TEST_F(RegistrarKeyWalker, ForceRemoveDeletesEverySiblingAndTheLongestName) {
  // Every deleted subkey leaves the list, so a walk by rising index would
  // skip every second one and leave the key undeletable.
  const std::string longest(255, 'w');
  for (const char* child : {"c1", "c2", "c3", "c4", "c5"}) {
    h.registry.AddKey(std::string("HKCR\\f\\") + child + "\\g1");
    h.registry.AddKey(std::string("HKCR\\f\\") + child + "\\g2");
  }
  h.registry.AddKey("HKCR\\f\\" + longest + "\\g");
  EXPECT_HR(hr::kOk, Run(u"HKCR { ForceRemove f { new } }", true));
  EXPECT_EQ(h.registry.Dump(), "HKCR\\f\nHKCR\\f\\new\n");
}

TEST_F(RegistrarKeyWalker, ProtectedNamesAreNeverForceRemoved) {
  const char* names[] = {"AppID", "CLSID", "Component Categories", "FileType",
                         "Interface", "Hardware", "Mime", "SAM",
                         "SECURITY", "SYSTEM", "Software", "TypeLib"};
  for (const char* name : names) {
    for (const char* keyword : {"ForceRemove", "Delete"}) {
      ScriptHarness local;
      local.registry.AddKey(std::string("HKCR\\") + name + "\\child");
      std::string lower = name;
      for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      const std::u16string script =
          Widen(std::string("HKCR { ") + keyword + " '" + lower + "' }");
      EXPECT_EQ(RunScriptText(script.c_str(), true, local.replacements, local.services, ClassesRoot::kAsNamed),
                hr::kOk)
          << Narrow(script);
      EXPECT_TRUE(local.registry.HasKey(std::string("HKCR\\") + name + "\\child"))
          << Narrow(script);
      EXPECT_EQ(local.registry.OpenHandles(), 0);
    }
  }
}

TEST_F(RegistrarKeyWalker, ValueEntryTakesNoBlock) {
  EXPECT_HR(hr::kDispException, Run(u"HKCR { k { val v = s 'x' { c } } }", true));
  EXPECT_FALSE(h.registry.HasKey("HKCR\\k\\c"));
  // The rollback removes the key the pass created, value and all.
  EXPECT_EQ(h.registry.Dump(), "");
}

TEST_F(RegistrarKeyWalker, UnregisterRemovesDepthFirst) {
  const char16_t* script =
      u"HKCR { a = s 'x' { b { c { val v = s 'x' } } NoRemove nr { val w = s 'y' } }"
      u" NoRemove keep { NoRemove val nv = s 'z' gone } }";
  ASSERT_HR(hr::kOk, Run(script, true));
  h.registry.SetString("HKCR\\a\\b", "unlisted", "u");
  ASSERT_HR(hr::kOk, Run(script, false));
  // a lost its listed children; nr stays (NoRemove) and so keeps a alive.
  EXPECT_EQ(h.registry.Dump(),
            "HKCR\\a\n"
            "HKCR\\a [@] = S:x\n"
            "HKCR\\a\\nr\n"
            "HKCR\\keep\n"
            "HKCR\\keep [nv] = S:z\n");
  // Once nr is gone, a goes too: values do not keep a key.
  h.registry.calls.clear();
  ASSERT_HR(hr::kOk, Run(u"HKCR { a { nr } }", false));
  EXPECT_EQ(h.registry.Dump(), "HKCR\\keep\nHKCR\\keep [nv] = S:z\n");
}

TEST_F(RegistrarKeyWalker, UnregisterKeepsKeysWithUnlistedSubkeys) {
  h.registry.AddKey("HKCR\\a\\other");
  h.registry.SetString("HKCR\\a", "v", "1");
  h.registry.AddKey("HKCR\\a\\listed");
  ASSERT_EQ(Run(u"HKCR { ForceRemove a { val v = s '1' val gone = s '2' listed } }", false),
            hr::kOk);
  EXPECT_EQ(h.registry.Dump(), "HKCR\\a\nHKCR\\a\\other\n");
}

TEST_F(RegistrarKeyWalker, UnregisterTreatsProtectedAndDeleteEntriesAsKeys) {
  h.registry.AddKey("HKCR\\CLSID");
  h.registry.AddKey("HKCR\\d\\child");
  ASSERT_HR(hr::kOk, Run(u"HKCR { CLSID Delete d { child } }", false));
  EXPECT_EQ(h.registry.Dump(), "");
}

// Both passes read the token behind Delete as a key name, even a keyword:
// the unregister pass then removes what the register pass created.
TEST_F(RegistrarKeyWalker, UnregisterReadsDeleteEntriesAsTheRegisterPassDoes) {
  for (const char16_t* script : {u"HKCR { Delete val A = s '' }", u"HKCR { Delete NoRemove A }",
                                 u"HKCR { Delete Val A { val v = s 'x' } }"}) {
    ScriptHarness local;
    local.registry.AddKey("HKCR\\keep");
    ASSERT_HR(hr::kOk, RunScriptText(script, true, local.replacements, local.services, ClassesRoot::kAsNamed));
    EXPECT_TRUE(local.registry.HasKey("HKCR\\A")) << Narrow(script);
    EXPECT_HR(hr::kOk, RunScriptText(script, false, local.replacements, local.services, ClassesRoot::kAsNamed));
    EXPECT_EQ(local.registry.Dump(), "HKCR\\keep\n") << Narrow(script);
  }
}

TEST_F(RegistrarKeyWalker, UnregisterOfMissingKeysRecoversWithoutCalls) {
  h.registry.calls.clear();
  ASSERT_EQ(Run(u"HKCR { missing = s 'x' { val v = s 'x' deeper { more } } other }", false),
            hr::kOk);
  const std::vector<std::string> expected = {"OpenKey HKCR 'missing' 0x20019 -> 2",
                                             "OpenKey HKCR 'other' 0x20019 -> 2"};
  EXPECT_EQ(h.registry.calls, expected);
}

TEST_F(RegistrarKeyWalker, UnregisterStopsAtTheFirstFailure) {
  h.registry.AddKey("HKCR\\first");
  h.registry.AddKey("HKCR\\locked");
  h.registry.AddKey("HKCR\\last");
  h.registry.DenyWrite("HKCR\\locked");
  EXPECT_HR(hr::FromWin32(reg::kAccessDenied), Run(u"HKCR { first locked last }", false));
  EXPECT_EQ(h.registry.Dump(), "HKCR\\last\nHKCR\\locked\n");
  // A key that cannot even be opened fails the same way.
  h.registry.DenyOpen("HKCR\\last");
  EXPECT_HR(hr::FromWin32(reg::kAccessDenied), Run(u"HKCR { last }", false));
}

TEST_F(RegistrarKeyWalker, UnregisterNeverDeletesByACutName) {
  // 259 characters is the longest name the unregister pass remembers whole.
  const std::string cut(259, 'n');
  const std::string longer = cut + "-tail";
  h.registry.AddKey("HKCR\\" + cut);
  h.registry.AddKey("HKCR\\" + longer);
  ASSERT_HR(hr::kOk, Run(Widen("HKCR { " + longer + " }"), false));
  EXPECT_TRUE(h.registry.HasKey("HKCR\\" + cut));
  EXPECT_TRUE(h.registry.HasKey("HKCR\\" + longer));
  ASSERT_HR(hr::kOk, Run(Widen("HKCR { " + cut + " }"), false));
  EXPECT_FALSE(h.registry.HasKey("HKCR\\" + cut));
}

TEST_F(RegistrarKeyWalker, FailedRootBlockIsRolledBack) {
  h.registry.AddKey("HKCR\\pre\\existing");
  const HResult result = Run(
      u"HKCR { first = s '1' }\r\n"
      u"HKCR { second = s '2' { child } pre { added } bad = x 'y' never }\r\n"
      u"HKCR { third }",
      true);
  EXPECT_HR(hr::kDispException, result);
  // The first block stays, the second is removed again as far as it got,
  // keys that were there before stay, the third never ran.
  EXPECT_EQ(h.registry.Dump(),
            "HKCR\\first\nHKCR\\first [@] = S:1\nHKCR\\pre\nHKCR\\pre\\existing\n");
}

TEST_F(RegistrarKeyWalker, FailedRegisterPassRemovesOnlyWhatItCreated) {
  // What was there before the call, and stays whatever the case.
  const auto prepare = [](FakeRegistry& registry) {
    registry.SetString("HKCR\\pre", "v", "old");
    registry.AddKey("HKCR\\shared\\other");
    registry.AddKey("HKCR\\f\\x\\y");
    registry.SetString("HKCR\\DorvexZevEvov.Dorvex_ZevEvover.1", "", "mine");
    registry.AddKey("HKCU\\Software\\Classes");
  };
  ScriptHarness untouched;
  prepare(untouched.registry);
  const std::string before = untouched.registry.Dump();
  const char* kProgId1 = "HKCR\\DorvexZevEvov.Dorvex_ZevEvover.1";
  const std::string kProgId1Clsid = std::string(kProgId1) + "\\CLSID";

  const struct {
    const char* name;
    const char16_t* script;
    bool perUser;
    std::string readOnly;    // opened for reading only, never deleted
    std::string noCreate;    // cannot be created
    HResult result;
    std::string after;       // empty: as before
  } cases[] = {
      {"class script over a read-only key", kClassScript, false, kProgId1, "",
       hr::FromWin32(reg::kAccessDenied), ""},
      {"class script, subkey of an existing key", kClassScript, false, "", kProgId1Clsid,
       hr::FromWin32(reg::kAccessDenied), ""},
      {"depth 2 below a new key", u"HKCR { n1 { deny } }", false, "", "HKCR\\n1\\deny",
       hr::FromWin32(reg::kAccessDenied), ""},
      {"depth 3 below new keys", u"HKCR { n1 = s 'a' { n2 { val v = d 1 deny } } }", false, "",
       "HKCR\\n1\\n2\\deny", hr::FromWin32(reg::kAccessDenied), ""},
      {"existing key with values", u"HKCR { pre = s 'x' { val v = s 'new' val w = s 'w' deny } }",
       false, "", "HKCR\\pre\\deny", hr::FromWin32(reg::kAccessDenied), ""},
      {"entries never reached", u"HKCR { val rootv = s 'x' n1 bad = x 'y' pre shared { other } }",
       false, "", "", hr::kDispException, ""},
      {"ForceRemove replaces what it names", u"HKCR { ForceRemove f { k } bad = x 'y' }", false,
       "", "", hr::kDispException,
       "HKCR\\DorvexZevEvov.Dorvex_ZevEvover.1\nHKCR\\DorvexZevEvov.Dorvex_ZevEvover.1 [@] = S:mine\n"
       "HKCR\\pre\nHKCR\\pre [v] = S:old\nHKCR\\shared\nHKCR\\shared\\other\n"
       "HKCU\\Software\nHKCU\\Software\\Classes\n"},
      {"NoRemove keeps nothing this call made",
       u"HKCR { NoRemove shared { mine } NoRemove fresh { mine } bad = x 'y' }", false, "", "",
       hr::kDispException, ""},
      {"per user below existing keys", u"HKCR { n1 { deny } }", true, "",
       "HKCU\\Software\\Classes\\n1\\deny", hr::FromWin32(reg::kAccessDenied), ""},
      {"earlier root block stays", u"HKCR { first } HKCR { second bad = x 'y' } HKCR { third }",
       false, "", "", hr::kDispException,
       "HKCR\\DorvexZevEvov.Dorvex_ZevEvover.1\nHKCR\\DorvexZevEvov.Dorvex_ZevEvover.1 [@] = S:mine\n"
       "HKCR\\f\nHKCR\\f\\x\nHKCR\\f\\x\\y\nHKCR\\first\n"
       "HKCR\\pre\nHKCR\\pre [v] = S:old\nHKCR\\shared\nHKCR\\shared\\other\n"
       "HKCU\\Software\nHKCU\\Software\\Classes\n"},
  };
  for (const auto& c : cases) {
    ScriptHarness local;
    prepare(local.registry);
    if (!c.readOnly.empty()) local.registry.DenyWrite(c.readOnly);
    if (!c.noCreate.empty()) local.registry.DenyOpen(c.noCreate);
    ASSERT_HR(hr::kOk, local.replacements.DefineReplacement(u"APPID", u"{id}"));
    ASSERT_HR(hr::kOk, local.replacements.DefineReplacement(u"MODULE", u"m.dll"));
    EXPECT_EQ(RunScriptText(c.script, true, local.replacements, local.services,
                            c.perUser ? ClassesRoot::kUser : ClassesRoot::kAsNamed),
              c.result)
        << c.name;
    EXPECT_EQ(local.registry.Dump(), c.after.empty() ? before : c.after) << c.name;
    EXPECT_EQ(local.registry.OpenHandles(), 0) << c.name;
    EXPECT_EQ(local.registry.badHandles, 0) << c.name;
  }
}

TEST_F(RegistrarKeyWalker, NestingIsBounded) {
  // The root block is the first level.
  for (int nested : {kMaxBlockDepth - 1, kMaxBlockDepth}) {
    std::u16string deep = u"HKCR {";
    for (int i = 0; i < nested; ++i) deep += u" k {";
    for (int i = 0; i <= nested; ++i) deep += u" }";
    const HResult expected = nested < kMaxBlockDepth ? hr::kOk : hr::kDispException;
    EXPECT_EQ(Run(deep, true), expected) << nested << " nested blocks";
    EXPECT_EQ(Run(deep, false), expected) << nested << " nested blocks";
  }
}

}  // namespace
}  // namespace registrar_test
