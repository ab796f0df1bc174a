// In-memory stand-ins for the platform services of the registration script
// interpreter: a registry tree that records its calls and can refuse chosen
// keys, ASCII case folding, a mutex-backed table lock and task memory that can
// be made to fail.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "registrar/registry_access.h"
#include "registrar/replacement_table.h"
#include "registrar/script_memory.h"
#include "registrar/script_services.h"
#include "registrar/table_lock.h"
#include "registrar/text_compare.h"
#include "tests/native/decimal_number_conversion.h"

namespace registrar_test {

using namespace registrar;

inline std::u16string Widen(std::string_view text) {
  return std::u16string(text.begin(), text.end());
}

inline std::string Narrow(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) {
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(c));
      out += escaped;
    }
  }
  return out;
}

inline char16_t FoldAscii(char16_t c) {
  return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

inline std::u16string Fold(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out) c = FoldAscii(c);
  return out;
}

// Orders names as the registry does, without regard to ASCII letter case;
// looks up by view, so a lookup allocates nothing.
struct FoldedLess {
  using is_transparent = void;
  bool operator()(std::u16string_view left, std::u16string_view right) const {
    const std::size_t common = std::min(left.size(), right.size());
    for (std::size_t i = 0; i < common; ++i) {
      const char16_t l = FoldAscii(left[i]);
      const char16_t r = FoldAscii(right[i]);
      if (l != r) return l < r;
    }
    return left.size() < right.size();
  }
};

class AsciiTextCompare final : public TextCompare {
 public:
  bool EqualNoCase(const char16_t* left, const char16_t* right) const override {
    for (;; ++left, ++right) {
      if (FoldAscii(*left) != FoldAscii(*right)) return false;
      if (*left == u'\0') return true;
    }
  }
};

class MutexTableLock final : public TableLock {
 public:
  void Enter() override {
    mutex_.lock();
    held_ = true;
    ++enters_;
  }
  void Leave() override {
    held_ = false;
    mutex_.unlock();
  }
  bool held() const { return held_; }
  int enters() const { return enters_; }

 private:
  std::mutex mutex_;
  bool held_ = false;
  int enters_ = 0;
};

// malloc-backed task memory. Records every request; the request numbered
// failAt (counting allocations and reallocations from 1) fails.
class TestMemory final : public ScriptMemory {
 public:
  void* Allocate(std::size_t bytes) override {
    requests.push_back("alloc " + std::to_string(bytes));
    if (++count_ == failAt) return nullptr;
    void* block = std::malloc(bytes);
    live_.insert(block);
    return block;
  }
  void* Reallocate(void* block, std::size_t bytes) override {
    requests.push_back("realloc " + std::to_string(bytes));
    if (++count_ == failAt) return nullptr;
    live_.erase(block);
    void* moved = std::realloc(block, bytes);
    live_.insert(moved);
    return moved;
  }
  void Free(void* block) override {
    if (live_.erase(block) == 0) ++badFrees;
    std::free(block);
  }
  std::size_t live() const { return live_.size(); }

  std::vector<std::string> requests;
  int failAt = 0;
  int badFrees = 0;

 private:
  int count_ = 0;
  std::set<void*> live_;
};

struct FakeValue {
  RegValueType type = 0;
  std::vector<std::uint8_t> data;
};

