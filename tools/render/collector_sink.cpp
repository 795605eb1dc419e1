#include "tools/render/collector_sink.h"

#include <evcode.h>
#include <mmreg.h>
#include <uuids.h>
#include <vfwmsgs.h>

#include <algorithm>
#include <cstring>

#include "tools/render/pooled_allocator.h"

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

// Blocks between Receive and the writer thread: each as large as the
// upstream allocator's buffers within these bounds (a larger buffer takes
// several), a whole number of frames of any format.
constexpr std::size_t kBlockCount = 4;
constexpr std::size_t kMinBlockBytes = 64 * 1024;
constexpr std::size_t kMaxBlockBytes = 1024 * 1024;
constexpr std::size_t kLargestFrameBytes = 8;

std::size_t BlockBytesFor(long bufferBytes) {
  const std::size_t wanted = bufferBytes > 0 ? static_cast<std::size_t>(bufferBytes) : 0;
  const std::size_t bounded = std::clamp(wanted, kMinBlockBytes, kMaxBlockBytes);
  return bounded / kLargestFrameBytes * kLargestFrameBytes;
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
    : CBaseInputPin(L"Collector input", sink, status, L"Input"),
      sink_(sink),
      pool_(CreatePooledAllocator()) {}

HRESULT STDMETHODCALLTYPE CollectorPin::GetAllocator(IMemAllocator** allocator) {
  if (allocator == nullptr) return E_POINTER;
  return pool_ ? pool_.CopyTo(allocator) : CBaseInputPin::GetAllocator(allocator);
}

HRESULT CollectorPin::CheckMediaType(const host::CMediaType* type) {
  return AudioFormatOf(*type) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CollectorPin::Active() {
  const HRESULT hr = CBaseInputPin::Active();
  if (FAILED(hr)) return hr;
  ALLOCATOR_PROPERTIES props{};
  if (Allocator() == nullptr || FAILED(Allocator()->GetProperties(&props))) props = {};
  // An output that cannot even take the header aborts the stream like any
  // later write error instead of failing the pause: the platform's graph
  // (Wine's) does not recover from a renderer that refuses to pause.
  if (FAILED(sink_->BeginStream(props.cBuffers, props.cbBuffer))) {
    sink_->NotifyEvent(EC_ERRORABORT, E_FAIL, 0);
  }
  return S_OK;
}

HRESULT CollectorPin::Inactive() {
  // Decommitting first frees an upstream filter waiting for a buffer.
  const HRESULT hr = CBaseInputPin::Inactive();
  sink_->EndStream();
  return hr;
}

HRESULT STDMETHODCALLTYPE CollectorPin::Receive(IMediaSample* sample) {
  host::CAutoLock receiving(&sink_->receiveLock_);
  const HRESULT hr = CBaseInputPin::Receive(sample);
  return hr == S_OK ? sink_->Accept(sample) : hr;
}

HRESULT STDMETHODCALLTYPE CollectorPin::EndOfStream() {
  host::CAutoLock receiving(&sink_->receiveLock_);
  const HRESULT hr = CheckStreaming();
  if (hr != S_OK) return hr;
  return sink_->QueueEndOfStream();
}

CollectorSink::CollectorSink(std::ostream& out, UpstreamSamples upstream)
    : CBaseFilter(L"Collector sink", nullptr, kCollectorSinkClsid),
      keepSamples_(upstream == UpstreamSamples::kHonourReferences),
      writer_(out) {
  HRESULT hr = S_OK;
  pin_ = std::make_unique<CollectorPin>(this, &hr);
}

CollectorSink::~CollectorSink() { EndStream(); }

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

// The previous stream's writer has ended: Inactive waited for it.
HRESULT CollectorSink::BeginStream(long buffers, long bufferBytes) {
  host::CAutoLock lock(&lock_);
  endOfStream_ = false;
  completeSent_ = false;
  frames_ = 0;
  nonFinite_ = 0;
  writeError_.clear();
  failed_ = false;
  format_ = Format();
  ReserveBlocks(keepSamples_ ? 0 : BlockBytesFor(bufferBytes));
  // Every block, every sample upstream and the end: Receive waits only for a
  // block, never for room.
  pending_.Open(blocks_.size() + static_cast<std::size_t>(std::max(buffers, 0L)) + 1);
  if (!writer_.Start(format_, writeError_)) {
    failed_ = true;
    return E_FAIL;
  }
  writerThread_.Start([this] { WritePending(); });
  return S_OK;
}

// Kept samples need no blocks; copies keep the blocks of the last stream if
// they are as large.
void CollectorSink::ReserveBlocks(std::size_t bytes) {
  blocks_.resize(bytes > 0 ? kBlockCount : 0);
  for (Block& block : blocks_) block.bytes.resize(bytes);
  freeBlocks_.Open(blocks_.size());
  for (std::size_t index = 0; index < blocks_.size(); ++index) freeBlocks_.Push(std::size_t{index});
}

void CollectorSink::EndStream() {
  {
    // A Receive in progress finishes first: the writer keeps freeing blocks.
    host::CAutoLock receiving(&receiveLock_);
    freeBlocks_.Close();
    pending_.Close();
  }
  writerThread_.Join();
}

HRESULT CollectorSink::Accept(IMediaSample* sample) {
  if (failed_) return E_FAIL;
  BYTE* data = nullptr;
  const HRESULT hr = sample->GetPointer(&data);
  if (FAILED(hr)) return hr;
  return keepSamples_ ? Keep(sample) : Copy(data, sample->GetActualDataLength());
}

HRESULT CollectorSink::Keep(IMediaSample* sample) {
  Pending kept;
  kept.sample = host::ComPtr<IMediaSample>(sample);
  return pending_.Push(std::move(kept)) ? S_OK : VFW_E_WRONG_STATE;
}

// Copies into free blocks; waits only while the writer is behind by every block.
HRESULT CollectorSink::Copy(const BYTE* data, long bytes) {
  std::size_t left = bytes > 0 ? static_cast<std::size_t>(bytes) : 0;
  while (left > 0) {
    Pending filled;
    if (!freeBlocks_.Pop(filled.block)) return VFW_E_WRONG_STATE;  // stopping
    Block& block = blocks_[filled.block];
    block.used = std::min(left, block.bytes.size());
    std::memcpy(block.bytes.data(), data, block.used);
    data += block.used;
    left -= block.used;
    if (!pending_.Push(std::move(filled))) return VFW_E_WRONG_STATE;
  }
  return S_OK;
}

HRESULT CollectorSink::QueueEndOfStream() {
  Pending end;
  end.endOfStream = true;
  return pending_.Push(std::move(end)) ? S_OK : VFW_E_WRONG_STATE;
}

// Writes in order and gives blocks and samples back; after a failure it only
// gives them back, so the upstream filter is refused rather than blocked.
void CollectorSink::WritePending() {
  for (Pending next; pending_.Pop(next); next = Pending{}) {
    if (next.endOfStream) {
      EndOfStreamWritten();
    } else if (next.sample) {
      if (!failed_) WriteSample(next.sample.Get());
    } else {
      const Block& block = blocks_[next.block];
      if (!failed_) Write(block.bytes.data(), block.used);
      freeBlocks_.Push(std::move(next.block));
    }
  }
}

void CollectorSink::WriteSample(IMediaSample* sample) {
  BYTE* data = nullptr;
  const long bytes = sample->GetActualDataLength();
  if (SUCCEEDED(sample->GetPointer(&data)) && bytes > 0) {
    Write(data, static_cast<std::size_t>(bytes));
  }
}

void CollectorSink::Write(const BYTE* data, std::size_t bytes) {
  std::string error;
  if (!writer_.Append(data, bytes, error)) {
    {
      host::CAutoLock lock(&lock_);
      writeError_ = error;
      failed_ = true;
    }
    NotifyEvent(EC_ERRORABORT, E_FAIL, 0);
    return;
  }
  if (format_.type == wav::SampleType::kFloat32) nonFinite_ += CountNonFinite(data, bytes);
  frames_ += bytes / format_.BytesPerFrame();
}

// Completion is reported only while running: the graph forgets completions
// that arrive before it has started every filter. Nothing is complete after a
// failed write.
void CollectorSink::EndOfStreamWritten() {
  bool notify = false;
  {
    host::CAutoLock lock(&lock_);
    if (failed_) return;
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
  EndStream();
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
