// The property page of a plug-in: the 430 x 110 panel the host's property
// frame shows, with the level slider, the knobs and the display created from
// the plug-in's page table, writing the filter's parameters as they move and
// following the filter's notifications. Also the page's help and context-menu
// steps, usable on their own.
#pragma once

#include <windows.h>

#include <cstddef>
#include <span>

#include "editor/model/page_table.h"
#include "host/unknown.h"

namespace orkv::editor {

// What a plug-in hands its page: its page table and its parameter interface.
struct PageSetup {
  const page_model::PageTable* table;
  const GUID* parametersIid;
  std::size_t slotCount;
};

// The creation function of the page's factory entry: the page (no reference
// taken) with *status S_OK; null with E_OUTOFMEMORY, or with
// REGDB_E_CLASSNOTREG when a control class cannot be registered.
host::CUnknown* CreateParameterPage(const PageSetup& setup, IUnknown* outer, HRESULT* status);

// The help file's path: the directory of `module` and `helpFile`, cut to
// `capacity` characters with the terminator.
void GetHelpFilePath(HMODULE module, const char* helpFile, char* buffer, std::size_t capacity);

// How the page calls the help system; WinHelpA's parameters.
using HelpCall = BOOL (*)(HWND window, const char* path, UINT command, ULONG_PTR data);

// The help system itself (WinHelpA), whether or not the file lies beside the
// library: the help system also looks in its own help folders, and tells the
// user itself when it finds nothing.
BOOL CallHelpSystem(HWND window, const char* path, UINT command, ULONG_PTR data);

// No request: closes the help file. A request for a control in `table`: its
// pop-up topic. Any other: the general topic.
void ShowHelp(HWND window, const HELPINFO* request,
              std::span<const page_model::HelpContextPair> table, const char* path, HelpCall call);

// A right-click at screen (x, y): false when it lies outside the window's
// client area; otherwise the menu's first pop-up opens there once an intro
// has completed, and true.
bool ShowContextMenu(HMENU menu, HWND window, int x, int y);

}  // namespace orkv::editor
