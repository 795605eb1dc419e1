#include "tests/plugins/audio_test_filters.h"

#include <mmreg.h>

#include <algorithm>
#include <cstring>

#include "host/com_ptr.h"
#include "tests/plugins/hostile_neighbours.h"

namespace orkv::test {
namespace {

const CLSID CLSID_AudioSource = {
    0x3c1d2e10, 0x51a2, 0x4d7e, {0x8a, 0x11, 0x52, 0x7e, 0x0c, 0x4b, 0x91, 0x01}};
const CLSID CLSID_AudioSink = {
    0x3c1d2e10, 0x51a2, 0x4d7e, {0x8a, 0x11, 0x52, 0x7e, 0x0c, 0x4b, 0x91, 0x02}};

class SourcePin final : public host::CBaseOutputPin {
 public:
  SourcePin(host::CBaseFilter* filter, const host::CMediaType& type, long bufferBytes)
      : CBaseOutputPin(L"audio source pin", filter, &status_, L"Output"),
        type_(type),
        bufferBytes_(bufferBytes) {}

  HRESULT CheckMediaType(const host::CMediaType* type) override {
    return *type == type_ ? S_OK : S_FALSE;
  }
  HRESULT GetMediaType(int position, host::CMediaType* type) override {
    if (position != 0) return VFW_S_NO_MORE_ITEMS;
    *type = type_;
    return S_OK;
  }
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) override {
    props->cBuffers = 2;
    props->cbBuffer = bufferBytes_;
    ALLOCATOR_PROPERTIES actual{};
    return allocator->SetProperties(props, &actual);
  }

 private:
  HRESULT status_ = S_OK;
  host::CMediaType type_;
  long bufferBytes_;
};

// The system allocator, granting at most `cap` bytes a buffer.
class CappedAllocator final : public IMemAllocator {
 public:
  CappedAllocator(host::ComPtr<IMemAllocator> inner, AudioSink* sink)
      : inner_(std::move(inner)), sink_(sink) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (riid == IID_IUnknown || riid == IID_IMemAllocator) {
      *ppv = static_cast<IMemAllocator*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE SetProperties(ALLOCATOR_PROPERTIES* wanted,
                                          ALLOCATOR_PROPERTIES* actual) override {
    ALLOCATOR_PROPERTIES capped = *wanted;
    if (sink_->maxBufferBytes > 0)
      capped.cbBuffer = std::min(capped.cbBuffer, sink_->maxBufferBytes);
    const HRESULT hr = inner_->SetProperties(&capped, actual);
    if (SUCCEEDED(hr)) sink_->grantedBufferBytes = actual->cbBuffer;
    return hr;
  }
  // clang-format off
  HRESULT STDMETHODCALLTYPE GetProperties(ALLOCATOR_PROPERTIES* p) override { return inner_->GetProperties(p); }
  HRESULT STDMETHODCALLTYPE Commit() override { return inner_->Commit(); }
  HRESULT STDMETHODCALLTYPE Decommit() override { return inner_->Decommit(); }
  HRESULT STDMETHODCALLTYPE GetBuffer(IMediaSample** s, REFERENCE_TIME* a, REFERENCE_TIME* b, DWORD f) override { return inner_->GetBuffer(s, a, b, f); }
  HRESULT STDMETHODCALLTYPE ReleaseBuffer(IMediaSample* s) override { return inner_->ReleaseBuffer(s); }
  // clang-format on

 private:
  host::ComPtr<IMemAllocator> inner_;
  AudioSink* sink_;
  volatile LONG refs_ = 0;
};

class SinkPin final : public host::CBaseInputPin {
 public:
  explicit SinkPin(AudioSink* sink)
      : CBaseInputPin(L"audio sink pin", sink, &status_, L"Input"), sink_(sink) {}

  HRESULT CheckMediaType(const host::CMediaType* type) override {
    if (type->majortype != MEDIATYPE_Audio) return S_FALSE;
    if (sink_->onlyRate == 0) return S_OK;
    const auto* format = reinterpret_cast<const WAVEFORMATEX*>(type->Format());
    const bool rateFits = type->FormatLength() >= 16 && format->nSamplesPerSec == sink_->onlyRate;
    return rateFits ? S_OK : S_FALSE;
  }

