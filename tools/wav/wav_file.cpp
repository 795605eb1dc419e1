#include "tools/wav/wav_file.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <istream>
#include <ostream>

namespace orkv::wav {
namespace {

constexpr std::uint16_t kTagPcm = 1;
constexpr std::uint16_t kTagIeeeFloat = 3;
constexpr std::uint16_t kTagExtensible = 0xFFFE;
constexpr std::size_t kPlainFormatBytes = 16;
constexpr std::size_t kExtensibleFormatBytes = 40;

// The subformat identifiers of extensible chunks share this tail; their first
// two bytes are the plain format tag.
constexpr std::array<std::uint8_t, 14> kSubformatTail = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                                         0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

std::uint16_t Get16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

std::uint32_t Get32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}

void Put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void PutTag(std::vector<std::uint8_t>& out, const char* id) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(id[i]));
}

bool ReadAt(std::istream& in, std::uint64_t offset, std::uint8_t* out, std::size_t bytes) {
  in.clear();
  in.seekg(static_cast<std::streamoff>(offset));
  in.read(reinterpret_cast<char*>(out), static_cast<std::streamsize>(bytes));
  return in.gcount() == static_cast<std::streamsize>(bytes);
}

std::optional<std::uint64_t> StreamSize(std::istream& in) {
  in.clear();
  in.seekg(0, std::ios::end);
  const std::streamoff end = in.tellg();
  if (!in || end < 0) return std::nullopt;
  return static_cast<std::uint64_t>(end);
}

std::string Hex16(std::uint16_t v) {
  static const char* digits = "0123456789ABCDEF";
  std::string s = "0x";
  for (int shift = 12; shift >= 0; shift -= 4) s += digits[(v >> shift) & 0xF];
  return s;
}

std::string ChunkName(const std::uint8_t* id) {
  std::string name;
  for (int i = 0; i < 4; ++i) name += (id[i] >= 0x20 && id[i] < 0x7F) ? char(id[i]) : '?';
  return "'" + name + "'";
}

// The plain tag a format chunk stands for: its own tag, or for extensible
// chunks the tag inside the subformat (0 when the subformat is not a plain tag).
std::optional<std::uint16_t> EffectiveTag(const std::uint8_t* fmt, std::size_t size,
                                          std::string& error) {
  const std::uint16_t tag = Get16(fmt);
  if (tag != kTagExtensible) return tag;
  if (size < kExtensibleFormatBytes || Get16(fmt + 16) < 22) {
    error = "malformed 'fmt ' chunk: extensible format with " + std::to_string(size) +
            " bytes, 40 needed";
    return std::nullopt;
  }
  if (!std::equal(kSubformatTail.begin(), kSubformatTail.end(), fmt + 26)) {
    error = "unsupported format: extensible format with an unknown subformat";
    return std::nullopt;
  }
  return Get16(fmt + 24);
}

std::optional<AudioFormat> DecodeFormat(const std::uint8_t* fmt, std::size_t size,
                                        std::string& error) {
  if (size < kPlainFormatBytes) {
    error = "malformed 'fmt ' chunk: " + std::to_string(size) + " bytes, at least 16 needed";
    return std::nullopt;
  }
  const auto tag = EffectiveTag(fmt, size, error);
  if (!tag) return std::nullopt;
  const std::uint16_t channels = Get16(fmt + 2);
  const std::uint32_t rate = Get32(fmt + 4);
  const std::uint16_t blockAlign = Get16(fmt + 12);
  const std::uint16_t bits = Get16(fmt + 14);
  const std::string supported = " (supported: 16-bit PCM and 32-bit float)";

  AudioFormat format;
  if (*tag == kTagPcm) {
    if (bits != 16) {
      error = "unsupported format: " + std::to_string(bits) + "-bit integer PCM" + supported;
      return std::nullopt;
    }
    format.type = SampleType::kInt16;
  } else if (*tag == kTagIeeeFloat) {
    if (bits != 32) {
      error = "unsupported format: " + std::to_string(bits) + "-bit float" + supported;
      return std::nullopt;
    }
    format.type = SampleType::kFloat32;
  } else {
    error = "unsupported format: compressed or unknown encoding (format tag " + Hex16(*tag) + ")" +
            supported;
    return std::nullopt;
  }
  if (channels != 1 && channels != 2) {
    error = "unsupported format: " + std::to_string(channels) +
            " channels (supported: mono and stereo)";
    return std::nullopt;
  }
  if (rate == 0 || rate > kMaxSampleRate) {
    error = "unsupported format: sample rate " + std::to_string(rate) + " Hz (supported: 1 to " +
            std::to_string(kMaxSampleRate) + " Hz)";
    return std::nullopt;
  }
  format.channels = channels;
  format.sampleRate = rate;
  if (blockAlign != format.BytesPerFrame()) {
    error = "malformed 'fmt ' chunk: block alignment " + std::to_string(blockAlign) +
            " does not match " + std::to_string(channels) + " channel(s) of " +
            std::to_string(bits) + " bits";
    return std::nullopt;
  }
  return format;
}

ParseResult Failure(std::string message) { return {std::nullopt, std::move(message)}; }

}  // namespace

