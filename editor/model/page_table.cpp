#include "editor/model/page_table.h"

#include <algorithm>

namespace orkv::page_model {
namespace {

// The row of `control` in a table of rows with a `control` field, or null.
template <class Row>
const Row* FindRow(std::span<const Row> rows, int control) {
  const auto found = std::find_if(rows.begin(), rows.end(),
                                  [control](const Row& r) { return r.control == control; });
  return found == rows.end() ? nullptr : &*found;
}

}  // namespace

const ControlBinding* FindBinding(const PageTable& page, int control) {
  return FindRow(page.bindings, control);
}

const ControlRange* FindRange(int control) {
  return FindRow(std::span<const ControlRange>(kControlRanges), control);
}

int PositionFromParameter(const PageTable& page, int control, const SlotAccess& slots) {
  const ControlBinding* binding = FindBinding(page, control);
  return binding != nullptr ? PositionFromParameter(*binding, slots) : kNoPosition;
}

std::uint32_t HelpContextFor(std::span<const HelpContextPair> table, int control) {
  for (const HelpContextPair& pair : table) {
    if (pair.control == 0) break;
    if (pair.control == static_cast<std::uint32_t>(control)) return pair.context;
  }
  return kGeneralHelpContext;
}

}  // namespace orkv::page_model
