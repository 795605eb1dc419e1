// The rotary knob (class OR_KNOB_CONTROL): the knob face over the page under
// it and a red dot on a 270-degree arc; turned by the pointer's angle around
// its centre while the left button is held.
#pragma once

#include <windows.h>

namespace orkv::editor {

LRESULT CALLBACK KnobWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
ATOM RegisterKnobClass(HINSTANCE module);

}  // namespace orkv::editor
