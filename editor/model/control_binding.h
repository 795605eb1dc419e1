// How a control of the page turns its position into parameter writes, what the
// display shows for it, and how the live parameters turn back into a position.
// Each plug-in describes its controls as constant rows; the steps that run the
// rows are written once here and know nothing of windows or COM, so the page
// runs them over its parameter interface and tests run them over a fake.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "effects/common/depth_link.h"

namespace orkv::page_model {

// Reads and writes single parameter slots of one filter. Writes are clamped to
// the slot's range by the owner, so a read after a write may differ from it.
class SlotAccess {
 public:
  virtual double Get(std::size_t slot) const = 0;
  virtual void Set(std::size_t slot, double value) = 0;

 protected:
  ~SlotAccess() = default;
};

// Read-only view the rules see, so that a row reads s[slot] like its formula.
class Slots {
 public:
  explicit Slots(const SlotAccess& access) : access_(access) {}
  double operator[](std::size_t slot) const { return access_.Get(slot); }

 private:
  const SlotAccess& access_;
};

enum class TextForm {
  kPosition,     // the position as an unsigned decimal number
  kTwoDecimals,  // value() with a sign, one integer digit at least and two decimals
  kTruncated,    // value() truncated toward zero, as a signed decimal number
  kQuantity,     // value() in `suffix` (its unit) with three significant digits
};

struct ValueTextRule {
  TextForm form;
  double (*value)(Slots) = nullptr;  // unused for kPosition
  const char* suffix = "";           // appended: "%", the degree sign; or the unit
};

inline constexpr char kDegreeSign[] = "\xB0";  // in the Windows ANSI code page

struct ControlBinding {
  int control;
  const char* label = nullptr;  // replaces the control's window text in the display
  std::size_t slot;             // written with write(position)
  double (*write)(double position);
  // The effect's own Depth link: rewrites the deviation after `slot` is
  // written, from both slots read back.
  std::optional<DepthLink> depthLink = std::nullopt;
  ValueTextRule text;
  double (*position)(Slots);  // truncated toward zero by PositionFromParameter
};

// What a control at `position` writes, in order: its slot, then the deviation
// if the row links it.
void ApplyPosition(const ControlBinding& binding, int position, SlotAccess& slots);

// The effect's rule (DeviationFromDepth) over both slots read back after
// their writes.
void ApplyDepthLink(const DepthLink& link, SlotAccess& slots);

// The display's value text, read from the slots after the write.
std::string ValueText(const ControlBinding& binding, int position, const SlotAccess& slots);

// A drag or click to `position`: the writes, then the value text read back.
std::string MoveControl(const ControlBinding& binding, int position, SlotAccess& slots);

// The control position the live parameters stand for.
int PositionFromParameter(const ControlBinding& binding, const SlotAccess& slots);

// Toward zero; 0 for a value that no int can hold (not reachable with clamped
// slots, but a position must never be undefined).
int TruncateTowardZero(double value);

}  // namespace orkv::page_model
