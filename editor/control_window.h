// What the knob and the slider share: their state record, the messages both
// handle the same way, and the display update. Each supplies its own
// background, painting and pointer handling through a ControlBehaviour.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "core/orkv_effects.h"
#include "editor/control_attachment.h"
#include "editor/gdi_handles.h"

namespace orkv::editor {

// One per knob or slider window, owned through window extra data slot 0:
// everything the control needs, its attachment included, the way a platform
// trackbar keeps even whom it notifies in its own record.
struct ControlState {
  std::uint16_t lower = 0;
  std::uint16_t upper = 0;
  std::uint16_t value = 0;
  Bitmap background;  // the page under the control (with the knob's face drawn in)
  char tag[16] = {};
  bool dragging = false;
  IEffectParameters* target = nullptr;  // not owned; CTL_SET_TARGET
  ControlAttachment attachment;         // the creation parameter, copied at WM_CREATE
};

struct ControlBehaviour {
  std::uint16_t initialUpper;
  // First show: make state.background.
  void (*prepareBackground)(HWND window, ControlState& state);
  // Draw the control into `dc` (the window's own DC).
  void (*paint)(HWND window, const ControlState& state, HDC dc);
  // WM_MOUSEMOVE, and WM_LBUTTONDOWN after the capture step.
  void (*pointer)(HWND window, ControlState& state, LPARAM position);
  // WM_LBUTTONDBLCLK, or null when the class gets no double-clicks.
  void (*doubleClick)(HWND window, ControlState& state);
};

// The whole message handling of a control window of that behaviour.
LRESULT HandleControlMessage(const ControlBehaviour& behaviour, HWND window, UINT message,
                             WPARAM wParam, LPARAM lParam);

// Draws the control through its window DC at once.
void RepaintControl(const ControlBehaviour& behaviour, HWND window, const ControlState& state);

// CTL_VALUE_CHANGED or CTL_DRAG_ENDED to the parent: the control id, and the
// value over the low 16 bits of the window handle.
void NotifyParent(HWND window, const ControlState& state, unsigned notification);

RECT ClientRect(HWND window);

// The control's window text (at most 39 characters).
std::string WindowLabel(HWND window);

// The attachment's effect name, its label for the control and `valueText`
// into the sibling display (id 108).
void ShowInDisplay(HWND window, const ControlState& state, const std::string& valueText);

}  // namespace orkv::editor
