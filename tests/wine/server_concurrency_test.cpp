// First calls from many threads at once: the class object is created once,
// the type information is loaded once, and once every reference is gone the
// library may be unloaded. Each round starts a fresh server, so its first
// calls really are the first.
#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <latch>
#include <memory>
#include <thread>
#include <vector>

#include "VeltaraDeskZevEvov.h"
#include "base/win/com_ref.h"
#include "loaded_server.h"
#include "test_registration.h"
#include "tests/support/hresult_check.h"

namespace {

constexpr int kThreads = 16;
constexpr int kRounds = 10;
constexpr LCID kLocale = MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT);
constexpr DISPID kDid = 2;

// Runs work(index) on kThreads threads released together.
template <typename Work>
void AllAtOnce(Work work) {
  std::latch start(kThreads);
  std::vector<std::thread> threads;
  for (int index = 0; index < kThreads; ++index) {
    threads.emplace_back([&, index] {
      start.arrive_and_wait();
      work(index);
    });
  }
  for (std::thread& thread : threads) thread.join();
}

// One late-bound put and get of DID on a fresh viewer.
HRESULT InvokeOnFreshViewer(IClassFactory* factory, const wchar_t* text) {
  ComRef<IDispatch> viewer;
  HRESULT result = factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(viewer.put()));
  if (FAILED(result)) return result;
  VARIANT value;
  value.vt = VT_BSTR;
  value.bstrVal = SysAllocString(text);
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS put{&value, &named, 1, 1};
  result = viewer->Invoke(kDid, IID_NULL, kLocale, DISPATCH_PROPERTYPUT, &put, nullptr, nullptr, nullptr);
  VariantClear(&value);
  if (FAILED(result)) return result;
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  VARIANT got;
  VariantInit(&got);
  result = viewer->Invoke(kDid, IID_NULL, kLocale, DISPATCH_PROPERTYGET, &none, &got, nullptr, nullptr);
  if (SUCCEEDED(result) && (got.vt != VT_BSTR || wcscmp(got.bstrVal, text) != 0)) result = E_UNEXPECTED;
  VariantClear(&got);
  return result;
}

// The count of references on the server's type information, read through a
// fresh viewer: one more than the server keeps. A second load that raced the
// first would leave one reference more.
ULONG TypeInfoReferences(IClassFactory* factory) {
  ComRef<IDispatch> viewer;
  if (FAILED(factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(viewer.put())))) return 0;
  ComRef<ITypeInfo> info;
  if (FAILED(viewer->GetTypeInfo(0, kLocale, info.put()))) return 0;
  info->AddRef();
  return info->Release();
}

TEST(Concurrency, FirstClassObjectCallsGetOneClassObject) {
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE(testing::Message() << "round " << round);
    auto server = std::make_unique<LoadedServer>();
    ASSERT_TRUE(server->loaded());
    std::vector<IClassFactory*> factories(kThreads, nullptr);
    std::vector<HRESULT> results(kThreads, E_FAIL);
    AllAtOnce([&](int index) {
      results[index] = server->GetClassObject(CLSID_Dorvex_ZevEvover, IID_IClassFactory,
                                              reinterpret_cast<void**>(&factories[index]));
    });
    for (int index = 0; index < kThreads; ++index) {
      EXPECT_HR(S_OK, results[index]) << "thread " << index;
      EXPECT_EQ(factories[0], factories[index]) << "thread " << index;
    }
    EXPECT_HR(S_FALSE, server->CanUnloadNow());
    for (IClassFactory* factory : factories) {
      if (factory) factory->Release();
    }
    EXPECT_HR(S_OK, server->CanUnloadNow());
  }
}

TEST(Concurrency, FirstInvokesLoadTheTypeInformationOnce) {
  ScopedTestRegistration registration;
  ASSERT_HR(S_OK, registration.result());

  // What one load leaves: measured on a server loaded from one thread.
  ULONG expectedReferences = 0;
  {
    LoadedServer server;
    ComRef<IClassFactory> factory;
    *factory.put() = server.ViewerClassObject();
    ASSERT_TRUE(factory);
    ASSERT_HR(S_OK, InvokeOnFreshViewer(factory.get(), L"single"));
    expectedReferences = TypeInfoReferences(factory.get());
    ASSERT_NE(0u, expectedReferences);
  }

  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE(testing::Message() << "round " << round);
    auto server = std::make_unique<LoadedServer>();
    ComRef<IClassFactory> factory;
    *factory.put() = server->ViewerClassObject();
    ASSERT_TRUE(factory);
    std::vector<HRESULT> results(kThreads, E_FAIL);
    AllAtOnce([&](int index) {
      const std::wstring text = L"D" + std::to_wstring(index);
      results[index] = InvokeOnFreshViewer(factory.get(), text.c_str());
    });
    for (int index = 0; index < kThreads; ++index) EXPECT_HR(S_OK, results[index]) << "thread " << index;
    EXPECT_EQ(expectedReferences, TypeInfoReferences(factory.get()));
    factory.reset();
    EXPECT_HR(S_OK, server->CanUnloadNow());
  }
}

}  // namespace
