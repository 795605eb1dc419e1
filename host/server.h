// The in-process server of a plug-in library: entry-point work, class objects,
// the unload check and (un)registration, all driven by the library's template
// table. A library needs only:
//
//   constexpr CFactoryTemplate kTemplates[] = {...};
//   BOOL WINAPI DllMain(HINSTANCE h, DWORD reason, LPVOID) {
//     if (reason == DLL_PROCESS_ATTACH) ServerProcessAttach(h, kTemplates);
//     if (reason == DLL_PROCESS_DETACH) ServerProcessDetach(kTemplates);
//     return TRUE;
//   }
//   STDAPI DllGetClassObject(REFCLSID c, REFIID i, void** p)
//       { return ServerGetClassObject(kTemplates, c, i, p); }
//   STDAPI DllCanUnloadNow() { return ServerCanUnloadNow(); }
//   STDAPI DllRegisterServer() { return ServerRegister(kTemplates); }
//   STDAPI DllUnregisterServer() { return ServerUnregister(kTemplates); }
#pragma once

#include <windows.h>

#include <dmoreg.h>

#include <span>

#include "host/class_factory.h"

namespace orkv::host {

using FactoryTemplates = std::span<const CFactoryTemplate>;

// A DirectX Media Object's record in the platform's DMO registry (DMORegister):
// its class (which also needs a factory template), name, category and the
// types its streams take.
struct DmoSetup {
  const CLSID* clsid;
  const WCHAR* name;
  const GUID* category;
  std::span<const DMO_PARTIAL_MEDIATYPE> inputTypes;
  std::span<const DMO_PARTIAL_MEDIATYPE> outputTypes;
};
using DmoSetups = std::span<const DmoSetup>;

// Process attach: no thread notifications, keep the module handle, init(TRUE).
void ServerProcessAttach(HINSTANCE module, FactoryTemplates templates);
// Process detach: init(FALSE).
void ServerProcessDetach(FactoryTemplates templates);
// The handle kept at attach (resources, module path); null before.
HINSTANCE ModuleInstance();

// A new class factory for clsid: IID_IUnknown/IID_IClassFactory only
// (E_NOINTERFACE), CLASS_E_CLASSNOTAVAILABLE for an unknown class.
HRESULT ServerGetClassObject(FactoryTemplates templates, REFCLSID clsid, REFIID riid, void** ppv);
// S_OK when no object of the layer is alive and no factory is locked; S_FALSE else.
HRESULT ServerCanUnloadNow();

// Writes CLSID\{clsid} for each template (name, InprocServer32 = module path,
// ThreadingModel Both; an error if the module path cannot be had whole) and refreshes the
// filter-mapper record of templates with setup data through their IAMovieSetup. Stops at the first
// failure. Then writes each DMO's record; if one is refused, everything this
// call wrote is removed again, so no DMO record ever stands without its classes.
HRESULT ServerRegister(FactoryTemplates templates, DmoSetups dmos = {});
// Removes the DMO records, then, in reverse order: IAMovieSetup::Unregister for
// templates with setup data, then deletes the CLSID\{clsid} tree. Stops at the first failure.
HRESULT ServerUnregister(FactoryTemplates templates, DmoSetups dmos = {});

// The registry part for one class; also usable on its own. Written as wide
// strings, so any path the system can load the library from is kept whole.
HRESULT RegisterClassKey(REFCLSID clsid, const WCHAR* name, const WCHAR* modulePath);
// Deletes CLSID\{clsid} depth first; a missing key is not an error.
HRESULT UnregisterClassKey(REFCLSID clsid);

}  // namespace orkv::host
