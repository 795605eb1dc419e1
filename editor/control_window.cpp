#include "editor/control_window.h"

#include "editor/display_control.h"
#include "editor/model/messages.h"
#include "editor/window_class.h"

namespace orkv::editor {
namespace {

// The page's attachment arrives as the creation parameter; a control made
// without one is attached to nothing.
LRESULT OnCreate(const ControlBehaviour& behaviour, HWND window, const CREATESTRUCTA* creation) {
  auto* state = AttachNewState<ControlState>(window);
  if (state == nullptr) return -1;
  state->upper = behaviour.initialUpper;
  if (creation != nullptr && creation->lpCreateParams != nullptr) {
    state->attachment = *static_cast<const ControlAttachment*>(creation->lpCreateParams);
  }
  return 0;
}

void OnShowWindow(const ControlBehaviour& behaviour, HWND window, ControlState& state) {
  if (!state.background) behaviour.prepareBackground(window, state);
}

void OnPaint(const ControlBehaviour& behaviour, HWND window, const ControlState& state) {
  PaintScope paint(window);
  RepaintControl(behaviour, window, state);
}

void OnLButtonDown(const ControlBehaviour& behaviour, HWND window, ControlState& state,
                   LPARAM position) {
  if (!state.dragging) {
    SetCapture(window);
    state.dragging = true;
  }
  behaviour.pointer(window, state, position);
}

void OnLButtonUp(HWND window, ControlState& state) {
  if (!state.dragging) return;
  ReleaseCapture();
  state.dragging = false;
  NotifyParent(window, state, CTL_DRAG_ENDED);
}

// The bounds raise or lower a value outside them, without repainting.
void OnSetMin(ControlState& state, WPARAM bound) {
  state.lower = static_cast<std::uint16_t>(bound);
  if (state.value < state.lower) state.value = state.lower;
}

void OnSetMax(ControlState& state, WPARAM bound) {
  state.upper = static_cast<std::uint16_t>(bound);
  if (state.value > state.upper) state.value = state.upper;
}

// Not clamped: a value beyond the bounds is drawn beyond the track's ends.
void OnSetValue(const ControlBehaviour& behaviour, HWND window, ControlState& state,
                WPARAM position) {
  state.value = static_cast<std::uint16_t>(position);
  RepaintControl(behaviour, window, state);
}

LRESULT Dispatch(const ControlBehaviour& behaviour, HWND window, ControlState& state, UINT message,
                 WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      OnPaint(behaviour, window, state);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_SHOWWINDOW:
      OnShowWindow(behaviour, window, state);
      return 0;
    case WM_COMMAND:
    case WM_TIMER:
      return 0;
    case WM_MOUSEMOVE:
      behaviour.pointer(window, state, lParam);
      return 0;
    case WM_LBUTTONDOWN:
      OnLButtonDown(behaviour, window, state, lParam);
      return 0;
    case WM_LBUTTONUP:
      OnLButtonUp(window, state);
      return 0;
    case WM_LBUTTONDBLCLK:
      if (behaviour.doubleClick == nullptr) break;
      behaviour.doubleClick(window, state);
      return 0;
    case CTL_SET_MIN:
      OnSetMin(state, wParam);
      return 0;
    case CTL_SET_MAX:
      OnSetMax(state, wParam);
      return 0;
    case CTL_SET_VALUE:
      OnSetValue(behaviour, window, state, wParam);
      return 0;
    case CTL_GET_VALUE:
      return state.value;
    case CTL_SET_TAG:
      CopyText(state.tag, lParam);
      return 0;
    case CTL_SET_TARGET:
      state.target = reinterpret_cast<IEffectParameters*>(wParam);
      return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

LRESULT HandleControlMessage(const ControlBehaviour& behaviour, HWND window, UINT message,
                             WPARAM wParam, LPARAM lParam) {
  if (message == WM_CREATE) {
    return OnCreate(behaviour, window, reinterpret_cast<const CREATESTRUCTA*>(lParam));
  }
  ControlState* state = StateOf<ControlState>(window);
  // Before its state exists or after it is gone a control is a plain window.
  if (state == nullptr) return DefWindowProcA(window, message, wParam, lParam);
  if (message == WM_DESTROY) {
    FreeState<ControlState>(window);  // and its background
    return 0;
  }
  return Dispatch(behaviour, window, *state, message, wParam, lParam);
}

void RepaintControl(const ControlBehaviour& behaviour, HWND window, const ControlState& state) {
  if (!state.background) return;
  WindowDc dc(window);
  if (dc) behaviour.paint(window, state, dc.Get());
}

void NotifyParent(HWND window, const ControlState& state, unsigned notification) {
  const auto handleBits = static_cast<WORD>(reinterpret_cast<UINT_PTR>(window) & 0xFFFF);
  const WPARAM id = static_cast<WPARAM>(GetWindowLongA(window, GWL_ID));
  SendMessageA(GetParent(window), notification, id, MAKELPARAM(handleBits, state.value));
}

RECT ClientRect(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  return client;
}

std::string WindowLabel(HWND window) {
  char text[40] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

void ShowInDisplay(HWND window, const ControlState& state, const std::string& valueText) {
  const std::string label = state.attachment.Label(WindowLabel(window));
  HWND display = GetDlgItem(GetParent(window), kDisplay);
  DrawDisplayText(display, {{{state.attachment.effectName, kTopLeft},
                             {"", kNoFormat},
                             {label.c_str(), kBottomLeft},
                             {valueText.c_str(), kBottomRight}}});
}

}  // namespace orkv::editor
