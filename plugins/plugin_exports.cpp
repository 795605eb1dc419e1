// The entry point and the four exports of a plug-in library, compiled into each
// one and driven by that library's factory templates.
#include <windows.h>

#include <dmoreg.h>
#include <uuids.h>

#include "host/server.h"
#include "plugins/plugin.h"

namespace orkv {
namespace {

const DMO_PARTIAL_MEDIATYPE kDmoAudioTypes[] = {{MEDIATYPE_Audio, MEDIASUBTYPE_PCM},
                                                {MEDIATYPE_Audio, MEDIASUBTYPE_IEEE_FLOAT}};

const OrkvPluginInfo& LibraryIdentity() {
  const CLSID& filter = *PluginTemplates().front().clsid;
  for (const OrkvPluginInfo& info : kOrkvPlugins) {
    if (*info.filterClsid == filter) return info;
  }
  return kOrkvPlugins[0];  // unreachable: every library's filter has a row
}

}  // namespace

host::DmoSetup PluginMediaObject() {
  const OrkvPluginInfo& info = LibraryIdentity();
  return {info.dmoClsid, info.filterName, &DMOCATEGORY_AUDIO_EFFECT, kDmoAudioTypes,
          kDmoAudioTypes};
}

}  // namespace orkv

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

STDAPI DllRegisterServer() {
  const orkv::host::DmoSetup dmo = orkv::PluginMediaObject();
  return orkv::host::ServerRegister(orkv::PluginTemplates(), {&dmo, 1});
}

STDAPI DllUnregisterServer() {
  const orkv::host::DmoSetup dmo = orkv::PluginMediaObject();
  return orkv::host::ServerUnregister(orkv::PluginTemplates(), {&dmo, 1});
}
