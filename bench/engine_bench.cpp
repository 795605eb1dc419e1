// Throughput of the six engines, natively, on 10 s of a 44.1 kHz stereo test
// signal in 4096-frame buffers, best of several runs in CPU time. Prints
// Markdown tables:
//   - frames per second, 16-bit and float, for the default preset and the most
//     expensive one (the slowest of all presets in a first, shorter pass), and
//     with --sox FILE (lines "<engine> <16-bit fr/s> <float fr/s>", written by
//     sox_compare.sh) sox's figures and the ratio of the two;
//   - 10 s of silence after 1 s of audio against audio;
//   - 1, 8 and 32 instances in one process, each processing one buffer in turn
//     as a host's mixer would: the cost per instance-frame and the memory each
//     instance holds (engine object and the lines it allocates).
// With --file WAV it only prints "<frames/s>" for the Phaser's default preset
// on that file (16-bit or float, mono or stereo), the engine alone for the
// render host's comparison.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "bench/bench_rig.h"
#include "effects/common/dsp_math.h"
#include "tools/wav/wav_file.h"

// Counts the bytes allocated by the engines (their delay lines), for the
// memory column of the scaling table. The replacement pair allocates with
// malloc and frees with free; GCC cannot see that they belong together.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
namespace {
std::size_t gAllocated = 0;
}  // namespace

