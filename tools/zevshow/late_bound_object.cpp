#include "tools/zevshow/late_bound_object.h"

#include <oleauto.h>

#include "base/hresult.h"
#include "base/win/unique_bstr.h"
#include "tools/zevshow/result_text.h"

namespace {

HRESULT AllocateText(std::wstring_view text, UniqueBstr& out) {
  out.reset(SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
  return out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

HRESULT LateBoundObject::Call(const wchar_t* member) {
  return Invoke(member, DISPATCH_METHOD, nullptr, nullptr);
}

HRESULT LateBoundObject::Call(const wchar_t* member, std::wstring_view text) {
  UniqueBstr value;
  RETURN_IF_FAILED(AllocateText(text, value));
  VARIANT argument;
  V_VT(&argument) = VT_BSTR;
  V_BSTR(&argument) = value.get();
  return Invoke(member, DISPATCH_METHOD, &argument, nullptr);
}

HRESULT LateBoundObject::Put(const wchar_t* member, std::wstring_view text) {
  UniqueBstr value;
  RETURN_IF_FAILED(AllocateText(text, value));
  VARIANT argument;
  V_VT(&argument) = VT_BSTR;
  V_BSTR(&argument) = value.get();
  return Invoke(member, DISPATCH_PROPERTYPUT, &argument, nullptr);
}

HRESULT LateBoundObject::Put(const wchar_t* member, bool value) {
  VARIANT argument;
  V_VT(&argument) = VT_BOOL;
  V_BOOL(&argument) = value ? VARIANT_TRUE : VARIANT_FALSE;
  return Invoke(member, DISPATCH_PROPERTYPUT, &argument, nullptr);
}

HRESULT LateBoundObject::Get(const wchar_t* member, long& value) {
  VARIANT result;
  VariantInit(&result);
  RETURN_IF_FAILED(Invoke(member, DISPATCH_PROPERTYGET, nullptr, &result));
  if (V_VT(&result) != VT_I4) {
    VariantClear(&result);
    return Fail(member, L"result type", DISP_E_TYPEMISMATCH);
  }
  value = V_I4(&result);
  return S_OK;
}

HRESULT LateBoundObject::Get(const wchar_t* member, std::wstring& text) {
  VARIANT result;
  VariantInit(&result);
  RETURN_IF_FAILED(Invoke(member, DISPATCH_PROPERTYGET, nullptr, &result));
  if (V_VT(&result) != VT_BSTR) {
    VariantClear(&result);
    return Fail(member, L"result type", DISP_E_TYPEMISMATCH);
  }
  const UniqueBstr owned(V_BSTR(&result));
  text.assign(owned.get(), SysStringLen(owned.get()));
  return S_OK;
}

HRESULT LateBoundObject::Invoke(const wchar_t* member, WORD flags, VARIANT* argument, VARIANT* result) {
  std::wstring name = member;
  LPOLESTR names[] = {name.data()};
  DISPID id = DISPID_UNKNOWN;
  HRESULT hr = object_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) return Fail(member, L"GetIDsOfNames", hr);

  DISPID putId = DISPID_PROPERTYPUT;
  DISPPARAMS parameters{};
  if (argument != nullptr) {
    parameters.rgvarg = argument;
    parameters.cArgs = 1;
  }
  if (flags == DISPATCH_PROPERTYPUT) {
    parameters.rgdispidNamedArgs = &putId;
    parameters.cNamedArgs = 1;
  }
  EXCEPINFO exception{};
  UINT badArgument = 0;
  hr = object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &parameters, result, &exception, &badArgument);
  if (SUCCEEDED(hr)) return hr;
  if (hr != DISP_E_EXCEPTION) return Fail(member, L"Invoke", hr);
  if (exception.pfnDeferredFillIn != nullptr) exception.pfnDeferredFillIn(&exception);
  const UniqueBstr source(exception.bstrSource);
  const UniqueBstr description(exception.bstrDescription);
  const UniqueBstr helpFile(exception.bstrHelpFile);
  const HRESULT reported = exception.scode != S_OK ? exception.scode : hr;
  return Fail(member, L"Invoke", reported,
              description ? std::wstring(description.get(), SysStringLen(description.get())) : std::wstring());
}

HRESULT LateBoundObject::Fail(const wchar_t* member, const wchar_t* step, HRESULT result,
                              const std::wstring& reported) {
  failure_ = std::wstring(member) + L": " + step + L" failed, " + ResultText(result);
  if (!reported.empty()) failure_ += L" " + reported;
  return FAILED(result) ? result : E_FAIL;
}
