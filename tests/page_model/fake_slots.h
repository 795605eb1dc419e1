// Slot access over a plain block that clamps every write to the slot's range
// exactly as the parameter store does, and logs the writes in order.
#pragma once

#include <cstddef>
#include <span>
#include <utility>
#include <vector>

#include "core/parameter_block.h"
#include "editor/model/control_binding.h"

namespace orkv::page_model::test {

struct SlotWrite {
  std::size_t slot;
  double value;  // as written, before clamping
};

class ClampingSlots final : public SlotAccess {
 public:
  ClampingSlots(std::span<const SlotSpec> specs, std::span<const double> values)
      : specs_(specs), values_(values.begin(), values.end()) {}

  double Get(std::size_t slot) const override { return values_.at(slot); }
  void Set(std::size_t slot, double value) override {
    writes_.push_back({slot, value});
    values_.at(slot) = ClampToSlot(value, specs_[slot]);
  }

  const std::vector<SlotWrite>& Writes() const { return writes_; }

 private:
  std::span<const SlotSpec> specs_;
  std::vector<double> values_;
  std::vector<SlotWrite> writes_;
};

}  // namespace orkv::page_model::test
