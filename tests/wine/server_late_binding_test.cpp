// Late binding on a viewer: the dispatch half of its dual interface, answered
// from the type library that regsvr32 registered.
#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "VeltaraDeskZevEvov.h"
#include "base/win/com_ref.h"
#include "base/win/unique_bstr.h"
#include "base/win/unique_type_blocks.h"
#include "loaded_server.h"
#include "test_registration.h"
#include "tests/support/hresult_check.h"

namespace {

// The library is registered for English (United States) only.
constexpr LCID kLocale = MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT);

// A fresh server and one plain viewer, seen as IDispatch.
class LateBinding {
 public:
  LateBinding() {
    ComRef<IClassFactory> factory;
    *factory.put() = server_.ViewerClassObject();
    if (factory) factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(viewer_.put()));
  }
  IDispatch* viewer() const { return viewer_.get(); }
  const LoadedServer& server() const { return server_; }

  HRESULT PutText(DISPID id, const wchar_t* text) {
    VARIANT value;
    value.vt = VT_BSTR;
    value.bstrVal = SysAllocString(text);
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS parameters{&value, &named, 1, 1};
    const HRESULT result =
        viewer_->Invoke(id, IID_NULL, kLocale, DISPATCH_PROPERTYPUT, &parameters, nullptr, nullptr, nullptr);
    VariantClear(&value);
    return result;
  }
  HRESULT Get(DISPID id, VARIANT* result) {
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    return viewer_->Invoke(id, IID_NULL, kLocale, DISPATCH_PROPERTYGET, &none, result, nullptr, nullptr);
  }

 private:
  LoadedServer server_;
  ComRef<IDispatch> viewer_;
};

class LateBindingTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_HR(S_OK, registration_.result());
    ASSERT_TRUE(binding_.viewer()) << "no viewer";
  }
  ScopedTestRegistration registration_;
  LateBinding binding_;
};

TEST_F(LateBindingTest, TypeInfoCountAndTypeInfo) {
  IDispatch* viewer = binding_.viewer();
  UINT count = 0xdeadbeef;
  EXPECT_HR(S_OK, viewer->GetTypeInfoCount(&count));
  EXPECT_EQ(1u, count);
  EXPECT_HR(E_POINTER, viewer->GetTypeInfoCount(nullptr));

  ITypeInfo* info = reinterpret_cast<ITypeInfo*>(0xdeadbeef);
  EXPECT_HR(DISP_E_BADINDEX, viewer->GetTypeInfo(1, kLocale, &info));
  EXPECT_EQ(nullptr, info) << "a failed call leaves no stale pointer";
  EXPECT_HR(DISP_E_BADINDEX, viewer->GetTypeInfo(1, kLocale, nullptr)) << "the index is tested first";
  EXPECT_HR(E_POINTER, viewer->GetTypeInfo(0, kLocale, nullptr));

  ComRef<ITypeInfo> described;
  ASSERT_HR(S_OK, viewer->GetTypeInfo(0, kLocale, described.put()));
  UniqueTypeAttributes attributes(described.get());
  ASSERT_HR(S_OK, described->GetTypeAttr(attributes.put()));
  EXPECT_TRUE(IsEqualGUID(IID_IDorvex_ZevEvover, attributes->guid));
}

TEST_F(LateBindingTest, GetIDsOfNames) {
  const struct {
    const wchar_t* name;
    HRESULT expected;
    DISPID id;
  } cases[] = {
      {L"DID", S_OK, 2},
      {L"CustomCommand", S_OK, 12},
      {L"SendUser", S_OK, 20},
      {L"Show", S_OK, 5},
      // Another spelling misses the exact-case cache; the type information
      // ignores case.
      {L"sHOW", S_OK, 5},
      {L"customcommand", S_OK, 12},
      // The parameter of ShowEx is no member.
      {L"sapDocId", DISP_E_UNKNOWNNAME, DISPID_UNKNOWN},
      {L"", DISP_E_UNKNOWNNAME, DISPID_UNKNOWN},
  };
  for (const auto& c : cases) {
    std::wstring name = c.name;
    LPOLESTR names[] = {name.data()};
    DISPID id = 0x7eadbeef;
    EXPECT_HR(c.expected, binding_.viewer()->GetIDsOfNames(IID_NULL, names, 1, kLocale, &id))
        << testing::PrintToString(name);
    EXPECT_EQ(c.id, id) << testing::PrintToString(name);
  }

  // A member with its parameter is answered by the type information.
  std::wstring method = L"ShowEx", parameter = L"sapDocId";
  LPOLESTR names[] = {method.data(), parameter.data()};
  DISPID ids[2] = {0x7eadbeef, 0x7eadbeef};
  EXPECT_HR(S_OK, binding_.viewer()->GetIDsOfNames(IID_NULL, names, 2, kLocale, ids));
  EXPECT_EQ(8, ids[0]);
  EXPECT_EQ(0, ids[1]);
}

