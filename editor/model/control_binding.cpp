#include "editor/model/control_binding.h"

#include <cmath>

#include "editor/model/value_text.h"

namespace orkv::page_model {

void ApplyPosition(const ControlBinding& binding, int position, SlotAccess& slots) {
  slots.Set(binding.slot, binding.write(position));
  if (binding.depthLink) ApplyDepthLink(*binding.depthLink, slots);
}

void ApplyDepthLink(const DepthLink& link, SlotAccess& slots) {
  const double base = slots.Get(link.base);
  const double percent = slots.Get(link.percent);
  slots.Set(link.deviation, DeviationFromDepth(percent, base));
}

std::string ValueText(const ControlBinding& binding, int position, const SlotAccess& slots) {
  const ValueTextRule& rule = binding.text;
  switch (rule.form) {
    case TextForm::kPosition:
      return std::to_string(static_cast<unsigned>(position)) + rule.suffix;
    case TextForm::kTwoDecimals:
      return FormatTwoDecimals(rule.value(Slots(slots))) + rule.suffix;
    case TextForm::kTruncated:
      return std::to_string(TruncateTowardZero(rule.value(Slots(slots)))) + rule.suffix;
    case TextForm::kQuantity:
      return FormatQuantity(rule.value(Slots(slots)), rule.suffix);
  }
  return {};
}

std::string MoveControl(const ControlBinding& binding, int position, SlotAccess& slots) {
  ApplyPosition(binding, position, slots);
  return ValueText(binding, position, slots);
}

int PositionFromParameter(const ControlBinding& binding, const SlotAccess& slots) {
  return TruncateTowardZero(binding.position(Slots(slots)));
}

int TruncateTowardZero(double value) {
  // Both bounds are exact doubles; NaN fails the comparison.
  if (!(value > -2147483649.0 && value < 2147483648.0)) return 0;
  return static_cast<int>(value);
}

}  // namespace orkv::page_model
