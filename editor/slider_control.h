// The output-level fader (class OR_SLIDER_CONTROL): a thumb over a 62-pixel
// track, +3 dB at the top to -15 dB at the bottom with a detent at 0 dB; a
// double-click resets the level to 0 dB.
#pragma once

#include <windows.h>

namespace orkv::editor {

LRESULT CALLBACK SliderWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
ATOM RegisterSliderClass(HINSTANCE module);

}  // namespace orkv::editor
