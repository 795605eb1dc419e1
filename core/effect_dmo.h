// EffectDmo: the plug-in's effect as a DirectX Media Object, for hosts that
// load only those (DMO effect slots, the platform's DMO Wrapper filter). The
// same engine, store, presets, settings record and page as the filter; the
// IMediaObject machinery is MediaObjectBase, compiled once.
//
// One object, one identity: the parameter, preset, persistence and page-list
// interfaces (EffectParts, shared with the filter) are mixins sharing the
// object's reference count, also when aggregated (the DMO Wrapper filter
// always aggregates).
#pragma once

#include <windows.h>

#include <ocidl.h>

#include <cstdint>
#include <new>

#include "core/effect_parts.h"
#include "core/media_object_base.h"
#include "core/orkv_effects.h"

namespace orkv {

template <class Plugin>
class EffectDmo final : public MediaObjectBase, public EffectParts<EffectDmo<Plugin>, Plugin> {
  using Parts = EffectParts<EffectDmo<Plugin>, Plugin>;
  using Parts::engine_;
  using Parts::store_;

 public:
  using Parts::kInfo;
  using typename Parts::Effect;

  using Parts::Create;

  ORKV_DECLARE_IUNKNOWN

  // The effect's own interfaces, and IPersist for hosts that ask the DMO's
  // class through it.
  HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    if (SUCCEEDED(this->QueryPartInterface(riid, ppv))) return S_OK;
    if (riid == IID_IPersist) return host::GetInterface(static_cast<IPersistStream*>(this), ppv);
    return MediaObjectBase::NonDelegatingQueryInterface(riid, ppv);
  }

  // The class the persistence interface reports: the DMO's.
  const CLSID& ClassId() const { return *kInfo.dmoClsid; }

 private:
  friend Parts;  // Create builds the object
  explicit EffectDmo(IUnknown* outer) : MediaObjectBase(outer) {}

  std::uint32_t MinSampleRate() const override { return Effect::kMinSampleRate; }

  HRESULT StartEngine(const WaveFormat* input, const WaveFormat* output) override {
    return engine_.StartEngine(input, output);
  }

  HRESULT ProcessFrames(const BYTE* in, std::uint32_t& inFrames, BYTE* out,
                        std::uint32_t& outFrames) override {
    return this->RunEngine(StreamInputFormat(), in, inFrames, out, outFrames);
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
};

}  // namespace orkv
