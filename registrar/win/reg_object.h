// The registrar: a table of %name% replacements and the runner of registration
// scripts stored as resources of a module file. It lives on the stack of one
// registration call and is never handed out as a COM object.
#pragma once

#include <windows.h>
#include <objbase.h>

#include "registrar/replacement_table.h"
#include "registrar/win/critical_section_lock.h"
#include "registrar/win/platform_script_services.h"

namespace registrar {

// The registrar's interface: IUnknown-shaped first slots, then the replacements.
struct IRegistrarBase {
  virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) = 0;
  virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
  virtual ULONG STDMETHODCALLTYPE Release() = 0;
  virtual HRESULT STDMETHODCALLTYPE DefineReplacement(LPCOLESTR name, LPCOLESTR text) = 0;
  virtual HRESULT STDMETHODCALLTYPE ResetReplacements() = 0;
  virtual ~IRegistrarBase() = default;
};

class CRegObject final : public IRegistrarBase {
 public:
  CRegObject();
  CRegObject(const CRegObject&) = delete;
  CRegObject& operator=(const CRegObject&) = delete;
  ~CRegObject() override = default;

  // Sets up replacementLock; on failure the registrar must be destroyed unused.
  HRESULT Initialize();

  // Not a real COM object: nothing is counted and no interface is handed out.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE DefineReplacement(LPCOLESTR name, LPCOLESTR text) override;
  HRESULT STDMETHODCALLTYPE ResetReplacements() override;

  // Loads resource (id, type) of moduleFile as script text in the thread's
  // ANSI code page and runs it in the register or the unregister pass.
  HRESULT RunScriptResource(LPCWSTR moduleFile, UINT id, LPCWSTR type, bool doRegister);

 private:
  PlatformTextCompare compare_;
  // Declared before the table so that the table, whose destruction resets it
  // under the lock, goes first.
  CriticalSectionLock replacementLock_;
  ReplacementTable table_;
};

}  // namespace registrar
