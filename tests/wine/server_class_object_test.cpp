// The class object through the DLL's exports, loaded with LoadLibrary: one
// cached class object, unknown class ids, how long the library stays needed
// (viewers, LockServer, client references to the class object), and the
// arguments CreateInstance refuses.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "VeltaraDeskZevEvov.h"
#include "base/win/com_ref.h"
#include "base/win/unique_handle.h"
#include "base/win/unique_module.h"
#include "child_process.h"
#include "idle_outer.h"
#include "loaded_server.h"
#include "process_figures.h"
#include "process_runner.h"
#include "tests/support/hresult_check.h"
#include "test_bitness.h"
#include "test_paths.h"

namespace {

void* const kSentinel = reinterpret_cast<void*>(0xdeadbeef);

class ClassObjectTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(server_.loaded()) << "the DLL did not load"; }
  LoadedServer server_;
};

TEST_F(ClassObjectTest, SameClassObjectOnEveryCall) {
  ComRef<IClassFactory> first, second;
  ASSERT_HR(S_OK, server_.GetClassObject(CLSID_Dorvex_ZevEvover, IID_IClassFactory, reinterpret_cast<void**>(first.put())));
  ASSERT_HR(S_OK, server_.GetClassObject(CLSID_Dorvex_ZevEvover, IID_IClassFactory, reinterpret_cast<void**>(second.put())));
  EXPECT_EQ(first.get(), second.get());
  ComRef<IUnknown> unknown;
  ASSERT_HR(S_OK, server_.GetClassObject(CLSID_Dorvex_ZevEvover, IID_IUnknown, reinterpret_cast<void**>(unknown.put())));
  EXPECT_EQ(static_cast<IUnknown*>(first.get()), unknown.get());

  // Released by every client, it stays cached for the next one.
  void* const address = first.get();
  first.reset();
  second.reset();
  unknown.reset();
  ComRef<IClassFactory> later;
  ASSERT_HR(S_OK, server_.GetClassObject(CLSID_Dorvex_ZevEvover, IID_IClassFactory, reinterpret_cast<void**>(later.put())));
  EXPECT_EQ(address, later.get());
}

TEST_F(ClassObjectTest, RefusedRequests) {
  const struct {
    const char* what;
    const CLSID* classId;
    const IID* iid;
    HRESULT expected;
  } cases[] = {
      {"interface id as class id", &IID_IDorvex_ZevEvover, &IID_IClassFactory, CLASS_E_CLASSNOTAVAILABLE},
      {"null class id", &CLSID_NULL, &IID_IClassFactory, CLASS_E_CLASSNOTAVAILABLE},
      {"type library id", &LIBID_VeltaraDeskZevEvovLib, &IID_IUnknown, CLASS_E_CLASSNOTAVAILABLE},
      {"class object as IDispatch", &CLSID_Dorvex_ZevEvover, &IID_IDispatch, E_NOINTERFACE},
      {"class object as IClassFactory2", &CLSID_Dorvex_ZevEvover, &IID_IClassFactory2, E_NOINTERFACE},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    void* out = kSentinel;
    EXPECT_HR(c.expected, server_.GetClassObject(*c.classId, *c.iid, &out));
    EXPECT_EQ(nullptr, out);
  }
  EXPECT_HR(E_POINTER, server_.GetClassObject(CLSID_Dorvex_ZevEvover, IID_IClassFactory, nullptr));
  EXPECT_HR(S_OK, server_.CanUnloadNow());
}

