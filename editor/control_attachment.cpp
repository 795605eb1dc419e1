#include "editor/control_attachment.h"

#include "editor/parameter_slots.h"

namespace orkv::editor {
namespace {

// One slot holding a value, every other slot 0; writes go nowhere.
class OneSlot final : public page_model::SlotAccess {
 public:
  OneSlot(std::size_t slot, double value) : slot_(slot), value_(value) {}
  double Get(std::size_t slot) const override { return slot == slot_ ? value_ : 0.0; }
  void Set(std::size_t, double) override {}

 private:
  std::size_t slot_;
  double value_;
};

}  // namespace

void ControlAttachment::Apply(IEffectParameters* target, int position) const {
  if (binding == nullptr || target == nullptr) return;
  ParameterSlots slots(target, slotCount);
  page_model::ApplyPosition(*binding, position, slots);
}

void ControlAttachment::Write(IEffectParameters* target, double value) const {
  if (binding == nullptr || target == nullptr) return;
  ParameterSlots(target, slotCount).Set(binding->slot, value);
}

std::optional<int> ControlAttachment::Position(IEffectParameters* target) const {
  if (binding == nullptr || target == nullptr) return std::nullopt;
  return page_model::PositionFromParameter(*binding, ParameterSlots(target, slotCount));
}

std::optional<int> ControlAttachment::PositionAt(double value) const {
  if (binding == nullptr) return std::nullopt;
  return page_model::PositionFromParameter(*binding, OneSlot(binding->slot, value));
}

std::string ControlAttachment::Label(const std::string& windowText) const {
  return binding != nullptr && binding->label != nullptr ? binding->label : windowText;
}

std::optional<std::string> ControlAttachment::ValueText(IEffectParameters* target,
                                                        int position) const {
  if (binding == nullptr || target == nullptr) return std::nullopt;
  return page_model::ValueText(*binding, position, ParameterSlots(target, slotCount));
}

std::optional<std::string> ControlAttachment::PreviewText(int position) const {
  if (binding == nullptr) return std::nullopt;
  return page_model::ValueText(*binding, position,
                               OneSlot(binding->slot, binding->write(position)));
}

}  // namespace orkv::editor
