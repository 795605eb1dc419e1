// The engine behind a filter: the call contract every effect shares (start,
// stop, process with in/out frame counts, one settings snapshot per call), on
// top of the effect's own signal processing (its Dsp).
//
// An Effect type provides:
//   static constexpr std::size_t kSlotCount;
//   static constexpr std::uint32_t kMinSampleRate;     // the lowest rate it runs at
//   static constexpr std::array<SlotSpec, kSlotCount> kSlots;
//   static constexpr std::array<PresetRow<kSlotCount>, R> kPresets;  // row 0 "(Default)"
//   using Dsp = ...;
// and its Dsp:
//   bool Reset(std::uint32_t sampleRate);   // clear all state, derive rate constants;
//                                           // false if its lines cannot be allocated
//   void UpdateCoefficients(const ParameterBlock<kSlotCount>&);
//   void Process(const std::int16_t* in, bool mono, std::int16_t* out, std::uint32_t frames);
//   void Process(const float* in, bool mono, float* out, std::uint32_t frames);
#pragma once

#include <algorithm>
#include <cstdint>

#include "core/flush_to_zero.h"
#include "core/parameter_store.h"
#include "core/status.h"
#include "core/wave_format.h"

namespace orkv {

template <class Effect>
class EffectEngine {
 public:
  static constexpr std::size_t kSlotCount = Effect::kSlotCount;
  using Store = ParameterStore<kSlotCount>;
  using Block = ParameterBlock<kSlotCount>;

  explicit EffectEngine(Store& store) : store_(store) {}

  // Called when streaming starts: clears every piece of state, derives the
  // sample-rate constants and computes coefficients from a fresh snapshot.
  Status StartEngine(const WaveFormat* input, const WaveFormat* output) {
    if (input == nullptr) return kUnexpected;
    input_ = input;
    output_ = output;
    if (!dsp_.Reset(input->samplesPerSec)) return kOutOfMemory;
    Block block;
    store_.TakeSnapshot(block);
    return UpdateCoefficients(block);
  }

  // The engine state stays as it was until the next start.
  Status StopEngine() { return kOk; }

  Status UpdateCoefficients(const Block& block) {
    dsp_.UpdateCoefficients(block);
    coefficientsValid_ = true;
    return kOk;
  }

  // Processes min(inFrames, outFrames) whole frames; both counts come back as
  // that number. Settings change at call boundaries only.
  Status ProcessInt16(const std::int16_t* in, std::uint32_t& inFrames, std::int16_t* out,
                      std::uint32_t& outFrames) {
    return Process(in, inFrames, out, outFrames);
  }
  Status ProcessFloat32(const float* in, std::uint32_t& inFrames, float* out,
                        std::uint32_t& outFrames) {
    return Process(in, inFrames, out, outFrames);
  }

  const typename Effect::Dsp& Dsp() const { return dsp_; }

 private:
  template <class Sample>
  Status Process(const Sample* in, std::uint32_t& inFrames, Sample* out, std::uint32_t& outFrames) {
    if (input_ == nullptr) return kUnexpected;
    Block block;
    if (store_.TakeSnapshot(block) || !coefficientsValid_) {
      const Status s = UpdateCoefficients(block);
      if (Failed(s)) return s;
    }
    const std::uint32_t frames = std::min(inFrames, outFrames);
    {
      const FlushToZeroScope flush;
      dsp_.Process(in, input_->channels == 1, out, frames);
    }
    inFrames = frames;
    outFrames = frames;
    return kOk;
  }

  Store& store_;
  typename Effect::Dsp dsp_;
  const WaveFormat* input_ = nullptr;
  const WaveFormat* output_ = nullptr;
  bool coefficientsValid_ = false;
};

}  // namespace orkv
