// The small green read-out of the page (class OR_DISPLAY_CONTROL): four short
// texts in the corners of an inner rectangle over the page's display area,
// and the typed intro that ends with PAGE_INTRO_DONE to the parent.
#pragma once

#include <windows.h>

#include <array>

namespace orkv::editor {

// DrawTextA formats of the four corners: single line, top or bottom, left or
// right.
inline constexpr UINT kNoFormat = 0;
inline constexpr UINT kTopLeft = DT_SINGLELINE;                             // 0x20
inline constexpr UINT kTopRight = DT_SINGLELINE | DT_RIGHT;                 // 0x22
inline constexpr UINT kBottomLeft = DT_SINGLELINE | DT_BOTTOM;              // 0x28
inline constexpr UINT kBottomRight = DT_SINGLELINE | DT_BOTTOM | DT_RIGHT;  // 0x2A

struct DisplayText {
  const char* text;
  UINT format;
};
using DisplayTexts = std::array<DisplayText, 4>;

// Draws the four texts, in order, over the display's clean background; each
// call replaces all that was shown. Nothing before the display has its
// background (or for a window that is not a display).
void DrawDisplayText(HWND display, const DisplayTexts& texts);

// The plug-in's texts a display draws by itself, handed over by the page as
// the display's creation parameter (a display made without one draws empty
// texts): the effect name its paint redraws, and the intro's product line.
struct DisplayIdentity {
  const char* effectName = "";
  const char* productLine = "";  // trailing spaces included
};

LRESULT CALLBACK DisplayWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
ATOM RegisterDisplayClass(HINSTANCE module);

// The display's font: Arial, 15 pixels high and 6 wide, antialiased. Under
// Wine a metric-compatible face stands in for it (Liberation Sans).
HFONT CreateDisplayFont();

// Whether an intro has completed in this module; never cleared once set. The
// page's context menu waits for it.
bool IntroDone();

// The module-wide display state back to its start (first paint pending, no
// intro typed or done), for tests that play several pages in one process.
void ResetDisplayProcessState();

}  // namespace orkv::editor
