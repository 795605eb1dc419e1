// Mouse messages as the system delivers them to a control, and the traffic a
// control sends its parent, written as data.
#pragma once

#include <windows.h>

#include "tests/editor/editor_fixture.h"

namespace orkv::test {

inline LPARAM At(int x, int y) {
  return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)),
                    static_cast<WORD>(static_cast<short>(y)));
}
inline void Press(HWND control, int x, int y) {
  SendMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, At(x, y));
}
inline void Drag(HWND control, int x, int y) {
  SendMessageA(control, WM_MOUSEMOVE, MK_LBUTTON, At(x, y));
}
inline void Hover(HWND control, int x, int y) { SendMessageA(control, WM_MOUSEMOVE, 0, At(x, y)); }
inline void Release(HWND control, int x, int y) {
  SendMessageA(control, WM_LBUTTONUP, 0, At(x, y));
}
inline int ValueOf(HWND control) {
  return static_cast<int>(SendMessageA(control, editor::CTL_GET_VALUE, 0, 0));
}

// The notifications of control `id`: its value over the window handle's low
// 16 bits.
inline Sent Changed(HWND control, int id, int value) {
  const auto handle = static_cast<WORD>(reinterpret_cast<UINT_PTR>(control) & 0xFFFF);
  return {editor::CTL_VALUE_CHANGED, static_cast<WPARAM>(id),
          MAKELPARAM(handle, static_cast<WORD>(value))};
}
inline Sent Ended(HWND control, int id, int value) {
  Sent s = Changed(control, id, value);
  s.message = editor::CTL_DRAG_ENDED;
  return s;
}

}  // namespace orkv::test
