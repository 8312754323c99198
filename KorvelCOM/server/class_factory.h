// The object map and the cached class factories of the three classes.
#pragma once

#include <windows.h>
#include <unknwn.h>

namespace korvel {

using CreateInstanceFn = HRESULT (*)(IUnknown* outer, REFIID iid, void** out);

struct ObjectMapEntry {
  const CLSID* clsid;
  UINT registry_script;  // REGISTRY resource of the class
  CreateInstanceFn create;
};

// In map order: the order of registration, unregistration and class-object lookup.
const ObjectMapEntry* ObjectMapBegin();
const ObjectMapEntry* ObjectMapEnd();

HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out);
// Releases every cached class object; the module does so when the library unloads.
void ReleaseClassObjects();

}  // namespace korvel
