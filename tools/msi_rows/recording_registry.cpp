#include "tools/msi_rows/recording_registry.h"

#include <algorithm>
#include <string_view>

namespace msi_rows {

using namespace registrar;

namespace {

char16_t Fold(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c; }

// The registry's names ignore letter case.
struct FoldedLess {
  bool operator()(const std::u16string& left, const std::u16string& right) const {
    return std::lexicographical_compare(left.begin(), left.end(), right.begin(), right.end(),
                                        [](char16_t l, char16_t r) { return Fold(l) < Fold(r); });
  }
};

bool SameName(std::u16string_view left, std::u16string_view right) {
  return left.size() == right.size() &&
         std::equal(left.begin(), left.end(), right.begin(), [](char16_t l, char16_t r) { return Fold(l) == Fold(r); });
}

// One path element after another; empty elements (doubled separators) are skipped.
std::vector<std::u16string> SplitPath(const char16_t* path) {
  std::vector<std::u16string> parts;
  std::u16string current;
  for (const char16_t* p = path; p != nullptr && *p != u'\0'; ++p) {
    if (*p == u'\\') {
      if (!current.empty()) parts.push_back(std::move(current));
      current.clear();
    } else {
      current.push_back(*p);
    }
  }
  if (!current.empty()) parts.push_back(std::move(current));
  return parts;
}

}  // namespace

struct RecordingRegistry::Node {
  std::map<std::u16string, std::unique_ptr<Node>, FoldedLess> subkeys;
  std::vector<RecordedValue> values;

