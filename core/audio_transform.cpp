#include "core/audio_transform.h"

#include <vfwmsgs.h>

#include <algorithm>

#include "core/audio_format_rules.h"
#include "host/com_ptr.h"

namespace orkv {

HRESULT AudioTransform::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) {
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

bool AudioTransform::AdoptInputAllocatorProperties(ALLOCATOR_PROPERTIES& props) {
  if (InputPin() == nullptr || !InputPin()->IsConnected()) return false;
  host::ComPtr<IMemAllocator> inputAllocator;
  if (FAILED(InputPin()->GetAllocator(inputAllocator.GetAddressOf()))) return false;
  ALLOCATOR_PROPERTIES current{};
  if (FAILED(inputAllocator->GetProperties(&current))) return false;
  if (current.cBuffers <= 0 || current.cbBuffer <= 0) return false;
  props = current;
  return true;
}

void AudioTransform::EnsureDefaultBuffers(ALLOCATOR_PROPERTIES& props) const {
  const LONGLONG frameBytes = std::max<LONGLONG>(outputFormat_.blockAlign, 1);
  const LONGLONG wanted =
      std::max<LONGLONG>(kDefaultBufferFrames * frameBytes, kMinimumBufferBytes);
  props.cBuffers = std::max(props.cBuffers, 1L);
  props.cbBuffer =
      static_cast<long>(std::max<LONGLONG>(props.cbBuffer, std::min<LONGLONG>(wanted, MAXLONG)));
  props.cbAlign = std::max(props.cbAlign, 1L);
}

// Cuts the input buffer at whole frames into as many output buffers as needed.
// The first carries the input's times and flags, the others none but preroll
// (data that only settles the effect after a seek is never to be played). The
// loop ends once fewer bytes than one input frame remain, and fails rather
// than spins when an output buffer cannot hold a single frame. Every size is
// taken from the stored formats, which StartStreaming checked against each
// other, and from each buffer's own size: nothing is written beyond a buffer.
HRESULT AudioTransform::Receive(IMediaSample* input) {
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