TEST_F(ClassObjectTest, CanUnloadNowFollowsEveryLock) {
  ComRef<IClassFactory> factory;
  ComRef<IUnknown> viewer, secondViewer;
  auto getFactory = [&] {
    server_.GetClassObject(CLSID_Dorvex_ZevEvover, IID_IClassFactory, reinterpret_cast<void**>(factory.put()));
  };
  auto createViewer = [&](ComRef<IUnknown>& into) {
    ASSERT_TRUE(factory);
    factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(into.put()));
  };
  const struct {
    const char* step;
    std::function<void()> act;
    HRESULT expected;
  } steps[] = {
      {"after load", [] {}, S_OK},
      {"holding the class object", getFactory, S_FALSE},
      {"released the class object", [&] { factory.reset(); }, S_OK},
      {"holding it again, then a viewer", [&] { getFactory(); createViewer(viewer); }, S_FALSE},
      {"a viewer alive, class object released", [&] { factory.reset(); }, S_FALSE},
      {"two viewers alive", [&] { getFactory(); createViewer(secondViewer); factory.reset(); }, S_FALSE},
      {"one viewer released", [&] { viewer.reset(); }, S_FALSE},
      {"last viewer released", [&] { secondViewer.reset(); }, S_OK},
      {"LockServer(TRUE), class object released", [&] { getFactory(); factory->LockServer(TRUE); factory.reset(); }, S_FALSE},
      {"LockServer(FALSE) with the class object held", [&] { getFactory(); factory->LockServer(FALSE); }, S_FALSE},
      {"class object released", [&] { factory.reset(); }, S_OK},
  };
  for (const auto& s : steps) {
    s.act();
    EXPECT_HR(s.expected, server_.CanUnloadNow()) << s.step;
  }
}

// LockServer(FALSE) without a lock of the client's own is refused and leaves
// the count alone: it must not release a live viewer's lock.
TEST_F(ClassObjectTest, UnbalancedLockServer) {
  ComRef<IClassFactory> factory;
  ASSERT_HR(S_OK, server_.GetClassObject(CLSID_Dorvex_ZevEvover, IID_IClassFactory, reinterpret_cast<void**>(factory.put())));
  ComRef<IUnknown> viewer;
  ASSERT_HR(S_OK, factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(viewer.put())));
  const struct {
    const char* step;
    BOOL lock;
    HRESULT expected;
  } steps[] = {
      {"unlock without a lock", FALSE, E_UNEXPECTED},
      {"again", FALSE, E_UNEXPECTED},
      {"lock", TRUE, S_OK},
      {"its unlock", FALSE, S_OK},
      {"one unlock too many", FALSE, E_UNEXPECTED},
  };
  for (const auto& s : steps) {
    EXPECT_HR(s.expected, factory->LockServer(s.lock)) << s.step;
    EXPECT_HR(S_FALSE, server_.CanUnloadNow()) << s.step << ": the viewer and the class object are alive";
  }
  viewer.reset();
  factory.reset();
  EXPECT_HR(S_OK, server_.CanUnloadNow()) << "everything released";
}

TEST_F(ClassObjectTest, CreateInstanceArguments) {
  ComRef<IClassFactory> factory;
  ASSERT_HR(S_OK, server_.GetClassObject(CLSID_Dorvex_ZevEvover, IID_IClassFactory, reinterpret_cast<void**>(factory.put())));
  IdleOuter outer;
  const struct {
    const char* what;
    IUnknown* outer;
    const IID* iid;
    HRESULT expected;
  } cases[] = {
      {"outer asking for IDispatch", &outer, &IID_IDispatch, CLASS_E_NOAGGREGATION},
      {"outer asking for the viewer interface", &outer, &IID_IDorvex_ZevEvover, CLASS_E_NOAGGREGATION},
      {"plain viewer as IClassFactory", nullptr, &IID_IClassFactory, E_NOINTERFACE},
      {"plain viewer as IPersist", nullptr, &IID_IPersist, E_NOINTERFACE},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    void* out = kSentinel;
    EXPECT_HR(c.expected, factory->CreateInstance(c.outer, *c.iid, &out));
    EXPECT_EQ(nullptr, out);
  }
  EXPECT_HR(E_POINTER, factory->CreateInstance(nullptr, IID_IUnknown, nullptr));
  EXPECT_HR(E_POINTER, factory->CreateInstance(&outer, IID_IUnknown, nullptr));
  // Nothing refused above left an object or a module lock behind.
  factory.reset();
  EXPECT_HR(S_OK, server_.CanUnloadNow());
}

LONG accessViolations = 0;

