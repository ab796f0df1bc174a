#include <gtest/gtest.h>

#include <array>
#include <sstream>
#include <string>
#include <vector>

#include "registrar/run_script_text.h"
#include "tests/native/registrar_fakes.h"
#include "tests/native/registrar_module_scripts.h"
#include "tests/support/hresult_check.h"

namespace registrar_test {
namespace {

constexpr char kAppId[] = "{3f8a6c20-9d41-4b7e-a5c2-71e0d94b6a18}";
constexpr char kClsid[] = "{5D0B7A31-6C2E-4F19-A8D4-3E71C09B2F66}";
constexpr char kLibId[] = "{9A4C2E17-B35D-4E80-9F61-07D2C8A4E5B3}";
constexpr char kProgId[] = "DorvexZevEvov.Dorvex_ZevEvover";
// The module path as read, and as the registration hands it to a script:
// apostrophes doubled, since %MODULE% stands inside a quoted token.
constexpr char kModulePath[] = "C:\\Program Files\\O'Brien\\Veltara.Desk.ZevEvov.dll";
constexpr char16_t kEscapedModulePath[] =
    u"C:\\Program Files\\O''Brien\\Veltara.Desk.ZevEvov.dll";

// Runs one script the way the registration does: a fresh replacement table
// with APPID (twice for the application id script), Module and Module_Raw.
HResult RunModuleScript(ScriptHarness& h, const char16_t* script, bool doRegister, ClassesRoot classes) {
  EXPECT_HR(hr::kOk, h.replacements.ResetReplacements());
  const std::u16string appId = Widen(kAppId);
  if (script == kAppIdScript) {
    EXPECT_HR(hr::kOk, h.replacements.DefineReplacement(u"APPID", appId.c_str()));
  }
  EXPECT_HR(hr::kOk, h.replacements.DefineReplacement(u"APPID", appId.c_str()));
  EXPECT_HR(hr::kOk, h.replacements.DefineReplacement(u"Module", kEscapedModulePath));
  EXPECT_HR(hr::kOk, h.replacements.DefineReplacement(u"Module_Raw", kEscapedModulePath));
  return RunScriptText(script, doRegister, h.replacements, h.services, classes);
}

// What both scripts register, below the classes key at classes.
std::string Registered(const std::string& classes) {
  const std::string appIdKey = classes + "\\AppID";
  const std::string clsidKey = classes + "\\CLSID\\" + kClsid;
  const std::string progId = classes + "\\" + kProgId;
  const std::string progId1 = progId + ".1";
  return appIdKey + "\n" +
         appIdKey + "\\Vexdor.ZevEvov.DLL\n" +
         appIdKey + "\\Vexdor.ZevEvov.DLL [AppID] = S:" + kAppId + "\n" +
         appIdKey + "\\" + kAppId + "\n" +
         appIdKey + "\\" + kAppId + " [@] = S:DorvexZevEvov\n" +
         classes + "\\CLSID\n" +
         clsidKey + "\n" +
         clsidKey + " [@] = S:Dorvex_ZevEvover Class\n" +
         clsidKey + " [AppID] = S:" + kAppId + "\n" +
         clsidKey + "\\InprocServer32\n" +
         clsidKey + "\\InprocServer32 [@] = S:" + kModulePath + "\n" +
         clsidKey + "\\InprocServer32 [ThreadingModel] = S:Free\n" +
         clsidKey + "\\ProgID\n" +
         clsidKey + "\\ProgID [@] = S:" + kProgId + ".1\n" +
         clsidKey + "\\Programmable\n" +
         clsidKey + "\\TypeLib\n" +
         clsidKey + "\\TypeLib [@] = S:" + kLibId + "\n" +
         clsidKey + "\\VersionIndependentProgID\n" +
         clsidKey + "\\VersionIndependentProgID [@] = S:" + kProgId + "\n" +
         progId + "\n" +
         progId + " [@] = S:Dorvex_ZevEvover Class\n" +
         progId + "\\CLSID\n" +
         progId + "\\CLSID [@] = S:" + kClsid + "\n" +
         progId + "\\CurVer\n" +
         progId + "\\CurVer [@] = S:" + kProgId + ".1\n" +
         progId1 + "\n" +
         progId1 + " [@] = S:Dorvex_ZevEvover Class\n" +
         progId1 + "\\CLSID\n" +
         progId1 + "\\CLSID [@] = S:" + kClsid + "\n";
}

// The lines of a dump that start with prefix.
std::string Below(const std::string& dump, const std::string& prefix) {
  std::istringstream lines(dump);
  std::string out;
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind(prefix, 0) == 0) out += line + "\n";
  }
  return out;
}

