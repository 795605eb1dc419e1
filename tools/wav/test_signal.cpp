#include "tools/wav/test_signal.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <vector>

namespace orkv::wav {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kNoteSeconds = 0.125;  // sixteenth notes at 120 beats per minute
constexpr int kNotesPerChord = 8;

// A minor, F major, C major, G major, each as four MIDI notes of an arpeggio.
constexpr std::array<std::array<int, 4>, 4> kChords = {{
    {57, 60, 64, 69},
    {53, 57, 60, 65},
    {48, 55, 60, 64},
    {55, 59, 62, 67},
}};

double NoteFrequency(int midi) { return 440.0 * std::pow(2.0, (midi - 69) / 12.0); }

// White noise from the frame index alone, within -1 ... 1.
double HashNoise(std::uint64_t frame) {
  std::uint64_t x = frame * 0x9E3779B97F4A7C15ull;
  x ^= x >> 31;
  x *= 0xBF58476D1CE4E5B9ull;
  x ^= x >> 29;
  return static_cast<double>(x >> 11) / static_cast<double>(1ull << 52) - 1.0;
}

struct StereoSample {
  double left = 0;
  double right = 0;
};

// The plucked arpeggio note sounding at time t, panned left and right in turn.
StereoSample Arpeggio(double t) {
  const auto note = static_cast<std::uint64_t>(t / kNoteSeconds);
  const double since = t - static_cast<double>(note) * kNoteSeconds;
  const auto& chord = kChords[(note / kNotesPerChord) % kChords.size()];
  const int step = static_cast<int>(note % kNotesPerChord);
  const int midi = chord[step < 4 ? step : 7 - step] + 12;
  const double f = NoteFrequency(midi);
  const double envelope = std::min(since / 0.004, 1.0) * std::exp(-since * 14.0);
  const double tone = std::sin(2 * kPi * f * since) + 0.3 * std::sin(4 * kPi * f * since);
  const double pan = (note % 2 == 0) ? 0.3 : 0.7;
  return {0.35 * envelope * tone * (1 - pan), 0.35 * envelope * tone * pan};
}

// A sustained low chord, slightly detuned between the channels.
StereoSample Pad(double t) {
  const auto chordIndex = static_cast<std::uint64_t>(t / (kNoteSeconds * kNotesPerChord));
  const auto& chord = kChords[chordIndex % kChords.size()];
  StereoSample s;
  for (int midi : chord) {
    const double f = NoteFrequency(midi - 12);
    s.left += std::sin(2 * kPi * f * t);
    s.right += std::sin(2 * kPi * f * 1.003 * t);
  }
  return {0.06 * s.left, 0.06 * s.right};
}

// A 40 ms noise burst on every off-beat eighth note.
double NoiseBurst(double t, std::uint64_t frame) {
  const double eighth = 2 * kNoteSeconds;
  const auto index = static_cast<std::uint64_t>(t / eighth);
  if (index % 2 == 0) return 0;
  const double since = t - static_cast<double>(index) * eighth;
  if (since > 0.04) return 0;
  return 0.25 * std::exp(-since * 80.0) * HashNoise(frame);
}

}  // namespace

void RenderTestSignal(std::uint32_t sampleRate, std::uint64_t first, std::size_t frames,
                      float* out) {
  for (std::size_t i = 0; i < frames; ++i) {
    const std::uint64_t frame = first + i;
    const double t = static_cast<double>(frame) / sampleRate;
    const StereoSample a = Arpeggio(t);
    const StereoSample p = Pad(t);
    const double n = NoiseBurst(t, frame);
    out[2 * i] = static_cast<float>(a.left + p.left + n);
    out[2 * i + 1] = static_cast<float>(a.right + p.right + 0.8 * n);
  }
}

void FloatToInt16(const float* in, std::size_t samples, std::int16_t* out) {
  for (std::size_t i = 0; i < samples; ++i) {
    const double scaled = std::nearbyint(static_cast<double>(in[i]) * 32767.0);
    out[i] = static_cast<std::int16_t>(std::clamp(scaled, -32768.0, 32767.0));
  }
}

bool WriteTestSignal(const std::string& path, const AudioFormat& format, double seconds,
                     std::string& error) {
  if (format.channels != 2 || !(seconds > 0)) {
    error = "the test signal is stereo and at least one frame long";
    return false;
  }
  const auto total = static_cast<std::uint64_t>(seconds * format.sampleRate);
  if (total * format.BytesPerFrame() > MaxDataBytes(64)) {
    error = "the test signal would exceed the 4 GiB size limit of WAV files";
    return false;
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  WavWriter writer(out);
  if (!out) {
    error = "cannot create '" + path + "'";
    return false;
  }
  if (!writer.Start(format, error)) return false;
  constexpr std::size_t kBlock = 4096;
  std::vector<float> samples(2 * kBlock);
  std::vector<std::int16_t> ints(2 * kBlock);
  for (std::uint64_t done = 0; done < total;) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, total - done));
    RenderTestSignal(format.sampleRate, done, n, samples.data());
    bool ok;
    if (format.type == SampleType::kInt16) {
      FloatToInt16(samples.data(), 2 * n, ints.data());
      ok = writer.Append(ints.data(), n * 4, error);
    } else {
      ok = writer.Append(samples.data(), n * 8, error);
    }
    if (!ok) return false;
    done += n;
  }
  return writer.Finish(error);
}

}  // namespace orkv::wav