  HRESULT STDMETHODCALLTYPE GetAllocator(IMemAllocator** allocator) override {
    if (allocator == nullptr) return E_POINTER;
    if (!m_pAllocator) {
      host::ComPtr<IMemAllocator> inner;
      if (sink_->guardedBuffers || sink_->nullBufferPointers) {
        inner = GuardedAllocator::Create(sink_->nullBufferPointers);
      } else {
        const HRESULT hr = CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER,
                                            IID_IMemAllocator, inner.GetVoidAddressOf());
        if (FAILED(hr)) return hr;
      }
      m_pAllocator = new CappedAllocator(std::move(inner), sink_);
    }
    return m_pAllocator.CopyTo(allocator);
  }

  HRESULT STDMETHODCALLTYPE NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override {
    if (sink_->ownAllocatorOnly && allocator != m_pAllocator.Get()) return E_FAIL;
    return CBaseInputPin::NotifyAllocator(allocator, readOnly);
  }

  HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override {
    const HRESULT hr = CBaseInputPin::Receive(sample);
    if (hr != S_OK) return hr;
    ReceivedBuffer r;
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    r.bytes.assign(data, data + sample->GetActualDataLength());
    r.timed = sample->GetTime(&r.start, &r.stop) == S_OK;
    r.sync = sample->IsSyncPoint() == S_OK;
    r.discontinuity = sample->IsDiscontinuity() == S_OK;
    r.preroll = sample->IsPreroll() == S_OK;
    sink_->received.push_back(std::move(r));
    return sink_->receiveResult;
  }

  HRESULT STDMETHODCALLTYPE EndOfStream() override {
    if (sink_->onEndOfStream) sink_->onEndOfStream();
    ++sink_->endOfStreamCount;
    return S_OK;
  }

 private:
  HRESULT status_ = S_OK;
  AudioSink* sink_;
};

}  // namespace

host::CMediaType AudioType(WORD tag, WORD channels, DWORD rate, WORD bits) {
  host::CMediaType type(&MEDIATYPE_Audio);
  type.SetSubtype(tag == WAVE_FORMAT_IEEE_FLOAT ? &MEDIASUBTYPE_IEEE_FLOAT : &MEDIASUBTYPE_PCM);
  type.SetFormatType(&FORMAT_WaveFormatEx);
  WAVEFORMATEX format{};
  format.wFormatTag = tag;
  format.nChannels = channels;
  format.nSamplesPerSec = rate;
  format.wBitsPerSample = bits;
  format.nBlockAlign = static_cast<WORD>(channels * bits / 8);
  format.nAvgBytesPerSec = rate * format.nBlockAlign;
  type.SetFormat(reinterpret_cast<const BYTE*>(&format), sizeof(format));
  type.SetSampleSize(format.nBlockAlign);
  return type;
}

AudioSource::AudioSource(const host::CMediaType& type, long bufferBytes)
    : CBaseFilter(L"audio source", nullptr, CLSID_AudioSource),
      pin_(std::make_unique<SourcePin>(this, type, bufferBytes)) {}

host::CBasePin* AudioSource::GetPin(int n) { return n == 0 ? pin_.get() : nullptr; }

HRESULT AudioSource::Push(const PushedBuffer& buffer, const AM_MEDIA_TYPE* type) {
  host::ComPtr<IMediaSample> sample;
  HRESULT hr = pin_->GetDeliveryBuffer(sample.GetAddressOf(), nullptr, nullptr, 0);
  if (FAILED(hr)) return hr;
  BYTE* data = nullptr;
  sample->GetPointer(&data);
  if (static_cast<long>(buffer.bytes.size()) > sample->GetSize()) return E_INVALIDARG;
  std::copy(buffer.bytes.begin(), buffer.bytes.end(), data);
  sample->SetActualDataLength(static_cast<long>(buffer.bytes.size()));
  REFERENCE_TIME start = buffer.start.value_or(0), stop = buffer.stop.value_or(0);
  sample->SetTime(buffer.start ? &start : nullptr, buffer.stop ? &stop : nullptr);
  sample->SetSyncPoint(buffer.sync);
  sample->SetDiscontinuity(buffer.discontinuity);
  sample->SetPreroll(buffer.preroll);
  if (type != nullptr) sample->SetMediaType(const_cast<AM_MEDIA_TYPE*>(type));
  return pin_->Deliver(sample.Get());
}

HRESULT AudioSource::PushEndOfStream() { return pin_->DeliverEndOfStream(); }

AudioSink::AudioSink()
    : CBaseFilter(L"audio sink", nullptr, CLSID_AudioSink), pin_(std::make_unique<SinkPin>(this)) {}

host::CBasePin* AudioSink::GetPin(int n) { return n == 0 ? pin_.get() : nullptr; }

}  // namespace orkv::test
