#include "core/audio_format_rules.h"

#include <mmreg.h>
#include <uuids.h>

#include <algorithm>
#include <cstring>

namespace orkv {
namespace media {

// The first 16 bytes of a format block read as a wave format (cbSize 0), or
// false when the block is too short to hold them.
bool ReadWaveFormat(const AM_MEDIA_TYPE& type, WaveFormat& format) {
  constexpr ULONG kMinimum = 16;
  if (type.cbFormat < kMinimum || type.pbFormat == nullptr) return false;
  format = WaveFormat{};
  std::memcpy(&format, type.pbFormat, kMinimum);
  return true;
}

bool IsUncompressedAudio(const AM_MEDIA_TYPE& type) {
  return type.majortype == MEDIATYPE_Audio && !type.bTemporalCompression;
}

bool IsSupportedSampleType(const WaveFormat& f) {
  return (f.formatTag == kFormatPcm && f.bitsPerSample == 16) ||
         (f.formatTag == kFormatIeeeFloat && f.bitsPerSample == 32);
}

HRESULT CheckInput(const AM_MEDIA_TYPE& type, std::uint32_t minSampleRate) {
  WaveFormat f;
  if (type.majortype != MEDIATYPE_Audio) return E_INVALIDARG;
  if (type.bTemporalCompression) return E_INVALIDARG;
  if (!ReadWaveFormat(type, f)) return E_INVALIDARG;
  if (f.channels != 1 && f.channels != 2) return E_INVALIDARG;
  if (f.samplesPerSec < minSampleRate) return E_INVALIDARG;
  if (!IsSupportedSampleType(f)) return E_INVALIDARG;
  return S_OK;
}

// Same tag, bits and rate, and a stereo output.
HRESULT CheckTransform(const AM_MEDIA_TYPE& in, const AM_MEDIA_TYPE& out) {
  WaveFormat i, o;
  if (!IsUncompressedAudio(in) || !IsUncompressedAudio(out)) return E_INVALIDARG;
  if (!ReadWaveFormat(in, i) || !ReadWaveFormat(out, o)) return E_INVALIDARG;
  const bool fits = i.formatTag == o.formatTag && i.bitsPerSample == o.bitsPerSample &&
                    i.samplesPerSec == o.samplesPerSec && o.channels == 2;
  return fits ? S_OK : E_INVALIDARG;
}

// Turns a copy of an input type into its stereo form: only the format block
// changes (cbSize 0 when the block has one).
void RewriteAsStereo(AM_MEDIA_TYPE& type) {
  RewriteFormatBlockAsStereo(type.pbFormat, type.cbFormat);
}

// The normalised copy the filter keeps of a pin's format.
WaveFormat NormalisedFormat(const AM_MEDIA_TYPE& type) {
  WaveFormat raw{};
  if (type.pbFormat != nullptr) {
    std::memcpy(&raw, type.pbFormat, std::min<ULONG>(type.cbFormat, 16));
  }
  return Normalise(raw);
}

// The stored formats can carry audio from one to the other: same sample type
// and rate, a stereo output. Streaming never starts otherwise, since the output
// buffers are sized from the output format while the engine writes samples of
// the input's type.
bool FormatsFit(const WaveFormat& in, const WaveFormat& out) {
  return IsSupportedSampleType(in) && (in.channels == 1 || in.channels == 2) &&
         in.formatTag == out.formatTag && in.bitsPerSample == out.bitsPerSample &&
         in.samplesPerSec == out.samplesPerSec && out.channels == 2 &&
         out.blockAlign == 2 * (in.bitsPerSample / 8);
}

}  // namespace media

}  // namespace orkv