inline std::vector<std::uint8_t> Utf16Bytes(std::u16string_view text) {
  std::vector<std::uint8_t> bytes;
  for (char16_t c : text) {
    bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  return bytes;
}

// A registry tree in memory. Paths in the test helpers are ASCII, written
// "HKCR\\a\\b". Names compare with ASCII case folding, like the platform's.
class FakeRegistry final : public RegistryAccess {
 public:
  FakeRegistry() {
    const std::pair<RegKey, const char*> roots[] = {
        {reg::kClassesRoot, "HKCR"},    {reg::kCurrentUser, "HKCU"},
        {reg::kLocalMachine, "HKLM"},   {reg::kUsers, "HKU"},
        {reg::kPerformanceData, "HKPD"}, {reg::kCurrentConfig, "HKCC"},
        {reg::kDynData, "HKDD"}};
    for (const auto& [key, name] : roots) {
      roots_[key] = MakeNode(name);
    }
  }

  // --- set-up and inspection ---
  void AddKey(const std::string& path) { Walk(path, true); }
  void SetString(const std::string& path, const std::string& name, const std::string& text) {
    std::u16string wide = Widen(text);
    std::vector<std::uint8_t> bytes = Utf16Bytes(wide);
    bytes.push_back(0);
    bytes.push_back(0);
    Walk(path, true)->values[Widen(name)] = {reg::kTypeSz, bytes};
  }
  bool HasKey(const std::string& path) { return Walk(path, false) != nullptr; }
  std::optional<FakeValue> GetValue(const std::string& path, const std::string& name) {
    Node* node = Walk(path, false);
    if (node == nullptr) return std::nullopt;
    auto it = node->values.find(Widen(name));
    if (it == node->values.end()) return std::nullopt;
    return it->second;
  }
  // Opens and creates of these keys fail with access denied.
  void DenyOpen(const std::string& path) { denyOpen_.insert(Fold(Widen(path))); }
  // These keys may be opened for reading only, and not deleted.
  void DenyWrite(const std::string& path) { denyWrite_.insert(Fold(Widen(path))); }
  // Closing a handle of this key fails with an invalid-handle error, though
  // the handle is gone afterwards.
  void FailClose(const std::string& path) { failClose_.insert(Fold(Widen(path))); }
  // Makes HKCR the view Windows documents for it: a key below HKCR, and below
  // every key opened through it, is HKCU\Software\Classes\path where that
  // exists, for reads, writes and deletes alike, else
  // HKLM\Software\Classes\path, where new keys go.
  void MergeClassesRoot() {
    AddKey("HKCU\\Software\\Classes");
    AddKey("HKLM\\Software\\Classes");
    userClasses_ = Descend(roots_[reg::kCurrentUser], u"Software\\Classes");
    machineClasses_ = Descend(roots_[reg::kLocalMachine], u"Software\\Classes");
  }

  // Every key and value, one per line, in a stable order: "HKCR\a" for a key,
  // "HKCR\a [name] = S:text" for a value ("@" names the default value).
  std::string Dump() const {
    std::string out;
    for (const auto& [key, root] : roots_) DumpNode(*root, out);
    return out;
  }
  int OpenHandles() const { return static_cast<int>(handles_.size()); }
  // Every key below a root, as the names on its path, the root's name first.
  std::set<std::vector<std::u16string>> KeyPaths() const {
    std::set<std::vector<std::u16string>> paths;
    for (const auto& [key, root] : roots_) CollectPaths(*root, {Widen(root->path)}, paths);
    return paths;
  }

  // One line per call, "OpenKey HKCR 'a' 0x20019 -> 2", while recordCalls is on.
  std::vector<std::string> calls;
  bool recordCalls = true;
  int badHandles = 0;

  // --- RegistryAccess ---
  RegError OpenKey(RegKey parent, const char16_t* subkey, RegAccess access,
                   RegKey* key) override {
    std::shared_ptr<Node> node;
    const std::optional<std::u16string> merged = MergedPath(parent, subkey);
    RegError result = merged ? reg::kSuccess : Resolve(parent, &node);
    if (merged) {
      node = MergedNode(*merged);
    } else if (result == reg::kSuccess && subkey != nullptr) {
      node = Descend(node, subkey);
    }
    if (result == reg::kSuccess && node == nullptr) result = reg::kFileNotFound;
    if (result == reg::kSuccess) result = Check(*node, access);
    if (result == reg::kSuccess) *key = NewHandle(node, access, merged);
    Log("OpenKey", parent, subkey, result, access);
    return result;
  }
  RegError CreateKey(RegKey parent, const char16_t* subkey, RegAccess access, RegKey* key,
                     bool* created) override {
    const std::optional<std::u16string> merged = MergedPath(parent, subkey);
    std::shared_ptr<Node> parentNode;
    RegError result = merged ? MergedParent(*merged, true, &parentNode) : Resolve(parent, &parentNode);
    std::shared_ptr<Node> node;
    bool made = false;
    if (result == reg::kSuccess) {
      node = merged ? MergedNode(*merged) : Child(*parentNode, subkey);
      if (node == nullptr) {
        node = MakeNode(parentNode->path + "\\" + Narrow(subkey));
        if (denyOpen_.count(node->foldedPath) || !(Handles(parent) & kCreateSubKeyBit)) {
          result = reg::kAccessDenied;
          node = nullptr;
        } else {
          parentNode->subkeys.emplace(subkey, node);
          made = true;
        }
      }
    }
    if (result == reg::kSuccess) result = Check(*node, access);
    if (result == reg::kSuccess) {
      *key = NewHandle(node, access, merged);
      *created = made;
    }
    Log("CreateKey", parent, subkey, result, access);
    return result;
  }
  RegError SetValue(RegKey key, const char16_t* name, RegValueType type,
                    const std::uint8_t* data, std::uint32_t size) override {
    std::shared_ptr<Node> node;
    RegError result = Resolve(key, &node);
    if (result == reg::kSuccess && !(Handles(key) & kSetValueBit)) result = reg::kAccessDenied;
    if (result == reg::kSuccess) {
      const std::u16string_view valueName = name == nullptr ? u"" : name;
      auto it = node->values.find(valueName);
      if (it == node->values.end()) it = node->values.emplace(valueName, FakeValue{}).first;
      it->second = {type, {data, data + size}};
    }
    Log("SetValue", key, name, result);
    return result;
  }
  RegError DeleteValue(RegKey key, const char16_t* name) override {
    std::shared_ptr<Node> node;
    RegError result = Resolve(key, &node);
    if (result == reg::kSuccess && !(Handles(key) & kSetValueBit)) result = reg::kAccessDenied;
    if (result == reg::kSuccess) {
      auto it = node->values.find(std::u16string_view(name == nullptr ? u"" : name));
      if (it == node->values.end()) {
        result = reg::kFileNotFound;
      } else {
        node->values.erase(it);
      }
    }
    Log("DeleteValue", key, name, result);
    return result;
  }
  RegError QueryValue(RegKey key, const char16_t* name, RegValueType* type,
                      std::vector<std::uint8_t>* data) override {
    std::shared_ptr<Node> node;
    RegError result = Resolve(key, &node);
    if (result == reg::kSuccess && !(Handles(key) & kQueryValueBit)) result = reg::kAccessDenied;
    if (result == reg::kSuccess) {
      auto it = node->values.find(std::u16string_view(name == nullptr ? u"" : name));
      if (it == node->values.end()) {
        result = reg::kFileNotFound;
      } else {
        *type = it->second.type;
        *data = it->second.data;
      }
    }
    Log("QueryValue", key, name, result);
    return result;
  }
  RegError EnumSubkey(RegKey key, std::uint32_t index, SubkeyNameBuffer& name) override {
    std::shared_ptr<Node> node;
    RegError result = Resolve(key, &node);
    if (result == reg::kSuccess && index >= node->subkeys.size()) result = reg::kNoMoreItems;
    if (result == reg::kSuccess) {
      auto it = node->subkeys.begin();
      std::advance(it, index);
      const std::u16string& display = it->first;
      if (display.size() >= name.size()) {
        result = reg::kMoreData;
      } else {
        std::copy(display.begin(), display.end(), name.begin());
        name[display.size()] = u'\0';
      }
    }
    Log("EnumSubkey", key, nullptr, result);
    return result;
  }
  RegError QuerySubkeyCount(RegKey key, std::uint32_t* count) override {
    std::shared_ptr<Node> node;
    RegError result = Resolve(key, &node);
    if (result == reg::kSuccess) *count = static_cast<std::uint32_t>(node->subkeys.size());
    Log("QuerySubkeyCount", key, nullptr, result);
    return result;
  }
  RegError DeleteKey(RegKey parent, const char16_t* subkey, RegAccess viewBits) override {
    const std::optional<std::u16string> merged = MergedPath(parent, subkey);
    std::shared_ptr<Node> node;
    RegError result = merged ? MergedParent(*merged, false, &node) : Resolve(parent, &node);
    std::shared_ptr<Node> child;
    if (result == reg::kSuccess) child = Child(*node, subkey);
    if (result == reg::kSuccess && child == nullptr) result = reg::kFileNotFound;
    if (result == reg::kSuccess &&
        (!child->subkeys.empty() || denyWrite_.count(child->foldedPath))) {
      result = reg::kAccessDenied;
    }
    if (result == reg::kSuccess) {
      child->deleted = true;
      node->subkeys.erase(node->subkeys.find(std::u16string_view(subkey)));
    }
    Log("DeleteKey", parent, subkey, result, viewBits);
    return result;
  }
  RegError CloseKey(RegKey key) override {
    auto handle = handles_.find(key);
    RegError result = kInvalidHandle;
    if (handle == handles_.end()) {
      ++badHandles;
    } else {
      result = failClose_.count(handle->second.node->foldedPath) ? kInvalidHandle : reg::kSuccess;
    }
    Log("CloseKey", key, nullptr, result);
    if (handle != handles_.end()) handles_.erase(handle);
    return result;
  }

 private:
  struct Node {
    std::string path;
    std::u16string foldedPath;
    bool deleted = false;
    // Keyed by the name as written, compared without regard to case.
    std::map<std::u16string, std::shared_ptr<Node>, FoldedLess> subkeys;
    std::map<std::u16string, FakeValue, FoldedLess> values;
  };
  struct Handle {
    std::shared_ptr<Node> node;
    RegAccess access;
    // A key opened through the merged HKCR: its path below HKCR.
    std::optional<std::u16string> classesPath;
  };
  static constexpr RegError kInvalidHandle = 6;
  static constexpr RegAccess kQueryValueBit = 0x1;
  static constexpr RegAccess kSetValueBit = 0x2;
  static constexpr RegAccess kCreateSubKeyBit = 0x4;
  static constexpr RegAccess kAllAccess = 0xF003F;

  RegError Resolve(RegKey key, std::shared_ptr<Node>* node) {
    if (key == reg::kClassesRoot && machineClasses_) {
      *node = machineClasses_;
      return reg::kSuccess;
    }
    if (auto root = roots_.find(key); root != roots_.end()) {
      *node = root->second;
      return reg::kSuccess;
    }
    auto handle = handles_.find(key);
    if (handle == handles_.end()) {
      ++badHandles;
      return kInvalidHandle;
    }
    if (handle->second.node->deleted) return reg::kKeyDeleted;
    *node = handle->second.node;
    return reg::kSuccess;
  }
  RegAccess Handles(RegKey key) const {
    if (roots_.count(key)) return kAllAccess;
    auto handle = handles_.find(key);
    return handle == handles_.end() ? 0 : handle->second.access;
  }
  static std::shared_ptr<Node> Child(const Node& node, const char16_t* name) {
    auto it = node.subkeys.find(std::u16string_view(name));
    return it == node.subkeys.end() ? nullptr : it->second;
  }
  // The node path names below node, a name at each backslash; null when one is missing.
  static std::shared_ptr<Node> Descend(std::shared_ptr<Node> node, std::u16string_view path) {
    while (node != nullptr && !path.empty()) {
      const std::size_t end = std::min(path.find(u'\\'), path.size());
      auto it = node->subkeys.find(path.substr(0, end));
      node = it == node->subkeys.end() ? nullptr : it->second;
      path.remove_prefix(std::min(end + 1, path.size()));
    }
    return node;
  }
  // With the merged view on: the path below HKCR that parent\subkey names,
  // when parent is HKCR or a key opened through it.
  std::optional<std::u16string> MergedPath(RegKey parent, const char16_t* subkey) const {
    if (!machineClasses_) return std::nullopt;
    std::u16string path;
    if (parent != reg::kClassesRoot) {
      auto handle = handles_.find(parent);
      if (handle == handles_.end() || !handle->second.classesPath) return std::nullopt;
      path = *handle->second.classesPath;
    }
    if (subkey != nullptr && *subkey != u'\0') path += (path.empty() ? u"" : u"\\") + std::u16string(subkey);
    return path;
  }
  std::shared_ptr<Node> MergedNode(const std::u16string& path) const {
    if (std::shared_ptr<Node> user = Descend(userClasses_, path)) return user;
    return Descend(machineClasses_, path);
  }
  // The parent of a merged path's key: the user's when the key is there,
  // else the machine's; create makes a missing one, since new keys go there.
  RegError MergedParent(const std::u16string& path, bool create, std::shared_ptr<Node>* parent) {
    const std::size_t split = path.rfind(u'\\');
    const std::u16string parentPath = split == std::u16string::npos ? u"" : path.substr(0, split);
    const bool user = Descend(userClasses_, path) != nullptr;
    if (!user && create) Walk(machineClasses_->path + (parentPath.empty() ? "" : "\\" + Narrow(parentPath)), true);
    *parent = Descend(user ? userClasses_ : machineClasses_, parentPath);
    return *parent == nullptr ? reg::kFileNotFound : reg::kSuccess;
  }
  static std::shared_ptr<Node> MakeNode(const std::string& path) {
    auto node = std::make_shared<Node>();
    node->path = path;
    node->foldedPath = Fold(Widen(path));
    return node;
  }
  RegError Check(const Node& node, RegAccess access) const {
    if (denyOpen_.count(node.foldedPath)) return reg::kAccessDenied;
    if ((access & kSetValueBit) && denyWrite_.count(node.foldedPath)) return reg::kAccessDenied;
    return reg::kSuccess;
  }
  RegKey NewHandle(std::shared_ptr<Node> node, RegAccess access,
                   std::optional<std::u16string> classesPath = std::nullopt) {
    nextHandle_ += 4;
    handles_[nextHandle_] = {std::move(node), access, std::move(classesPath)};
    return nextHandle_;
  }
  Node* Walk(const std::string& path, bool create) {
    std::size_t start = path.find('\\');
    const std::string rootName = path.substr(0, start);
    Node* node = nullptr;
    for (auto& [key, root] : roots_) {
      if (root->path == rootName) node = root.get();
    }
    while (node != nullptr && start != std::string::npos) {
      const std::size_t next = path.find('\\', start + 1);
      const std::u16string name = Widen(path.substr(start + 1, next - start - 1));
      auto it = node->subkeys.find(name);
      if (it == node->subkeys.end()) {
        if (!create) return nullptr;
        it = node->subkeys.emplace(name, MakeNode(node->path + "\\" + Narrow(name))).first;
      }
      node = it->second.get();
      start = next;
    }
    return node;
  }
  static void CollectPaths(const Node& node, const std::vector<std::u16string>& path,
                           std::set<std::vector<std::u16string>>& paths) {
    for (const auto& [name, child] : node.subkeys) {
      std::vector<std::u16string> childPath = path;
      childPath.push_back(name);
      paths.insert(childPath);
      CollectPaths(*child, childPath, paths);
    }
  }
  static void DumpNode(const Node& node, std::string& out) {
    if (node.path.find('\\') != std::string::npos) out += node.path + "\n";
    for (const auto& [name, data] : node.values) {
      out += node.path + " [" + (name.empty() ? "@" : Narrow(name)) + "] = ";
      if (data.type == reg::kTypeSz && data.data.size() >= 2) {
        std::u16string text;
        for (std::size_t i = 0; i + 1 < data.data.size() - 1; i += 2) {
          text += static_cast<char16_t>(data.data[i] | (data.data[i + 1] << 8));
        }
        out += "S:" + Narrow(text) + "\n";
      } else {
        out += "type " + std::to_string(data.type) + ":";
        for (std::uint8_t b : data.data) {
          char hex[4];
          std::snprintf(hex, sizeof hex, "%02X", b);
          out += hex;
        }
        out += "\n";
      }
    }
    for (const auto& [name, child] : node.subkeys) DumpNode(*child, out);
  }
  std::string Describe(RegKey key) const {
    if (auto root = roots_.find(key); root != roots_.end()) return root->second->path;
    auto handle = handles_.find(key);
    return handle == handles_.end() ? "<bad handle>" : handle->second.node->path;
  }
  void Log(const char* what, RegKey key, const char16_t* name, RegError result,
           RegAccess access = 0) {
    if (!recordCalls) return;
    std::string line = std::string(what) + " " + Describe(key);
    if (name != nullptr) line += " '" + Narrow(name) + "'";
    if (access != 0) {
      char hex[16];
      std::snprintf(hex, sizeof hex, " 0x%X", access);
      line += hex;
    }
    calls.push_back(line + " -> " + std::to_string(result));
  }

  std::map<RegKey, std::shared_ptr<Node>> roots_;
  std::map<RegKey, Handle> handles_;
  RegKey nextHandle_ = 0x1000;
  std::set<std::u16string> denyOpen_;
  std::set<std::u16string> denyWrite_;
  std::set<std::u16string> failClose_;
  std::shared_ptr<Node> userClasses_;
  std::shared_ptr<Node> machineClasses_;
};

// Everything one script run needs, wired together.
struct ScriptHarness {
  FakeRegistry registry;
  AsciiTextCompare compare;
  DecimalNumberConversion numbers;
  TestMemory memory;
  MutexTableLock lock;
  ReplacementTable replacements{lock, compare};
  ScriptServices services{registry, compare, numbers, memory};
};

}  // namespace registrar_test