void* operator new(std::size_t size) {
  gAllocated += size;
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

using namespace orkv;
using namespace orkv::bench;
using Clock = std::chrono::steady_clock;

constexpr std::uint32_t kRate = 44100;
constexpr std::uint32_t kFrames = 10 * kRate;
constexpr std::uint32_t kBuffer = 4096;
constexpr int kRuns = 5;

// The same signal sox_compare.sh generates: a 440 Hz sine on the left, 660 Hz
// on the right, at half scale.
template <class Sample>
std::vector<Sample> TestSignal(std::uint32_t frames) {
  std::vector<Sample> v(2 * static_cast<std::size_t>(frames));
  for (std::uint32_t i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / kRate;
    v[2 * i] = static_cast<Sample>(16384.0 * std::sin(kTwoPi * 440.0 * t));
    v[2 * i + 1] = static_cast<Sample>(16384.0 * std::sin(kTwoPi * 660.0 * t));
  }
  return v;
}

struct Inputs {
  std::vector<std::int16_t> int16 = TestSignal<std::int16_t>(kFrames);
  std::vector<float> float32 = TestSignal<float>(kFrames);
};

// The machine may be shared with other work: the engine tables count the CPU
// time of this thread, which other processes do not add to. The render host's
// comparison (--file) counts wall time, as the render host does.
bool gWallTime = false;

double Now() {
  if (gWallTime) return std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Runs the rig over `frames` frames of `in` (channels per frame) in kBuffer-frame buffers.
template <class Effect, class Sample>
void ProcessAll(Rig<Effect>& rig, const Sample* in, std::uint16_t channels, std::size_t frames,
                std::vector<Sample>& out) {
  for (std::size_t at = 0; at < frames; at += kBuffer) {
    const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(kBuffer, frames - at));
    rig.Process(in + at * channels, out.data(), n);
  }
}

// Frames per second over `frames` frames of `in`, best of `runs`, each run
// starting the engine afresh and feeding it `leadFrames` of `lead` first, untimed.
template <class Effect, class Sample>
double FramesPerSecond(std::size_t preset, const Sample* in, std::uint16_t channels,
                       std::size_t frames, int runs, const Sample* lead = nullptr,
                       std::size_t leadFrames = 0) {
  Rig<Effect> rig(kRate, channels, sizeof(Sample) == 4);
  rig.Store().SetParameters(Effect::kPresets[preset].values);
  std::vector<Sample> out(2 * kBuffer);
  double best = 1e30;
  for (int run = 0; run < runs; ++run) {
    rig.Start();
    if (lead != nullptr) ProcessAll(rig, lead, channels, leadFrames, out);
    const double start = Now();
    ProcessAll(rig, in, channels, frames, out);
    best = std::min(best, Now() - start);
  }
  return static_cast<double>(frames) / best;
}

// The preset with the lowest float throughput in a shorter first pass.
template <class Effect>
std::size_t SlowestPreset(const Inputs& in) {
  std::size_t slowest = 0;
  double lowest = 1e300;
  for (std::size_t p = 0; p < Effect::kPresets.size(); ++p) {
    const double rate = FramesPerSecond<Effect>(p, in.float32.data(), 2, kFrames / 4, 3);
    if (rate < lowest) lowest = rate, slowest = p;
  }
  return slowest;
}

// sox's frames per second: whole process on 10 s, and without its start-up.
struct SoxFigures {
  double int16 = 0.0;
  double float32 = 0.0;
  double int16Running = 0.0;
  double float32Running = 0.0;
};

std::string Ratio(double ours, double theirs) {
  if (theirs <= 0.0) return "-";
  char text[32];
  std::snprintf(text, sizeof text, "%.2fx", ours / theirs);
  return text;
}

std::string Millions(double framesPerSecond) {
  if (framesPerSecond <= 0.0) return "-";
  char text[32];
  std::snprintf(text, sizeof text, "%.1f M", framesPerSecond / 1e6);
  return text;
}

template <class Effect>
void SpeedRows(const Inputs& in, const std::map<std::string, SoxFigures>& sox) {
  const auto found = sox.find(Effect::kName);
  const SoxFigures theirs = found != sox.end() ? found->second : SoxFigures{};
  const std::size_t slowest = SlowestPreset<Effect>(in);
  std::vector<std::size_t> presets = {0};
  if (slowest != 0) presets.push_back(slowest);
  for (const std::size_t preset : presets) {
    const double int16 = FramesPerSecond<Effect>(preset, in.int16.data(), 2, kFrames, kRuns);
    const double float32 = FramesPerSecond<Effect>(preset, in.float32.data(), 2, kFrames, kRuns);
    const std::string name =
        std::string(Effect::kPresets[preset].name) +
        (preset == slowest ? (preset == 0 ? " (also slowest)" : " (slowest)") : "");
    std::printf("| %-8s | %-34s | %9s | %6s | %6s | %9s | %6s | %6s |\n", Effect::kName,
                name.c_str(), Millions(int16).c_str(), Ratio(int16, theirs.int16).c_str(),
                Ratio(int16, theirs.int16Running).c_str(), Millions(float32).c_str(),
                Ratio(float32, theirs.float32).c_str(),
                Ratio(float32, theirs.float32Running).c_str());
  }
}

// Recursive filters whose memories decay into subnormal numbers would make
// silence after audio cost many times what audio costs.
template <class Effect>
void SilenceRow(const Inputs& in) {
  const double audio = FramesPerSecond<Effect>(0, in.float32.data(), 2, kFrames, kRuns);
  const std::vector<float> silence(in.float32.size(), 0.0f);
  const double quiet =
      FramesPerSecond<Effect>(0, silence.data(), 2, kFrames, kRuns, in.float32.data(), kRate);
  std::printf("| %-8s | %9s | %9s | %6.2fx |\n", Effect::kName, Millions(audio).c_str(),
              Millions(quiet).c_str(), audio / quiet);
}

// n instances, each processing one buffer in turn; nanoseconds per
// instance-frame, best of kRuns passes over the signal.
template <class Effect>
double NanosecondsPerInstanceFrame(int instances, const Inputs& in, std::size_t& bytesEach) {
  const std::size_t before = gAllocated;
  std::vector<std::unique_ptr<Rig<Effect>>> rigs;
  for (int i = 0; i < instances; ++i) {
    rigs.push_back(std::make_unique<Rig<Effect>>(kRate, 2, true));
    rigs.back()->Start();
  }
  bytesEach = (gAllocated - before) / static_cast<std::size_t>(instances);
  std::vector<float> out(2 * kBuffer);
  // The same total work whatever the count: kFrames frames shared out.
  const std::size_t framesEach = std::max<std::size_t>(kBuffer, kFrames / instances);
  double best = 1e30;
  for (int run = 0; run < kRuns; ++run) {
    const double start = Now();
    for (std::size_t at = 0; at < framesEach; at += kBuffer) {
      const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(kBuffer, framesEach - at));
      for (auto& rig : rigs) rig->Process(in.float32.data() + 2 * at, out.data(), n);
    }
    best = std::min(best, Now() - start);
  }
  return best * 1e9 / (static_cast<double>(framesEach) * instances);
}

