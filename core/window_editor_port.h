// Editor notifications through real windows: a registered endpoint is a window
// handle that is posted WM_COMMAND(MAKEWPARAM(identifier, event), 0).
#pragma once

#include <windows.h>

#include "core/parameter_store.h"

namespace orkv {

class WindowEditorPort final : public EditorPort {
 public:
  bool Exists(std::uintptr_t endpoint) const override {
    return IsWindow(reinterpret_cast<HWND>(endpoint)) != FALSE;
  }
  // PostMessageA does not wait for the window; its result is not needed.
  void Post(std::uintptr_t endpoint, std::uint32_t identifier, std::uint32_t code) const override {
    PostMessageA(reinterpret_cast<HWND>(endpoint), WM_COMMAND,
                 MAKEWPARAM(static_cast<WORD>(identifier), static_cast<WORD>(code)), 0);
  }

  static const WindowEditorPort& Instance() {
    static const WindowEditorPort port;
    return port;
  }
};

}  // namespace orkv
