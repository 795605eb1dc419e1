#include "tools/common/settings_file.h"

#include <windows.h>

#include <cstdio>

namespace orkv::render {
namespace {

std::string SystemMessage(DWORD code) {
  char text[256] = {};
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, code, 0, text, sizeof text, nullptr);
  std::string message(text, length);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == ' ' || message.back() == '.')) {
    message.pop_back();
  }
  if (message.empty()) {
    char number[32];
    std::snprintf(number, sizeof number, "error %lu", static_cast<unsigned long>(code));
    message = number;
  }
  return message;
}

bool FailWithLastError(const std::string& what, std::string& error) {
  error = what + ": " + SystemMessage(GetLastError());
  return false;
}

// The folder part of a path, "." for a bare file name.
std::string FolderOf(const std::string& path) {
  const std::size_t cut = path.find_last_of("\\/:");
  if (cut == std::string::npos) return ".";
  if (path[cut] == ':') return path.substr(0, cut + 1);  // "C:name": the drive's current folder
  return cut == 0 ? path.substr(0, 1) : path.substr(0, cut);
}

// A new, empty file of a unique name in `path`'s folder.
bool CreateSibling(const std::string& path, std::string& sibling, std::string& error) {
  char name[MAX_PATH] = {};
  if (GetTempFileNameA(FolderOf(path).c_str(), "okv", 0, name) == 0) {
    return FailWithLastError("cannot write in the folder of '" + path + "'", error);
  }
  sibling = name;
  return true;
}

// A file already at `path` may be replaced: not a folder, not read-only (the
// attribute is checked itself, since a privileged user under some systems
// could open the file anyway), and not locked against writing.
bool ExistingFileReplaceable(const std::string& path, std::string& error) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;  // nothing there yet
  const std::string what = "cannot write settings file '" + path + "'";
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    error = what + ": it is a folder";
    return false;
  }
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    error = what + ": it is read-only";
    return false;
  }
  // Opened for writing without truncating: a locked file fails here.
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return FailWithLastError(what, error);
  CloseHandle(file);
  return true;
}

}  // namespace

bool CheckSettingsTarget(const std::string& path, std::string& error) {
  if (!ExistingFileReplaceable(path, error)) return false;
  std::string probe;
  if (!CreateSibling(path, probe, error)) return false;
  DeleteFileA(probe.c_str());
  return true;
}

bool SaveReplacing(const std::string& path, const SettingsWriter& write, std::string& error) {
  // Checked again: the file may have changed while the frame was open.
  if (!ExistingFileReplaceable(path, error)) return false;
  std::string sibling;
  if (!CreateSibling(path, sibling, error)) return false;
  if (!write(sibling, error)) {
    DeleteFileA(sibling.c_str());
    return false;
  }
  if (!MoveFileExA(sibling.c_str(), path.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    FailWithLastError("cannot replace settings file '" + path + "'", error);
    DeleteFileA(sibling.c_str());
    return false;
  }
  return true;
}

}  // namespace orkv::render
