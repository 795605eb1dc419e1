#include "editor/about_box.h"

#include "editor/bitmap_toolkit.h"
#include "editor/gdi_handles.h"

namespace orkv::editor {
namespace {

constexpr int kAboutSize = 220;

// Per loaded module: the image shown, and whether the box saw a press.
int g_aboutBitmap = 0;
bool g_pressed = false;

INT_PTR OnInitDialog(HWND window) {
  g_pressed = false;
  const RECT placed = AboutBoxRect(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  SetWindowPos(window, nullptr, placed.left, placed.top, placed.right - placed.left,
               placed.bottom - placed.top, SWP_NOZORDER);
  return 0;
}

INT_PTR OnPaint(HWND window) {
  PaintScope paint(window);
  PaintResourceBitmap(window, g_aboutBitmap);
  return 1;
}

INT_PTR OnButtonUp(HWND window, WPARAM keys) {
  if (g_pressed) {
    g_pressed = false;
    EndDialog(window, static_cast<INT_PTR>(keys));
  }
  return 1;
}

}  // namespace

RECT AboutBoxRect(int screenWidth, int screenHeight) {
  const int left = screenWidth / 2 - kAboutSize / 2;
  const int top = screenHeight / 2 - kAboutSize / 2;
  RECT rect{};
  SetRect(&rect, left, top, left + kAboutSize, top + kAboutSize);
  AdjustWindowRect(&rect, WS_POPUP | WS_DLGFRAME, FALSE);
  return rect;
}

void SetAboutBitmap(int bitmapResource) { g_aboutBitmap = bitmapResource; }

INT_PTR CALLBACK AboutBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog(window);
    case WM_PAINT:
      return OnPaint(window);
    case WM_LBUTTONDOWN:
      g_pressed = true;
      return 1;
    case WM_LBUTTONUP:
      return OnButtonUp(window, wParam);
    default:
      return 0;
  }
}

INT_PTR RunAboutBox(HINSTANCE module, int dialogResource, int bitmapResource, HWND owner) {
  SetAboutBitmap(bitmapResource);
  return DialogBoxParamA(module, MAKEINTRESOURCEA(dialogResource), owner, AboutBoxProc, 0);
}

}  // namespace orkv::editor
