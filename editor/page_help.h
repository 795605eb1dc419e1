// The page's help: the help file beside the plug-in's library, handed to the
// help system with the contexts of the plug-in's page table.
#pragma once

#include <windows.h>

#include <array>
#include <cstddef>
#include <span>

#include "editor/model/layout.h"

namespace orkv::editor {

// The help file's path: the directory of `module` and `helpFile`, cut to
// `capacity` characters with the terminator.
void GetHelpFilePath(HMODULE module, const char* helpFile, char* buffer, std::size_t capacity);

// The same in a buffer of its own (at most MAX_PATH characters).
std::array<char, MAX_PATH> HelpFilePath(HMODULE module, const char* helpFile);

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

}  // namespace orkv::editor
