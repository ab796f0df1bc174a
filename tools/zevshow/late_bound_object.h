// Drives an automation object by member name through IDispatch, as a script
// host does: GetIDsOfNames for the name, then Invoke. After a failure,
// failure() names the member and what the call reported.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>
#include <string_view>

class LateBoundObject {
 public:
  // Borrows object; the caller keeps it alive.
  explicit LateBoundObject(IDispatch* object) : object_(object) {}

  HRESULT Call(const wchar_t* member);
  HRESULT Call(const wchar_t* member, std::wstring_view text);
  HRESULT Put(const wchar_t* member, std::wstring_view text);
  HRESULT Put(const wchar_t* member, bool value);
  HRESULT Get(const wchar_t* member, long& value);
  HRESULT Get(const wchar_t* member, std::wstring& text);

  const std::wstring& failure() const { return failure_; }

 private:
  // argument may be null (no argument); result may be null (none wanted).
  HRESULT Invoke(const wchar_t* member, WORD flags, VARIANT* argument, VARIANT* result);
  // step: the call that failed; reported: the object's own description, if any.
  HRESULT Fail(const wchar_t* member, const wchar_t* step, HRESULT result, const std::wstring& reported = {});

  IDispatch* object_;
  std::wstring failure_;
};
