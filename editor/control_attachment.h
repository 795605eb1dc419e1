// A knob's or the slider's attachment to the parameter it drives: its binding
// row, the size of the filter's parameter interface and the effect's name for
// the display. The page hands it over once, as the control's creation
// parameter, and keeps the same values to move the control: both directions,
// control -> parameters on a drag and parameters -> control on a refresh, go
// through this one type. The parameter interface itself is not part of it: it
// arrives by CTL_SET_TARGET and may change while the control lives.
#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>

#include "core/orkv_effects.h"
#include "editor/model/control_binding.h"

namespace orkv::editor {

struct ControlAttachment {
  // Null for a control outside a page: it moves and notifies, writes nothing.
  const page_model::ControlBinding* binding = nullptr;
  std::size_t slotCount = 0;
  const char* effectName = "";

  // Control -> parameters: the row's writes for `position`, in their order.
  void Apply(IEffectParameters* target, int position) const;
  // The row's slot set to `value` as it is (the slider's reset to 0 dB).
  void Write(IEffectParameters* target, double value) const;
  // Parameters -> control: the position the live parameters stand for; none
  // without a row or a target.
  std::optional<int> Position(IEffectParameters* target) const;
  // The position the row's slot at `value` stands for (the row's other slots
  // read as 0).
  std::optional<int> PositionAt(double value) const;

  // The display's label: the row's, else the control's window text.
  std::string Label(const std::string& windowText) const;
  // The display's value text, read back through the target after a write;
  // none without a row or a target.
  std::optional<std::string> ValueText(IEffectParameters* target, int position) const;
  // What the row's text would read once `position` were written: the row's
  // value text over its written slot alone. None without a row.
  std::optional<std::string> PreviewText(int position) const;
};

}  // namespace orkv::editor
