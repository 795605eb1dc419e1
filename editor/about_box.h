// The about box: a borderless 220 x 220 window in the middle of the screen
// showing the plug-in's about image; a press and a release inside close it.
#pragma once

#include <windows.h>

namespace orkv::editor {

// Runs the box modally over `owner`; its result is the key-state word of the
// closing release, or -1 when the box cannot be made.
INT_PTR RunAboutBox(HINSTANCE module, int dialogResource, int bitmapResource, HWND owner);

// The box's dialog procedure, for tests that create the box themselves. The
// image it paints is the one the last RunAboutBox named (or SetAboutBitmap).
INT_PTR CALLBACK AboutBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void SetAboutBitmap(int bitmapResource);

// The window rectangle that gives a 220 x 220 client area centred on a
// screen of the given size.
RECT AboutBoxRect(int screenWidth, int screenHeight);

}  // namespace orkv::editor