LONG CALLBACK CountAccessViolations(EXCEPTION_POINTERS* exception) {
  if (exception->ExceptionRecord->ExceptionCode == EXCEPTION_ACCESS_VIOLATION) InterlockedIncrement(&accessViolations);
  return EXCEPTION_CONTINUE_SEARCH;
}

// A client that unloads the library while it still holds the class object:
// the unload releases only the server's own reference and must not fault.
// The loader swallows a fault in the library's detach, so the scenario
// watches for one itself.
CHILD_SCENARIO(unload_with_class_object_held) {
  AddVectoredExceptionHandler(1, CountAccessViolations);
  {
    LoadedServer server;
    if (!server.loaded()) return 2;
    if (server.ViewerClassObject() == nullptr) return 3;
  }
  if (GetModuleHandleW(test_bitness::kDllFileName) != nullptr) return 4;
  return accessViolations == 0 ? 0 : 5;
}

TEST(ClassObjectUnload, UnloadWhileAClientHoldsTheClassObject) {
  EXPECT_EQ(0, RunProcess(ChildCommandLine(L"unload_with_class_object_held")));
}

}  // namespace

// Loading and unloading the library again and again keeps neither memory nor
// handles: the statically linked C++ runtime's buffers go with each unload.
TEST(LibraryUnload, LoadUnloadCyclesKeepNothing) {
  constexpr int kWarmUpCycles = 20;
  constexpr int kCycles = 200;
  constexpr size_t kBytesPerCycle = 1024;
  auto cycle = [] {
    LoadedServer server;
    ASSERT_TRUE(server.loaded());
    ComRef<IClassFactory> factory(server.ViewerClassObject());
    ASSERT_TRUE(factory);
    ComRef<IDispatch> viewer;
    ASSERT_HR(S_OK, factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(viewer.put())));
    UINT count = 0;
    EXPECT_HR(S_OK, viewer->GetTypeInfoCount(&count));
  };
  // The first cycles load what the platform keeps for later ones.
  for (int i = 0; i < kWarmUpCycles; ++i) ASSERT_NO_FATAL_FAILURE(cycle());
  const size_t bytesBefore = CommittedPrivateBytes();
  const size_t handlesBefore = OpenHandleCount();
  ASSERT_GT(handlesBefore, 0u) << "the handle list could not be read";
  for (int i = 0; i < kCycles; ++i) ASSERT_NO_FATAL_FAILURE(cycle());
  const size_t bytesAfter = CommittedPrivateBytes();
  const size_t handlesAfter = OpenHandleCount();
  const long long grown = static_cast<long long>(bytesAfter) - static_cast<long long>(bytesBefore);
  EXPECT_LT(grown, static_cast<long long>(kBytesPerCycle * kCycles))
      << "committed private memory grew by " << grown << " bytes in " << kCycles << " cycles";
  EXPECT_LE(handlesAfter, handlesBefore) << "handles before " << handlesBefore << ", after " << handlesAfter;
}

namespace {

// A C++ exception thrown and caught inside the library, which gives
// E_UNEXPECTED. The string's length word claims more characters than a 32-bit
// string can hold, so the runtime throws before it reads one; a 64-bit string
// could hold them.

HRESULT AddOverlongCC(IDorvex_ZevEvover* viewer) {
  struct {
    DWORD bytes;
    wchar_t text[2];
  } overlong{0xfffffffe, L"x"};
  return viewer->AddCC(overlong.text);
}

}  // namespace

// The exception unwinds on every load, each of which registers the library's
// unwind frames anew.
TEST(LibraryUnload, ExceptionsInsideTheLibraryUnwindOnEveryLoad) {
  if (sizeof(void*) == 8) GTEST_SKIP() << "a 64-bit string takes the claimed length";
  for (int load = 0; load < 3; ++load) {
    LoadedServer server;
    ASSERT_TRUE(server.loaded());
    ComRef<IClassFactory> factory(server.ViewerClassObject());
    ASSERT_TRUE(factory);
    ComRef<IDorvex_ZevEvover> viewer;
    ASSERT_HR(S_OK, factory->CreateInstance(nullptr, IID_IDorvex_ZevEvover, reinterpret_cast<void**>(viewer.put())));
    EXPECT_HR(E_UNEXPECTED, AddOverlongCC(viewer.get())) << "load " << load;
    EXPECT_HR(S_OK, viewer->ClearCC()) << "load " << load;
  }
}

