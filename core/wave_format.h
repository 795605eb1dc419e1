// The 18-byte wave format the filter keeps for each pin, laid out exactly like
// the platform's WAVEFORMATEX so that it can be handed out byte for byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace orkv {

inline constexpr std::uint16_t kFormatPcm = 1;
inline constexpr std::uint16_t kFormatIeeeFloat = 3;

#pragma pack(push, 1)
struct WaveFormat {
  std::uint16_t formatTag;
  std::uint16_t channels;
  std::uint32_t samplesPerSec;
  std::uint32_t avgBytesPerSec;
  std::uint16_t blockAlign;
  std::uint16_t bitsPerSample;
  std::uint16_t cbSize;
};
#pragma pack(pop)
static_assert(sizeof(WaveFormat) == 18);

// Keeps tag, channels, rate and bits; recomputes block alignment (in 16-bit
// arithmetic) and byte rate from them, whatever the peer supplied; cbSize 0.
constexpr WaveFormat Normalise(const WaveFormat& raw) {
  WaveFormat f{};
  f.formatTag = raw.formatTag;
  f.channels = raw.channels;
  f.samplesPerSec = raw.samplesPerSec;
  f.bitsPerSample = raw.bitsPerSample;
  f.blockAlign = static_cast<std::uint16_t>((raw.bitsPerSample / 8) * raw.channels);
  f.avgBytesPerSec = static_cast<std::uint32_t>(f.blockAlign) * raw.samplesPerSec;
  f.cbSize = 0;
  return f;
}

// The stereo form of an input format: two channels, recomputed block alignment
// and byte rate, everything else as given (cbSize is handled by the caller,
// since only a format block longer than 16 bytes has one).
constexpr WaveFormat StereoOf(const WaveFormat& in) {
  WaveFormat f = in;
  f.blockAlign = static_cast<std::uint16_t>((in.bitsPerSample / 8) * 2);
  f.channels = 2;
  f.avgBytesPerSec = in.samplesPerSec * f.blockAlign;
  return f;
}

// Rewrites a format block of `size` bytes in place into its stereo form. Only
// the first 16 bytes are read; cbSize (bytes 16 and 17) is cleared only where
// the block holds both bytes. A block under 16 bytes is left alone.
inline void RewriteFormatBlockAsStereo(std::uint8_t* block, std::size_t size) {
  constexpr std::size_t kBase = 16;
  if (block == nullptr || size < kBase) return;
  WaveFormat f{};
  std::memcpy(&f, block, kBase);
  const WaveFormat stereo = StereoOf(f);
  std::memcpy(block, &stereo, kBase);
  if (size >= sizeof(WaveFormat)) std::memset(block + kBase, 0, sizeof(stereo.cbSize));
}

}  // namespace orkv
