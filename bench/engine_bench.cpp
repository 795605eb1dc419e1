// Throughput of the six engines: frames per second for 16-bit and float stereo
// input, 10 s of a 44.1 kHz test signal in 4096-frame buffers, best of several
// runs, and for 10 s of silence after 1 s of that signal. Prints a Markdown table.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
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

namespace {

using namespace orkv;

constexpr std::uint32_t kRate = 44100;
constexpr std::uint32_t kFrames = 10 * kRate;
constexpr std::uint32_t kBuffer = 4096;
constexpr int kRuns = 5;

class NoEditors final : public EditorPort {
 public:
  bool Exists(std::uintptr_t) const override { return false; }
  void Post(std::uintptr_t, std::uint32_t, std::uint32_t) const override {}
};

// The same signal sox_compare.sh generates: a 440 Hz sine on the left, 660 Hz
// on the right, at half scale.
template <class Sample>
std::vector<Sample> TestSignal(double scale) {
  std::vector<Sample> v(2 * static_cast<std::size_t>(kFrames));
  for (std::uint32_t i = 0; i < kFrames; ++i) {
    const double t = static_cast<double>(i) / kRate;
    v[2 * i] = static_cast<Sample>(scale * std::sin(2 * M_PI * 440.0 * t));
    v[2 * i + 1] = static_cast<Sample>(scale * std::sin(2 * M_PI * 660.0 * t));
  }
  return v;
}

// Runs the engine over all of `in` in buffers of kBuffer frames.
template <class Effect, class Sample>
void ProcessAll(EffectEngine<Effect>& engine, const std::vector<Sample>& in,
                std::vector<Sample>& out) {
  const auto frames = static_cast<std::uint32_t>(in.size() / 2);
  for (std::uint32_t at = 0; at < frames; at += kBuffer) {
    std::uint32_t inFrames = std::min(kBuffer, frames - at);
    std::uint32_t outFrames = inFrames;
    const std::size_t offset = 2 * static_cast<std::size_t>(at);
    if constexpr (sizeof(Sample) == 2) {
      engine.ProcessInt16(in.data() + offset, inFrames, out.data() + offset, outFrames);
    } else {
      engine.ProcessFloat32(in.data() + offset, inFrames, out.data() + offset, outFrames);
    }
  }
}

// Frames per second over `in`, each run starting the engine afresh and
// feeding it `lead` first, untimed.
template <class Effect, class Sample>
double FramesPerSecond(const std::vector<Sample>& in, const std::vector<Sample>& lead = {}) {
  NoEditors port;
  ParameterStore<Effect::kSlotCount> store(Effect::kSlots, port);
  store.SetParameters(Effect::kPresets[0].values);
  WaveFormat raw{};
  raw.formatTag = sizeof(Sample) == 2 ? kFormatPcm : kFormatIeeeFloat;
  raw.channels = 2;
  raw.samplesPerSec = kRate;
  raw.bitsPerSample = sizeof(Sample) * 8;
  const WaveFormat input = Normalise(raw);
  const WaveFormat output = StereoOf(input);
  EffectEngine<Effect> engine(store);
  std::vector<Sample> out(std::max(in.size(), lead.size()));

  double best = 1e30;
  for (int run = 0; run < kRuns; ++run) {
    engine.StartEngine(&input, &output);
    ProcessAll(engine, lead, out);
    const auto start = std::chrono::steady_clock::now();
    ProcessAll(engine, in, out);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    best = std::min(best, elapsed.count());
  }
  return kFrames / best;
}

// The cost of silence that follows audio (what hosts feed between tracks and
// in pauses) should stay the cost of audio: recursive filters whose memories
// decay into subnormal numbers would make it many times higher.
template <class Effect>
void Row(const char* name, const std::vector<std::int16_t>& in16,
         const std::vector<float>& inFloat) {
  const double int16Rate = FramesPerSecond<Effect>(in16);
  const double floatRate = FramesPerSecond<Effect>(inFloat);
  const std::vector<float> lead(inFloat.begin(), inFloat.begin() + 2 * kRate);
  const double silenceRate =
      FramesPerSecond<Effect>(std::vector<float>(inFloat.size(), 0.0f), lead);
  std::printf("| %-8s | %12.0f | %8.0fx | %12.0f | %8.0fx | %12.0f | %9.2fx |\n", name, int16Rate,
              int16Rate / kRate, floatRate, floatRate / kRate, silenceRate,
              floatRate / silenceRate);
}

}  // namespace

int main() {
  const auto in16 = TestSignal<std::int16_t>(16384.0);
  const auto inFloat = TestSignal<float>(16384.0);
  std::printf("Default presets, stereo %u Hz, %u-frame buffers, best of %d runs of %u frames.\n\n",
              kRate, kBuffer, kRuns, kFrames);
  std::printf(
      "| Engine   | int16 frames/s | realtime | float frames/s | realtime | "
      "silence after audio fr/s | its cost vs audio |\n");
  std::printf(
      "|----------|---------------:|---------:|---------------:|---------:|"
      "-------------------------:|------------------:|\n");
  Row<Phaser>("Phaser", in16, inFloat);
  Row<Chorus>("Chorus", in16, inFloat);
  Row<Flanger>("Flanger", in16, inFloat);
  Row<Filter>("Filter", in16, inFloat);
  Row<CDelay>("C-Delay", in16, inFloat);
  Row<Tremolo>("Tremolo", in16, inFloat);
  return 0;
}
