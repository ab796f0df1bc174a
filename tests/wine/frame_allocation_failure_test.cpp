// The frame's creation paths when memory runs out, without the DLL: the class
// object and the viewer's creators are linked in, and every allocation that
// CreateClassFactory and CreateInstance (plain or in an aggregate) make fails
// in turn. Each time the call gives E_OUTOFMEMORY, hands out nothing, leaves
// no block allocated and no module lock taken.
#include <windows.h>
#include <unknwn.h>

#include <gtest/gtest.h>

#include "VeltaraDeskZevEvov.h"
#include "base/win/com_ref.h"
#include "comframe/class_factory.h"
#include "comframe/com_module.h"
#include "idle_outer.h"
#include "tests/support/failing_allocation.h"
#include "tests/support/hresult_check.h"
#include "viewer/win/viewer_creation.h"

namespace {

class TestModule final : public ComModule {
 public:
  HRESULT UpdateRegistryFromResource(UINT, bool) override { return E_NOTIMPL; }
};

TEST(FrameAllocationFailure, EveryAllocationOfACreationFailsCleanly) {
  TestModule module;
  ASSERT_TRUE(module.Ready());
  ComRef<IClassFactory> factory;
  ASSERT_HR(S_OK, CreateClassFactory(&CreateViewerInstance, IID_IClassFactory, reinterpret_cast<void**>(factory.put())));
  IdleOuter outer;

  const struct {
    const char* name;
    HRESULT (*create)(IClassFactory* factory, IUnknown* outer, void** out);
  } cases[] = {
      {"class object",
       [](IClassFactory*, IUnknown*, void** out) { return CreateClassFactory(&CreateViewerInstance, IID_IUnknown, out); }},
      {"plain viewer",
       [](IClassFactory* factory, IUnknown*, void** out) {
         return factory->CreateInstance(nullptr, IID_IDorvex_ZevEvover, out);
       }},
      {"aggregated viewer",
       [](IClassFactory* factory, IUnknown* outer, void** out) {
         return factory->CreateInstance(outer, IID_IUnknown, out);
       }},
  };
  for (const auto& c : cases) {
    long failed = 0;
    for (long n = 0;; ++n) {
      const LONG locksBefore = module.CurrentLockCount();
      const long blocksBefore = LiveAllocations();
      void* out = reinterpret_cast<void*>(0xdeadbeef);
      HRESULT result;
      bool injected;
      {
        FailingAllocation failNth(n);
        result = c.create(factory.get(), &outer, &out);
        injected = FailingAllocation::Injected();
      }
      const long blocksAfter = LiveAllocations();
      if (!injected) {
        // Past the last allocation: the creation succeeds.
        EXPECT_HR(S_OK, result) << c.name;
        ASSERT_NE(out, nullptr) << c.name;
        static_cast<IUnknown*>(out)->Release();
        EXPECT_EQ(module.CurrentLockCount(), locksBefore) << c.name << " after the release";
        break;
      }
      ++failed;
      EXPECT_HR(E_OUTOFMEMORY, result) << c.name << ", allocation " << n;
      EXPECT_EQ(out, nullptr) << c.name << ", allocation " << n;
      EXPECT_EQ(blocksAfter, blocksBefore) << c.name << ", allocation " << n;
      EXPECT_EQ(module.CurrentLockCount(), locksBefore) << c.name << ", allocation " << n;
    }
    EXPECT_GT(failed, 0) << c.name << " made no allocation to fail";
  }
}

}  // namespace
