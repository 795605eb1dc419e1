// EffectFilter: the audio transform every plug-in exposes. It accepts 16-bit
// PCM or 32-bit float audio, mono or stereo, produces stereo of the same sample
// type and rate into separate output buffers, and runs the plug-in's engine over
// each input buffer with one snapshot of the settings per engine call. What
// does not depend on the effect (formats, buffer sizing, the Receive loop) is
// AudioTransform's, compiled once; this template adds the engine and the
// plug-in's identity.
//
// One object, one identity: the parameter, preset, persistence and page-list
// interfaces (EffectParts, shared with the plug-in's DMO) are mixins of this
// class and share its reference count, also when the filter is aggregated.
#pragma once

#include <windows.h>

#include <mmreg.h>
#include <ocidl.h>
#include <strmif.h>
#include <uuids.h>
#include <vfwmsgs.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

#include "core/audio_format_rules.h"
#include "core/audio_transform.h"
#include "core/effect_parts.h"
#include "core/orkv_effects.h"
#include "core/wave_format.h"
#include "host/com_ptr.h"
#include "host/transform_filter.h"

namespace orkv {

template <class Plugin>
class EffectFilter final : public AudioTransform, public EffectParts<EffectFilter<Plugin>, Plugin> {
  using Parts = EffectParts<EffectFilter<Plugin>, Plugin>;
  using Parts::engine_;
  using Parts::store_;

 public:
  using Parts::kInfo;
  using typename Parts::Effect;

  using Parts::Create;

  ORKV_DECLARE_IUNKNOWN

  HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    if (SUCCEEDED(this->QueryPartInterface(riid, ppv))) return S_OK;
    return CTransformFilter::NonDelegatingQueryInterface(riid, ppv);
  }

  // The class the persistence interface reports.
  const CLSID& ClassId() const { return *kInfo.filterClsid; }

  // --- Transform hooks -------------------------------------------------------

  const host::AMOVIESETUP_FILTER* GetSetupData() override { return &kSetupFilter; }

  HRESULT CheckInputType(const host::CMediaType* type) override {
    if (type == nullptr) return E_POINTER;
    return media::CheckInput(*type, Effect::kMinSampleRate);
  }

  HRESULT CheckTransform(const host::CMediaType* in, const host::CMediaType* out) override {
    if (in == nullptr || out == nullptr) return E_POINTER;
    return media::CheckTransform(*in, *out);
  }

  // The output pin proposes exactly one type: the stereo form of the input's.
  HRESULT GetMediaType(int position, host::CMediaType* type) override {
    if (type == nullptr) return E_POINTER;
    if (InputPin() == nullptr || !InputPin()->IsConnected()) return E_UNEXPECTED;
    if (position < 0) return E_INVALIDARG;
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    // A copy taken under the pin's connection lock: this runs for neighbours
    // enumerating types, on any thread, without the filter lock.
    HRESULT hr = InputPin()->ConnectionType(type);
    if (FAILED(hr)) return hr;
    if (!type->IsValid()) return E_UNEXPECTED;  // disconnected meanwhile
    media::RewriteAsStereo(*type);
    return S_OK;
  }

  // Refused while the stored formats do not fit each other: an input retyped
  // after the output connected, whose reconnection the graph has not (yet)
  // carried out.
  HRESULT StartStreaming() override {
    if (!media::FormatsFit(inputFormat_, outputFormat_)) return VFW_E_TYPE_NOT_ACCEPTED;
    store_.SetPinFormat(0, &inputFormat_);
    store_.SetPinFormat(1, &outputFormat_);
    return engine_.StartEngine(&inputFormat_, &outputFormat_);
  }

  HRESULT StopStreaming() override { return engine_.StopEngine(); }

  HRESULT SetMediaType(PIN_DIRECTION direction, const host::CMediaType* type) override {
    if (type == nullptr) return E_POINTER;
    const bool input = direction == PINDIR_INPUT;
    WaveFormat& format = input ? inputFormat_ : outputFormat_;
    format = media::NormalisedFormat(*type);
    CTransformFilter::SetMediaType(direction, type);
    store_.SetPinFormat(input ? 0 : 1, &format);
    store_.NotifyEditors(input ? kEventInputFormat : kEventOutputFormat);
    return S_OK;
  }

  // A refused or broken connection leaves no format to report.
  HRESULT BreakConnect(PIN_DIRECTION direction) override {
    store_.SetPinFormat(direction == PINDIR_INPUT ? 0 : 1, nullptr);
    return CTransformFilter::BreakConnect(direction);
  }

