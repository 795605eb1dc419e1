#include "editor/page_help.h"

namespace orkv::editor {
namespace {

constexpr UINT kHelpPopup = HELP_WM_HELP;  // pop-up topic of the control, from a context table

}  // namespace

void GetHelpFilePath(HMODULE module, const char* helpFile, char* buffer, std::size_t capacity) {
  if (buffer == nullptr || capacity == 0) return;
  buffer[0] = '\0';
  const DWORD length = GetModuleFileNameA(module, buffer, static_cast<DWORD>(capacity));
  std::size_t start = 0;
  for (std::size_t i = 0; i < length && i < capacity && buffer[i] != '\0'; ++i) {
    if (buffer[i] == ':' || buffer[i] == '\\') start = i + 1;
  }
  if (start >= capacity) start = capacity - 1;
  lstrcpynA(buffer + start, helpFile, static_cast<int>(capacity - start));
}

std::array<char, MAX_PATH> HelpFilePath(HMODULE module, const char* helpFile) {
  std::array<char, MAX_PATH> path{};
  GetHelpFilePath(module, helpFile, path.data(), path.size());
  return path;
}

BOOL CallHelpSystem(HWND window, const char* path, UINT command, ULONG_PTR data) {
  return WinHelpA(window, path, command, data);
}

void ShowHelp(HWND window, const HELPINFO* request,
              std::span<const page_model::HelpContextPair> table, const char* path, HelpCall call) {
  if (request == nullptr) {
    call(window, path, HELP_QUIT, 0);
    return;
  }
  const bool listed =
      request->iContextType == HELPINFO_WINDOW &&
      page_model::HelpContextFor(table, request->iCtrlId) != page_model::kGeneralHelpContext;
  if (listed) {
    call(static_cast<HWND>(request->hItemHandle), path, kHelpPopup,
         reinterpret_cast<ULONG_PTR>(table.data()));
    return;
  }
  call(window, path, HELP_CONTEXT, page_model::kGeneralHelpContext);
}

}  // namespace orkv::editor
