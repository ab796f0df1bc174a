// The second process-wide record: the creatable classes and the cache of their
// class objects. Hands out class objects for DllGetClassObject and releases
// them at process detach.
#pragma once

#include <windows.h>

#include <span>

#include "base/hresult.h"
#include "base/win/critical_section.h"
#include "comframe/class_entry.h"

class ClassTable {
 public:
  explicit ClassTable(std::span<ClassEntry* const> classes);
  // Releases every cached class object.
  ~ClassTable();
  ClassTable(const ClassTable&) = delete;
  ClassTable& operator=(const ClassTable&) = delete;

  // The live record, or null before process attach and after detach.
  static ClassTable* Current();

  bool Ready() const { return ready_ != 0; }

  // Calls visit(entry) for each class in order, skipping empty slots, and
  // stops at the first failure, which it returns.
  template <typename Visit>
  HRESULT ForEachEntry(Visit&& visit) const {
    for (ClassEntry* entry : classes_) {
      if (entry == nullptr) continue;
      RETURN_IF_FAILED(visit(*entry));
    }
    return S_OK;
  }

  // DllGetClassObject: the class object of classId, asked for iid. The first
  // call per class creates and caches it; later calls read the cache without
  // locking.
  HRESULT GetClassObject(REFCLSID classId, REFIID iid, void** out);

 private:
  ClassEntry* Find(REFCLSID classId) const;
  HRESULT CreateCachedClassObject(ClassEntry& entry);

  LONG ready_ = 0;
  std::span<ClassEntry* const> classes_;
  // Serialises the first creation of each class object.
  CriticalSection classTableLock_;
};