  // A new input type the connected output cannot follow makes the graph
  // reconnect the output. The graph may do that later, on another thread, or
  // fail after answering S_OK; StartStreaming refuses to run until it has.
  HRESULT CompleteConnect(PIN_DIRECTION direction, IPin*) override {
    if (direction != PINDIR_INPUT) return S_OK;
    if (OutputPin() == nullptr || !OutputPin()->IsConnected()) return S_OK;
    if (CheckTransform(&InputPin()->CurrentMediaType(), &OutputPin()->CurrentMediaType()) == S_OK) {
      return S_OK;
    }
    if (Graph() == nullptr) return VFW_E_NOT_IN_GRAPH;
    return Graph()->Reconnect(OutputPin());
  }

 private:
  // Accepts a new input type while the output is connected, as long as the
  // downstream pin accepts its stereo form.
  class EffectInputPin final : public host::CTransformInputPin {
   public:
    EffectInputPin(EffectFilter* filter, HRESULT* status)
        : CTransformInputPin(L"Effect input", filter, status, L"Input"), filter_(filter) {}

    // Runs for QueryAccept and sample-attached types on any thread, so it reads
    // the output's connection through copies, without the filter lock.
    HRESULT CheckMediaType(const host::CMediaType* type) override {
      HRESULT hr = filter_->CheckInputType(type);
      if (hr != S_OK) return hr;
      host::CTransformOutputPin* output = filter_->OutputPin();
      const host::ComPtr<IPin> downstream = output != nullptr ? output->Peer() : nullptr;
      if (!downstream) return S_OK;
      host::CMediaType outputType;
      hr = output->ConnectionType(&outputType);
      if (FAILED(hr)) return hr;
      if (!outputType.IsValid()) return S_OK;  // disconnected meanwhile
      if (filter_->CheckTransform(type, &outputType) == S_OK) return S_OK;
      host::CMediaType stereo;
      hr = stereo.Set(*type);
      if (FAILED(hr)) return hr;
      media::RewriteAsStereo(stereo);
      return downstream->QueryAccept(&stereo);
    }

    // A sample may carry a new type. The filter does not switch formats in the
    // middle of a stream, so anything but the format it is streaming stops the
    // stream rather than being read in the wrong format.
    HRESULT CheckInBandType(const host::CMediaType* type) override {
      const HRESULT hr = filter_->CheckInputType(type);
      if (hr != S_OK) return hr;
      return filter_->IsStreamingFormat(*type) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }

   private:
    EffectFilter* const filter_;
  };

  friend Parts;  // Create builds the filter
  explicit EffectFilter(IUnknown* outer) : AudioTransform(outer, *kInfo.filterClsid) {}

  // A pin that cannot be built stays absent; a later request tries again.
  std::unique_ptr<host::CTransformInputPin> MakeInputPin() override {
    HRESULT hr = S_OK;
    std::unique_ptr<host::CTransformInputPin> pin(new (std::nothrow) EffectInputPin(this, &hr));
    if (FAILED(hr)) pin.reset();
    return pin;
  }

  // The connection's format is the one being streamed (attached again, or
  // differing only in fields the filter recomputes).
  bool IsStreamingFormat(const AM_MEDIA_TYPE& type) const {
    const WaveFormat f = media::NormalisedFormat(type);
    return std::memcmp(&f, &inputFormat_, sizeof(f)) == 0;
  }

  HRESULT ProcessChunk(const BYTE* in, std::uint32_t& inFrames, BYTE* out,
                       std::uint32_t& outFrames) override {
    return this->RunEngine(inputFormat_, in, inFrames, out, outFrames);
  }

  static inline const host::AMOVIESETUP_MEDIATYPE kSetupMediaType{&MEDIATYPE_Audio, &GUID_NULL};
  static inline const host::AMOVIESETUP_PIN kSetupPins[2] = {
      {const_cast<LPWSTR>(L"Input"), FALSE, FALSE, FALSE, FALSE, &CLSID_NULL, L"Output", 1,
       &kSetupMediaType},
      {const_cast<LPWSTR>(L"Output"), FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, L"Input", 1,
       &kSetupMediaType},
  };

 public:
  static inline const host::AMOVIESETUP_FILTER kSetupFilter{kInfo.filterClsid, kInfo.filterName,
                                                            MERIT_DO_NOT_USE, 2, kSetupPins};
};

}  // namespace orkv
