// Reading and writing the WAV files the render tool handles: 16-bit integer PCM
// and 32-bit IEEE float, mono or stereo, in plain or extensible format chunks.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace orkv::wav {

static_assert(std::endian::native == std::endian::little, "samples are stored as in memory");

enum class SampleType { kInt16, kFloat32 };

struct AudioFormat {
  SampleType type = SampleType::kInt16;
  std::uint16_t channels = 2;
  std::uint32_t sampleRate = 44100;

  std::uint16_t BytesPerSample() const { return type == SampleType::kInt16 ? 2 : 4; }
  std::uint16_t BytesPerFrame() const {
    return static_cast<std::uint16_t>(BytesPerSample() * channels);
  }
  bool operator==(const AudioFormat&) const = default;
};

inline constexpr std::uint32_t kMaxSampleRate = 768000;

// Where the samples of a parsed file lie.
struct WavLayout {
  AudioFormat format;
  std::uint64_t dataOffset = 0;  // byte offset of the first frame
  std::uint64_t frames = 0;      // whole frames in the data chunk
};

// Either a layout or the reason the file cannot be used.
struct ParseResult {
  std::optional<WavLayout> layout;
  std::string error;
};

// Walks the RIFF chunks of `in` (which must be seekable) without reading the
// samples. Unsupported or malformed files give a message naming the reason.
ParseResult ParseWav(std::istream& in);

// The header of a file holding `dataBytes` bytes of samples in `format`: a
// plain PCM format chunk for 16-bit, an IEEE float format chunk plus a fact
// chunk for float. The samples follow immediately.
std::vector<std::uint8_t> EncodeWavHeader(const AudioFormat& format, std::uint64_t dataBytes);

// Largest sample data a RIFF file can hold after a header of `headerBytes`.
std::uint64_t MaxDataBytes(std::size_t headerBytes);

// Reads the frames of a WAV file in order.
class WavFileReader {
 public:
  // Opens and parses `path`; on failure returns nothing and sets `error`.
  static std::optional<WavFileReader> Open(const std::string& path, std::string& error);

  const AudioFormat& Format() const { return layout_.format; }
  std::uint64_t Frames() const { return layout_.frames; }

  // Back to the first frame.
  void Rewind();

  // Copies up to `frames` frames into `out`; returns how many were read
  // (fewer only at the end of the data or on a read error).
  std::size_t Read(void* out, std::size_t frames);

 private:
  WavFileReader(std::ifstream file, const WavLayout& layout);

  std::ifstream file_;
  WavLayout layout_;
  std::uint64_t framesRead_ = 0;
};

// Writes a WAV file: header first with the sizes fixed up by Finish.
class WavWriter {
 public:
  explicit WavWriter(std::ostream& out) : out_(out) {}

  bool Start(const AudioFormat& format, std::string& error);
  bool Append(const void* data, std::size_t bytes, std::string& error);
  // Rewrites the header with the final sizes and flushes.
  bool Finish(std::string& error);

  std::uint64_t DataBytes() const { return dataBytes_; }

 private:
  std::ostream& out_;
  AudioFormat format_;
  std::size_t headerBytes_ = 0;
  std::uint64_t dataBytes_ = 0;
};

}  // namespace orkv::wav
