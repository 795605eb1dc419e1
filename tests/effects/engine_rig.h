// Drives an engine the way the filter does: a real ParameterStore holding the
// effect's slot table, normalised pin formats, EffectEngine's call contract.
#pragma once

#include <cstdint>
#include <vector>

#include "core/effect_engine.h"
#include "core/parameter_store.h"
#include "core/wave_format.h"

namespace orkv::test {

class NoEditors final : public EditorPort {
 public:
  bool Exists(std::uintptr_t) const override { return false; }
  void Post(std::uintptr_t, std::uint32_t, std::uint32_t) const override {}
};

inline WaveFormat MakeFormat(std::uint32_t rate, std::uint16_t channels, bool isFloat) {
  WaveFormat raw{};
  raw.formatTag = isFloat ? kFormatIeeeFloat : kFormatPcm;
  raw.channels = channels;
  raw.samplesPerSec = rate;
  raw.bitsPerSample = isFloat ? 32 : 16;
  return Normalise(raw);
}

template <class Effect>
class EngineRig {
 public:
  static constexpr std::size_t kSlots = Effect::kSlotCount;
  using Block = ParameterBlock<kSlots>;

  explicit EngineRig(std::uint32_t rate = 44100, std::uint16_t channels = 2, bool isFloat = false)
      : input_(MakeFormat(rate, channels, isFloat)), output_(StereoOf(input_)) {
    store_.SetParameters(Effect::kPresets[0].values);
  }

  ParameterStore<kSlots>& Store() { return store_; }
  EffectEngine<Effect>& Engine() { return engine_; }
  const typename Effect::Dsp& Dsp() const { return engine_.Dsp(); }
  bool Mono() const { return input_.channels == 1; }

  // Changes slots through the per-slot setter (clamped like the page's writes).
  EngineRig& Set(std::size_t slot, double value) {
    store_.SetParam(slot, value);
    return *this;
  }

  Status Start() { return engine_.StartEngine(&input_, &output_); }

  // Processes every input frame in one call; returns the stereo output.
  template <class Sample>
  std::vector<Sample> Run(const std::vector<Sample>& in) {
    const auto frames = static_cast<std::uint32_t>(in.size() / (Mono() ? 1 : 2));
    std::vector<Sample> out(2 * static_cast<std::size_t>(frames));
    std::uint32_t inFrames = frames;
    std::uint32_t outFrames = frames;
    Status s;
    if constexpr (sizeof(Sample) == 2) {
      s = engine_.ProcessInt16(in.data(), inFrames, out.data(), outFrames);
    } else {
      s = engine_.ProcessFloat32(in.data(), inFrames, out.data(), outFrames);
    }
    lastStatus_ = s;
    return out;
  }
  Status LastStatus() const { return lastStatus_; }

 private:
  NoEditors port_;
  ParameterStore<kSlots> store_{Effect::kSlots, port_};
  EffectEngine<Effect> engine_{store_};
  WaveFormat input_;
  WaveFormat output_;
  Status lastStatus_ = kOk;
};

// Deterministic test signals: a pair of sines plus pseudo-random noise, in the
// 16-bit range (floats carry the same values).
inline std::uint32_t NextRandom(std::uint32_t& state) {
  state = state * 1664525u + 1013904223u;
  return state;
}

template <class Sample>
std::vector<Sample> Noise(std::size_t samples, double amplitude, std::uint32_t seed = 1) {
  std::vector<Sample> v(samples);
  for (auto& s : v) {
    const double unit = static_cast<double>(NextRandom(seed) >> 8) / 16777216.0 * 2.0 - 1.0;
    s = static_cast<Sample>(unit * amplitude);
  }
  return v;
}

template <class Sample>
std::vector<Sample> Constant(std::size_t samples, Sample value) {
  return std::vector<Sample>(samples, value);
}

}  // namespace orkv::test
