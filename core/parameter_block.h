// Settings of an effect: one double per slot, the slot table that gives each
// slot its label and range, and the factory preset rows built from them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace orkv {

// The most slots any plug-in has (Phaser, Chorus, Flanger).
inline constexpr std::size_t kMaxSlots = 8;

// The unit of get-all and set-all, engine snapshots, preset rows and the
// persisted record: IEEE-754 doubles in slot order, copied by value.
template <std::size_t N>
using ParameterBlock = std::array<double, N>;

struct SlotSpec {
  const char* label;  // the page's label, or the meaning of a hidden slot
  const char* unit;
  double lower;
  double upper;
  double initial;  // the "(Default)" preset's value
};

// A value below the range, or not a number, becomes the lower bound; a value
// above becomes the upper bound; the bounds themselves pass unchanged.
constexpr double ClampToSlot(double value, const SlotSpec& slot) {
  if (!(value >= slot.lower)) return slot.lower;
  if (value > slot.upper) return slot.upper;
  return value;
}

// A factory preset: a 64-byte zero-padded ANSI name, then the block.
template <std::size_t N>
struct PresetRow {
  char name[64];
  ParameterBlock<N> values;
};
static_assert(sizeof(PresetRow<8>) == 128 && sizeof(PresetRow<7>) == 120 &&
              sizeof(PresetRow<4>) == 96);

}  // namespace orkv
