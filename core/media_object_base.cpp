#include "core/media_object_base.h"

#include <mediaerr.h>
#include <uuids.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <mutex>

#include "core/audio_format_rules.h"

namespace orkv {

namespace {

// Both streams carry whole frames of a fixed size (the platform's
// DMO_INPUT_STREAMF_ and DMO_OUTPUT_STREAMF_ WHOLE_SAMPLES and FIXED_SAMPLE_SIZE,
// the same values on both sides, which the MinGW headers lack).
constexpr DWORD kWholeSamples = 0x1;
constexpr DWORD kFixedSampleSize = 0x4;
constexpr DWORD kStreamFlags = kWholeSamples | kFixedSampleSize;
constexpr DWORD kSetTypeFlags = DMO_SET_TYPEF_TEST_ONLY | DMO_SET_TYPEF_CLEAR;
constexpr DWORD kInputBufferFlags = DMO_INPUT_DATA_BUFFERF_SYNCPOINT | DMO_INPUT_DATA_BUFFERF_TIME |
                                    DMO_INPUT_DATA_BUFFERF_TIMELENGTH;
constexpr DWORD kTimeAndLength = DMO_INPUT_DATA_BUFFERF_TIME | DMO_INPUT_DATA_BUFFERF_TIMELENGTH;

// The sample types the input takes, in order of preference: partial types
// (no format block) for hosts that enumerate before they connect.
const GUID* const kInputSubtypes[] = {&MEDIASUBTYPE_PCM, &MEDIASUBTYPE_IEEE_FLOAT};

const AM_MEDIA_TYPE& AsMediaType(const DMO_MEDIA_TYPE& type) {
  static_assert(sizeof(DMO_MEDIA_TYPE) == sizeof(AM_MEDIA_TYPE));
  return reinterpret_cast<const AM_MEDIA_TYPE&>(type);
}
AM_MEDIA_TYPE* AsMediaType(DMO_MEDIA_TYPE* type) { return reinterpret_cast<AM_MEDIA_TYPE*>(type); }
const DMO_MEDIA_TYPE* AsDmoType(const AM_MEDIA_TYPE& type) {
  return reinterpret_cast<const DMO_MEDIA_TYPE*>(&type);
}

}  // namespace

MediaObjectBase::~MediaObjectBase() = default;

HRESULT MediaObjectBase::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  if (riid == IID_IMediaObject) return host::GetInterface(static_cast<IMediaObject*>(this), ppv);
  if (riid == IID_IMediaObjectInPlace) {
    return host::GetInterface(static_cast<IMediaObjectInPlace*>(this), ppv);
  }
  return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT MediaObjectBase::GetStreamCount(DWORD* inputs, DWORD* outputs) {
  if (inputs == nullptr || outputs == nullptr) return E_POINTER;
  *inputs = 1;
  *outputs = 1;
  return S_OK;
}

HRESULT MediaObjectBase::GetInputStreamInfo(DWORD stream, DWORD* flags) {
  if (stream != 0) return DMO_E_INVALIDSTREAMINDEX;
  if (flags == nullptr) return E_POINTER;
  *flags = kStreamFlags;
  return S_OK;
}

HRESULT MediaObjectBase::GetOutputStreamInfo(DWORD stream, DWORD* flags) {
  if (stream != 0) return DMO_E_INVALIDSTREAMINDEX;
  if (flags == nullptr) return E_POINTER;
  *flags = kStreamFlags;
  return S_OK;
}

// A null type only asks whether the index exists.
HRESULT MediaObjectBase::GetInputType(DWORD stream, DWORD index, DMO_MEDIA_TYPE* type) {
  if (stream != 0) return DMO_E_INVALIDSTREAMINDEX;
  if (index >= std::size(kInputSubtypes)) return DMO_E_NO_MORE_ITEMS;
  if (type == nullptr) return S_OK;
  *type = DMO_MEDIA_TYPE{};
  type->majortype = MEDIATYPE_Audio;
  type->subtype = *kInputSubtypes[index];
  type->bFixedSizeSamples = TRUE;
  type->formattype = GUID_NULL;
  return S_OK;
}

// Exactly one proposal: the stereo form of the input's type.
HRESULT MediaObjectBase::GetOutputType(DWORD stream, DWORD index, DMO_MEDIA_TYPE* type) {
  if (stream != 0) return DMO_E_INVALIDSTREAMINDEX;
  std::lock_guard guard(lock_);
  if (!inputSet_) return DMO_E_TYPE_NOT_SET;
  if (index > 0) return DMO_E_NO_MORE_ITEMS;
  if (type == nullptr) return S_OK;
  const HRESULT hr = host::CopyMediaType(AsMediaType(type), &inputType_);
  if (FAILED(hr)) return hr;
  media::RewriteAsStereo(*AsMediaType(type));
  return S_OK;
}

HRESULT MediaObjectBase::SetInputType(DWORD stream, const DMO_MEDIA_TYPE* type, DWORD flags) {
  if (stream != 0) return DMO_E_INVALIDSTREAMINDEX;
  if ((flags & ~kSetTypeFlags) != 0 || flags == kSetTypeFlags) return E_INVALIDARG;
  std::lock_guard guard(lock_);
  if (flags & DMO_SET_TYPEF_CLEAR) {
    ClearInputType();
    return S_OK;
  }
  if (type == nullptr) return E_POINTER;
  if (media::CheckInput(AsMediaType(*type), MinSampleRate()) != S_OK) {
    return DMO_E_TYPE_NOT_ACCEPTED;
  }
  if (flags & DMO_SET_TYPEF_TEST_ONLY) return S_OK;
  return SetInputTypeLocked(*type);
}

HRESULT MediaObjectBase::SetOutputType(DWORD stream, const DMO_MEDIA_TYPE* type, DWORD flags) {
  if (stream != 0) return DMO_E_INVALIDSTREAMINDEX;
  if ((flags & ~kSetTypeFlags) != 0 || flags == kSetTypeFlags) return E_INVALIDARG;
  std::lock_guard guard(lock_);
  if (flags & DMO_SET_TYPEF_CLEAR) {
    ClearOutputType();
    return S_OK;
  }
  if (type == nullptr) return E_POINTER;
  if (!inputSet_) return DMO_E_TYPE_NOT_SET;
  if (media::CheckTransform(inputType_, AsMediaType(*type)) != S_OK) {
    return DMO_E_TYPE_NOT_ACCEPTED;
  }
  if (flags & DMO_SET_TYPEF_TEST_ONLY) return S_OK;
  return SetOutputTypeLocked(*type);
}

// A new type means a new stream: whatever input was held is dropped and the
// engine starts afresh. An output type the new input can no longer feed is
// cleared, so that streaming cannot start with formats that do not fit.
HRESULT MediaObjectBase::SetInputTypeLocked(const DMO_MEDIA_TYPE& type) {
  const HRESULT hr = inputType_.Set(AsMediaType(type));
  if (FAILED(hr)) {
    ClearInputType();
    return hr;
  }
  DropPendingInput();
  engineRunning_ = false;
  inputSet_ = true;
  inputFormat_ = media::NormalisedFormat(inputType_);
  FormatChanged(0, &inputFormat_);
  if (outputSet_ && media::CheckTransform(inputType_, outputType_) != S_OK) ClearOutputType();
  return S_OK;
}

HRESULT MediaObjectBase::SetOutputTypeLocked(const DMO_MEDIA_TYPE& type) {
  const HRESULT hr = outputType_.Set(AsMediaType(type));
  if (FAILED(hr)) {
    ClearOutputType();
    return hr;
  }
  DropPendingInput();
  engineRunning_ = false;
  outputSet_ = true;
  outputFormat_ = media::NormalisedFormat(outputType_);
  FormatChanged(1, &outputFormat_);
  return S_OK;
}

void MediaObjectBase::ClearInputType() {
  DropPendingInput();
  engineRunning_ = false;
  if (inputSet_) FormatChanged(0, nullptr);
  inputSet_ = false;
  inputType_.InitMediaType();
}

void MediaObjectBase::ClearOutputType() {
  DropPendingInput();
  engineRunning_ = false;
  if (outputSet_) FormatChanged(1, nullptr);
  outputSet_ = false;
  outputType_.InitMediaType();
}

HRESULT MediaObjectBase::GetInputCurrentType(DWORD stream, DMO_MEDIA_TYPE* type) {
  if (stream != 0) return DMO_E_INVALIDSTREAMINDEX;
  if (type == nullptr) return E_POINTER;
  std::lock_guard guard(lock_);
  if (!inputSet_) return DMO_E_TYPE_NOT_SET;
  return host::CopyMediaType(AsMediaType(type), &inputType_);
}

HRESULT MediaObjectBase::GetOutputCurrentType(DWORD stream, DMO_MEDIA_TYPE* type) {
  if (stream != 0) return DMO_E_INVALIDSTREAMINDEX;
  if (type == nullptr) return E_POINTER;
  std::lock_guard guard(lock_);
  if (!outputSet_) return DMO_E_TYPE_NOT_SET;
  return host::CopyMediaType(AsMediaType(type), &outputType_);
}

// Any buffer of whole frames will do; nothing is held back (no lookahead).
HRESULT MediaObjectBase::GetInputSizeInfo(DWORD stream, DWORD* size, DWORD* lookahead,
                                          DWORD* alignment) {
  if (stream != 0) return DMO_E_INVALIDSTREAMINDEX;
  if (size == nullptr || lookahead == nullptr || alignment == nullptr) return E_POINTER;
  std::lock_guard guard(lock_);
  if (!inputSet_) return DMO_E_TYPE_NOT_SET;
  *size = inputFormat_.blockAlign;
  *lookahead = 0;
  *alignment = 1;
  return S_OK;
}

HRESULT MediaObjectBase::GetOutputSizeInfo(DWORD stream, DWORD* size, DWORD* alignment) {
  if (stream != 0) return DMO_E_INVALIDSTREAMINDEX;
  if (size == nullptr || alignment == nullptr) return E_POINTER;
  std::lock_guard guard(lock_);
  if (!outputSet_) return DMO_E_TYPE_NOT_SET;
  *size = kPreferredOutputFrames * outputFormat_.blockAlign;
  *alignment = 1;
  return S_OK;
}

// Output frame n is input frame n: no latency at all.
HRESULT MediaObjectBase::GetInputMaxLatency(DWORD stream, REFERENCE_TIME* latency) {
  if (stream != 0) return DMO_E_INVALIDSTREAMINDEX;
  if (latency == nullptr) return E_POINTER;
  *latency = 0;
  return S_OK;
}

HRESULT MediaObjectBase::SetInputMaxLatency(DWORD stream, REFERENCE_TIME) {
  if (stream != 0) return DMO_E_INVALIDSTREAMINDEX;
  return E_NOTIMPL;
}

// Drops the held input; the engine keeps its state (delay lines, oscillator),
// as the filter's does across a flush.
HRESULT MediaObjectBase::Flush() {
  std::lock_guard guard(lock_);
  DropPendingInput();
  return S_OK;
}

// The end of a stretch of input. With no latency there is nothing to drain
// beyond the buffer already held, which ProcessOutput delivers as usual.
HRESULT MediaObjectBase::Discontinuity(DWORD stream) {
  if (stream != 0) return DMO_E_INVALIDSTREAMINDEX;
  std::lock_guard guard(lock_);
  if (!TypesReady()) return DMO_E_TYPE_NOT_SET;
  return S_OK;
}

HRESULT MediaObjectBase::AllocateStreamingResources() {
  std::lock_guard guard(lock_);
  if (!TypesReady()) return DMO_E_TYPE_NOT_SET;
  engineRunning_ = false;
  return EnsureEngineStarted();
}

// The engine's memory is part of the object; what ends here is the stream:
// the next one starts the engine from silence.
HRESULT MediaObjectBase::FreeStreamingResources() {
  std::lock_guard guard(lock_);
  DropPendingInput();
  engineRunning_ = false;
  return S_OK;
}

HRESULT MediaObjectBase::GetInputStatus(DWORD stream, DWORD* flags) {
  if (stream != 0) return DMO_E_INVALIDSTREAMINDEX;
  if (flags == nullptr) return E_POINTER;
  std::lock_guard guard(lock_);
  if (!TypesReady()) return DMO_E_TYPE_NOT_SET;
  *flags = pending_ ? 0 : DMO_INPUT_STATUSF_ACCEPT_DATA;
  return S_OK;
}

// Keeps a reference to the buffer; its whole frames are processed by the
// following ProcessOutput calls. A buffer without a whole frame yields no
// output (S_FALSE) and is not kept.
HRESULT MediaObjectBase::ProcessInput(DWORD stream, IMediaBuffer* buffer, DWORD flags,
                                      REFERENCE_TIME time, REFERENCE_TIME length) {
  if (stream != 0) return DMO_E_INVALIDSTREAMINDEX;
  if (buffer == nullptr) return E_POINTER;
  if ((flags & ~kInputBufferFlags) != 0) return E_INVALIDARG;
  std::lock_guard guard(lock_);
  if (!TypesReady()) return DMO_E_TYPE_NOT_SET;
  if (pending_) return DMO_E_NOTACCEPTING;

  BYTE* data = nullptr;
  DWORD bytes = 0;
  HRESULT hr = buffer->GetBufferAndLength(&data, &bytes);
  if (FAILED(hr)) return hr;
  // Never trust a length beyond the buffer that holds it.
  DWORD capacity = 0;
  if (SUCCEEDED(buffer->GetMaxLength(&capacity))) bytes = std::min(bytes, capacity);
  const DWORD frameBytes = inputFormat_.blockAlign;
  const DWORD wholeBytes = bytes - bytes % frameBytes;  // a partial frame is dropped
  if (wholeBytes > 0 && data == nullptr) return E_POINTER;

  hr = EnsureEngineStarted();
  if (FAILED(hr)) return hr;
  if (wholeBytes == 0) return S_FALSE;

  pending_ = buffer;
  pendingBytes_ = wholeBytes;
  consumedBytes_ = 0;
  firstChunk_ = true;
  pendingFlags_ = flags;
  pendingTime_ = time;
  pendingLength_ = length;
  return S_OK;
}

HRESULT MediaObjectBase::ProcessOutput(DWORD flags, DWORD count, DMO_OUTPUT_DATA_BUFFER* buffers,
                                       DWORD* status) {
  if (buffers == nullptr || status == nullptr) return E_POINTER;
  if (count != 1 || (flags & ~DWORD{DMO_PROCESS_OUTPUT_DISCARD_WHEN_NO_BUFFER}) != 0) {
    return E_INVALIDARG;
  }
  *status = 0;
  DMO_OUTPUT_DATA_BUFFER& output = buffers[0];
  output.dwStatus = 0;
  std::lock_guard guard(lock_);
  if (!TypesReady()) return DMO_E_TYPE_NOT_SET;
  if (!pending_) return S_FALSE;
  if (output.pBuffer == nullptr) {
    if (!(flags & DMO_PROCESS_OUTPUT_DISCARD_WHEN_NO_BUFFER)) return E_POINTER;
    DropPendingInput();  // the host does not want this output
    return S_OK;
  }
  // A buffer that cannot take one frame is the caller's mistake: the input
  // stays for a proper one. Any other failure (the engine's, or the host's
  // buffer refusing) ends this input buffer, as a failed delivery ends the
  // filter's, so that no stale buffer is ever read again.
  BYTE* outData = nullptr;
  DWORD outLength = 0;
  std::uint32_t outFrames = 0;
  HRESULT hr = OutputRoom(*output.pBuffer, outData, outLength, outFrames);
  if (SUCCEEDED(hr) && outFrames == 0) return E_INVALIDARG;
  if (SUCCEEDED(hr)) hr = FillOutput(output, outData, outLength, outFrames);
  if (FAILED(hr)) DropPendingInput();
  return hr;
}

// Where output can go: after the buffer's current data, whole frames only.
HRESULT MediaObjectBase::OutputRoom(IMediaBuffer& target, BYTE*& data, DWORD& length,
                                    std::uint32_t& frames) const {
  DWORD capacity = 0;
  HRESULT hr = target.GetBufferAndLength(&data, &length);
  if (SUCCEEDED(hr)) hr = target.GetMaxLength(&capacity);
  if (FAILED(hr)) return hr;
  if (data == nullptr) return E_POINTER;
  frames = (capacity > length ? capacity - length : 0) / outputFormat_.blockAlign;
  return S_OK;
}

// Runs the engine from the held input into outFrames frames of room.
HRESULT MediaObjectBase::FillOutput(DMO_OUTPUT_DATA_BUFFER& output, BYTE* outData, DWORD outLength,
                                    std::uint32_t outFrames) {
  // The held buffer's memory is asked for again on every call rather than
  // remembered, and never read past the length it reports now.
  BYTE* inData = nullptr;
  DWORD inLength = 0;
  HRESULT hr = pending_->GetBufferAndLength(&inData, &inLength);
  if (FAILED(hr)) return hr;
  if (inData == nullptr || inLength < pendingBytes_) return E_UNEXPECTED;
  std::uint32_t inFrames = (pendingBytes_ - consumedBytes_) / inputFormat_.blockAlign;

  hr = ProcessFrames(inData + consumedBytes_, inFrames, outData + outLength, outFrames);
  if (FAILED(hr)) return hr;
  hr = output.pBuffer->SetLength(outLength + outFrames * outputFormat_.blockAlign);
  if (FAILED(hr)) return hr;

  // The first output of an input buffer carries its time (when it had both a
  // start and a length) and its sync point; the rest carry neither.
  if (firstChunk_) {
    if ((pendingFlags_ & kTimeAndLength) == kTimeAndLength) {
      output.dwStatus |= DMO_OUTPUT_DATA_BUFFERF_TIME | DMO_OUTPUT_DATA_BUFFERF_TIMELENGTH;
      output.rtTimestamp = pendingTime_;
      output.rtTimelength = pendingLength_;
    }
    if (pendingFlags_ & DMO_INPUT_DATA_BUFFERF_SYNCPOINT) {
      output.dwStatus |= DMO_OUTPUT_DATA_BUFFERF_SYNCPOINT;
    }
    firstChunk_ = false;
  }
  consumedBytes_ += inFrames * inputFormat_.blockAlign;
  if (consumedBytes_ < pendingBytes_) {
    output.dwStatus |= DMO_OUTPUT_DATA_BUFFERF_INCOMPLETE;
  } else {
    DropPendingInput();
  }
  return S_OK;
}

// The host's own hold on the object: Lock(TRUE) waits for any call in
// progress and keeps every other thread out until the matching Lock(FALSE).
// An unlock by a thread that holds no such lock is refused, never passed on
// to the critical section.
HRESULT MediaObjectBase::Lock(LONG lock) {
  const DWORD self = GetCurrentThreadId();
  lock_.lock();
  if (lock) {
    lockOwner_ = self;
    ++lockDepth_;
    return S_OK;  // stays held
  }
  if (lockDepth_ == 0 || lockOwner_ != self) {
    lock_.unlock();
    return E_UNEXPECTED;
  }
  if (--lockDepth_ == 0) lockOwner_ = 0;
  lock_.unlock();  // this call's own hold
  lock_.unlock();  // the one Lock(TRUE) kept
  return S_OK;
}

// Processes the host's buffer in place, whole frames only. The output type
// must equal the input type (stereo input); a mono stream cannot grow into its
// own buffer. The effect reports no tail: DMO_INPLACE_ZERO calls process the
// buffer like any other.
HRESULT MediaObjectBase::Process(ULONG size, BYTE* data, REFERENCE_TIME, DWORD flags) {
  if ((flags & ~DWORD{DMO_INPLACE_ZERO}) != 0) return E_INVALIDARG;
  std::lock_guard guard(lock_);
  if (!TypesReady()) return DMO_E_TYPE_NOT_SET;
  if (inputFormat_.blockAlign != outputFormat_.blockAlign) return E_FAIL;
  const std::uint32_t frameBytes = inputFormat_.blockAlign;
  std::uint32_t frames = size / frameBytes;
  if (frames > 0 && data == nullptr) return E_POINTER;
  HRESULT hr = EnsureEngineStarted();
  while (SUCCEEDED(hr) && frames > 0) {
    std::uint32_t inFrames = std::min(frames, kScratchFrames);
    std::uint32_t outFrames = inFrames;
    std::memcpy(scratch_, data, std::size_t{inFrames} * frameBytes);
    hr = ProcessFrames(scratch_, inFrames, data, outFrames);
    data += std::size_t{outFrames} * frameBytes;
    frames -= outFrames;
  }
  return FAILED(hr) ? hr : S_OK;
}

// A new object with this one's settings and types; its engine starts afresh.
HRESULT MediaObjectBase::Clone(IMediaObjectInPlace** copy) {
  if (copy == nullptr) return E_POINTER;
  *copy = nullptr;
  host::ComPtr<IMediaObject> object;
  HRESULT hr = CreateWithSameSettings(object);
  if (FAILED(hr)) return hr;
  std::lock_guard guard(lock_);
  if (inputSet_) hr = object->SetInputType(0, AsDmoType(inputType_), 0);
  if (SUCCEEDED(hr) && outputSet_) {
    hr = object->SetOutputType(0, AsDmoType(outputType_), 0);
  }
  if (FAILED(hr)) return hr;
  return object->QueryInterface(IID_IMediaObjectInPlace, reinterpret_cast<void**>(copy));
}

HRESULT MediaObjectBase::GetLatency(REFERENCE_TIME* latency) {
  if (latency == nullptr) return E_POINTER;
  *latency = 0;
  return S_OK;
}

bool MediaObjectBase::TypesReady() const {
  return inputSet_ && outputSet_ && media::FormatsFit(inputFormat_, outputFormat_);
}

HRESULT MediaObjectBase::EnsureEngineStarted() {
  if (engineRunning_) return S_OK;
  const HRESULT hr = StartEngine(&inputFormat_, &outputFormat_);
  if (FAILED(hr)) return hr;
  engineRunning_ = true;
  return S_OK;
}

void MediaObjectBase::DropPendingInput() {
  pending_ = nullptr;
  pendingBytes_ = 0;
  consumedBytes_ = 0;
  firstChunk_ = false;
  pendingFlags_ = 0;
}

}  // namespace orkv
