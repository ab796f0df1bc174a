// Serves IDispatch for one dual interface from the registered type library:
// loads the interface's type information once per process on first need,
// keeps a cache of member names and their dispatch ids, and lets the type
// information invoke the members. One static holder serves every object of
// the interface; what it loads is released by a termination callback of the
// module object at process detach, so the holder itself needs no destructor.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <atomic>

class ComModule;

class CComTypeInfoHolder {
 public:
  constexpr CComTypeInfoHolder(const IID* iid, const GUID* libraryId, WORD majorVersion, WORD minorVersion)
      : iid_(iid), libraryId_(libraryId), majorVersion_(majorVersion), minorVersion_(minorVersion) {}
  CComTypeInfoHolder(const CComTypeInfoHolder&) = delete;
  CComTypeInfoHolder& operator=(const CComTypeInfoHolder&) = delete;

  HRESULT GetTypeInfoCount(UINT* count);
  HRESULT GetTypeInfo(UINT index, LCID locale, ITypeInfo** out);
  // The interface id argument of IDispatch is not examined.
  HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, LCID locale, DISPID* ids);
  // object is the dual face whose members the type information calls.
  HRESULT Invoke(IDispatch* object, DISPID id, LCID locale, WORD flags, DISPPARAMS* parameters, VARIANT* result,
                 EXCEPINFO* exception, UINT* argumentError);

 private:
  struct NameEntry;

  bool Loaded() const;
  // Under staticLock: the type information and the name cache, each unless
  // another thread made it first.
  HRESULT LoadTypeInfo(LCID locale);
  HRESULT LoadInterfaceTypeInfo(LCID locale, ComModule& module);
  HRESULT BuildNameCache(ITypeInfo* info);
  // The termination callback; argument is the holder.
  static void ReleaseTypeInfo(DWORD_PTR holder);

  const IID* iid_;
  const GUID* libraryId_;
  WORD majorVersion_;
  WORD minorVersion_;
  // Written once under the module's staticLock and read without it; the
  // holder owns one reference.
  std::atomic<ITypeInfo*> typeInfo_{nullptr};
  // nameCount_ entries, published after they are filled.
  std::atomic<NameEntry*> nameCache_{nullptr};
  int nameCount_ = 0;
};
