// The entry point and the four exports of a plug-in library, compiled into each
// one and driven by that library's factory templates.
#include <windows.h>

#include "host/server.h"
#include "plugins/plugin.h"

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID /*reserved*/) {
  if (reason == DLL_PROCESS_ATTACH)
    orkv::host::ServerProcessAttach(module, orkv::PluginTemplates());
  if (reason == DLL_PROCESS_DETACH) orkv::host::ServerProcessDetach(orkv::PluginTemplates());
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
  return orkv::host::ServerGetClassObject(orkv::PluginTemplates(), clsid, riid, ppv);
}

STDAPI DllCanUnloadNow() { return orkv::host::ServerCanUnloadNow(); }

STDAPI DllRegisterServer() { return orkv::host::ServerRegister(orkv::PluginTemplates()); }

STDAPI DllUnregisterServer() { return orkv::host::ServerUnregister(orkv::PluginTemplates()); }
