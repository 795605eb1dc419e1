// The WAV codec on hand-built files: accepted layouts, refused files and their
// reasons, and round trips through the writer.
#include "tools/wav/wav_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

namespace orkv::wav {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put(Bytes& b, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void PutId(Bytes& b, const char* id) { b.insert(b.end(), id, id + 4); }

// Assembles a RIFF/WAVE file from chunks, padding odd chunks.
class FileBuilder {
 public:
  FileBuilder& Chunk(const char* id, const Bytes& body, bool pad = true) {
    PutId(chunks_, id);
    Put(chunks_, static_cast<std::uint32_t>(body.size()), 4);
    chunks_.insert(chunks_.end(), body.begin(), body.end());
    if (pad && body.size() % 2 == 1) chunks_.push_back(0);
    return *this;
  }
  FileBuilder& Raw(const Bytes& bytes) {
    chunks_.insert(chunks_.end(), bytes.begin(), bytes.end());
    return *this;
  }
  std::string Build() const {
    Bytes file;
    PutId(file, "RIFF");
    Put(file, static_cast<std::uint32_t>(4 + chunks_.size()), 4);
    PutId(file, "WAVE");
    file.insert(file.end(), chunks_.begin(), chunks_.end());
    return std::string(file.begin(), file.end());
  }

 private:
  Bytes chunks_;
};

Bytes PlainFormat(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                  std::uint16_t bits) {
  Bytes b;
  const std::uint16_t align = static_cast<std::uint16_t>(channels * bits / 8);
  Put(b, tag, 2);
  Put(b, channels, 2);
  Put(b, rate, 4);
  Put(b, rate * align, 4);
  Put(b, align, 2);
  Put(b, bits, 2);
  return b;
}

Bytes ExtensibleFormat(std::uint16_t subTag, std::uint16_t channels, std::uint16_t bits) {
  Bytes b = PlainFormat(0xFFFE, channels, 48000, bits);
  Put(b, 22, 2);    // cbSize
  Put(b, bits, 2);  // valid bits
  Put(b, 3, 4);     // channel mask
  Put(b, subTag, 2);
  const Bytes tail = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                      0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
  b.insert(b.end(), tail.begin(), tail.end());
  return b;
}

ParseResult Parse(const std::string& file) {
  std::istringstream in(file);
  return ParseWav(in);
}

void ExpectRefused(const std::string& file, const std::string& reason) {
  const ParseResult r = Parse(file);
  EXPECT_FALSE(r.layout.has_value());
  EXPECT_NE(r.error.find(reason), std::string::npos) << "message: " << r.error;
}

TEST(WavParse, PlainPcmStereo) {
  const auto r = Parse(
      FileBuilder().Chunk("fmt ", PlainFormat(1, 2, 44100, 16)).Chunk("data", Bytes(400)).Build());
  ASSERT_TRUE(r.layout) << r.error;
  EXPECT_EQ(r.layout->format, (AudioFormat{SampleType::kInt16, 2, 44100}));
  EXPECT_EQ(r.layout->dataOffset, 44u);
  EXPECT_EQ(r.layout->frames, 100u);
}

TEST(WavParse, PlainFloatMonoWithFactAndCbSize) {
  Bytes fmt = PlainFormat(3, 1, 22050, 32);
  Put(fmt, 0, 2);
  const auto r = Parse(FileBuilder()
                           .Chunk("fmt ", fmt)
                           .Chunk("fact", {10, 0, 0, 0})
                           .Chunk("data", Bytes(40))
                           .Build());
  ASSERT_TRUE(r.layout) << r.error;
  EXPECT_EQ(r.layout->format, (AudioFormat{SampleType::kFloat32, 1, 22050}));
  EXPECT_EQ(r.layout->frames, 10u);
}

TEST(WavParse, ExtensiblePcmAndFloat) {
  const auto pcm = Parse(
      FileBuilder().Chunk("fmt ", ExtensibleFormat(1, 2, 16)).Chunk("data", Bytes(8)).Build());
  ASSERT_TRUE(pcm.layout) << pcm.error;
  EXPECT_EQ(pcm.layout->format.type, SampleType::kInt16);
  EXPECT_EQ(pcm.layout->frames, 2u);
  const auto flt = Parse(
      FileBuilder().Chunk("fmt ", ExtensibleFormat(3, 1, 32)).Chunk("data", Bytes(8)).Build());
  ASSERT_TRUE(flt.layout) << flt.error;
  EXPECT_EQ(flt.layout->format, (AudioFormat{SampleType::kFloat32, 1, 48000}));
}

TEST(WavParse, SkipsOtherChunksIncludingOddSizedOnes) {
  const auto r = Parse(FileBuilder()
                           .Chunk("LIST", Bytes(7, 'x'))
                           .Chunk("fmt ", PlainFormat(1, 1, 8000, 16))
                           .Chunk("junk", Bytes(3))
                           .Chunk("data", Bytes(6))
                           .Chunk("LIST", Bytes(5))
                           .Build());
  ASSERT_TRUE(r.layout) << r.error;
  EXPECT_EQ(r.layout->dataOffset, 12u + 16 + 8 + 16 + 12 + 8);
  EXPECT_EQ(r.layout->frames, 3u);
}

TEST(WavParse, DataBeforeFormatAndPartialFrameDropped) {
  const auto r = Parse(
      FileBuilder().Chunk("data", Bytes(9)).Chunk("fmt ", PlainFormat(1, 2, 44100, 16)).Build());
  ASSERT_TRUE(r.layout) << r.error;
  EXPECT_EQ(r.layout->dataOffset, 20u);
  EXPECT_EQ(r.layout->frames, 2u);
}

TEST(WavParse, RefusesUnsupportedFormats) {
  const auto withFormat = [](const Bytes& fmt) {
    return FileBuilder().Chunk("fmt ", fmt).Chunk("data", Bytes(24)).Build();
  };
  ExpectRefused(withFormat(PlainFormat(1, 2, 44100, 24)), "24-bit integer PCM");
  ExpectRefused(withFormat(PlainFormat(1, 2, 44100, 8)), "8-bit integer PCM");
  ExpectRefused(withFormat(PlainFormat(3, 2, 44100, 64)), "64-bit float");
  ExpectRefused(withFormat(PlainFormat(1, 6, 44100, 16)), "6 channels");
  ExpectRefused(withFormat(PlainFormat(1, 0, 44100, 16)), "0 channels");
  ExpectRefused(withFormat(PlainFormat(0x55, 2, 44100, 0)), "compressed");
  ExpectRefused(withFormat(PlainFormat(1, 2, 0, 16)), "sample rate 0");
  ExpectRefused(withFormat(ExtensibleFormat(1, 2, 24)), "24-bit integer PCM");
  ExpectRefused(withFormat(ExtensibleFormat(1, 6, 16)), "6 channels");
  Bytes unknownSub = ExtensibleFormat(1, 2, 16);
  unknownSub[30] ^= 0xFF;
  ExpectRefused(withFormat(unknownSub), "unknown subformat");
}

TEST(WavParse, RefusesMalformedFiles) {
  ExpectRefused("", "not a WAV file");
  ExpectRefused(std::string("RIFF\x10\0\0\0AVI LIST", 16), "not a WAV file");
  ExpectRefused(FileBuilder().Chunk("data", Bytes(4)).Build(), "no 'fmt ' chunk");
  ExpectRefused(FileBuilder().Chunk("fmt ", PlainFormat(1, 2, 44100, 16)).Build(),
                "no 'data' chunk");
  ExpectRefused(FileBuilder().Chunk("fmt ", Bytes(12)).Chunk("data", Bytes(4)).Build(),
                "12 bytes, at least 16");
  Bytes shortExtensible = PlainFormat(0xFFFE, 2, 44100, 16);
  Put(shortExtensible, 0, 2);
  ExpectRefused(FileBuilder().Chunk("fmt ", shortExtensible).Chunk("data", Bytes(4)).Build(),
                "extensible format with 18 bytes");
  Bytes badAlign = PlainFormat(1, 2, 44100, 16);
  badAlign[12] = 3;
  ExpectRefused(FileBuilder().Chunk("fmt ", badAlign).Chunk("data", Bytes(4)).Build(),
                "block alignment 3");
}

TEST(WavParse, RefusesTruncatedAndAbsurdSizes) {
  const std::string whole =
      FileBuilder().Chunk("fmt ", PlainFormat(1, 2, 44100, 16)).Chunk("data", Bytes(400)).Build();
  ExpectRefused(whole.substr(0, 30), "truncated file: chunk 'fmt '");
  ExpectRefused(whole.substr(0, 300), "declares 400 bytes but only 256 remain");
  Bytes huge;
  PutId(huge, "LIST");
  Put(huge, 0xFFFFFFFF, 4);
  ExpectRefused(FileBuilder().Raw(huge).Build(), "truncated file: chunk 'LIST'");
  // A header cut inside the first chunk header leaves no chunks at all.
  ExpectRefused(whole.substr(0, 16), "no 'fmt ' chunk");
}

TEST(WavWrite, HeadersOfBothSampleTypesParseBack) {
  for (const AudioFormat format :
       {AudioFormat{SampleType::kInt16, 2, 44100}, AudioFormat{SampleType::kFloat32, 2, 96000},
        AudioFormat{SampleType::kInt16, 1, 8000}}) {
    std::stringstream file;
    WavWriter writer(file);
    std::string error;
    const Bytes samples(format.BytesPerFrame() * 5, 0x5A);
    ASSERT_TRUE(writer.Start(format, error));
    ASSERT_TRUE(writer.Append(samples.data(), samples.size(), error));
    ASSERT_TRUE(writer.Append(samples.data(), samples.size(), error));
    ASSERT_TRUE(writer.Finish(error));
    const std::string bytes = file.str();
    const auto r = Parse(bytes);
    ASSERT_TRUE(r.layout) << r.error;
    EXPECT_EQ(r.layout->format, format);
    EXPECT_EQ(r.layout->frames, 10u);
    EXPECT_EQ(bytes.size(), r.layout->dataOffset + 2 * samples.size());
    std::uint32_t riffSize;
    std::memcpy(&riffSize, bytes.data() + 4, 4);
    EXPECT_EQ(riffSize, bytes.size() - 8);
  }
}

TEST(WavWrite, FloatFilesCarryIeeeTagAndFactChunk) {
  const Bytes header = EncodeWavHeader({SampleType::kFloat32, 2, 44100}, 800);
  ASSERT_EQ(header.size(), 58u);
  EXPECT_EQ(header[20], 3);  // WAVE_FORMAT_IEEE_FLOAT
  EXPECT_EQ(std::string(header.begin() + 38, header.begin() + 42), "fact");
  EXPECT_EQ(header[46], 100);  // frames
  EXPECT_EQ(EncodeWavHeader({SampleType::kInt16, 2, 44100}, 0).size(), 44u);
}

TEST(WavFileReader, ReadsFramesInOrderAndStopsAtTheEnd) {
  const std::string path = testing::TempDir() + "orkv_reader_test.wav";
  {
    std::ofstream out(path, std::ios::binary);
    WavWriter writer(out);
    std::string error;
    const std::int16_t samples[] = {1, -1, 2, -2, 3, -3};
    ASSERT_TRUE(writer.Start({SampleType::kInt16, 2, 44100}, error));
    ASSERT_TRUE(writer.Append(samples, sizeof samples, error));
    ASSERT_TRUE(writer.Finish(error));
  }
  std::string error;
  auto reader = WavFileReader::Open(path, error);
  ASSERT_TRUE(reader) << error;
  EXPECT_EQ(reader->Frames(), 3u);
  std::int16_t got[8] = {};
  EXPECT_EQ(reader->Read(got, 2), 2u);
  EXPECT_EQ(got[3], -2);
  EXPECT_EQ(reader->Read(got, 4), 1u);
  EXPECT_EQ(got[0], 3);
  EXPECT_EQ(reader->Read(got, 4), 0u);
  EXPECT_FALSE(WavFileReader::Open(path + ".missing", error));
  EXPECT_NE(error.find("cannot open"), std::string::npos);
}

}  // namespace
}  // namespace orkv::wav
