// The IDispatch half of a dual interface, answered by a type information
// holder: late-bound calls land on the same members as early-bound ones.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include "base/exception_barrier.h"
#include "comframe/com_type_info_holder.h"

template <typename Interface, CComTypeInfoHolder& holder>
class IDispatchImpl : public Interface {
 public:
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) noexcept override {
    return ExceptionBarrier([&] { return holder.GetTypeInfoCount(count); });
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** out) noexcept override {
    return ExceptionBarrier([&] { return holder.GetTypeInfo(index, locale, out); });
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID locale,
                                          DISPID* ids) noexcept override {
    return ExceptionBarrier([&] { return holder.GetIDsOfNames(names, count, locale, ids); });
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID locale, WORD flags, DISPPARAMS* parameters,
                                   VARIANT* result, EXCEPINFO* exception, UINT* argumentError) noexcept override {
    return ExceptionBarrier([&] {
      return holder.Invoke(static_cast<Interface*>(this), id, locale, flags, parameters, result, exception,
                           argumentError);
    });
  }

 protected:
  IDispatchImpl() = default;
  ~IDispatchImpl() = default;
};
