// A viewer object's interfaces, plain and inside an aggregate: which ids it
// answers on which face, object identity, the error-information answer, and
// whose count moves when an aggregated viewer is referenced.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include "VeltaraDeskZevEvov.h"
#include "base/win/com_ref.h"
#include "loaded_server.h"
#include "test_bstr.h"
#include "tests/support/hresult_check.h"

namespace {

void* const kSentinel = reinterpret_cast<void*>(0xdeadbeef);

enum class Face { kDual, kErrorInfo, kNone };

const struct {
  const char* name;
  const IID* iid;
  Face face;
} kInterfaces[] = {
    {"IUnknown", &IID_IUnknown, Face::kDual},
    {"IDispatch", &IID_IDispatch, Face::kDual},
    {"IDorvex_ZevEvover", &IID_IDorvex_ZevEvover, Face::kDual},
    {"ISupportErrorInfo", &IID_ISupportErrorInfo, Face::kErrorInfo},
    {"IClassFactory", &IID_IClassFactory, Face::kNone},
    {"IPersist", &IID_IPersist, Face::kNone},
    {"IProvideClassInfo", &IID_IProvideClassInfo, Face::kNone},
    {"IMarshal", &IID_IMarshal, Face::kNone},
};

// The outer object of an aggregate: counts its own references, answers
// IUnknown itself and hands every other request to the inner object.
class Outer final : public IUnknown {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown)) {
      AddRef();
      *out = static_cast<IUnknown*>(this);
      return S_OK;
    }
    return inner.get() ? inner->QueryInterface(iid, out) : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++count; }
  ULONG STDMETHODCALLTYPE Release() override { return --count; }

  ULONG count = 1;
  ComRef<IUnknown> inner;
};

class ViewerIdentityTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.loaded());
    *factory_.put() = server_.ViewerClassObject();
    ASSERT_TRUE(factory_);
  }
  LoadedServer server_;
  ComRef<IClassFactory> factory_;
};

TEST_F(ViewerIdentityTest, InterfacesAndFaces) {
  ComRef<IDorvex_ZevEvover> viewer;
  ASSERT_HR(S_OK, factory_->CreateInstance(nullptr, IID_IDorvex_ZevEvover, reinterpret_cast<void**>(viewer.put())));
  ComRef<ISupportErrorInfo> errorInfo;
  ASSERT_HR(S_OK, viewer->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(errorInfo.put())));
  EXPECT_NE(static_cast<void*>(viewer.get()), static_cast<void*>(errorInfo.get()));

  // Asked on either face, every id gives the same answer.
  IUnknown* const faces[] = {viewer.get(), errorInfo.get()};
  for (IUnknown* face : faces) {
    for (const auto& i : kInterfaces) {
      SCOPED_TRACE(testing::Message() << i.name << (face == faces[0] ? " on the dual face" : " on the other face"));
      void* out = kSentinel;
      const HRESULT result = face->QueryInterface(*i.iid, &out);
      switch (i.face) {
        case Face::kDual:
          EXPECT_HR(S_OK, result);
          EXPECT_EQ(static_cast<void*>(viewer.get()), out);
          break;
        case Face::kErrorInfo:
          EXPECT_HR(S_OK, result);
          EXPECT_EQ(static_cast<void*>(errorInfo.get()), out);
          break;
        case Face::kNone:
          EXPECT_HR(E_NOINTERFACE, result);
          EXPECT_EQ(nullptr, out);
          break;
      }
      if (SUCCEEDED(result)) static_cast<IUnknown*>(out)->Release();
    }
    EXPECT_HR(E_POINTER, face->QueryInterface(IID_IUnknown, nullptr));
  }
}

TEST_F(ViewerIdentityTest, ReferenceCountsOfAPlainViewer) {
  IUnknown* viewer = nullptr;
  ASSERT_HR(S_OK, factory_->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&viewer)));
  EXPECT_EQ(2u, viewer->AddRef());
  EXPECT_EQ(1u, viewer->Release());
  factory_.reset();
  EXPECT_HR(S_FALSE, server_.CanUnloadNow());
  EXPECT_EQ(0u, viewer->Release());
  EXPECT_HR(S_OK, server_.CanUnloadNow());
}

