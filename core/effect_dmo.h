// EffectDmo: the plug-in's effect as a DirectX Media Object, for hosts that
// load only those (DMO effect slots, the platform's DMO Wrapper filter). The
// same engine, store, presets, settings record and page as the filter; the
// IMediaObject machinery is MediaObjectBase, compiled once.
//
// One object, one identity: the parameter, preset, persistence and page-list
// interfaces are mixins sharing the object's reference count through
// GetOwner(), also when aggregated (the DMO Wrapper filter always aggregates).
#pragma once

#include <windows.h>

#include <ocidl.h>

#include <cstdint>
#include <new>

#include "core/effect_engine.h"
#include "core/media_object_base.h"
#include "core/orkv_effects.h"
#include "core/parameter_store.h"
#include "core/parameters_interface.h"
#include "core/persist_interface.h"
#include "core/presets_interface.h"
#include "core/window_editor_port.h"

namespace orkv {

template <class Plugin>
class EffectDmo final : public MediaObjectBase,
                        public ParametersInterface<EffectDmo<Plugin>, Plugin::Effect::kSlotCount>,
                        public PresetsInterface<EffectDmo<Plugin>, typename Plugin::Effect>,
                        public PersistInterface<EffectDmo<Plugin>, Plugin::Effect::kSlotCount>,
                        public ISpecifyPropertyPages {
 public:
  using Effect = typename Plugin::Effect;
  static constexpr std::size_t kSlotCount = Effect::kSlotCount;
  static constexpr const OrkvPluginInfo& kInfo = Plugin::kInfo;

  // The factory's creation function: E_OUTOFMEMORY when the object (with its
  // engine's delay lines) cannot be allocated.
  static host::CUnknown* Create(IUnknown* outer, HRESULT* status) {
    try {
      return new EffectDmo(outer);
    } catch (const std::bad_alloc&) {
      *status = E_OUTOFMEMORY;
      return nullptr;
    }
  }

  ORKV_DECLARE_IUNKNOWN

  HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    if (riid == *kInfo.parametersIid) {
      return host::GetInterface(static_cast<IEffectParameters8*>(this), ppv);
    }
    if (riid == IID_ISpecifyPropertyPages) {
      return host::GetInterface(static_cast<ISpecifyPropertyPages*>(this), ppv);
    }
    if (riid == IID_IPersistStream || riid == IID_IPersist) {
      return host::GetInterface(static_cast<IPersistStream*>(this), ppv);
    }
    if (riid == IID_IEffectPresets) {
      return host::GetInterface(static_cast<IEffectPresets*>(this), ppv);
    }
    return MediaObjectBase::NonDelegatingQueryInterface(riid, ppv);
  }

  // ISpecifyPropertyPages: the plug-in's page, which needs only the parameters.
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

  // What the interface mixins work on. The persistence mixin reports this
  // object's class (the DMO's) as its IPersist class; the settings record
  // itself names the parameter interface, so it crosses to the filter.
  ParameterStore<kSlotCount>& Store() { return store_; }
  const CLSID& FilterClassId() const { return *kInfo.dmoClsid; }
  const GUID& ParametersInterfaceId() const { return *kInfo.parametersIid; }

 private:
  explicit EffectDmo(IUnknown* outer)
      : MediaObjectBase(outer),
        store_(Effect::kSlots, WindowEditorPort::Instance()),
        engine_(store_) {
    store_.SetParameters(Effect::kPresets[0].values);
  }

  std::uint32_t MinSampleRate() const override { return Effect::kMinSampleRate; }

  HRESULT StartEngine(const WaveFormat* input, const WaveFormat* output) override {
    return engine_.StartEngine(input, output);
  }

  HRESULT ProcessFrames(const BYTE* in, std::uint32_t& inFrames, BYTE* out,
                        std::uint32_t& outFrames) override {
    if (StreamInputFormat().formatTag == kFormatIeeeFloat) {
      return engine_.ProcessFloat32(reinterpret_cast<const float*>(in), inFrames,
                                    reinterpret_cast<float*>(out), outFrames);
    }
    return engine_.ProcessInt16(reinterpret_cast<const std::int16_t*>(in), inFrames,
                                reinterpret_cast<std::int16_t*>(out), outFrames);
  }

  void FormatChanged(int pin, const WaveFormat* format) override {
    store_.SetPinFormat(pin, format);
    if (format != nullptr) store_.NotifyEditors(pin == 0 ? kEventInputFormat : kEventOutputFormat);
  }

  HRESULT CreateWithSameSettings(host::ComPtr<IMediaObject>& copy) override {
    HRESULT status = S_OK;
    host::CUnknown* created = Create(nullptr, &status);
    if (created == nullptr) return status;
    auto* object = static_cast<EffectDmo*>(created);
    object->store_.SetParameters(store_.GetParameters());
    copy = static_cast<IMediaObject*>(object);  // takes the first reference
    return S_OK;
  }

  ParameterStore<kSlotCount> store_;
  EffectEngine<Effect> engine_;
};

}  // namespace orkv
