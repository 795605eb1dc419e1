#include "tools/render/wav_source.h"

#include <evcode.h>
#include <mmreg.h>
#include <uuids.h>
#include <vfwmsgs.h>

#include <algorithm>

#include "tools/render/pooled_allocator.h"

namespace orkv::render {
namespace {

// {84AB7CC6-6E2C-43FC-AD9D-4ADD50FD04CA}
constexpr CLSID kWavSourceClsid = {
    0x84AB7CC6, 0x6E2C, 0x43FC, {0xAD, 0x9D, 0x4A, 0xDD, 0x50, 0xFD, 0x04, 0xCA}};

// Large buffers: each one costs the graph a fixed amount of work (allocator,
// delivery, the effect's own output buffer, a write), which at 4096 frames
// took as long as the effect itself; at 65536 frames (512 KB of float stereo)
// that cost all but disappears.
constexpr std::size_t kFramesPerBuffer = 65536;
constexpr long kBufferCount = 4;

REFERENCE_TIME TimeOfFrame(std::uint64_t frame, std::uint32_t rate) {
  return static_cast<REFERENCE_TIME>(frame * 10'000'000ull / rate);
}

WAVEFORMATEX WaveFormatOf(const wav::AudioFormat& format) {
  WAVEFORMATEX w{};
  w.wFormatTag = format.type == wav::SampleType::kInt16 ? WAVE_FORMAT_PCM : WAVE_FORMAT_IEEE_FLOAT;
  w.nChannels = format.channels;
  w.nSamplesPerSec = format.sampleRate;
  w.nBlockAlign = format.BytesPerFrame();
  w.nAvgBytesPerSec = format.sampleRate * format.BytesPerFrame();
  w.wBitsPerSample = static_cast<WORD>(format.BytesPerSample() * 8);
  w.cbSize = 0;
  return w;
}

}  // namespace

bool MakeAudioMediaType(const wav::AudioFormat& format, host::CMediaType& type) {
  const WAVEFORMATEX wave = WaveFormatOf(format);
  type.InitMediaType();
  type.SetType(&MEDIATYPE_Audio);
  type.SetSubtype(format.type == wav::SampleType::kInt16 ? &MEDIASUBTYPE_PCM
                                                         : &MEDIASUBTYPE_IEEE_FLOAT);
  type.SetFormatType(&FORMAT_WaveFormatEx);
  type.SetSampleSize(wave.nBlockAlign);
  type.SetTemporalCompression(FALSE);
  return type.SetFormat(reinterpret_cast<const BYTE*>(&wave), sizeof wave) != FALSE;
}

WavOutputPin::WavOutputPin(WavSourceFilter* filter, HRESULT* status)
    : CBaseOutputPin(L"WAV source output", filter, status, L"Output"), source_(filter) {}

WavOutputPin::~WavOutputPin() { StopThreads(); }

HRESULT WavOutputPin::CheckMediaType(const host::CMediaType* type) {
  host::CMediaType ours;
  if (!MakeAudioMediaType(source_->Format(), ours)) return E_OUTOFMEMORY;
  return *type == ours ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT WavOutputPin::GetMediaType(int position, host::CMediaType* type) {
  if (position < 0) return E_INVALIDARG;
  if (position > 0) return VFW_S_NO_MORE_ITEMS;
  return MakeAudioMediaType(source_->Format(), *type) ? S_OK : E_OUTOFMEMORY;
}

HRESULT WavOutputPin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) {
  const long wanted = static_cast<long>(kFramesPerBuffer * source_->Format().BytesPerFrame());
  props->cBuffers = std::max(props->cBuffers, kBufferCount);
  props->cbBuffer = std::max(props->cbBuffer, wanted);
  props->cbAlign = std::max(props->cbAlign, 1L);
  ALLOCATOR_PROPERTIES granted{};
  const HRESULT hr = allocator->SetProperties(props, &granted);
  if (FAILED(hr)) return hr;
  // Whole frames only; anything smaller than one frame is useless.
  return granted.cbBuffer >= source_->Format().BytesPerFrame() ? S_OK : E_FAIL;
}

HRESULT WavOutputPin::DecideAllocator(IMemInputPin* peer, host::ComPtr<IMemAllocator>& chosen) {
  host::ComPtr<IMemAllocator> pool = CreatePooledAllocator();
  if (pool) {
    ALLOCATOR_PROPERTIES wanted{};
    peer->GetAllocatorRequirements(&wanted);
    wanted.cbAlign = std::max(wanted.cbAlign, 1L);
    if (SUCCEEDED(DecideBufferSize(pool.Get(), &wanted)) &&
        SUCCEEDED(peer->NotifyAllocator(pool.Get(), FALSE))) {
      chosen = std::move(pool);
      return S_OK;
    }
  }
  return CBaseOutputPin::DecideAllocator(peer, chosen);
}

HRESULT WavOutputPin::Active() {
  HRESULT hr = CBaseOutputPin::Active();
  if (FAILED(hr)) return hr;
  StopThreads();
  ALLOCATOR_PROPERTIES props{};
  hr = Allocator()->GetProperties(&props);
  if (FAILED(hr)) return hr;
  readBuffers_.Open(static_cast<std::size_t>(std::max(props.cBuffers, 1L)) + 1);
  source_->Reader().Rewind();
  framesRead_ = 0;
  stopping_ = false;
  reader_.Start([this] { ReadAhead(); });
  streamer_.Start([this] { Stream(); });
  return S_OK;
}

HRESULT WavOutputPin::Inactive() {
  stopping_ = true;
  // Decommitting wakes a reader waiting for a free buffer.
  const HRESULT hr = CBaseOutputPin::Inactive();
  StopThreads();
  return hr;
}

void WavOutputPin::StopThreads() {
  stopping_ = true;
  readBuffers_.Close();  // wakes a streaming thread waiting for a buffer
  reader_.Join();
  streamer_.Join();
  ReleaseQueuedBuffers();
}

void WavOutputPin::ReleaseQueuedBuffers() {
  for (ReadBuffer unused; readBuffers_.TryPop(unused);) {
  }
}

void WavOutputPin::ReadAhead() {
  for (bool first = true; !stopping_ && ReadNextBuffer(first); first = false) {
  }
  readBuffers_.Close();  // nothing more comes: the streaming thread ends after the last
}

bool WavOutputPin::ReadNextBuffer(bool first) {
  IMediaSample* raw = nullptr;
  if (FAILED(GetDeliveryBuffer(&raw, nullptr, nullptr, 0))) return false;  // stopping
  ReadBuffer buffer;
  buffer.sample.Attach(raw);

  const auto& format = source_->Format();
  wav::WavFileReader& reader = source_->Reader();
  BYTE* data = nullptr;
  buffer.sample->GetPointer(&data);
  const std::size_t capacity =
      static_cast<std::size_t>(buffer.sample->GetSize()) / format.BytesPerFrame();
  const std::size_t wanted = std::min(capacity, kFramesPerBuffer);
  const std::size_t got = reader.Read(data, wanted);
  buffer.readFailed = got < wanted && framesRead_ + got < reader.Frames();
  if (got == 0) {
    buffer.sample.Reset();  // the end: nothing to deliver, the buffer goes back
    readBuffers_.Push(std::move(buffer));
    return false;
  }

  REFERENCE_TIME start = TimeOfFrame(framesRead_, format.sampleRate);
  REFERENCE_TIME stop = TimeOfFrame(framesRead_ + got, format.sampleRate);
  buffer.sample->SetActualDataLength(static_cast<long>(got * format.BytesPerFrame()));
  buffer.sample->SetTime(&start, &stop);
  buffer.sample->SetSyncPoint(TRUE);
  buffer.sample->SetDiscontinuity(first ? TRUE : FALSE);
  framesRead_ += got;
  const bool more = !buffer.readFailed;
  return readBuffers_.Push(std::move(buffer)) && more;
}

void WavOutputPin::Stream() {
  const auto& format = source_->Format();
  DeliverNewSegment(0, TimeOfFrame(source_->Reader().Frames(), format.sampleRate), 1.0);
  ReadBuffer buffer;
  while (!stopping_ && readBuffers_.Pop(buffer) && DeliverBuffer(buffer)) {
    buffer = ReadBuffer{};
  }
  // The reader stops at its next buffer; what it queued goes back to the
  // allocator, which also frees a reader waiting for a buffer.
  readBuffers_.Close();
  buffer = ReadBuffer{};
  ReleaseQueuedBuffers();
}

bool WavOutputPin::DeliverBuffer(const ReadBuffer& buffer) {
  if (!buffer.sample) {
    if (buffer.readFailed) {
      source_->NotifyEvent(EC_ERRORABORT, HRESULT_FROM_WIN32(ERROR_READ_FAULT), 0);
    } else {
      DeliverEndOfStream();
    }
    return false;
  }
  const HRESULT hr = Deliver(buffer.sample.Get());
  if (hr == S_FALSE) {  // downstream wants no more
    DeliverEndOfStream();
    return false;
  }
  if (FAILED(hr)) {
    if (!stopping_) source_->NotifyEvent(EC_ERRORABORT, hr, 0);
    return false;
  }
  if (buffer.readFailed) {
    source_->NotifyEvent(EC_ERRORABORT, HRESULT_FROM_WIN32(ERROR_READ_FAULT), 0);
    return false;
  }
  return true;
}

WavSourceFilter::WavSourceFilter(wav::WavFileReader reader)
    : CBaseFilter(L"WAV source", nullptr, kWavSourceClsid), reader_(std::move(reader)) {
  HRESULT hr = S_OK;
  pin_ = std::make_unique<WavOutputPin>(this, &hr);
}

WavSourceFilter::~WavSourceFilter() = default;

host::CBasePin* WavSourceFilter::GetPin(int n) { return n == 0 ? pin_.get() : nullptr; }

}  // namespace orkv::render
