#include "editor/page_context_menu.h"

#include "editor/display_control.h"

namespace orkv::editor {
namespace {

// The menu all page windows of the module share, and how many page windows
// use it. Page windows live on their host's user-interface thread.
HMENU g_contextMenu = nullptr;
int g_pageWindows = 0;

}  // namespace

// Every page window loads the menu anew; the previous one is no longer named
// by anyone once the shared handle moves on.
void AcquireContextMenu(HINSTANCE module, int menuResource) {
  HMENU loaded = LoadMenuA(module, MAKEINTRESOURCEA(menuResource));
  if (g_contextMenu != nullptr) DestroyMenu(g_contextMenu);
  g_contextMenu = loaded;
  ++g_pageWindows;
}

void ReleaseContextMenu() {
  if (--g_pageWindows > 0 || g_contextMenu == nullptr) return;
  DestroyMenu(g_contextMenu);
  g_contextMenu = nullptr;
}

bool ShowContextMenu(HMENU menu, HWND window, int x, int y) {
  POINT point{x, y};
  ScreenToClient(window, &point);
  RECT client{};
  GetClientRect(window, &client);
  if (!PtInRect(&client, point)) return false;
  ClientToScreen(window, &point);
  if (IntroDone() && menu != nullptr) {
    TrackPopupMenu(GetSubMenu(menu, 0), TPM_RIGHTBUTTON, point.x, point.y, 0, window, nullptr);
  }
  return true;
}

bool ShowSharedContextMenu(HWND window, int x, int y) {
  return ShowContextMenu(g_contextMenu, window, x, y);
}

}  // namespace orkv::editor
