// EffectFilter: the audio transform every plug-in exposes. It accepts 16-bit
// PCM or 32-bit float audio, mono or stereo, produces stereo of the same sample
// type and rate into separate output buffers, and runs the plug-in's engine over
// each input buffer with one snapshot of the settings per engine call.
//
// One object, one identity: the parameter, preset, persistence and page-list
// interfaces are mixins of this class and share its reference count through
// GetOwner(), also when the filter is aggregated.
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
#include "core/effect_engine.h"
#include "core/orkv_effects.h"
#include "core/parameter_store.h"
#include "core/parameters_interface.h"
#include "core/persist_interface.h"
#include "core/presets_interface.h"
#include "core/wave_format.h"
#include "core/window_editor_port.h"
#include "host/com_ptr.h"
#include "host/transform_filter.h"

namespace orkv {

template <class Plugin>
class EffectFilter final
    : public host::CTransformFilter,
      public ParametersInterface<EffectFilter<Plugin>, Plugin::Effect::kSlotCount>,
      public PresetsInterface<EffectFilter<Plugin>, typename Plugin::Effect>,
      public PersistInterface<EffectFilter<Plugin>, Plugin::Effect::kSlotCount>,
      public ISpecifyPropertyPages {
 public:
  using Effect = typename Plugin::Effect;
  static constexpr std::size_t kSlotCount = Effect::kSlotCount;
  static constexpr const OrkvPluginInfo& kInfo = Plugin::kInfo;

  // The factory's creation function: E_OUTOFMEMORY when the filter (with its
  // engine's delay lines) cannot be allocated.
  static host::CUnknown* Create(IUnknown* outer, HRESULT* status) {
    try {
      return new EffectFilter(outer);
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
    if (riid == IID_IPersistStream) {
      return host::GetInterface(static_cast<IPersistStream*>(this), ppv);
    }
    if (riid == IID_IEffectPresets) {
      return host::GetInterface(static_cast<IEffectPresets*>(this), ppv);
    }
    return CTransformFilter::NonDelegatingQueryInterface(riid, ppv);
  }

  // ISpecifyPropertyPages: the one page of this plug-in.
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
  const CLSID& FilterClassId() const { return *kInfo.filterClsid; }
  const GUID& ParametersInterfaceId() const { return *kInfo.parametersIid; }

  // --- Transform hooks -------------------------------------------------------

  const host::AMOVIESETUP_FILTER* GetSetupData() override { return &kSetupFilter; }

  // Receive is overridden; this copy-transform entry point is not used.
  HRESULT Transform(IMediaSample*, IMediaSample*) override { return E_INVALIDARG; }

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

  // Output buffers are sized like the input buffers (doubled for mono input),
  // whatever the downstream pin asked for. An input allocator that is not
  // sized yet (the input is being reconnected, and its upstream filter has not
  // set it up) is ignored: then the downstream request stands, raised to a
  // size that holds a useful stretch of the output format.
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) override {
    if (allocator == nullptr || props == nullptr) return E_POINTER;
    if (AdoptInputAllocatorProperties(*props)) {
      if (inputFormat_.channels == 1 && outputFormat_.channels == 2) {
        props->cbBuffer = static_cast<long>(std::min<LONGLONG>(2LL * props->cbBuffer, MAXLONG));
      }
    } else {
      EnsureDefaultBuffers(*props);
    }
    ALLOCATOR_PROPERTIES granted{};
    const HRESULT hr = allocator->SetProperties(props, &granted);
    if (FAILED(hr)) return hr;
    *props = granted;
    return granted.cbBuffer < kMinimumBufferBytes ? E_FAIL : hr;
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

  HRESULT Receive(IMediaSample* input) override;

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

  static constexpr long kMinimumBufferBytes = 512;
  static constexpr LONGLONG kDefaultBufferFrames = 4096;

  explicit EffectFilter(IUnknown* outer)
      : CTransformFilter(L"", outer, *kInfo.filterClsid),
        store_(Effect::kSlots, WindowEditorPort::Instance()),
        engine_(store_) {
    store_.SetParameters(Effect::kPresets[0].values);
  }

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

  // True when the input allocator's sized buffers were taken over.
  bool AdoptInputAllocatorProperties(ALLOCATOR_PROPERTIES& props) {
    if (InputPin() == nullptr || !InputPin()->IsConnected()) return false;
    host::ComPtr<IMemAllocator> inputAllocator;
    if (FAILED(InputPin()->GetAllocator(inputAllocator.GetAddressOf()))) return false;
    ALLOCATOR_PROPERTIES current{};
    if (FAILED(inputAllocator->GetProperties(&current))) return false;
    if (current.cBuffers <= 0 || current.cbBuffer <= 0) return false;
    props = current;
    return true;
  }

  // At least one buffer, each holding kDefaultBufferFrames output frames.
  void EnsureDefaultBuffers(ALLOCATOR_PROPERTIES& props) const {
    const LONGLONG frameBytes = std::max<LONGLONG>(outputFormat_.blockAlign, 1);
    const LONGLONG wanted =
        std::max<LONGLONG>(kDefaultBufferFrames * frameBytes, kMinimumBufferBytes);
    props.cBuffers = std::max(props.cBuffers, 1L);
    props.cbBuffer =
        static_cast<long>(std::max<LONGLONG>(props.cbBuffer, std::min<LONGLONG>(wanted, MAXLONG)));
    props.cbAlign = std::max(props.cbAlign, 1L);
  }

  HRESULT ProcessChunk(const BYTE* in, std::uint32_t& inFrames, BYTE* out,
                       std::uint32_t& outFrames) {
    if (inputFormat_.formatTag == kFormatIeeeFloat) {
      return engine_.ProcessFloat32(reinterpret_cast<const float*>(in), inFrames,
                                    reinterpret_cast<float*>(out), outFrames);
    }
    return engine_.ProcessInt16(reinterpret_cast<const std::int16_t*>(in), inFrames,
                                reinterpret_cast<std::int16_t*>(out), outFrames);
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

 private:
  ParameterStore<kSlotCount> store_;
  EffectEngine<Effect> engine_;
  WaveFormat inputFormat_{};
  WaveFormat outputFormat_{};
};

// Cuts the input buffer at whole frames into as many output buffers as needed.
// The first carries the input's times and flags, the others none but preroll
// (data that only settles the effect after a seek is never to be played). The
// loop ends once fewer bytes than one input frame remain, and fails rather
// than spins when an output buffer cannot hold a single frame. Every size is
// taken from the stored formats, which StartStreaming checked against each
// other, and from each buffer's own size: nothing is written beyond a buffer.
template <class Plugin>
HRESULT EffectFilter<Plugin>::Receive(IMediaSample* input) {
  if (input == nullptr) return E_POINTER;
  const std::uint32_t inFrameBytes = inputFormat_.blockAlign;
  const std::uint32_t outFrameBytes = outputFormat_.blockAlign;
  if (!media::FormatsFit(inputFormat_, outputFormat_)) return VFW_E_INVALIDMEDIATYPE;

  BYTE* position = nullptr;
  HRESULT hr = input->GetPointer(&position);
  if (FAILED(hr)) return hr;
  if (position == nullptr) return E_POINTER;
  // Never trust a data length beyond the buffer that holds it.
  const long length = std::clamp(input->GetActualDataLength(), 0L, std::max(input->GetSize(), 0L));
  std::uint32_t remaining = static_cast<std::uint32_t>(length);
  const bool preroll = input->IsPreroll() == S_OK;

  host::ComPtr<IMediaSample> output;
  hr = InitializeOutputSample(input, output.GetAddressOf());
  if (FAILED(hr)) return hr;
  for (;;) {
    BYTE* outData = nullptr;
    hr = output->GetPointer(&outData);
    if (FAILED(hr)) break;
    if (outData == nullptr) {
      hr = E_POINTER;
      break;
    }
    std::uint32_t outFrames =
        static_cast<std::uint32_t>(std::max(output->GetSize(), 0L)) / outFrameBytes;
    std::uint32_t inFrames = remaining / inFrameBytes;
    if (inFrames > 0 && outFrames == 0) {
      hr = VFW_E_BUFFER_OVERFLOW;  // an output buffer smaller than one frame
      break;
    }
    hr = ProcessChunk(position, inFrames, outData, outFrames);
    if (FAILED(hr)) break;
    const std::uint32_t consumed = inFrameBytes * inFrames;

    hr = output->SetActualDataLength(static_cast<long>(outFrameBytes * outFrames));
    if (FAILED(hr)) break;
    hr = OutputPin()->Deliver(output.Get());
    if (FAILED(hr)) break;

    position += consumed;
    remaining -= consumed;
    if (remaining < inFrameBytes) break;  // used up; a partial frame is dropped

    hr = OutputPin()->GetDeliveryBuffer(output.GetAddressOf(), nullptr, nullptr, 0);
    if (FAILED(hr)) break;
    // Follow-on buffers carry no times, no flags and no media times.
    output->SetTime(nullptr, nullptr);
    output->SetMediaTime(nullptr, nullptr);
    output->SetSyncPoint(FALSE);
    output->SetDiscontinuity(FALSE);
    output->SetPreroll(preroll ? TRUE : FALSE);
  }
  return hr;
}

}  // namespace orkv
