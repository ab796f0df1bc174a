// Native measurements of the portable code, for scripts/bench:
//   native_bench allocations   heap allocations per member call and per Show
//   native_bench show          one Show composition (run under callgrind)
//   native_bench register      one registration-script pass over the in-memory
//                              registry (run under callgrind)
// Callgrind counts only inside the two functions named in scripts/bench, so
// the setup around them stays out of the count.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <new>
#include <string_view>

#include "registrar/run_script_text.h"
#include "tests/native/registrar_fakes.h"
#include "tests/native/registrar_module_scripts.h"
#include "viewer/viewer_core.h"

namespace {

std::size_t allocationCount = 0;

// A platform that answers at once and allocates nothing, so every counted
// allocation is the viewer's own.
class QuietPlatform final : public ViewerPlatform {
 public:
  void WriteDebugOutput(const char16_t*) override {}
  std::uint32_t CurrentThreadId() override { return 1234; }
  bool SystemMessageText(std::uint32_t, std::u16string&) override { return false; }
  std::uint32_t AnsiToWide(const char* bytes, std::uint32_t byteCount, char16_t* out,
                           std::uint32_t capacity) override {
    if (capacity == 0) return byteCount;
    for (std::uint32_t i = 0; i < byteCount && i < capacity; ++i) out[i] = static_cast<unsigned char>(bytes[i]);
    return byteCount < capacity ? byteCount : capacity;
  }
  std::uint32_t ExpandEnvironment(const char16_t* text, char16_t* out, std::uint32_t capacity) override {
    const std::u16string_view view(text);
    if (view.size() + 1 > capacity) return static_cast<std::uint32_t>(view.size() + 1);
    std::memcpy(out, text, (view.size() + 1) * sizeof(char16_t));
    return static_cast<std::uint32_t>(view.size() + 1);
  }
  bool UserNameEx(std::uint32_t, char16_t*, std::uint32_t&) override { return false; }
  bool LogonUserName(char16_t*, std::uint32_t&) override { return false; }
  std::uint32_t LastError() override { return 0; }
  bool SystemDirectory(std::u16string& path, std::uint32_t&) override {
    path = u"C:\\Windows\\system32";
    return true;
  }
  // One entry with its NUL; the block's final NUL left off.
  std::u16string EnvironmentStrings() override {
    static constexpr char16_t kBlock[] = u"PATH=C:\\Windows\0";
    return std::u16string(kBlock, std::size(kBlock) - 1);
  }
  LaunchResult StartProcess(const ProcessLaunch&) override { return {true, 0}; }
  LaunchResult LaunchWithShell(const ShellLaunch&) override { return {true, 0}; }
  std::uintptr_t ForegroundWindow() override { return 0; }
  void Sleep(std::uint32_t) override {}
  void SetForeground(std::uintptr_t) override {}
};

// Takes the text without copying it, as the COM layer's BSTR output does not
// count against the viewer.
class DiscardingStringOut final : public StringOut {
 public:
  bool Assign(const char16_t*, std::uint32_t) override { return true; }
  void AssignNull() override {}
};

BstrView View(std::u16string_view text) { return {text.data(), static_cast<std::uint32_t>(text.size())}; }

void SetDocument(ViewerCore& viewer) {
  viewer.put_Server(View(u"http://archive.example:1090"));
  viewer.put_UrlRoot(View(u"/sap/bc/contentserver"));
  viewer.put_ContRep(View(u"A1"));
  viewer.put_DID(View(u"4711ABCDEF0123456789"));
}

struct Member {
  const char* name;
  void (*setup)(ViewerCore&);
  void (*call)(ViewerCore&);
};

void NoSetup(ViewerCore&) {}

// Each member as SAP calls it, on a viewer whose document is already set.
const Member kMembers[] = {
    {"put_ContRep", NoSetup, [](ViewerCore& v) { v.put_ContRep(View(u"A1")); }},
    {"get_ContRep", NoSetup, [](ViewerCore& v) { DiscardingStringOut out; v.get_ContRep(out); }},
    {"put_UseStartCmd", NoSetup, [](ViewerCore& v) { v.put_UseStartCmd(View(u"0")); }},
    {"ClearCC + AddCC", NoSetup, [](ViewerCore& v) { v.ClearCC(); v.AddCC(View(u"C:\\Viewer\\view.exe {0}")); }},
    {"get_ReturnCode", NoSetup, [](ViewerCore& v) { std::int32_t code = 0; v.get_ReturnCode(code); }},
    {"Show, shell open", NoSetup, [](ViewerCore& v) { v.Show(); }},
    {"Show, cmd START", [](ViewerCore& v) { v.put_UseStartCmd(View(u"1")); }, [](ViewerCore& v) { v.Show(); }},
    {"Show, custom command", [](ViewerCore& v) { v.AddCC(View(u"C:\\Viewer\\view.exe {0}")); },
     [](ViewerCore& v) { v.Show(); }},
};

int CountAllocations() {
  QuietPlatform platform;
  for (const Member& member : kMembers) {
    ViewerCore viewer(platform);
    SetDocument(viewer);
    member.setup(viewer);
    member.call(viewer);  // the first call may grow fields that later calls reuse
    const std::size_t before = allocationCount;
    member.call(viewer);
    std::printf("allocations\t%s\t%zu\n", member.name, allocationCount - before);
  }
  return 0;
}

}  // namespace

extern "C" __attribute__((noinline)) void BenchShowOnce(ViewerCore& viewer) { viewer.Show(); }

extern "C" __attribute__((noinline)) void BenchRegistrationPassOnce(registrar_test::ScriptHarness& h) {
  registrar::RunScriptText(registrar_test::kClassScript, true, h.replacements, h.services,
                          registrar::ClassesRoot::kAsNamed);
}

namespace {

int RunShow() {
  QuietPlatform platform;
  ViewerCore viewer(platform);
  SetDocument(viewer);
  BenchShowOnce(viewer);
  return 0;
}

int RunRegistration() {
  registrar_test::ScriptHarness h;
  h.replacements.DefineReplacement(u"APPID", u"{3f8a6c20-9d41-4b7e-a5c2-71e0d94b6a18}");
  h.replacements.DefineReplacement(u"Module", u"C:\\Program Files\\Veltara\\Veltara.Desk.ZevEvov.x64.dll");
  h.replacements.DefineReplacement(u"Module_Raw", u"C:\\Program Files\\Veltara\\Veltara.Desk.ZevEvov.x64.dll");
  BenchRegistrationPassOnce(h);
  return 0;
}

}  // namespace

void* operator new(std::size_t size) {
  ++allocationCount;
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  ++allocationCount;
  return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

int main(int argc, char** argv) {
  const std::string_view mode = argc > 1 ? argv[1] : "";
  if (mode == "allocations") return CountAllocations();
  if (mode == "show") return RunShow();
  if (mode == "register") return RunRegistration();
  std::fprintf(stderr, "usage: native_bench allocations|show|register\n");
  return 2;
}
