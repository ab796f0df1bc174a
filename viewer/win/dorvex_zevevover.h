// The viewer COM class: the frame-facing faces of a viewer object (the error
// information face and the dual IDorvex_ZevEvover) over the portable viewer
// core, which holds the object's state and does its work. Each member takes
// the object's lock, forwards to the core and lets no exception out; the
// IUnknown methods come from the template that completes the object (plain or
// contained in an aggregate).
#pragma once

#include <windows.h>
#include <oaidl.h>

#include "VeltaraDeskZevEvov.h"
#include "comframe/com_object_root.h"
#include "comframe/dispatch_impl.h"
#include "comframe/interface_table.h"
#include "viewer/string_out.h"
#include "viewer/viewer_core.h"
#include "viewer/win/viewer_type_info.h"
#include "viewer/win/windows_viewer_platform.h"

class CDorvex_ZevEvover : public ComObjectRoot,
                          public ISupportErrorInfo,
                          public IDispatchImpl<IDorvex_ZevEvover, viewerTypeInfoHolder> {
 public:
  // IDorvex_ZevEvover and IDispatch on the dual face, ISupportErrorInfo on
  // the other.
  static const InterfaceEntry* InterfaceTable();

  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) noexcept override;

  HRESULT STDMETHODCALLTYPE get_ContRep(BSTR* pVal) noexcept override;
  HRESULT STDMETHODCALLTYPE put_ContRep(BSTR newVal) noexcept override;
  HRESULT STDMETHODCALLTYPE get_DID(BSTR* pVal) noexcept override;
  HRESULT STDMETHODCALLTYPE put_DID(BSTR newVal) noexcept override;
  HRESULT STDMETHODCALLTYPE get_Server(BSTR* pVal) noexcept override;
  HRESULT STDMETHODCALLTYPE put_Server(BSTR newVal) noexcept override;
  HRESULT STDMETHODCALLTYPE get_UrlRoot(BSTR* pVal) noexcept override;
  HRESULT STDMETHODCALLTYPE put_UrlRoot(BSTR newVal) noexcept override;
  HRESULT STDMETHODCALLTYPE Show() noexcept override;
  HRESULT STDMETHODCALLTYPE get_ReturnCode(LONG* pVal) noexcept override;
  HRESULT STDMETHODCALLTYPE get_LastErrorText(BSTR* pVal) noexcept override;
  HRESULT STDMETHODCALLTYPE ShowEx(BSTR sapDocId) noexcept override;
  HRESULT STDMETHODCALLTYPE get_UseStartCmd(BSTR* pVal) noexcept override;
  HRESULT STDMETHODCALLTYPE put_UseStartCmd(BSTR newVal) noexcept override;
  HRESULT STDMETHODCALLTYPE ClearCC() noexcept override;
  HRESULT STDMETHODCALLTYPE AddCC(BSTR newVal) noexcept override;
  HRESULT STDMETHODCALLTYPE get_CustomCommand(BSTR* pVal) noexcept override;
  HRESULT STDMETHODCALLTYPE get_ShowFlag(BSTR* pVal) noexcept override;
  HRESULT STDMETHODCALLTYPE put_ShowFlag(BSTR newVal) noexcept override;
  HRESULT STDMETHODCALLTYPE get_KeepFocusOnSap(BSTR* pVal) noexcept override;
  HRESULT STDMETHODCALLTYPE put_KeepFocusOnSap(BSTR newVal) noexcept override;
  HRESULT STDMETHODCALLTYPE get_FocusWaitMS(BSTR* pVal) noexcept override;
  HRESULT STDMETHODCALLTYPE put_FocusWaitMS(BSTR newVal) noexcept override;
  HRESULT STDMETHODCALLTYPE ClearUrlRoot() noexcept override;
  HRESULT STDMETHODCALLTYPE AddUrlRoot(BSTR urlPart) noexcept override;
  HRESULT STDMETHODCALLTYPE ClearServer() noexcept override;
  HRESULT STDMETHODCALLTYPE AddServer(BSTR serverPart) noexcept override;
  HRESULT STDMETHODCALLTYPE get_SendUser(VARIANT_BOOL* pVal) noexcept override;
  HRESULT STDMETHODCALLTYPE put_SendUser(VARIANT_BOOL newVal) noexcept override;

 protected:
  CDorvex_ZevEvover() = default;
  ~CDorvex_ZevEvover() = default;

 private:
  // Runs one member under the object's lock, behind the exception barrier.
  // The lock is re-entrant, so a member may call another through the
  // object's own interface.
  template <typename Member>
  HRESULT Serialized(Member&& member) noexcept;
  // A string getter: checks and clears the result, then hands out what the
  // core produced only when it succeeds.
  template <typename Get>
  HRESULT GetString(BSTR* pVal, Get&& get) noexcept;

  // Declared before the core, which keeps a reference to it.
  WindowsViewerPlatform platform_;
  ViewerCore core_{platform_};
};