struct Placement {
  const char* name;
  ClassesRoot classes;
  std::string before;   // keys that lead to the classes key
  std::string classesKey;
};

TEST(RegistrarModuleScripts, RegisterThenUnregisterLeavesOnlyNoRemoveKeys) {
  const Placement placements[] = {
      {"machine", ClassesRoot::kMachine, "HKLM\\Software\nHKLM\\Software\\Classes\n", "HKLM\\Software\\Classes"},
      {"per user", ClassesRoot::kUser, "HKCU\\Software\nHKCU\\Software\\Classes\n", "HKCU\\Software\\Classes"},
  };
  for (const Placement& p : placements) {
    ScriptHarness h;
    // Present on every Windows; the per-user rewrite creates its own.
    if (p.classes == ClassesRoot::kMachine) h.registry.AddKey("HKLM\\Software\\Classes");
    // Registration order: application id script, then class script; twice,
    // since registering again over a registration changes nothing.
    for (int round = 0; round < 2; ++round) {
      ASSERT_HR(hr::kOk, RunModuleScript(h, kAppIdScript, true, p.classes)) << p.name;
      ASSERT_HR(hr::kOk, RunModuleScript(h, kClassScript, true, p.classes)) << p.name;
      EXPECT_EQ(h.registry.Dump(), p.before + Registered(p.classesKey)) << p.name;
    }
    // Unregistration order: class script, then application id script.
    ASSERT_HR(hr::kOk, RunModuleScript(h, kClassScript, false, p.classes)) << p.name;
    ASSERT_HR(hr::kOk, RunModuleScript(h, kAppIdScript, false, p.classes)) << p.name;
    EXPECT_EQ(h.registry.Dump(),
              p.before + p.classesKey + "\\AppID\n" + p.classesKey + "\\CLSID\n")
        << p.name;
    // A second unregistration finds nothing to do.
    ASSERT_HR(hr::kOk, RunModuleScript(h, kClassScript, false, p.classes)) << p.name;
    ASSERT_HR(hr::kOk, RunModuleScript(h, kAppIdScript, false, p.classes)) << p.name;
    EXPECT_EQ(h.registry.OpenHandles(), 0) << p.name;
    EXPECT_EQ(h.registry.badHandles, 0) << p.name;
    EXPECT_EQ(h.memory.live(), 0u) << p.name;
  }
}

TEST(RegistrarModuleScripts, ClassKeyIsRebuiltAndOthersAreLeftAlone) {
  ScriptHarness h;
  const std::string clsidKey = std::string("HKCR\\CLSID\\") + kClsid;
  h.registry.AddKey(clsidKey + "\\Stale\\Deeper");
  h.registry.SetString(clsidKey, "Old", "x");
  h.registry.AddKey("HKCR\\CLSID\\{other}\\InprocServer32");
  h.registry.AddKey("HKCR\\AppID\\{other}");
  ASSERT_HR(hr::kOk, RunModuleScript(h, kAppIdScript, true, ClassesRoot::kAsNamed));
  ASSERT_HR(hr::kOk, RunModuleScript(h, kClassScript, true, ClassesRoot::kAsNamed));
  EXPECT_FALSE(h.registry.HasKey(clsidKey + "\\Stale"));
  EXPECT_FALSE(h.registry.GetValue(clsidKey, "Old").has_value());
  ASSERT_HR(hr::kOk, RunModuleScript(h, kClassScript, false, ClassesRoot::kAsNamed));
  ASSERT_HR(hr::kOk, RunModuleScript(h, kAppIdScript, false, ClassesRoot::kAsNamed));
  EXPECT_EQ(h.registry.Dump(),
            "HKCR\\AppID\nHKCR\\AppID\\{other}\n"
            "HKCR\\CLSID\nHKCR\\CLSID\\{other}\nHKCR\\CLSID\\{other}\\InprocServer32\n");
}

