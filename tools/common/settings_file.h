// The host programs' settings files: checked before the editor opens its
// frame, so that no edits are made that cannot be kept, and written beside the
// old file and put in its place only once the writing succeeded, so that a
// failed save never destroys the settings the user had.
#pragma once

#include <functional>
#include <string>

namespace orkv::render {

// Whether `path` can be written: its folder takes a new file, and a file
// already there may be replaced (not read-only, not a folder, not locked).
bool CheckSettingsTarget(const std::string& path, std::string& error);

// Writes a file of `path`'s content.
using SettingsWriter = std::function<bool(const std::string& path, std::string& error)>;

// `write` into a new file in `path`'s folder, which then replaces `path`. On
// any failure `path` is left as it was and the new file is removed.
bool SaveReplacing(const std::string& path, const SettingsWriter& write, std::string& error);

}  // namespace orkv::render