#ifndef _WIN64
// A client may hold the GCC runtime DLL that mingw-built plug-ins link
// (libgcc_s_dw2-1.dll, either thread variant) before the library loads, or
// load it later, and the library may have to load away from its preferred
// base. Its exceptions must unwind in each of those processes; each case runs
// in a process of its own, since a lost exception ends the process.
namespace {

enum class RuntimeLoad { kNone, kBeforeTheLibrary, kAfterTheLibrary };

struct UnwindCase {
  const char* what;
  RuntimeLoad runtimeLoad;
  // Below the program's folder; the build copies each variant there.
  const wchar_t* runtimeFolder;
  bool preferredBaseTaken;
};

constexpr UnwindCase kUnwindCases[] = {
    {"win32-threads runtime loaded first", RuntimeLoad::kBeforeTheLibrary, L"gcc-runtime-win32", false},
    {"posix-threads runtime loaded first", RuntimeLoad::kBeforeTheLibrary, L"gcc-runtime-posix", false},
    {"win32-threads runtime loaded after", RuntimeLoad::kAfterTheLibrary, L"gcc-runtime-win32", false},
    {"posix-threads runtime loaded after", RuntimeLoad::kAfterTheLibrary, L"gcc-runtime-posix", false},
    {"preferred base taken", RuntimeLoad::kNone, nullptr, true},
    {"preferred base taken, runtime loaded first", RuntimeLoad::kBeforeTheLibrary, L"gcc-runtime-posix", true},
};

// The scenario's exit codes besides the runtime's own: std::abort gives 3.
enum UnwindExit : long {
  kUnwound = 0,
  kNoSuchCase = 10,
  kRuntimeNotLoaded,
  kBaseNotReserved,
  kLibraryNotLoaded,
  kNotRelocated,
  kNoViewer,
  kOtherResult,
};

constexpr DWORD kHeaderBytes = 4096;

// Reserves the address range the library's file asks to be loaded at, so the
// loader must relocate it; gives the range's start, or null.
void* ReservePreferredBase(const std::wstring& path) {
  UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return nullptr;
  std::vector<unsigned char> header(kHeaderBytes);
  DWORD read = 0;
  if (!ReadFile(file.get(), header.data(), kHeaderBytes, &read, nullptr) || read < sizeof(IMAGE_DOS_HEADER)) return nullptr;
  IMAGE_DOS_HEADER dos;
  std::memcpy(&dos, header.data(), sizeof dos);
  if (dos.e_lfanew < 0 || static_cast<DWORD>(dos.e_lfanew) > read - sizeof(IMAGE_NT_HEADERS32)) return nullptr;
  IMAGE_NT_HEADERS32 nt;
  std::memcpy(&nt, header.data() + dos.e_lfanew, sizeof nt);
  void* const base = reinterpret_cast<void*>(static_cast<std::uintptr_t>(nt.OptionalHeader.ImageBase));
  return VirtualAlloc(base, nt.OptionalHeader.SizeOfImage, MEM_RESERVE, PAGE_NOACCESS);
}

CHILD_SCENARIO(unwind_in_client) {
  const unsigned long index = std::wcstoul(ChildScenarioArgument().c_str(), nullptr, 10);
  if (index >= std::size(kUnwindCases)) return kNoSuchCase;
  const UnwindCase& c = kUnwindCases[index];
  const std::wstring runtimePath =
      c.runtimeFolder == nullptr ? L"" : testing_paths::ProgramDirectory() + c.runtimeFolder + L"\\libgcc_s_dw2-1.dll";
  // The runtime's folder also holds what it imports.
  UniqueModule runtime;
  auto loadRuntime = [&] {
    runtime.reset(LoadLibraryExW(runtimePath.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    return static_cast<bool>(runtime);
  };
  if (c.runtimeLoad == RuntimeLoad::kBeforeTheLibrary && !loadRuntime()) return kRuntimeNotLoaded;
  void* preferredBase = nullptr;
  if (c.preferredBaseTaken && (preferredBase = ReservePreferredBase(testing_paths::DllPath())) == nullptr) {
    return kBaseNotReserved;
  }
  LoadedServer server;
  if (!server.loaded()) return kLibraryNotLoaded;
  if (c.preferredBaseTaken && GetModuleHandleW(test_bitness::kDllFileName) == preferredBase) return kNotRelocated;
  if (c.runtimeLoad == RuntimeLoad::kAfterTheLibrary && !loadRuntime()) return kRuntimeNotLoaded;
  ComRef<IClassFactory> factory(server.ViewerClassObject());
  ComRef<IDorvex_ZevEvover> viewer;
  if (!factory || FAILED(factory->CreateInstance(nullptr, IID_IDorvex_ZevEvover, reinterpret_cast<void**>(viewer.put())))) {
    return kNoViewer;
  }
  return AddOverlongCC(viewer.get()) == E_UNEXPECTED ? kUnwound : kOtherResult;
}

}  // namespace

TEST(LibraryUnwind, ExceptionsUnwindWhateverRuntimeTheClientHolds) {
  for (size_t i = 0; i < std::size(kUnwindCases); ++i) {
    EXPECT_EQ(kUnwound, RunProcess(ChildCommandLine(L"unwind_in_client", std::to_wstring(i))))
        << kUnwindCases[i].what << " (3: std::abort, the exception found no frame)";
  }
}

// Every export is called as __stdcall, and a 32-bit stdcall function takes its
// own arguments off the stack. An export built as __cdecl leaves them there;
// callers that address their locals through a frame pointer never notice, so
// only the stack pointer shows it. The thunk pushes the arguments, calls, and
// gives how many bytes the call left on the stack.
extern "C" std::uint32_t StackLeftByCall(FARPROC function, const std::uintptr_t* arguments, int count);
asm(".text\n"
    ".globl _StackLeftByCall\n"
    "_StackLeftByCall:\n"
    "  push %ebp\n"
    "  mov %esp, %ebp\n"
    "  push %esi\n"
    "  push %edi\n"
    "  mov 12(%ebp), %esi\n"
    "  mov 16(%ebp), %ecx\n"
    "  mov %esp, %edi\n"
    "1:\n"
    "  test %ecx, %ecx\n"
    "  jz 2f\n"
    "  dec %ecx\n"
    "  push (%esi,%ecx,4)\n"
    "  jmp 1b\n"
    "2:\n"
    "  call *8(%ebp)\n"
    "  mov %edi, %eax\n"
    "  sub %esp, %eax\n"
    "  mov %edi, %esp\n"
    "  pop %edi\n"
    "  pop %esi\n"
    "  pop %ebp\n"
    "  ret\n");

TEST(LibraryExports, EachExportTakesItsArgumentsOffTheStack) {
  UniqueModule library(LoadLibraryW(testing_paths::DllPath().c_str()));
  ASSERT_TRUE(library);
  IUnknown* object = nullptr;
  const std::uintptr_t getClassObject[] = {reinterpret_cast<std::uintptr_t>(&CLSID_Dorvex_ZevEvover),
                                           reinterpret_cast<std::uintptr_t>(&IID_IClassFactory),
                                           reinterpret_cast<std::uintptr_t>(&object)};
  // Nothing is registered here: an unregistration finds nothing to do.
  const std::uintptr_t install[] = {FALSE, 0};
  const struct {
    const char* name;
    const std::uintptr_t* arguments;
    int count;
  } exports[] = {
      {"DllGetClassObject", getClassObject, 3},
      {"DllInstall", install, 2},
      {"DllCanUnloadNow", nullptr, 0},
  };
  for (const auto& e : exports) {
    SCOPED_TRACE(e.name);
    const FARPROC function = GetProcAddress(library.get(), e.name);
    ASSERT_NE(nullptr, function);
    EXPECT_EQ(0u, StackLeftByCall(function, e.arguments, e.count)) << "bytes of arguments left on the stack";
  }
  ASSERT_NE(nullptr, object);
  object->Release();
}
#endif