TEST(RegistrarModuleScripts, MachineWideRegistrationLeavesThePerUserOneAsItWas) {
  // An administrator who once registered per user (regsvr32 /n /i:user) keeps
  // those keys in HKCU\Software\Classes; HKCR, as Windows merges it, would
  // send the machine-wide scripts' writes and deletes into them.
  const std::string clsidKey = std::string("CLSID\\") + kClsid;
  const std::string machineKeys = "HKLM\\Software\nHKLM\\Software\\Classes\n";
  const struct {
    const char* name;
    bool perUserRegistration;  // the scripts run per user first
    // Then these values below HKCU\Software\Classes: key, value name, text.
    std::vector<std::array<std::string, 3>> userValues;
  } cases[] = {
      {"no per-user keys", false, {}},
      {"the per-user registration", true, {}},
      {"a per-user server elsewhere, with a subkey of its own", true,
       {{clsidKey + "\\InprocServer32", "", "C:\\Users\\me\\old.dll"}, {clsidKey + "\\Extra", "x", "1"}}},
      {"the ProgID alone, naming another version", false,
       {{std::string(kProgId) + "\\CurVer", "", "DorvexZevEvov.Dorvex_ZevEvover.7"}}},
      {"the AppID key alone", false, {{std::string("AppID\\") + kAppId, "", "mine"}}},
  };
  for (const auto& c : cases) {
    const bool userKeys = c.perUserRegistration || !c.userValues.empty();
    for (const ClassesRoot classes : {ClassesRoot::kMachine, ClassesRoot::kAsNamed}) {
      const std::string name = std::string(c.name) +
                               (classes == ClassesRoot::kMachine ? ", HKLM\\Software\\Classes" : ", merged HKCR");
      ScriptHarness h;
      h.registry.MergeClassesRoot();
      if (c.perUserRegistration) {
        ASSERT_HR(hr::kOk, RunModuleScript(h, kAppIdScript, true, ClassesRoot::kUser)) << name;
        ASSERT_HR(hr::kOk, RunModuleScript(h, kClassScript, true, ClassesRoot::kUser)) << name;
      }
      for (const auto& [key, value, text] : c.userValues) {
        h.registry.SetString("HKCU\\Software\\Classes\\" + key, value, text);
      }
      const std::string user = Below(h.registry.Dump(), "HKCU\\");

      ASSERT_HR(hr::kOk, RunModuleScript(h, kAppIdScript, true, classes)) << name;
      ASSERT_HR(hr::kOk, RunModuleScript(h, kClassScript, true, classes)) << name;
      const std::string userRegistered = Below(h.registry.Dump(), "HKCU\\");
      const std::string machineRegistered = Below(h.registry.Dump(), "HKLM\\");
      ASSERT_HR(hr::kOk, RunModuleScript(h, kClassScript, false, classes)) << name;
      ASSERT_HR(hr::kOk, RunModuleScript(h, kAppIdScript, false, classes)) << name;
      const bool userTouched = userRegistered != user || Below(h.registry.Dump(), "HKCU\\") != user;

      if (classes == ClassesRoot::kMachine) {
        EXPECT_EQ(userRegistered, user) << name;
        EXPECT_EQ(Below(h.registry.Dump(), "HKCU\\"), user) << name;
        EXPECT_EQ(machineRegistered, machineKeys + Registered("HKLM\\Software\\Classes")) << name;
        EXPECT_EQ(Below(h.registry.Dump(), "HKLM\\"),
                  machineKeys + "HKLM\\Software\\Classes\\AppID\nHKLM\\Software\\Classes\\CLSID\n")
            << name;
      } else {
        // The fault that naming the machine's key mends, as the fake shows it.
        EXPECT_EQ(userTouched, userKeys) << name;
      }
      EXPECT_EQ(h.registry.OpenHandles(), 0) << name;
      EXPECT_EQ(h.registry.badHandles, 0) << name;
    }
  }
}

}  // namespace
}  // namespace registrar_test
