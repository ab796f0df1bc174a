#include "server/registration_keys_snapshot.h"

#include "VeltaraDeskZevEvov.h"
#include "base/hresult.h"
#include "base/win/guid_text.h"
#include "base/win/unique_reg_key.h"
#include "server/registry_views.h"
#include "server/server_identifiers.h"

namespace {

// What the two scripts write outside CLSID, the one key they write per view;
// then the class key and the keys the type library's registration writes.
std::vector<std::wstring> KeyNames(RegistrationKeysSnapshot::Keys keys) {
  const std::wstring appIdKey = L"AppID\\";
  std::vector<std::wstring> names = {std::wstring(kVersionIndependentProgId) + kProgIdVersionSuffix,
                                     kVersionIndependentProgId, appIdKey + kAppIdText, appIdKey + kAppIdFileName};
  if (keys == RegistrationKeysSnapshot::Keys::kAll) {
    names.insert(names.end(), {ClassKey(), L"TypeLib\\" + GuidText(LIBID_VeltaraDeskZevEvovLib),
                               L"Interface\\" + GuidText(IID_IDorvex_ZevEvover)});
  }
  return names;
}

HRESULT ReadTree(HKEY key, RegistrationKeysSnapshot::Key& tree) {
  DWORD subkeys = 0, longestSubkey = 0, values = 0, longestValueName = 0, longestData = 0;
  RETURN_IF_FAILED(HRESULT_FROM_WIN32(RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, &longestSubkey,
                                                       nullptr, &values, &longestValueName, &longestData, nullptr,
                                                       nullptr)));
  for (DWORD i = 0; i < values; ++i) {
    RegistrationKeysSnapshot::Value value;
    std::vector<wchar_t> name(longestValueName + 1);
    value.data.resize(longestData);
    DWORD nameChars = static_cast<DWORD>(name.size());
    DWORD dataBytes = static_cast<DWORD>(value.data.size());
    RETURN_IF_FAILED(HRESULT_FROM_WIN32(
        RegEnumValueW(key, i, name.data(), &nameChars, nullptr, &value.type, value.data.data(), &dataBytes)));
    value.name.assign(name.data(), nameChars);
    value.data.resize(dataBytes);
    tree.values.push_back(std::move(value));
  }
  for (DWORD i = 0; i < subkeys; ++i) {
    std::vector<wchar_t> name(longestSubkey + 1);
    DWORD nameChars = static_cast<DWORD>(name.size());
    RETURN_IF_FAILED(HRESULT_FROM_WIN32(
        RegEnumKeyExW(key, i, name.data(), &nameChars, nullptr, nullptr, nullptr, nullptr)));
    RegistrationKeysSnapshot::Key subkey;
    subkey.name.assign(name.data(), nameChars);
    UniqueRegKey opened;
    RETURN_IF_FAILED(HRESULT_FROM_WIN32(RegOpenKeyExW(key, subkey.name.c_str(), 0, KEY_READ, opened.put())));
    RETURN_IF_FAILED(ReadTree(opened.get(), subkey));
    tree.subkeys.push_back(std::move(subkey));
  }
  return S_OK;
}

HRESULT WriteTree(HKEY parent, const RegistrationKeysSnapshot::Key& tree) {
  UniqueRegKey key;
  RETURN_IF_FAILED(HRESULT_FROM_WIN32(RegCreateKeyExW(parent, tree.name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                                      KEY_WRITE, nullptr, key.put(), nullptr)));
  for (const RegistrationKeysSnapshot::Value& value : tree.values) {
    RETURN_IF_FAILED(HRESULT_FROM_WIN32(RegSetValueExW(key.get(), value.name.c_str(), 0, value.type,
                                                       value.data.data(), static_cast<DWORD>(value.data.size()))));
  }
  for (const RegistrationKeysSnapshot::Key& subkey : tree.subkeys) RETURN_IF_FAILED(WriteTree(key.get(), subkey));
  return S_OK;
}

}  // namespace

HRESULT RegistrationKeysSnapshot::Take(Keys keys) {
  const ClassesLocation location = CurrentClassesLocation();
  root_ = location.root;
  keys_.clear();
  for (const std::wstring& name : KeyNames(keys)) {
    Key key;
    key.name = location.prefix + name;
    UniqueRegKey opened;
    const LONG error = RegOpenKeyExW(root_, key.name.c_str(), 0, KEY_READ, opened.put());
    if (error == ERROR_FILE_NOT_FOUND) continue;
    RETURN_IF_FAILED(HRESULT_FROM_WIN32(error));
    RETURN_IF_FAILED(ReadTree(opened.get(), key));
    keys_.push_back(std::move(key));
  }
  return S_OK;
}

HRESULT RegistrationKeysSnapshot::PutBack() const {
  for (const Key& key : keys_) RETURN_IF_FAILED(WriteTree(root_, key));
  return S_OK;
}
