#include "editor/knob_control.h"

#include <string>

#include "editor/bitmap_toolkit.h"
#include "editor/control_window.h"
#include "editor/model/messages.h"
#include "editor/model/value_mapping.h"
#include "editor/resource_ids.h"
#include "editor/window_class.h"

namespace orkv::editor {
namespace {

constexpr COLORREF kDotOutline = RGB(230, 13, 14);  // 0x0E0DE6
constexpr COLORREF kDotFill = RGB(244, 13, 13);     // 0x0D0DF4
constexpr int kDotReach = 2;

Point ClientCentre(const RECT& client) {
  return {(client.left + client.right) / 2, (client.top + client.bottom) / 2};
}

// The page under the knob with the knob face drawn in once, centred.
void PrepareBackground(HWND window, ControlState& state) {
  state.background.Reset(CaptureParentBackground(window));
  if (!state.background) return;
  Bitmap face(LoadBitmapA(ResourceModule(window), MAKEINTRESOURCEA(IDB_KNOB_FACE)));
  if (!face) return;
  const SIZE size = BitmapSize(face.Get());
  const RECT client = ClientRect(window);
  const int x = client.left + CentredOrigin(client.right - client.left, size.cx);
  const int y = client.top + CentredOrigin(client.bottom - client.top, size.cy);
  MemoryDc background(nullptr);
  Selection target(background.Get(), state.background.Get());
  DrawKeyed(background.Get(), face.Get(), x, y);
}

void DrawDot(HDC dc, Point centre) {
  Pen pen(CreatePen(PS_SOLID, 1, kDotOutline));
  Brush brush(CreateSolidBrush(kDotFill));
  Selection penSelected(dc, pen.Get());
  Selection brushSelected(dc, brush.Get());
  Ellipse(dc, centre.x - kDotReach, centre.y - kDotReach, centre.x + kDotReach,
          centre.y + kDotReach);
}

void Paint(HWND window, const ControlState& state, HDC dc) {
  const RECT client = ClientRect(window);
  Offscreen image(dc, client.right, client.bottom, state.background.Get());
  if (!image) return;
  const Point centre = ClientCentre(client);
  DrawDot(image.Get(), KnobValueToPoint(state.lower, state.upper, state.value, centre.x, centre.y,
                                        kKnobIndicatorRadius));
  image.Show(dc);
}

// The value text read back through the attachment, or the position itself
// for a knob without a row or a target.
void UpdateDisplay(HWND window, const ControlState& state) {
  ShowInDisplay(
      window, state,
      state.attachment.ValueText(state.target, state.value).value_or(std::to_string(state.value)));
}

const ControlBehaviour& Behaviour();

// The pointer's signed client coordinates: captured, it may lie left of or
// above the knob and still turn it by its angle.
void OnPointer(HWND window, ControlState& state, LPARAM position) {
  if (state.dragging) {
    const Point centre = ClientCentre(ClientRect(window));
    const int x = static_cast<short>(LOWORD(position));
    const int y = static_cast<short>(HIWORD(position));
    state.value = static_cast<std::uint16_t>(
        KnobPointerToValue(state.lower, state.upper, centre.x, centre.y, x, y));
    RepaintControl(Behaviour(), window, state);
    NotifyParent(window, state, CTL_VALUE_CHANGED);
    state.attachment.Apply(state.target, state.value);
  }
  UpdateDisplay(window, state);
}

const ControlBehaviour& Behaviour() {
  static constexpr ControlBehaviour kKnob{100, &PrepareBackground, &Paint, &OnPointer, nullptr};
  return kKnob;
}

}  // namespace

LRESULT CALLBACK KnobWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return HandleControlMessage(Behaviour(), window, message, wParam, lParam);
}

ATOM RegisterKnobClass(HINSTANCE module) {
  return RegisterEditorClass(module, kKnobClass, 0, KnobWindowProc);
}

}  // namespace orkv::editor
