// The slots of one filter through its parameter interface, for the page
// model's rules. Without an interface reads give 0 and writes go nowhere.
#pragma once

#include <cstddef>

#include "core/slot_access.h"
#include "editor/model/control_binding.h"

namespace orkv::editor {

class ParameterSlots final : public page_model::SlotAccess {
 public:
  ParameterSlots(IEffectParameters* parameters, std::size_t count)
      : parameters_(parameters), count_(count) {}
  double Get(std::size_t slot) const override {
    double value = 0.0;
    return SUCCEEDED(GetSlot(parameters_, count_, slot, value)) ? value : 0.0;
  }
  void Set(std::size_t slot, double value) override { SetSlot(parameters_, count_, slot, value); }

 private:
  IEffectParameters* parameters_;
  std::size_t count_;
};

}  // namespace orkv::editor
