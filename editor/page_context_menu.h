// The page's context menu: "&Help" and the about entry, one menu handle
// shared by every page window of the module (each loads it anew, the last to
// close frees it), opened only once a display's intro has completed.
#pragma once

#include <windows.h>

namespace orkv::editor {

// Loads the menu resource for a new page window into the shared handle.
void AcquireContextMenu(HINSTANCE module, int menuResource);
// A page window goes; the last one frees the menu.
void ReleaseContextMenu();

// A right-click at screen (x, y): false when it lies outside the window's
// client area; otherwise the menu's first pop-up opens there once an intro
// has completed, and true.
bool ShowContextMenu(HMENU menu, HWND window, int x, int y);
// The same with the shared menu.
bool ShowSharedContextMenu(HWND window, int x, int y);

}  // namespace orkv::editor