ParseResult ParseWav(std::istream& in) {
  const auto fileSize = StreamSize(in);
  if (!fileSize) return Failure("cannot determine the file size");
  std::uint8_t riff[12];
  if (!ReadAt(in, 0, riff, sizeof riff) || std::memcmp(riff, "RIFF", 4) != 0 ||
      std::memcmp(riff + 8, "WAVE", 4) != 0) {
    return Failure("not a WAV file: no RIFF/WAVE header");
  }

  std::optional<AudioFormat> format;
  std::optional<std::uint64_t> dataOffset;
  std::uint64_t dataBytes = 0;
  std::uint64_t position = sizeof riff;
  // Every pass advances by at least one 8-byte chunk header, so this ends.
  while (!(format && dataOffset) && position + 8 <= *fileSize) {
    std::uint8_t header[8];
    if (!ReadAt(in, position, header, sizeof header)) return Failure("read error");
    const std::uint32_t size = Get32(header + 4);
    const std::uint64_t body = position + 8;
    const std::uint64_t remaining = *fileSize - body;
    if (size > remaining) {
      return Failure("truncated file: chunk " + ChunkName(header) + " declares " +
                     std::to_string(size) + " bytes but only " + std::to_string(remaining) +
                     " remain");
    }
    if (std::memcmp(header, "fmt ", 4) == 0 && !format) {
      std::array<std::uint8_t, kExtensibleFormatBytes> fmt{};
      const std::size_t stored = std::min<std::size_t>(size, fmt.size());
      if (!ReadAt(in, body, fmt.data(), stored)) return Failure("read error");
      std::string error;
      format = DecodeFormat(fmt.data(), size, error);
      if (!format) return Failure(error);
    } else if (std::memcmp(header, "data", 4) == 0 && !dataOffset) {
      dataOffset = body;
      dataBytes = size;
    }
    position = body + size + (size & 1);  // chunks are padded to even sizes
  }
  if (!format) return Failure("malformed file: no 'fmt ' chunk");
  if (!dataOffset) return Failure("malformed file: no 'data' chunk");
  return {WavLayout{*format, *dataOffset, dataBytes / format->BytesPerFrame()}, {}};
}

std::vector<std::uint8_t> EncodeWavHeader(const AudioFormat& format, std::uint64_t dataBytes) {
  const bool isFloat = format.type == SampleType::kFloat32;
  const std::uint32_t data32 = static_cast<std::uint32_t>(dataBytes);
  std::vector<std::uint8_t> h;
  PutTag(h, "RIFF");
  Put32(h, 0);  // filled in below
  PutTag(h, "WAVE");
  PutTag(h, "fmt ");
  Put32(h, isFloat ? 18 : 16);
  Put16(h, isFloat ? kTagIeeeFloat : kTagPcm);
  Put16(h, format.channels);
  Put32(h, format.sampleRate);
  Put32(h, format.sampleRate * format.BytesPerFrame());
  Put16(h, format.BytesPerFrame());
  Put16(h, static_cast<std::uint16_t>(format.BytesPerSample() * 8));
  if (isFloat) {
    Put16(h, 0);  // cbSize
    PutTag(h, "fact");
    Put32(h, 4);
    Put32(h, data32 / format.BytesPerFrame());
  }
  PutTag(h, "data");
  Put32(h, data32);
  const std::uint32_t riffSize = static_cast<std::uint32_t>(h.size() - 8 + dataBytes);
  for (int i = 0; i < 4; ++i) h[4 + i] = static_cast<std::uint8_t>(riffSize >> (8 * i));
  return h;
}

std::uint64_t MaxDataBytes(std::size_t headerBytes) { return 0xFFFFFFFFull - (headerBytes - 8); }

WavFileReader::WavFileReader(std::ifstream file, const WavLayout& layout)
    : file_(std::move(file)), layout_(layout) {}

std::optional<WavFileReader> WavFileReader::Open(const std::string& path, std::string& error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    error = "cannot open the file";
    return std::nullopt;
  }
  ParseResult parsed = ParseWav(file);
  if (!parsed.layout) {
    error = parsed.error;
    return std::nullopt;
  }
  file.clear();
  file.seekg(static_cast<std::streamoff>(parsed.layout->dataOffset));
  return WavFileReader(std::move(file), *parsed.layout);
}

void WavFileReader::Rewind() {
  file_.clear();
  file_.seekg(static_cast<std::streamoff>(layout_.dataOffset));
  framesRead_ = 0;
}

std::size_t WavFileReader::Read(void* out, std::size_t frames) {
  const std::uint64_t left = layout_.frames - framesRead_;
  const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(frames, left));
  const std::size_t frameBytes = layout_.format.BytesPerFrame();
  file_.read(static_cast<char*>(out), static_cast<std::streamsize>(wanted * frameBytes));
  const std::size_t got = static_cast<std::size_t>(file_.gcount()) / frameBytes;
  framesRead_ += got;
  return got;
}

bool WavWriter::Start(const AudioFormat& format, std::string& error) {
  format_ = format;
  dataBytes_ = 0;
  const std::vector<std::uint8_t> header = EncodeWavHeader(format, 0);
  headerBytes_ = header.size();
  out_.write(reinterpret_cast<const char*>(header.data()),
             static_cast<std::streamsize>(header.size()));
  if (!out_) error = "cannot write the WAV header";
  return static_cast<bool>(out_);
}

bool WavWriter::Append(const void* data, std::size_t bytes, std::string& error) {
  if (dataBytes_ + bytes > MaxDataBytes(headerBytes_)) {
    error = "output exceeds the 4 GiB size limit of WAV files";
    return false;
  }
  out_.write(static_cast<const char*>(data), static_cast<std::streamsize>(bytes));
  if (!out_) {
    error = "cannot write the samples";
    return false;
  }
  dataBytes_ += bytes;
  return true;
}

bool WavWriter::Finish(std::string& error) {
  const std::vector<std::uint8_t> header = EncodeWavHeader(format_, dataBytes_);
  out_.seekp(0);
  out_.write(reinterpret_cast<const char*>(header.data()),
             static_cast<std::streamsize>(header.size()));
  out_.seekp(0, std::ios::end);
  out_.flush();
  if (!out_) error = "cannot finish the WAV file";
  return static_cast<bool>(out_);
}

}  // namespace orkv::wav
