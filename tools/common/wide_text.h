// Conversions between the programs' ANSI text (command lines, file names) and
// the wide text of the platform's COM interfaces.
#pragma once

#include <windows.h>

#include <string>

namespace orkv::render {

// Empty when the text cannot be converted.
std::wstring Widen(const std::string& text);
std::string Narrow(const WCHAR* text);

}  // namespace orkv::render
