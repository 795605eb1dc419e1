// The persisted settings record: record size (unsigned 32-bit), the plug-in's
// parameter-interface identifier (binary GUID layout), then the block; all
// little-endian. The size and identifier together tell one plug-in's record
// from another's.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/parameter_block.h"

namespace orkv {

// A GUID in its binary layout: 32-bit, two 16-bit fields, eight bytes.
struct Guid {
  std::uint32_t data1;
  std::uint16_t data2;
  std::uint16_t data3;
  std::uint8_t data4[8];
};
static_assert(sizeof(Guid) == 16);

inline constexpr std::size_t kRecordHeaderSize = 20;

constexpr std::uint32_t RecordSize(std::size_t slotCount) {
  return static_cast<std::uint32_t>(kRecordHeaderSize + 8 * slotCount);
}

namespace record_detail {

inline void PutLittleEndian(std::uint8_t* out, std::uint64_t value, std::size_t bytes) {
  for (std::size_t i = 0; i < bytes; ++i) out[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

inline std::uint64_t GetLittleEndian(const std::uint8_t* in, std::size_t bytes) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < bytes; ++i) value |= std::uint64_t{in[i]} << (8 * i);
  return value;
}

inline std::array<std::uint8_t, 16> GuidBytes(const Guid& id) {
  std::array<std::uint8_t, 16> bytes{};
  PutLittleEndian(&bytes[0], id.data1, 4);
  PutLittleEndian(&bytes[4], id.data2, 2);
  PutLittleEndian(&bytes[6], id.data3, 2);
  std::memcpy(&bytes[8], id.data4, 8);
  return bytes;
}

}  // namespace record_detail

using RecordHeader = std::array<std::uint8_t, kRecordHeaderSize>;

template <std::size_t N>
RecordHeader EncodeRecordHeader(const Guid& parametersId) {
  RecordHeader header{};
  record_detail::PutLittleEndian(&header[0], RecordSize(N), 4);
  const auto id = record_detail::GuidBytes(parametersId);
  std::memcpy(&header[4], id.data(), id.size());
  return header;
}

enum class RecordCheck { kOk, kWrongSize, kWrongIdentifier };

// A header is accepted only with this plug-in's size and identifier.
template <std::size_t N>
RecordCheck CheckRecordHeader(const RecordHeader& header, const Guid& parametersId) {
  if (record_detail::GetLittleEndian(&header[0], 4) != RecordSize(N)) {
    return RecordCheck::kWrongSize;
  }
  const auto id = record_detail::GuidBytes(parametersId);
  if (std::memcmp(&header[4], id.data(), id.size()) != 0) return RecordCheck::kWrongIdentifier;
  return RecordCheck::kOk;
}

template <std::size_t N>
std::array<std::uint8_t, 8 * N> EncodeRecordBlock(const ParameterBlock<N>& block) {
  std::array<std::uint8_t, 8 * N> bytes{};
  for (std::size_t i = 0; i < N; ++i) {
    std::uint64_t bits;
    std::memcpy(&bits, &block[i], 8);
    record_detail::PutLittleEndian(&bytes[8 * i], bits, 8);
  }
  return bytes;
}

template <std::size_t N>
ParameterBlock<N> DecodeRecordBlock(const std::array<std::uint8_t, 8 * N>& bytes) {
  ParameterBlock<N> block{};
  for (std::size_t i = 0; i < N; ++i) {
    const std::uint64_t bits = record_detail::GetLittleEndian(&bytes[8 * i], 8);
    std::memcpy(&block[i], &bits, 8);
  }
  return block;
}

}  // namespace orkv
