// The class object through the DLL's exports, loaded with LoadLibrary: one
// cached class object, unknown class ids, how long the library stays needed
// (viewers, LockServer, client references to the class object), and the
// arguments CreateInstance refuses.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "VeltaraDeskZevEvov.h"
#include "base/win/com_ref.h"
#include "child_process.h"
#include "idle_outer.h"
#include "loaded_server.h"
#include "process_runner.h"
#include "tests/support/hresult_check.h"
#include "test_bitness.h"

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
