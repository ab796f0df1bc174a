// The class object: IClassFactory over an instance creator. CreateClassFactory
// makes it as the class table caches it.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include "comframe/class_entry.h"
#include "comframe/com_object_root.h"
#include "comframe/interface_table.h"

class CComClassFactory : public ComObjectRoot, public IClassFactory {
 public:
  static const InterfaceEntry* InterfaceTable();

  void SetInstanceCreator(InstanceCreator creator) { createInstance_ = creator; }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) noexcept override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) noexcept override;

 protected:
  CComClassFactory() = default;
  ~CComClassFactory() = default;

 private:
  InstanceCreator createInstance_ = nullptr;
};

// A new class object for creator, handed out as iid with its count at one.
HRESULT CreateClassFactory(InstanceCreator creator, REFIID iid, void** out);