TEST_F(ViewerIdentityTest, InterfaceSupportsErrorInfo) {
  ComRef<ISupportErrorInfo> viewer;
  ASSERT_HR(S_OK, factory_->CreateInstance(nullptr, IID_ISupportErrorInfo, reinterpret_cast<void**>(viewer.put())));
  const struct {
    const char* name;
    const IID* iid;
    HRESULT expected;
  } cases[] = {
      {"IDorvex_ZevEvover", &IID_IDorvex_ZevEvover, S_OK},
      {"IDispatch", &IID_IDispatch, S_FALSE},
      {"IUnknown", &IID_IUnknown, S_FALSE},
      {"ISupportErrorInfo", &IID_ISupportErrorInfo, S_FALSE},
      {"the class id", &CLSID_Dorvex_ZevEvover, S_FALSE},
  };
  for (const auto& c : cases) EXPECT_HR(c.expected, viewer->InterfaceSupportsErrorInfo(*c.iid)) << c.name;
}

TEST_F(ViewerIdentityTest, AggregatedViewerCountsOnTheOuterObject) {
  Outer outer;
  ASSERT_HR(S_OK, factory_->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(outer.inner.put())));
  IUnknown* inner = outer.inner.get();
  EXPECT_EQ(1u, outer.count) << "creating the aggregate must not reference the outer object";
  // The aggregate's own count: one, held by the outer object.
  EXPECT_EQ(2u, inner->AddRef());
  EXPECT_EQ(1u, inner->Release());

  ComRef<IDorvex_ZevEvover> viewer;
  ASSERT_HR(S_OK, inner->QueryInterface(IID_IDorvex_ZevEvover, reinterpret_cast<void**>(viewer.put())));
  EXPECT_EQ(2u, outer.count);
  EXPECT_EQ(3u, viewer->AddRef());
  EXPECT_EQ(3u, outer.count);
  EXPECT_EQ(2u, viewer->Release());
  EXPECT_EQ(2u, inner->AddRef()) << "the aggregate's own count must not move";
  EXPECT_EQ(1u, inner->Release());

  // Identity belongs to the outer object, and the other face delegates too.
  IUnknown* identity = nullptr;
  ASSERT_HR(S_OK, viewer->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)));
  EXPECT_EQ(static_cast<IUnknown*>(&outer), identity);
  identity->Release();
  ComRef<ISupportErrorInfo> errorInfo;
  ASSERT_HR(S_OK, viewer->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(errorInfo.put())));
  EXPECT_EQ(3u, outer.count);
  EXPECT_HR(S_OK, errorInfo->InterfaceSupportsErrorInfo(IID_IDorvex_ZevEvover));
  errorInfo.reset();

  // The inner part is a whole viewer.
  EXPECT_HR(S_OK, viewer->put_ContRep(NewBstr(L"R1").get()));
  UniqueBstr got;
  ASSERT_HR(S_OK, viewer->get_ContRep(got.put()));
  EXPECT_STREQ(L"R1", got.get());

  // The aggregate's own IUnknown, asked directly.
  void* out = kSentinel;
  EXPECT_HR(E_NOINTERFACE, inner->QueryInterface(IID_IClassFactory, &out));
  EXPECT_EQ(nullptr, out);
  EXPECT_HR(E_POINTER, inner->QueryInterface(IID_IUnknown, nullptr));
  IUnknown* self = nullptr;
  ASSERT_HR(S_OK, inner->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&self)));
  EXPECT_EQ(inner, self);
  EXPECT_EQ(1u, self->Release());

  viewer.reset();
  EXPECT_EQ(1u, outer.count);
  factory_.reset();
  EXPECT_HR(S_FALSE, server_.CanUnloadNow()) << "the aggregate holds the library";
  outer.inner.reset();
  EXPECT_HR(S_OK, server_.CanUnloadNow());
}

}  // namespace