  RecordedValue* FindValue(const char16_t* name) {
    for (RecordedValue& value : values) {
      if (name == nullptr || *name == u'\0') {
        if (!value.name) return &value;
      } else if (value.name && SameName(*value.name, name)) {
        return &value;
      }
    }
    return nullptr;
  }
};

RecordingRegistry::RecordingRegistry() {
  for (RegKey root : {reg::kClassesRoot, reg::kCurrentUser, reg::kLocalMachine, reg::kUsers}) {
    roots_[root] = std::make_unique<Node>();
  }
}

RecordingRegistry::~RecordingRegistry() = default;

RecordingRegistry::Node* RecordingRegistry::Find(RegKey key) const {
  if (auto root = roots_.find(key); root != roots_.end()) return root->second.get();
  if (auto handle = handles_.find(key); handle != handles_.end()) return handle->second;
  return nullptr;
}

RegKey RecordingRegistry::NewHandle(Node* node) {
  const RegKey handle = nextHandle_++;
  handles_[handle] = node;
  return handle;
}

RegError RecordingRegistry::OpenKey(RegKey parent, const char16_t* subkey, RegAccess, RegKey* key) {
  Node* node = Find(parent);
  if (node == nullptr) return reg::kFileNotFound;
  for (const std::u16string& part : SplitPath(subkey)) {
    auto found = node->subkeys.find(part);
    if (found == node->subkeys.end()) return reg::kFileNotFound;
    node = found->second.get();
  }
  *key = NewHandle(node);
  return reg::kSuccess;
}

RegError RecordingRegistry::CreateKey(RegKey parent, const char16_t* subkey, RegAccess, RegKey* key,
                                      bool* created) {
  Node* node = Find(parent);
  if (node == nullptr) return reg::kFileNotFound;
  bool made = false;
  for (const std::u16string& part : SplitPath(subkey)) {
    std::unique_ptr<Node>& child = node->subkeys[part];
    if (!child) {
      child = std::make_unique<Node>();
      made = true;
    }
    node = child.get();
  }
  *key = NewHandle(node);
  if (created != nullptr) *created = made;
  return reg::kSuccess;
}

RegError RecordingRegistry::SetValue(RegKey key, const char16_t* name, RegValueType type, const std::uint8_t* data,
                                     std::uint32_t size) {
  Node* node = Find(key);
  if (node == nullptr) return reg::kFileNotFound;
  RecordedValue* value = node->FindValue(name);
  if (value == nullptr) {
    node->values.push_back(RecordedValue{});
    value = &node->values.back();
    if (name != nullptr && *name != u'\0') value->name = std::u16string(name);
  }
  value->type = type;
  value->data.assign(data, data + size);
  return reg::kSuccess;
}

RegError RecordingRegistry::QueryValue(RegKey key, const char16_t* name, RegValueType* type,
                                       std::vector<std::uint8_t>* data) {
  Node* node = Find(key);
  if (node == nullptr) return reg::kFileNotFound;
  const RecordedValue* value = node->FindValue(name);
  if (value == nullptr) return reg::kFileNotFound;
  if (type != nullptr) *type = value->type;
  if (data != nullptr) *data = value->data;
  return reg::kSuccess;
}

RegError RecordingRegistry::DeleteValue(RegKey key, const char16_t* name) {
  Node* node = Find(key);
  if (node == nullptr) return reg::kFileNotFound;
  const RecordedValue* value = node->FindValue(name);
  if (value == nullptr) return reg::kFileNotFound;
  node->values.erase(node->values.begin() + (value - node->values.data()));
  return reg::kSuccess;
}

RegError RecordingRegistry::EnumSubkey(RegKey key, std::uint32_t index, SubkeyNameBuffer& name) {
  Node* node = Find(key);
  if (node == nullptr) return reg::kFileNotFound;
  if (index >= node->subkeys.size()) return reg::kNoMoreItems;
  const std::u16string& found = std::next(node->subkeys.begin(), index)->first;
  if (found.size() >= name.size()) return reg::kMoreData;
  std::copy(found.begin(), found.end(), name.begin());
  name[found.size()] = u'\0';
  return reg::kSuccess;
}

RegError RecordingRegistry::QuerySubkeyCount(RegKey key, std::uint32_t* count) {
  Node* node = Find(key);
  if (node == nullptr) return reg::kFileNotFound;
  *count = static_cast<std::uint32_t>(node->subkeys.size());
  return reg::kSuccess;
}

RegError RecordingRegistry::DeleteKey(RegKey parent, const char16_t* subkey, RegAccess) {
  Node* node = Find(parent);
  if (node == nullptr) return reg::kFileNotFound;
  const std::vector<std::u16string> parts = SplitPath(subkey);
  if (parts.empty()) return reg::kAccessDenied;
  for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
    auto found = node->subkeys.find(parts[i]);
    if (found == node->subkeys.end()) return reg::kFileNotFound;
    node = found->second.get();
  }
  auto found = node->subkeys.find(parts.back());
  if (found == node->subkeys.end()) return reg::kFileNotFound;
  if (!found->second->subkeys.empty()) return reg::kAccessDenied;
  // Handles still open on the key become dangling: forget them.
  for (auto handle = handles_.begin(); handle != handles_.end();) {
    handle = handle->second == found->second.get() ? handles_.erase(handle) : std::next(handle);
  }
  node->subkeys.erase(found);
  return reg::kSuccess;
}

RegError RecordingRegistry::CloseKey(RegKey key) {
  if (roots_.count(key) != 0) return reg::kSuccess;
  return handles_.erase(key) != 0 ? reg::kSuccess : reg::kFileNotFound;
}

std::vector<RecordedKey> RecordingRegistry::Keys(RegKey root) const {
  std::vector<RecordedKey> keys;
  struct Walker {
    std::vector<RecordedKey>& out;
    void Walk(const Node& node, const std::u16string& path) {
      for (const auto& [name, child] : node.subkeys) {
        const std::u16string childPath = path.empty() ? name : path + u'\\' + name;
        out.push_back(RecordedKey{childPath, child->values, !child->subkeys.empty()});
        Walk(*child, childPath);
      }
    }
  };
  if (const Node* node = Find(root)) Walker{keys}.Walk(*node, u"");
  return keys;
}

}  // namespace msi_rows
