#include "viewer/win/dorvex_zevevover.h"

#include <cstdint>

#include "base/exception_barrier.h"
#include "base/hresult.h"
#include "base/win/critical_section_guard.h"
#include "viewer/win/bstr_string_out.h"
#include "viewer/win/incoming_bstr.h"

namespace {

const InterfaceEntry kViewerInterfaces[] = {
    {&IID_IDorvex_ZevEvover, FaceOffset<IDorvex_ZevEvover, CDorvex_ZevEvover>()},
    {&IID_IDispatch, FaceOffset<IDorvex_ZevEvover, CDorvex_ZevEvover>()},
    {&IID_ISupportErrorInfo, FaceOffset<ISupportErrorInfo, CDorvex_ZevEvover>()},
    {nullptr, 0},
};

}  // namespace

const InterfaceEntry* CDorvex_ZevEvover::InterfaceTable() { return kViewerInterfaces; }

template <typename Member>
HRESULT CDorvex_ZevEvover::Serialized(Member&& member) noexcept {
  return ExceptionBarrier([&]() -> HRESULT {
    CriticalSectionGuard guard(ObjectLock());
    return member();
  });
}

template <typename Get>
HRESULT CDorvex_ZevEvover::GetString(BSTR* pVal, Get&& get) noexcept {
  if (pVal == nullptr) return E_POINTER;
  *pVal = nullptr;
  return Serialized([&]() -> HRESULT {
    BstrStringOut out;
    const HRESULT result = get(out);
    if (SUCCEEDED(result)) *pVal = out.Release();
    return result;
  });
}

HRESULT CDorvex_ZevEvover::InterfaceSupportsErrorInfo(REFIID iid) noexcept {
  return IsEqualIID(iid, IID_IDorvex_ZevEvover) ? S_OK : S_FALSE;
}

HRESULT CDorvex_ZevEvover::get_ContRep(BSTR* pVal) noexcept {
  return GetString(pVal, [&](StringOut& out) { return core_.get_ContRep(out); });
}

HRESULT CDorvex_ZevEvover::put_ContRep(BSTR newVal) noexcept {
  return Serialized([&] { return core_.put_ContRep(IncomingBstr(newVal)); });
}

HRESULT CDorvex_ZevEvover::get_DID(BSTR* pVal) noexcept {
  return GetString(pVal, [&](StringOut& out) { return core_.get_DID(out); });
}

HRESULT CDorvex_ZevEvover::put_DID(BSTR newVal) noexcept {
  return Serialized([&] { return core_.put_DID(IncomingBstr(newVal)); });
}

HRESULT CDorvex_ZevEvover::get_Server(BSTR* pVal) noexcept {
  return GetString(pVal, [&](StringOut& out) { return core_.get_Server(out); });
}

HRESULT CDorvex_ZevEvover::put_Server(BSTR newVal) noexcept {
  return Serialized([&] { return core_.put_Server(IncomingBstr(newVal)); });
}

HRESULT CDorvex_ZevEvover::get_UrlRoot(BSTR* pVal) noexcept {
  return GetString(pVal, [&](StringOut& out) { return core_.get_UrlRoot(out); });
}

HRESULT CDorvex_ZevEvover::put_UrlRoot(BSTR newVal) noexcept {
  return Serialized([&] { return core_.put_UrlRoot(IncomingBstr(newVal)); });
}

HRESULT CDorvex_ZevEvover::Show() noexcept {
  return Serialized([&] { return core_.Show(); });
}

HRESULT CDorvex_ZevEvover::get_ReturnCode(LONG* pVal) noexcept {
  if (pVal == nullptr) return E_POINTER;
  *pVal = 0;
  return Serialized([&] {
    std::int32_t value = 0;
    const HRESULT result = core_.get_ReturnCode(value);
    *pVal = value;
    return result;
  });
}

HRESULT CDorvex_ZevEvover::get_LastErrorText(BSTR* pVal) noexcept {
  return GetString(pVal, [&](StringOut& out) { return core_.get_LastErrorText(out); });
}

