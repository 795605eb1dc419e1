// What every editor control window shares: its class data (one pointer of
// extra data, the arrow cursor, no icon, no background brush, the plug-in
// module as instance) and its state record in that extra data, from
// WM_CREATE to WM_DESTROY.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstring>
#include <new>

namespace orkv::editor {

// The window's state record, or null before WM_CREATE made it or after
// WM_DESTROY freed it.
template <class State>
State* StateOf(HWND window) {
  return reinterpret_cast<State*>(GetWindowLongPtrA(window, 0));
}

// A new zero-initialised record attached to the window; null when memory runs
// out (WM_CREATE then fails the creation).
template <class State>
State* AttachNewState(HWND window) {
  auto* state = new (std::nothrow) State;
  if (state != nullptr) SetWindowLongPtrA(window, 0, reinterpret_cast<LONG_PTR>(state));
  return state;
}

template <class State>
void FreeState(HWND window) {
  delete StateOf<State>(window);
  SetWindowLongPtrA(window, 0, 0);
}

// A caller's text (none: empty) into a fixed field, cut to fit.
template <std::size_t N>
void CopyText(char (&field)[N], LPARAM text) {
  const char* source = reinterpret_cast<const char*>(text);
  std::strncpy(field, source != nullptr ? source : "", N - 1);
  field[N - 1] = '\0';
}

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
