#include "tools/render/collector_sink.h"

#include <evcode.h>
#include <mmreg.h>
#include <uuids.h>
#include <vfwmsgs.h>

#include <cstring>

namespace orkv::render {
namespace {

// A float is NaN or infinite when its exponent bits are all set; tested on the
// bits, the scan runs several samples at a time.
std::uint64_t CountNonFinite(const BYTE* data, std::size_t bytes) {
  constexpr std::uint32_t kExponent = 0x7f800000u;
  std::uint64_t count = 0;
  for (std::size_t at = 0; at + sizeof(float) <= bytes; at += sizeof(float)) {
    std::uint32_t sample;
    std::memcpy(&sample, data + at, sizeof sample);
    count += (sample & kExponent) == kExponent ? 1 : 0;
  }
  return count;
}

// {50812013-0816-4390-B8B2-96C8D91A840D}
constexpr CLSID kCollectorSinkClsid = {
    0x50812013, 0x0816, 0x4390, {0xB8, 0xB2, 0x96, 0xC8, 0xD9, 0x1A, 0x84, 0x0D}};

}  // namespace

std::optional<wav::AudioFormat> AudioFormatOf(const AM_MEDIA_TYPE& type) {
  if (type.majortype != MEDIATYPE_Audio || type.formattype != FORMAT_WaveFormatEx ||
      type.pbFormat == nullptr || type.cbFormat < 16) {
    return std::nullopt;
  }
  WAVEFORMATEX w{};
  std::memcpy(&w, type.pbFormat, 16);
  wav::AudioFormat format;
  if (w.wFormatTag == WAVE_FORMAT_PCM && w.wBitsPerSample == 16) {
    format.type = wav::SampleType::kInt16;
  } else if (w.wFormatTag == WAVE_FORMAT_IEEE_FLOAT && w.wBitsPerSample == 32) {
    format.type = wav::SampleType::kFloat32;
  } else {
    return std::nullopt;
  }
  if (w.nChannels < 1 || w.nChannels > 2 || w.nSamplesPerSec == 0) return std::nullopt;
  format.channels = w.nChannels;
  format.sampleRate = w.nSamplesPerSec;
  return format;
}

CollectorPin::CollectorPin(CollectorSink* sink, HRESULT* status)
    : CBaseInputPin(L"Collector input", sink, status, L"Input"), sink_(sink) {}

HRESULT CollectorPin::CheckMediaType(const host::CMediaType* type) {
  return AudioFormatOf(*type) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CollectorPin::Active() {
  const HRESULT hr = CBaseInputPin::Active();
  return FAILED(hr) ? hr : sink_->BeginStream();
}

HRESULT STDMETHODCALLTYPE CollectorPin::Receive(IMediaSample* sample) {
  HRESULT hr = CBaseInputPin::Receive(sample);
  if (hr != S_OK) return hr;
  BYTE* data = nullptr;
  hr = sample->GetPointer(&data);
  if (FAILED(hr)) return hr;
  return sink_->Append(data, sample->GetActualDataLength());
}

HRESULT STDMETHODCALLTYPE CollectorPin::EndOfStream() {
  const HRESULT hr = CheckStreaming();
  if (hr != S_OK) return hr;
  sink_->EndOfStreamReached();
  return S_OK;
}

CollectorSink::CollectorSink(std::ostream& out)
    : CBaseFilter(L"Collector sink", nullptr, kCollectorSinkClsid), writer_(out) {
  HRESULT hr = S_OK;
  pin_ = std::make_unique<CollectorPin>(this, &hr);
}

CollectorSink::~CollectorSink() = default;

HRESULT STDMETHODCALLTYPE CollectorSink::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (riid == IID_IAMFilterMiscFlags) {
    return host::GetInterface(static_cast<IAMFilterMiscFlags*>(this), ppv);
  }
  return CBaseFilter::NonDelegatingQueryInterface(riid, ppv);
}

host::CBasePin* CollectorSink::GetPin(int n) { return n == 0 ? pin_.get() : nullptr; }

wav::AudioFormat CollectorSink::Format() const {
  return AudioFormatOf(pin_->CurrentMediaType()).value_or(wav::AudioFormat{});
}

HRESULT CollectorSink::BeginStream() {
  host::CAutoLock lock(&lock_);
  endOfStream_ = false;
  completeSent_ = false;
  frames_ = 0;
  nonFinite_ = 0;
  writeError_.clear();
  format_ = Format();
  return writer_.Start(format_, writeError_) ? S_OK : E_FAIL;
}

HRESULT CollectorSink::Append(const BYTE* data, long bytes) {
  host::CAutoLock lock(&lock_);
  if (!writeError_.empty()) return E_FAIL;
  if (bytes <= 0) return S_OK;
  if (!writer_.Append(data, static_cast<std::size_t>(bytes), writeError_)) {
    NotifyEvent(EC_ERRORABORT, E_FAIL, 0);
    return E_FAIL;
  }
  if (format_.type == wav::SampleType::kFloat32) {
    nonFinite_ += CountNonFinite(data, static_cast<std::size_t>(bytes));
  }
  frames_ += static_cast<std::uint64_t>(bytes) / format_.BytesPerFrame();
  return S_OK;
}

// Completion is reported only while running: the graph forgets completions
// that arrive before it has started every filter.
void CollectorSink::EndOfStreamReached() {
  bool notify = false;
  {
    host::CAutoLock lock(&lock_);
    endOfStream_ = true;
    notify = State() == State_Running && !completeSent_;
    completeSent_ |= notify;
  }
  if (notify) NotifyEvent(EC_COMPLETE, S_OK, 0);
}

HRESULT STDMETHODCALLTYPE CollectorSink::Run(REFERENCE_TIME start) {
  bool notify = false;
  HRESULT hr;
  {
    host::CAutoLock filterLock(FilterLock());  // always before lock_, as in Pause
    host::CAutoLock lock(&lock_);
    hr = CBaseFilter::Run(start);
    notify = SUCCEEDED(hr) && endOfStream_ && !completeSent_;
    completeSent_ |= notify;
  }
  if (notify) NotifyEvent(EC_COMPLETE, S_OK, 0);
  return hr;
}

bool CollectorSink::Finish(std::string& error) {
  host::CAutoLock lock(&lock_);
  if (!writeError_.empty()) {
    error = writeError_;
    return false;
  }
  return writer_.Finish(error);
}

std::string CollectorSink::WriteError() const {
  host::CAutoLock lock(&lock_);
  return writeError_;
}

}  // namespace orkv::render
