#include "core/settings_record.h"

#include <gtest/gtest.h>

namespace orkv {
namespace {

constexpr Guid kPhaserId{
    0xC271E867, 0x5B4B, 0x4C5C, {0x9A, 0xC2, 0x68, 0xA3, 0x7C, 0xE2, 0x9A, 0x99}};
constexpr Guid kChorusId{
    0x8565F48A, 0x0CEF, 0x4B19, {0xB8, 0x14, 0x99, 0xCA, 0x4B, 0xB6, 0xA5, 0xEF}};

TEST(SettingsRecord, HeaderIsSizeThenIdentifierLittleEndian) {
  const RecordHeader h = EncodeRecordHeader<8>(kPhaserId);
  const RecordHeader expected{84,   0,    0,    0,    0x67, 0xE8, 0x71, 0xC2, 0x4B, 0x5B,
                              0x5C, 0x4C, 0x9A, 0xC2, 0x68, 0xA3, 0x7C, 0xE2, 0x9A, 0x99};
  EXPECT_EQ(h, expected);
  EXPECT_EQ(RecordSize(7), 76u);
  EXPECT_EQ(RecordSize(4), 52u);
}

TEST(SettingsRecord, HeaderCheckTellsSizeFromIdentifier) {
  EXPECT_EQ(CheckRecordHeader<8>(EncodeRecordHeader<8>(kPhaserId), kPhaserId), RecordCheck::kOk);
  // Same size, another plug-in's identifier.
  EXPECT_EQ(CheckRecordHeader<8>(EncodeRecordHeader<8>(kChorusId), kPhaserId),
            RecordCheck::kWrongIdentifier);
  // A 76-byte record offered to an 84-byte plug-in.
  EXPECT_EQ(CheckRecordHeader<8>(EncodeRecordHeader<7>(kPhaserId), kPhaserId),
            RecordCheck::kWrongSize);
}

TEST(SettingsRecord, BlockIsIeeeDoublesLittleEndianAndRoundTrips) {
  const ParameterBlock<2> block{1.0, -382.2};
  const auto bytes = EncodeRecordBlock<2>(block);
  const std::array<std::uint8_t, 8> one{0, 0, 0, 0, 0, 0, 0xF0, 0x3F};
  EXPECT_TRUE(std::equal(one.begin(), one.end(), bytes.begin()));
  EXPECT_EQ(DecodeRecordBlock<2>(bytes), block);
}

}  // namespace
}  // namespace orkv