template <class Effect>
void ScalingRow(const Inputs& in) {
  std::size_t bytes = 0;
  const double one = NanosecondsPerInstanceFrame<Effect>(1, in, bytes);
  const std::size_t engineBytes = sizeof(Rig<Effect>) + bytes;
  std::size_t unused = 0;
  const double eight = NanosecondsPerInstanceFrame<Effect>(8, in, unused);
  const double many = NanosecondsPerInstanceFrame<Effect>(32, in, unused);
  std::printf("| %-8s | %8.1f | %8.1f (%+4.0f %%) | %8.1f (%+4.0f %%) | %10.1f KB |\n",
              Effect::kName, one, eight, (eight / one - 1.0) * 100.0, many,
              (many / one - 1.0) * 100.0, static_cast<double>(engineBytes) / 1024.0);
}

std::map<std::string, SoxFigures> ReadSox(const char* path) {
  std::map<std::string, SoxFigures> figures;
  if (FILE* f = std::fopen(path, "r")) {
    char name[64];
    SoxFigures row;
    while (std::fscanf(f, "%63s %lf %lf %lf %lf", name, &row.int16, &row.float32, &row.int16Running,
                       &row.float32Running) == 5) {
      figures[name] = row;
    }
    std::fclose(f);
  }
  return figures;
}

// The Phaser (default preset) alone on a WAV file, read into memory first.
int MeasureFile(const char* path) {
  std::string error;
  auto reader = wav::WavFileReader::Open(path, error);
  if (!reader) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  const wav::AudioFormat format = reader->Format();
  const auto frames = static_cast<std::size_t>(reader->Frames());
  const std::size_t samples = frames * format.channels;
  double rate = 0.0;
  if (format.type == wav::SampleType::kInt16) {
    std::vector<std::int16_t> in(samples);
    reader->Read(in.data(), frames);
    rate = FramesPerSecond<Phaser>(0, in.data(), format.channels, frames, kRuns);
  } else {
    std::vector<float> in(samples);
    reader->Read(in.data(), frames);
    rate = FramesPerSecond<Phaser>(0, in.data(), format.channels, frames, kRuns);
  }
  std::printf("%.0f\n", rate);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::map<std::string, SoxFigures> sox;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--file") == 0) {
      gWallTime = true;
      return MeasureFile(argv[i + 1]);
    }
    if (std::strcmp(argv[i], "--sox") == 0) sox = ReadSox(argv[i + 1]);
  }
  const Inputs in;

  std::printf(
      "Stereo %u Hz, %u-frame buffers, best of %d runs of %u frames, CPU time; each\n"
      "engine's default preset and its most expensive one (the slowest of its presets).\n"
      "/sox: the ratio to the same signal through the nearest sox effect, CPU time of the\n"
      "whole process with file I/O; /sox*: to sox without its start-up (sox_compare.sh).\n\n",
      kRate, kBuffer, kRuns, kFrames);
  std::printf(
      "| Engine   | Preset                             | 16-bit    | /sox   | /sox*  | float     "
      "| /sox   | /sox*  |\n"
      "|----------|------------------------------------|----------:|-------:|-------:|----------:"
      "|-------:|-------:|\n");
  ForEachEffect([&]<class Effect>() { SpeedRows<Effect>(in, sox); });

  std::printf(
      "\n10 s of silence after 1 s of audio (float, default preset):\n\n"
      "| Engine   | audio     | silence   | its cost vs audio |\n"
      "|----------|----------:|----------:|------------------:|\n");
  ForEachEffect([&]<class Effect>() { SilenceRow<Effect>(in); });

  std::printf(
      "\nInstances in one process, each processing one %u-frame float buffer in turn:\n"
      "nanoseconds per frame per instance (change against one instance), and the memory\n"
      "each instance holds (engine object and its lines).\n\n"
      "| Engine   | 1 (ns)   | 8 (ns)            | 32 (ns)           | memory each   |\n"
      "|----------|---------:|------------------:|------------------:|--------------:|\n",
      kBuffer);
  ForEachEffect([&]<class Effect>() { ScalingRow<Effect>(in); });
  return 0;
}
