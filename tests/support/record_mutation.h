// Damage done to a settings record by broken files and hostile hosts, for the
// fuzz tests of the record decoder and of IPersistStream::Load: truncation,
// flipped bytes, absurd doubles in the block, trailing bytes, or pure noise.
#pragma once

#include <cstdint>
#include <cstring>
#include <iterator>
#include <vector>

namespace orkv::test {

class MutationRandom {
 public:
  explicit MutationRandom(std::uint32_t seed) : state_(seed) {}
  std::uint32_t Below(std::uint32_t n) {
    state_ = state_ * 1664525u + 1013904223u;
    return (state_ >> 8) % n;
  }

 private:
  std::uint32_t state_;
};

// `bytes` is a whole record: a header of `headerSize` bytes, then the doubles.
inline std::vector<std::uint8_t> MutateRecord(std::vector<std::uint8_t> bytes,
                                              std::size_t headerSize, MutationRandom& random) {
  constexpr std::uint64_t kAbsurd[] = {0x7FF8000000000001ull, 0x7FF0000000000000ull,
                                       0xFFF0000000000000ull, 0x7FEFFFFFFFFFFFFFull,
                                       0x0000000000000001ull, 0x8000000000000000ull};
  const auto size = static_cast<std::uint32_t>(bytes.size());
  switch (random.Below(5)) {
    case 0:
      bytes.resize(random.Below(size + 1));
      break;
    case 1:
      for (std::uint32_t n = 1 + random.Below(4); n > 0; --n) {
        bytes[random.Below(size)] ^= static_cast<std::uint8_t>(1 + random.Below(255));
      }
      break;
    case 2:
      for (std::size_t at = headerSize; at + 8 <= bytes.size(); at += 8) {
        const std::uint64_t bits = kAbsurd[random.Below(std::size(kAbsurd))];
        std::memcpy(&bytes[at], &bits, 8);
      }
      break;
    case 3:
      bytes.resize(bytes.size() + 1 + random.Below(64), 0xAB);
      break;
    default:
      for (auto& b : bytes) b = static_cast<std::uint8_t>(random.Below(256));
      break;
  }
  return bytes;
}

}  // namespace orkv::test
