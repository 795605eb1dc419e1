// The audio format rules of every plug-in: which media types its input takes,
// which output a given input allows, and the normalised copy of a format that
// the filter keeps. Pure functions of media types, shared by both pins.
#pragma once

#include <windows.h>

#include <strmif.h>

#include <cstdint>

#include "core/wave_format.h"

namespace orkv {
namespace media {

// The first 16 bytes of a format block read as a wave format (cbSize 0), or
// false when the block is too short to hold them.
bool ReadWaveFormat(const AM_MEDIA_TYPE& type, WaveFormat& format);

bool IsUncompressedAudio(const AM_MEDIA_TYPE& type);

bool IsSupportedSampleType(const WaveFormat& f);

HRESULT CheckInput(const AM_MEDIA_TYPE& type, std::uint32_t minSampleRate);

// Same tag, bits and rate, and a stereo output.
HRESULT CheckTransform(const AM_MEDIA_TYPE& in, const AM_MEDIA_TYPE& out);

// Turns a copy of an input type into its stereo form: only the format block
// changes (cbSize 0 when the block has one).
void RewriteAsStereo(AM_MEDIA_TYPE& type);

// The normalised copy the filter keeps of a pin's format.
WaveFormat NormalisedFormat(const AM_MEDIA_TYPE& type);

// The stored formats can carry audio from one to the other: same sample type
// and rate, a stereo output. Streaming never starts otherwise, since the output
// buffers are sized from the output format while the engine writes samples of
// the input's type.
bool FormatsFit(const WaveFormat& in, const WaveFormat& out);

}  // namespace media

}  // namespace orkv
