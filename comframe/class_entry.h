// One creatable class as the server's class table lists it: its class id, how
// it is registered, and how its class object and instances are made.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <comcat.h>

// Makes one instance, plain (outer null) or inside an aggregate.
using InstanceCreator = HRESULT (*)(IUnknown* outer, REFIID iid, void** out);
// Makes the class object that hands out instances through the creator.
using ClassObjectCreator = HRESULT (*)(InstanceCreator creator, REFIID iid, void** out);

struct ClassEntry {
  const CLSID* classId;
  // Runs the class's registration script, writing (true) or removing (false).
  HRESULT (*updateRegistry)(bool doRegister);
  ClassObjectCreator createClassObject;
  InstanceCreator createInstance;
  // The cached class object's IUnknown, encoded with EncodePointer; null until
  // first use. Written only under the class table's lock.
  void* cachedClassObject;
  // Kept for the shape of the record; an in-process server registers no class
  // object with the system.
  DWORD registrationCookie;
  // Class description text; null for none.
  const wchar_t* (*description)();
  // Component categories the class implements; null for none.
  const CATID* (*categories)();
  // Called with true at start-up and false at shutdown.
  void (*startStop)(bool starting);
};