HRESULT CDorvex_ZevEvover::ShowEx(BSTR sapDocId) noexcept {
  return Serialized([&]() -> HRESULT {
    RETURN_IF_FAILED(core_.BeginShowEx(IncomingBstr(sapDocId)));
    return static_cast<IDorvex_ZevEvover*>(this)->Show();
  });
}

HRESULT CDorvex_ZevEvover::get_UseStartCmd(BSTR* pVal) noexcept {
  return GetString(pVal, [&](StringOut& out) { return core_.get_UseStartCmd(out); });
}

HRESULT CDorvex_ZevEvover::put_UseStartCmd(BSTR newVal) noexcept {
  return Serialized([&] { return core_.put_UseStartCmd(IncomingBstr(newVal)); });
}

HRESULT CDorvex_ZevEvover::ClearCC() noexcept {
  return Serialized([&] { return core_.ClearCC(); });
}

HRESULT CDorvex_ZevEvover::AddCC(BSTR newVal) noexcept {
  return Serialized([&] { return core_.AddCC(IncomingBstr(newVal)); });
}

HRESULT CDorvex_ZevEvover::get_CustomCommand(BSTR* pVal) noexcept {
  return GetString(pVal, [&](StringOut& out) { return core_.get_CustomCommand(out); });
}

HRESULT CDorvex_ZevEvover::get_ShowFlag(BSTR* pVal) noexcept {
  return GetString(pVal, [&](StringOut& out) { return core_.get_ShowFlag(out); });
}

HRESULT CDorvex_ZevEvover::put_ShowFlag(BSTR newVal) noexcept {
  return Serialized([&] { return core_.put_ShowFlag(IncomingBstr(newVal)); });
}

HRESULT CDorvex_ZevEvover::get_KeepFocusOnSap(BSTR* pVal) noexcept {
  return GetString(pVal, [&](StringOut& out) { return core_.get_KeepFocusOnSap(out); });
}

HRESULT CDorvex_ZevEvover::put_KeepFocusOnSap(BSTR newVal) noexcept {
  return Serialized([&] { return core_.put_KeepFocusOnSap(IncomingBstr(newVal)); });
}

HRESULT CDorvex_ZevEvover::get_FocusWaitMS(BSTR* pVal) noexcept {
  return GetString(pVal, [&](StringOut& out) { return core_.get_FocusWaitMS(out); });
}

HRESULT CDorvex_ZevEvover::put_FocusWaitMS(BSTR newVal) noexcept {
  return Serialized([&] { return core_.put_FocusWaitMS(IncomingBstr(newVal)); });
}

HRESULT CDorvex_ZevEvover::ClearUrlRoot() noexcept {
  return Serialized([&] { return core_.ClearUrlRoot(); });
}

HRESULT CDorvex_ZevEvover::AddUrlRoot(BSTR urlPart) noexcept {
  return Serialized([&] { return core_.AddUrlRoot(IncomingBstr(urlPart)); });
}

HRESULT CDorvex_ZevEvover::ClearServer() noexcept {
  return Serialized([&] { return core_.ClearServer(); });
}

HRESULT CDorvex_ZevEvover::AddServer(BSTR serverPart) noexcept {
  return Serialized([&] { return core_.AddServer(IncomingBstr(serverPart)); });
}

HRESULT CDorvex_ZevEvover::get_SendUser(VARIANT_BOOL* pVal) noexcept {
  if (pVal == nullptr) return E_POINTER;
  *pVal = VARIANT_FALSE;
  return Serialized([&] {
    std::int16_t value = VARIANT_FALSE;
    const HRESULT result = core_.get_SendUser(value);
    *pVal = value;
    return result;
  });
}

HRESULT CDorvex_ZevEvover::put_SendUser(VARIANT_BOOL newVal) noexcept {
  return Serialized([&] { return core_.put_SendUser(newVal); });
}
