// The class data every editor control registers with: one pointer of extra
// data (its state record), the arrow cursor, no icon, no background brush,
// the plug-in module as instance.
#pragma once

#include <windows.h>

namespace orkv::editor {

inline ATOM RegisterEditorClass(HINSTANCE module, const char* name, UINT style, WNDPROC procedure) {
  WNDCLASSA windowClass{};
  windowClass.style = style;
  windowClass.lpfnWndProc = procedure;
  windowClass.cbWndExtra = sizeof(void*);
  windowClass.hInstance = module;
  windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // the arrow
  windowClass.lpszClassName = name;
  return RegisterClassA(&windowClass);
}

}  // namespace orkv::editor
