// EffectParts: what the filter and the DMO of a plug-in have in common, written
// once: the settings store with the parameter, preset and persistence
// interfaces over it, the page list, and the engine that reads the store.
//
// `Object` is the COM object that derives from this (the filter or the DMO).
// It supplies IUnknown (its outer unknown, also when aggregated: the mixins
// share one reference count through it) and `ClassId()`, the class the
// persistence interface reports. The settings record itself names only the
// parameter interface, so a record saved by one object loads into the other.
#pragma once

#include <windows.h>

#include <ocidl.h>

#include <cstddef>
#include <cstdint>
#include <new>

#include "core/effect_engine.h"
#include "core/orkv_effects.h"
#include "core/parameter_store.h"
#include "core/parameters_interface.h"
#include "core/persist_interface.h"
#include "core/presets_interface.h"
#include "core/wave_format.h"
#include "core/window_editor_port.h"
#include "host/unknown.h"

namespace orkv {

template <class Object, class Plugin>
class EffectParts : public ParametersInterface<Object, Plugin::Effect::kSlotCount>,
                    public PresetsInterface<Object, typename Plugin::Effect>,
                    public PersistInterface<Object, Plugin::Effect::kSlotCount>,
                    public ISpecifyPropertyPages {
 public:
  using Effect = typename Plugin::Effect;
  static constexpr std::size_t kSlotCount = Effect::kSlotCount;
  static constexpr const OrkvPluginInfo& kInfo = Plugin::kInfo;

  // The factory's creation function: E_OUTOFMEMORY when the object (with its
  // engine's delay lines) cannot be allocated.
  static host::CUnknown* Create(IUnknown* outer, HRESULT* status) {
    try {
      return new Object(outer);
    } catch (const std::bad_alloc&) {
      *status = E_OUTOFMEMORY;
      return nullptr;
    }
  }

  // ISpecifyPropertyPages: the plug-in's one page, which needs only the
  // parameter interface.
  HRESULT STDMETHODCALLTYPE GetPages(CAUUID* pages) override {
    if (pages == nullptr) return E_POINTER;
    pages->cElems = 1;
    pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID)));
    if (pages->pElems == nullptr) {
      pages->cElems = 0;
      return E_OUTOFMEMORY;
    }
    pages->pElems[0] = *kInfo.pageClsid;
    return S_OK;
  }

  // What the interface mixins work on.
  ParameterStore<kSlotCount>& Store() { return store_; }
  const CLSID& FilterClassId() const { return static_cast<const Object*>(this)->ClassId(); }
  const GUID& ParametersInterfaceId() const { return *kInfo.parametersIid; }

 protected:
  // A new object starts from the "(Default)" preset.
  EffectParts() : store_(Effect::kSlots, WindowEditorPort::Instance()), engine_(store_) {
    store_.SetParameters(Effect::kPresets[0].values);
  }

  // The interfaces of these parts, for the object's NonDelegatingQueryInterface;
  // E_NOINTERFACE for any other.
  HRESULT QueryPartInterface(REFIID riid, void** ppv) {
    if (riid == *kInfo.parametersIid) {
      return host::GetInterface(static_cast<IEffectParameters8*>(this), ppv);
    }
    if (riid == IID_ISpecifyPropertyPages) {
      return host::GetInterface(static_cast<ISpecifyPropertyPages*>(this), ppv);
    }
    if (riid == IID_IPersistStream) {
      return host::GetInterface(static_cast<IPersistStream*>(this), ppv);
    }
    if (riid == IID_IEffectPresets) {
      return host::GetInterface(static_cast<IEffectPresets*>(this), ppv);
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }

  // Runs the engine over whole frames of the input's sample type.
  HRESULT RunEngine(const WaveFormat& input, const BYTE* in, std::uint32_t& inFrames, BYTE* out,
                    std::uint32_t& outFrames) {
    if (input.formatTag == kFormatIeeeFloat) {
      return engine_.ProcessFloat32(reinterpret_cast<const float*>(in), inFrames,
                                    reinterpret_cast<float*>(out), outFrames);
    }
    return engine_.ProcessInt16(reinterpret_cast<const std::int16_t*>(in), inFrames,
                                reinterpret_cast<std::int16_t*>(out), outFrames);
  }

  // The store is built before the engine, which keeps a reference to it.
  ParameterStore<kSlotCount> store_;
  EffectEngine<Effect> engine_;
};

}  // namespace orkv
