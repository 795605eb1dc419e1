#include "editor/plugin_editor_info.h"

namespace orkv::editor {
namespace {
const PluginEditorInfo* g_info = nullptr;
}  // namespace

void SetPluginEditorInfo(const PluginEditorInfo* info) { g_info = info; }
const PluginEditorInfo* CurrentPluginEditorInfo() { return g_info; }

}  // namespace orkv::editor
