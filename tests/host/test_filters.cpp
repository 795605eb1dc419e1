#include "tests/host/test_filters.h"

#include <mmreg.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace orkv::host::test {

const CLSID CLSID_TestGain = {
    0x6f1c0c41, 0x2b0d, 0x4c34, {0x9e, 0x53, 0x1a, 0x7c, 0x1e, 0x0a, 0x0b, 0x01}};
const CLSID CLSID_TestSource = {
    0x6f1c0c41, 0x2b0d, 0x4c34, {0x9e, 0x53, 0x1a, 0x7c, 0x1e, 0x0a, 0x0b, 0x02}};
const CLSID CLSID_TestSink = {
    0x6f1c0c41, 0x2b0d, 0x4c34, {0x9e, 0x53, 0x1a, 0x7c, 0x1e, 0x0a, 0x0b, 0x03}};

namespace {

const WAVEFORMATEX* Wave(const CMediaType* type) {
  return reinterpret_cast<const WAVEFORMATEX*>(type->Format());
}

bool IsPcm16(const CMediaType* type) {
  return type->majortype == MEDIATYPE_Audio && type->FormatLength() >= sizeof(WAVEFORMATEX) &&
         Wave(type)->wFormatTag == WAVE_FORMAT_PCM && Wave(type)->wBitsPerSample == 16;
}

const AMOVIESETUP_MEDIATYPE kAudioType = {&MEDIATYPE_Audio, &GUID_NULL};
const AMOVIESETUP_PIN kGainPins[] = {
    {const_cast<LPWSTR>(L"Input"), FALSE, FALSE, FALSE, FALSE, nullptr, L"Output", 1, &kAudioType},
    {const_cast<LPWSTR>(L"Output"), FALSE, TRUE, FALSE, FALSE, nullptr, L"Input", 1, &kAudioType},
};
const AMOVIESETUP_FILTER kGainSetup = {&CLSID_TestGain, L"Host test gain", 0x00200000, 2,
                                       kGainPins};

// ---------------------------------------------------------------------------

class SourcePin : public CBaseOutputPin {
 public:
  SourcePin(CBaseFilter* filter, HRESULT* status)
      : CBaseOutputPin(L"source pin", filter, status, L"Output") {}

  HRESULT CheckMediaType(const CMediaType* type) override {
    return *type == PcmType(2) ? S_OK : S_FALSE;
  }
  HRESULT GetMediaType(int position, CMediaType* type) override {
    if (position < 0) return E_INVALIDARG;
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    *type = PcmType(2);
    return S_OK;
  }
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) override {
    props->cBuffers = std::max(props->cBuffers, 2L);
    props->cbBuffer = std::max(props->cbBuffer, 4096L);
    ALLOCATOR_PROPERTIES actual = {};
    const HRESULT hr = allocator->SetProperties(props, &actual);
    if (FAILED(hr)) return hr;
    return actual.cbBuffer < props->cbBuffer ? E_FAIL : S_OK;
  }
};

class SinkPin : public CBaseInputPin {
 public:
  SinkPin(TestSink* filter, HRESULT* status)
      : CBaseInputPin(L"sink pin", filter, status, L"Input"), sink_(filter) {}

  HRESULT CheckMediaType(const CMediaType* type) override { return IsPcm16(type) ? S_OK : S_FALSE; }