// Arrays the type information would read past: refused before it sees them.
TEST_F(LateBindingTest, GetIDsOfNamesArguments) {
  std::wstring name = L"Show";
  LPOLESTR names[] = {name.data()};
  DISPID id = 0x7eadbeef;
  const struct {
    const char* what;
    LPOLESTR* names;
    UINT count;
    DISPID* ids;
    HRESULT expected;
  } cases[] = {
      {"null arrays, count 0", nullptr, 0, nullptr, E_INVALIDARG},
      {"null names, count 0", nullptr, 0, &id, E_INVALIDARG},
      {"a name, count 0", names, 0, &id, E_INVALIDARG},
      {"null names, count 1", nullptr, 1, &id, E_POINTER},
      {"null ids, count 1", names, 1, nullptr, E_POINTER},
      {"null arrays, count 1", nullptr, 1, nullptr, E_POINTER},
  };
  for (const auto& c : cases) {
    id = 0x7eadbeef;
    EXPECT_HR(c.expected, binding_.viewer()->GetIDsOfNames(IID_NULL, c.names, c.count, kLocale, c.ids)) << c.what;
    EXPECT_EQ(0x7eadbeef, id) << c.what;
  }
}

TEST_F(LateBindingTest, InvokeReachesTheMembers) {
  ASSERT_HR(S_OK, binding_.PutText(1, L"A1"));
  VARIANT got;
  VariantInit(&got);
  ASSERT_HR(S_OK, binding_.Get(1, &got));
  EXPECT_EQ(VT_BSTR, got.vt);
  EXPECT_STREQ(L"A1", got.bstrVal);
  VariantClear(&got);

  ASSERT_HR(S_OK, binding_.Get(6, &got));
  EXPECT_EQ(VT_I4, got.vt);
  EXPECT_EQ(0, got.lVal);
  VariantClear(&got);
}

TEST_F(LateBindingTest, ReadOnlyPropertiesRefuseWrites) {
  const struct {
    const char* name;
    DISPID id;
  } readOnly[] = {{"ReturnCode", 6}, {"LastErrorText", 7}, {"CustomCommand", 12}};
  for (const auto& property : readOnly) {
    const HRESULT result = binding_.PutText(property.id, L"5");
    EXPECT_TRUE(FAILED(result)) << property.name << " write gave " << HResultText{result};
  }
  // The read-only values are unchanged.
  VARIANT got;
  VariantInit(&got);
  ASSERT_HR(S_OK, binding_.Get(6, &got));
  EXPECT_EQ(0, got.lVal);
  VariantClear(&got);
}

// Without the type library registered, late binding fails with the loader's
// result; the early-bound members keep working, and the next call after the
// library is registered loads it.
TEST(LateBindingRegistration, TypeLibraryRegisteredLater) {
  ASSERT_HR(S_OK, RegisterServerForTests());
  UnregisterTypeLibraryForTests();
  ComRef<ITypeLib> unregistered;
  const HRESULT loaderResult = LoadRegTypeLib(LIBID_VeltaraDeskZevEvovLib, 1, 0, kLocale, unregistered.put());
  ASSERT_TRUE(FAILED(loaderResult)) << HResultText{loaderResult};
  {
    LateBinding binding;
    ASSERT_TRUE(binding.viewer());
    VARIANT got;
    VariantInit(&got);
    EXPECT_HR(loaderResult, binding.Get(1, &got));
    EXPECT_HR(loaderResult, binding.PutText(1, L"A1"));

    ComRef<IDorvex_ZevEvover> early;
    ASSERT_HR(S_OK, binding.viewer()->QueryInterface(IID_IDorvex_ZevEvover, reinterpret_cast<void**>(early.put())));
    UniqueBstr value;
    EXPECT_HR(S_OK, early->get_LastErrorText(value.put()));

    ASSERT_HR(S_OK, RegisterTypeLibraryForTests());
    EXPECT_HR(S_OK, binding.PutText(1, L"A1"));
    ASSERT_HR(S_OK, binding.Get(1, &got));
    EXPECT_STREQ(L"A1", got.bstrVal);
    VariantClear(&got);
  }
  UnregisterServerForTests();
}

}  // namespace
