// The editor's drawing routines: bitmap resources with palettes built from
// their colour tables, painting a resource into a window, cutting the piece
// of the page image that lies under a control, and copying with one colour
// transparent. Stateless; every drawing object made here is freed here except
// the bitmaps (and palette) handed to the caller.
#pragma once

#include <windows.h>

#include "editor/gdi_handles.h"

namespace orkv::editor {

// The colour drawn transparent in the knob face and the slider thumb: pure
// blue (the COLORREF 0xFF0000).
inline constexpr COLORREF kKeyColour = RGB(0, 0, 255);

// The module whose resources a window draws: the instance it was created
// with, which is the plug-in's own module.
HINSTANCE ResourceModule(HWND window);

// A palette of one entry per colour-table entry: 2^bits entries for 8 bits per
// pixel or fewer, none above. The colour-used field is not consulted, so a
// table is always read whole. `colourCount` receives the count assumed.
HPALETTE CreateDibPalette(const BITMAPINFOHEADER* header, int* colourCount);

// A device bitmap made from bitmap resource `id` of `module`, and through
// `palette` the palette of its colour table (or null). The caller deletes
// both. A missing or malformed resource gives null and leaves `palette` as it
// was.
HBITMAP LoadResourceDib(HINSTANCE module, int id, HPALETTE* palette);

// Paints resource `id` at the window's client origin, at its own size.
void PaintResourceBitmap(HWND window, int id);

// A new bitmap of the control's client size holding the page image's pixels
// (resource 106) under the control, taken from the resource rather than the
// screen, so it is right while the page is hidden. The control owns it.
HBITMAP CaptureParentBackground(HWND control);

// Copies `bitmap` into `dc` at its origin, width x height pixels.
void CopyBitmap(HDC dc, HBITMAP bitmap, int width, int height);

// The size of a bitmap, (0, 0) for none.
SIZE BitmapSize(HBITMAP bitmap);

// Draws `bitmap` with its key-colour pixels transparent, top-left at (x, y).
void DrawKeyed(HDC dc, HBITMAP bitmap, int x, int y);

// A client-sized image off the screen that starts as a copy of a control's
// cached background; drawn into, then shown in one copy, so that the window
// never shows a half-drawn state.
class Offscreen {
 public:
  Offscreen(HDC window, int width, int height, HBITMAP background);
  explicit operator bool() const { return bitmap_ && memory_; }
  HDC Get() const { return memory_.Get(); }
  void Show(HDC window) const;

 private:
  int width_;
  int height_;
  Bitmap bitmap_;
  MemoryDc memory_;
  Selection selected_;
};

// Copies the source rectangle onto the destination, leaving the destination
// wherever the source has the destination DC's background colour (callers set
// it to kKeyColour first). False, with nothing drawn, when the mask cannot be
// made. Both DCs' colours are as they were afterwards.
bool BlitTransparent(HDC destination, int x, int y, int width, int height, HDC source, int sourceX,
                     int sourceY);

}  // namespace orkv::editor
