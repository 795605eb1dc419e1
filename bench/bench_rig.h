// What the benchmark programs share: the six engines by name, and an engine
// driven the way the filter drives it (a real parameter store, normalised pin
// formats, EffectEngine's call contract).
#pragma once

#include <cstdint>
#include <tuple>
#include <vector>

#include "core/effect_engine.h"
#include "core/parameter_store.h"
#include "core/wave_format.h"
#include "effects/cdelay/cdelay.h"
#include "effects/chorus/chorus.h"
#include "effects/filter/filter.h"
#include "effects/flanger/flanger.h"
#include "effects/phaser/phaser.h"
#include "effects/tremolo/tremolo.h"

namespace orkv::bench {

using AllEffects = std::tuple<Phaser, Chorus, Flanger, Filter, CDelay, Tremolo>;

// Calls f.template operator()<Effect>() for each of the six, in table order.
template <class F>
void ForEachEffect(F&& f) {
  std::apply([&f](auto... effects) { (f.template operator()<decltype(effects)>(), ...); },
             AllEffects{});
}

class NoEditors final : public EditorPort {
 public:
  bool Exists(std::uintptr_t) const override { return false; }
  void Post(std::uintptr_t, std::uint32_t, std::uint32_t) const override {}
};

inline WaveFormat FormatOf(std::uint32_t rate, std::uint16_t channels, bool isFloat) {
  WaveFormat raw{};
  raw.formatTag = isFloat ? kFormatIeeeFloat : kFormatPcm;
  raw.channels = channels;
  raw.samplesPerSec = rate;
  raw.bitsPerSample = isFloat ? 32 : 16;
  return Normalise(raw);
}

template <class Effect>
class Rig {
 public:
  Rig(std::uint32_t rate, std::uint16_t channels, bool isFloat)
      : input_(FormatOf(rate, channels, isFloat)), output_(StereoOf(input_)) {
    store_.SetParameters(Effect::kPresets[0].values);
  }

  ParameterStore<Effect::kSlotCount>& Store() { return store_; }
  Status Start() { return engine_.StartEngine(&input_, &output_); }

  // Processes `frames` frames from `in` into `out` (stereo) in one call.
  template <class Sample>
  void Process(const Sample* in, Sample* out, std::uint32_t frames) {
    std::uint32_t inFrames = frames;
    std::uint32_t outFrames = frames;
    if constexpr (sizeof(Sample) == 2) {
      engine_.ProcessInt16(in, inFrames, out, outFrames);
    } else {
      engine_.ProcessFloat32(in, inFrames, out, outFrames);
    }
  }

 private:
  NoEditors port_;
  ParameterStore<Effect::kSlotCount> store_{Effect::kSlots, port_};
  WaveFormat input_;
  WaveFormat output_;
  EffectEngine<Effect> engine_{store_};
};

}  // namespace orkv::bench
