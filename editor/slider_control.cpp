#include "editor/slider_control.h"

#include <string>

#include "editor/bitmap_toolkit.h"
#include "editor/control_window.h"
#include "editor/model/messages.h"
#include "editor/model/value_mapping.h"
#include "editor/resource_ids.h"
#include "editor/window_class.h"

namespace orkv::editor {
namespace {

constexpr double kUnityGain = 0.0;

// The level read back through the attachment; without a target, the level the
// position stands for; without a row, the position.
void UpdateDisplay(HWND window, const ControlState& state) {
  const ControlAttachment& attachment = state.attachment;
  std::string text =
      attachment.ValueText(state.target, state.value)
          .value_or(attachment.PreviewText(state.value).value_or(std::to_string(state.value)));
  ShowInDisplay(window, state, text);
}

// The slider's background is the bare page; its thumb is drawn at every paint.
void PrepareBackground(HWND window, ControlState& state) {
  state.background.Reset(CaptureParentBackground(window));
}

void Paint(HWND window, const ControlState& state, HDC dc) {
  const RECT client = ClientRect(window);
  Offscreen image(dc, client.right, client.bottom, state.background.Get());
  Bitmap thumb(LoadBitmapA(ResourceModule(window), MAKEINTRESOURCEA(IDB_SLIDER_THUMB)));
  if (!image || !thumb) return;
  const SIZE size = BitmapSize(thumb.Get());
  DrawKeyed(image.Get(), thumb.Get(),
            client.left + CentredOrigin(client.right - client.left, size.cx),
            SliderThumbTop(state.value, state.upper, size.cy));
  image.Show(dc);
}

const ControlBehaviour& Behaviour();

// Unsigned coordinates: a captured pointer left of or above the slider reads
// as a large number and lies outside the track.
void OnPointer(HWND window, ControlState& state, LPARAM position) {
  const auto x = static_cast<std::uint16_t>(LOWORD(position));
  const auto y = static_cast<std::uint16_t>(HIWORD(position));
  if (state.dragging && SliderAcceptsPointer(x, y)) {
    state.value = static_cast<std::uint16_t>(SliderPointerToValue(state.upper, y));
    RepaintControl(Behaviour(), window, state);
    NotifyParent(window, state, CTL_VALUE_CHANGED);
    state.attachment.Apply(state.target, state.value);
  }
  UpdateDisplay(window, state);
}

// Unity gain, and the thumb where the page would put it for the level read
// back. Starts no drag.
void OnDoubleClick(HWND window, ControlState& state) {
  const ControlAttachment& attachment = state.attachment;
  attachment.Write(state.target, kUnityGain);
  const int position = attachment.Position(state.target)
                           .value_or(attachment.PositionAt(kUnityGain).value_or(state.value));
  SendMessageA(window, CTL_SET_VALUE, static_cast<WPARAM>(position) & 0xFFFF, 0);
  UpdateDisplay(window, state);
}

const ControlBehaviour& Behaviour() {
  static constexpr ControlBehaviour kSlider{300, &PrepareBackground, &Paint, &OnPointer,
                                            &OnDoubleClick};
  return kSlider;
}

}  // namespace

LRESULT CALLBACK SliderWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return HandleControlMessage(Behaviour(), window, message, wParam, lParam);
}

ATOM RegisterSliderClass(HINSTANCE module) {
  return RegisterEditorClass(module, kSliderClass, CS_DBLCLKS, SliderWindowProc);
}

}  // namespace orkv::editor
