// The project's own test music: an arpeggiated chord progression over a soft
// pad, with short noise bursts on the off-beats. Stereo, deterministic, and
// computed per frame so that any stretch can be rendered on its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "tools/wav/wav_file.h"

namespace orkv::wav {

inline constexpr std::uint32_t kTestSignalRate = 44100;
inline constexpr double kTestSignalSeconds = 4.0;

// Writes `frames` stereo frames starting at frame `first` into `out`
// (interleaved, left first), each sample within -1 ... 1.
void RenderTestSignal(std::uint32_t sampleRate, std::uint64_t first, std::size_t frames,
                      float* out);

// Converts samples to 16-bit by rounding and saturating.
void FloatToInt16(const float* in, std::size_t samples, std::int16_t* out);

// Writes `seconds` of the signal as a stereo WAV file of the given sample type.
bool WriteTestSignal(const std::string& path, const AudioFormat& format, double seconds,
                     std::string& error);

}  // namespace orkv::wav
