// AudioTransform: the part of every plug-in's filter that does not depend on
// its effect, compiled once: the stored input and output formats, the sizing
// of the output buffers and the Receive loop that cuts each input buffer into
// output buffers. The effect's engine is reached through one hook,
// ProcessChunk, which the plug-in's EffectFilter supplies.
#pragma once

#include <windows.h>

#include <strmif.h>

#include <cstdint>

#include "core/wave_format.h"
#include "host/transform_filter.h"

namespace orkv {

class AudioTransform : public host::CTransformFilter {
 public:
  // Output buffers are sized like the input buffers (doubled for mono input),
  // whatever the downstream pin asked for. An input allocator that is not
  // sized yet (the input is being reconnected, and its upstream filter has not
  // set it up) is ignored: then the downstream request stands, raised to a
  // size that holds a useful stretch of the output format.
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) override;

  // Receive is overridden; this copy-transform entry point is not used.
  HRESULT Transform(IMediaSample*, IMediaSample*) override { return E_INVALIDARG; }

  HRESULT Receive(IMediaSample* input) override;

 protected:
  AudioTransform(IUnknown* outer, REFCLSID clsid) : CTransformFilter(L"", outer, clsid) {}

  // The engine over whole frames of the input's sample type: reads at most
  // inFrames from `in`, writes at most outFrames stereo frames to `out`, and
  // reports through both how many it used. Runs on the streaming thread.
  virtual HRESULT ProcessChunk(const BYTE* in, std::uint32_t& inFrames, BYTE* out,
                               std::uint32_t& outFrames) = 0;

  // The normalised formats of the connected pins (written by SetMediaType).
  WaveFormat inputFormat_{};
  WaveFormat outputFormat_{};

 private:
  static constexpr long kMinimumBufferBytes = 512;
  static constexpr LONGLONG kDefaultBufferFrames = 4096;

  // True when the input allocator's sized buffers were taken over.
  bool AdoptInputAllocatorProperties(ALLOCATOR_PROPERTIES& props);
  // At least one buffer, each holding kDefaultBufferFrames output frames.
  void EnsureDefaultBuffers(ALLOCATOR_PROPERTIES& props) const;
};

}  // namespace orkv
