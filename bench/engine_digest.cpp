// Prints a hash of each engine's output over a wide set of renders: every
// preset at sample rates from the lowest each engine accepts to 192 kHz, mono
// and stereo, 16-bit and float, in buffers of irregular size, with settings
// moved at random between buffers, and long renders whose oscillator phases
// reach millions of radians. A change meant to make the engines faster must
// leave every line of this output as it was: run it before and after and diff.
#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <vector>

#include "bench/bench_rig.h"
#include "effects/common/sine.h"

namespace {

using namespace orkv;
using namespace orkv::bench;

std::uint32_t NextRandom(std::uint32_t& state) {
  state = state * 1664525u + 1013904223u;
  return state;
}

class Fnv1a {
 public:
  void Add(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) hash_ = (hash_ ^ bytes[i]) * 0x100000001b3ull;
  }
  std::uint64_t Value() const { return hash_; }

 private:
  std::uint64_t hash_ = 0xcbf29ce484222325ull;
};

// Sines, a sweep, noise, bursts beyond full scale and (for float) the odd
// NaN and infinity: everything the sample conversions have to handle. The
// engines' own sine, not the C library's, so that every platform feeds the same.
template <class Sample>
std::vector<Sample> Signal(std::size_t frames, std::uint16_t channels, std::uint32_t seed) {
  std::vector<Sample> v(frames * channels);
  for (std::size_t i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / 44100.0;
    const double noise = static_cast<double>(NextRandom(seed) >> 16) - 32768.0;
    const double loud = (i / 5000) % 7 == 3 ? 3.0 : 1.0;
    for (std::uint16_t c = 0; c < channels; ++c) {
      double x = loud * (14000.0 * Sine((2 + c) * 700.0 * t + 40.0 * t * t)) + 0.1 * noise;
      if constexpr (sizeof(Sample) == 2) {
        x = std::clamp(x, -32768.0, 32767.0);
      } else {
        if (i % 9973 == 17) x = std::numeric_limits<double>::quiet_NaN();
        if (i % 12007 == 5) x = std::numeric_limits<double>::infinity();
        if (i % 7919 == 3) x = 1e-310;
      }
      v[i * channels + c] = static_cast<Sample>(x);
    }
  }
  return v;
}

// One render: `frames` frames in buffers of 1 to maxBuffer frames; with
// `wander`, one slot moves to a random value inside its range every few buffers.
template <class Effect, class Sample>
std::uint64_t Render(std::size_t preset, std::uint32_t rate, std::uint16_t channels,
                     std::size_t frames, std::uint32_t maxBuffer, bool wander, std::uint32_t seed) {
  Rig<Effect> rig(rate, channels, sizeof(Sample) == 4);
  rig.Store().SetParameters(Effect::kPresets[preset].values);
  if (rig.Start() != kOk) return 0;
  const std::vector<Sample> in = Signal<Sample>(frames, channels, seed);
  std::vector<Sample> out(2 * static_cast<std::size_t>(maxBuffer));
  Fnv1a hash;
  std::size_t at = 0;
  while (at < frames) {
    const auto left = static_cast<std::uint32_t>(frames - at);
    const std::uint32_t n = std::min(left, 1 + NextRandom(seed) % maxBuffer);
    if (wander && NextRandom(seed) % 4 == 0) {
      const std::size_t slot = NextRandom(seed) % Effect::kSlotCount;
      const SlotSpec& range = Effect::kSlots[slot];
      const double unit = static_cast<double>(NextRandom(seed) >> 8) / 16777216.0;
      rig.Store().SetParam(slot, range.lower + unit * (range.upper - range.lower));
    }
    rig.Process(in.data() + at * channels, out.data(), n);
    hash.Add(out.data(), 2 * static_cast<std::size_t>(n) * sizeof(Sample));
    at += n;
  }
  return hash.Value();
}

template <class Effect>
void Digest(Fnv1a& all) {
  const auto line = [&all](const char* what, std::uint64_t h) {
    std::printf("%-8s %-40s %016" PRIx64 "\n", Effect::kName, what, h);
    all.Add(&h, sizeof h);
  };
  char what[96];
  const std::uint32_t rates[] = {Effect::kMinSampleRate, 8000, 22050, 44100, 48000, 96000, 192000};
  std::uint32_t seed = 7;
  for (std::size_t p = 0; p < Effect::kPresets.size(); ++p) {
    for (const std::uint32_t rate : rates) {
      if (rate < Effect::kMinSampleRate) continue;
      for (const std::uint16_t channels : {1, 2}) {
        std::snprintf(what, sizeof what, "preset %zu %u Hz %u ch int16/float", p, rate, channels);
        Fnv1a h;
        const std::uint64_t a =
            Render<Effect, std::int16_t>(p, rate, channels, 30000, 3000, false, ++seed);
        const std::uint64_t b =
            Render<Effect, float>(p, rate, channels, 30000, 3000, false, ++seed);
        h.Add(&a, sizeof a);
        h.Add(&b, sizeof b);
        line(what, h.Value());
      }
    }
  }
  for (int round = 0; round < 12; ++round) {
    const std::uint32_t rate = rates[round % 7] < Effect::kMinSampleRate ? 44100 : rates[round % 7];
    std::snprintf(what, sizeof what, "wandering settings round %d", round);
    line(what, round % 2
                   ? Render<Effect, float>(round % 3, rate, 2 - round % 2, 60000, 700, true, ++seed)
                   : Render<Effect, std::int16_t>(round % 3, rate, 2, 60000, 700, true, ++seed));
  }
  // Long renders: at 44.1 kHz the phases grow slowly; at the lowest rate
  // (1 Hz for most engines) they pass 2^24 radians and take the sine's
  // large-argument path.
  for (const std::size_t p : {std::size_t{0}, Effect::kPresets.size() - 1}) {
    std::snprintf(what, sizeof what, "long, preset %zu, 44100 Hz", p);
    line(what, Render<Effect, float>(p, 44100, 2, 3000000, 8192, false, ++seed));
    std::snprintf(what, sizeof what, "long, preset %zu, lowest rate", p);
    line(what, Render<Effect, float>(p, Effect::kMinSampleRate, 2, 3000000, 8192, true, ++seed));
  }
}

}  // namespace

int main() {
  Fnv1a all;
  ForEachEffect([&all]<class Effect>() { Digest<Effect>(all); });
  std::printf("all %016" PRIx64 "\n", all.Value());
  return 0;
}