  HRESULT STDMETHODCALLTYPE GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) override {
    ++sink_->allocatorRequirementsAsked;
    if (sink_->requiredBufferSize == 0) return CBaseInputPin::GetAllocatorRequirements(props);
    props->cBuffers = 3;
    props->cbBuffer = sink_->requiredBufferSize;
    props->cbAlign = 0;
    props->cbPrefix = 0;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE GetAllocator(IMemAllocator** allocator) override {
    if (!sink_->offerAllocator) {
      if (allocator != nullptr) *allocator = nullptr;
      return VFW_E_NO_ALLOCATOR;
    }
    return CBaseInputPin::GetAllocator(allocator);
  }

  HRESULT STDMETHODCALLTYPE NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override {
    if (FAILED(sink_->notifyAllocatorResult)) return sink_->notifyAllocatorResult;
    sink_->notifiedAllocator = allocator;
    return CBaseInputPin::NotifyAllocator(allocator, readOnly);
  }

  HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override {
    const HRESULT hr = CBaseInputPin::Receive(sample);
    if (hr != S_OK) return hr;
    RecordedSample record;
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    const long length = sample->GetActualDataLength();
    record.data.resize(static_cast<size_t>(length) / sizeof(int16_t));
    std::memcpy(record.data.data(), data, record.data.size() * sizeof(int16_t));
    record.timed = sample->GetTime(&record.start, &record.stop) == S_OK;
    record.sync = sample->IsSyncPoint() == S_OK;
    record.discontinuity = sample->IsDiscontinuity() == S_OK;
    CAutoLock lock(FilterLock());
    sink_->samples.push_back(std::move(record));
    return sink_->receiveResult;
  }

  HRESULT STDMETHODCALLTYPE EndOfStream() override {
    {
      CAutoLock lock(FilterLock());
      ++sink_->endOfStream;
    }
    SetEvent(sink_->endOfStreamEvent);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE BeginFlush() override {
    ++sink_->beginFlush;
    return CBaseInputPin::BeginFlush();
  }
  HRESULT STDMETHODCALLTYPE EndFlush() override {
    ++sink_->endFlush;
    return CBaseInputPin::EndFlush();
  }
  HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop,
                                       double rate) override {
    sink_->segmentStart = start;
    sink_->segmentStop = stop;
    sink_->segmentRate = rate;
    return CBaseInputPin::NewSegment(start, stop, rate);
  }

 private:
  TestSink* sink_;
};

}  // namespace

CMediaType PcmType(WORD channels, WORD bits) {
  CMediaType type(&MEDIATYPE_Audio);
  type.SetSubtype(&MEDIASUBTYPE_PCM);
  type.SetFormatType(&FORMAT_WaveFormatEx);
  WAVEFORMATEX format = {};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = channels;
  format.nSamplesPerSec = 44100;
  format.wBitsPerSample = bits;
  format.nBlockAlign = static_cast<WORD>(channels * bits / 8);
  format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
  type.SetFormat(reinterpret_cast<const BYTE*>(&format), sizeof(format));
  type.SetSampleSize(format.nBlockAlign);
  return type;
}

// ---------------------------------------------------------------------------
// GainFilter

GainFilter::GainFilter(IUnknown* outer) : CTransformFilter(L"gain", outer, CLSID_TestGain) {}

CUnknown* GainFilter::Create(IUnknown* outer, HRESULT* status) {
  auto* filter = new (std::nothrow) GainFilter(outer);
  if (filter == nullptr) *status = E_OUTOFMEMORY;
  return filter;
}

HRESULT GainFilter::CheckInputType(const CMediaType* input) {
  return IsPcm16(input) && !input->IsTemporalCompressed() ? S_OK : E_INVALIDARG;
}

HRESULT GainFilter::CheckTransform(const CMediaType* input, const CMediaType* output) {
  if (!IsPcm16(input) || !IsPcm16(output)) return E_INVALIDARG;
  return std::memcmp(Wave(input), Wave(output), sizeof(WAVEFORMATEX)) == 0 ? S_OK : E_INVALIDARG;
}

HRESULT GainFilter::GetMediaType(int position, CMediaType* type) {
  if (position < 0) return E_INVALIDARG;
  if (position > 0) return VFW_S_NO_MORE_ITEMS;
  return type->Set(InputPin()->CurrentMediaType());
}

HRESULT GainFilter::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) {
  ++calls.decideBufferSize;
  props->cBuffers = std::max(props->cBuffers, 2L);
  props->cbBuffer = std::max(props->cbBuffer, 8192L);
  const HRESULT hr = allocator->SetProperties(props, &granted);
  return FAILED(hr) ? hr : S_OK;
}

