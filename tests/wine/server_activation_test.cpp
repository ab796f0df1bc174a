// The server reached through the platform: the class and type library
// registered in the prefix with regsvr32, then CoCreateInstance by class
// id and ProgID from a multithreaded and from a single-threaded apartment. The
// class is free-threaded, so the single-threaded client is given a proxy made
// by the type-library marshaler, and its calls still land on the viewer.
#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <thread>

#include "VeltaraDeskZevEvov.h"
#include "base/win/com_ref.h"
#include "test_bstr.h"
#include "test_registration.h"
#include "tests/support/hresult_check.h"

namespace {

constexpr LCID kLocale = MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT);

struct ClientRun {
  HRESULT initialized = E_FAIL;
  HRESULT created = E_FAIL;
  HRESULT proxyQuery = E_FAIL;  // IClientSecurity: only a proxy has it
  HRESULT put = E_FAIL;
  HRESULT get = E_FAIL;
  std::wstring got;
  HRESULT invokeGet = E_FAIL;
  std::wstring invokeGot;
  HRESULT idsOfNames = E_FAIL;
  DISPID sendUserId = 0;
};

// One client in its own thread and apartment, from creation to release.
ClientRun RunClient(DWORD apartment) {
  ClientRun run;
  std::thread client([&] {
    run.initialized = CoInitializeEx(nullptr, apartment);
    if (FAILED(run.initialized)) return;
    {
      ComRef<IDorvex_ZevEvover> viewer;
      run.created = CoCreateInstance(CLSID_Dorvex_ZevEvover, nullptr, CLSCTX_INPROC_SERVER, IID_IDorvex_ZevEvover,
                                     reinterpret_cast<void**>(viewer.put()));
      if (SUCCEEDED(run.created)) {
        ComRef<IClientSecurity> security;
        run.proxyQuery = viewer->QueryInterface(IID_IClientSecurity, reinterpret_cast<void**>(security.put()));

        run.put = viewer->put_ContRep(NewBstr(L"K1 \x00e4").get());
        UniqueBstr got;
        run.get = viewer->get_ContRep(got.put());
        if (got) run.got.assign(got.get(), SysStringLen(got.get()));

        std::wstring name = L"SendUser";
        LPOLESTR names[] = {name.data()};
        run.idsOfNames = viewer->GetIDsOfNames(IID_NULL, names, 1, kLocale, &run.sendUserId);
        VARIANT result;
        VariantInit(&result);
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        run.invokeGet = viewer->Invoke(1, IID_NULL, kLocale, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr);
        if (result.vt == VT_BSTR && result.bstrVal) run.invokeGot = result.bstrVal;
        VariantClear(&result);
      }
    }
    CoUninitialize();
  });
  client.join();
  return run;
}

class ActivationTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_HR(S_OK, registration_.result()); }
  ScopedTestRegistration registration_;
};

TEST_F(ActivationTest, ProgIdsNameTheClass) {
  for (const wchar_t* progId : {L"DorvexZevEvov.Dorvex_ZevEvover", L"DorvexZevEvov.Dorvex_ZevEvover.1"}) {
    CLSID classId{};
    EXPECT_HR(S_OK, CLSIDFromProgID(progId, &classId)) << testing::PrintToString(std::wstring(progId));
    EXPECT_TRUE(IsEqualCLSID(CLSID_Dorvex_ZevEvover, classId));
  }
}

TEST_F(ActivationTest, ClientsInBothApartments) {
  const struct {
    const char* apartment;
    DWORD model;
    HRESULT proxyQuery;
  } clients[] = {
      {"single-threaded: a proxy", COINIT_APARTMENTTHREADED, S_OK},
      {"multithreaded: the object itself", COINIT_MULTITHREADED, E_NOINTERFACE},
  };
  for (const auto& c : clients) {
    SCOPED_TRACE(c.apartment);
    const ClientRun run = RunClient(c.model);
    ASSERT_HR(S_OK, run.initialized);
    ASSERT_HR(S_OK, run.created);
    EXPECT_HR(c.proxyQuery, run.proxyQuery);
    EXPECT_HR(S_OK, run.put);
    EXPECT_HR(S_OK, run.get);
    EXPECT_EQ(L"K1 \x00e4", run.got);
    EXPECT_HR(S_OK, run.idsOfNames);
    EXPECT_EQ(20, run.sendUserId);
    EXPECT_HR(S_OK, run.invokeGet);
    EXPECT_EQ(L"K1 \x00e4", run.invokeGot);
  }
}

}  // namespace