HRESULT GainFilter::SetMediaType(PIN_DIRECTION direction, const CMediaType* type) {
  ++(direction == PINDIR_INPUT ? calls.setInputType : calls.setOutputType);
  return CTransformFilter::SetMediaType(direction, type);
}

HRESULT GainFilter::CompleteConnect(PIN_DIRECTION direction, IPin* pin) {
  ++(direction == PINDIR_INPUT ? calls.completeInput : calls.completeOutput);
  return CTransformFilter::CompleteConnect(direction, pin);
}

HRESULT GainFilter::BreakConnect(PIN_DIRECTION direction) {
  ++(direction == PINDIR_INPUT ? calls.breakInput : calls.breakOutput);
  return CTransformFilter::BreakConnect(direction);
}

HRESULT GainFilter::StartStreaming() {
  ++calls.startStreaming;
  return startResult;
}

HRESULT GainFilter::StopStreaming() {
  ++calls.stopStreaming;
  return stopResult;
}

HRESULT GainFilter::Transform(IMediaSample* input, IMediaSample* output) {
  BYTE* in = nullptr;
  BYTE* out = nullptr;
  input->GetPointer(&in);
  output->GetPointer(&out);
  const long length = input->GetActualDataLength();
  if (length > output->GetSize()) return E_FAIL;
  const auto* from = reinterpret_cast<const int16_t*>(in);
  auto* to = reinterpret_cast<int16_t*>(out);
  for (long i = 0; i < length / 2; ++i) {
    to[i] = static_cast<int16_t>(std::clamp(from[i] * 2, -32768, 32767));
  }
  return output->SetActualDataLength(length);
}

const AMOVIESETUP_FILTER* GainFilter::GetSetupData() { return &kGainSetup; }

// ---------------------------------------------------------------------------
// TestSource

TestSource::TestSource() : CBaseFilter(L"source", nullptr, CLSID_TestSource) {}

CBasePin* TestSource::GetPin(int n) {
  if (n != 0) return nullptr;
  if (!pin_) {
    HRESULT hr = S_OK;
    pin_ = std::make_unique<SourcePin>(this, &hr);
  }
  return pin_.get();
}

CBaseOutputPin* TestSource::Output() { return static_cast<CBaseOutputPin*>(GetPin(0)); }

HRESULT TestSource::Push(const std::vector<int16_t>& samples, REFERENCE_TIME start,
                         REFERENCE_TIME stop, bool sync, bool discontinuity,
                         const AM_MEDIA_TYPE* type) {
  ComPtr<IMediaSample> sample;
  HRESULT hr = Output()->GetDeliveryBuffer(sample.GetAddressOf(), nullptr, nullptr, 0);
  if (FAILED(hr)) return hr;
  BYTE* data = nullptr;
  sample->GetPointer(&data);
  const long bytes = static_cast<long>(samples.size() * sizeof(int16_t));
  if (bytes > sample->GetSize()) return E_INVALIDARG;
  std::memcpy(data, samples.data(), static_cast<size_t>(bytes));
  sample->SetActualDataLength(bytes);
  sample->SetTime(&start, &stop);
  sample->SetSyncPoint(sync);
  sample->SetDiscontinuity(discontinuity);
  if (type != nullptr) sample->SetMediaType(const_cast<AM_MEDIA_TYPE*>(type));
  return Output()->Deliver(sample.Get());
}

// ---------------------------------------------------------------------------
// TestSink

TestSink::TestSink()
    : CBaseFilter(L"sink", nullptr, CLSID_TestSink),
      endOfStreamEvent(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

TestSink::~TestSink() {
  pin_.reset();
  CloseHandle(endOfStreamEvent);
}

CBasePin* TestSink::GetPin(int n) {
  if (n != 0) return nullptr;
  if (!pin_) {
    HRESULT hr = S_OK;
    pin_ = std::make_unique<SinkPin>(this, &hr);
  }
  return pin_.get();
}

CBaseInputPin* TestSink::Input() { return static_cast<CBaseInputPin*>(GetPin(0)); }

}  // namespace orkv::host::test
