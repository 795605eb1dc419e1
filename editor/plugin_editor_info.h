// What the generic controls need to know of the plug-in they serve: its
// texts, where its level lives, and the bindings of its knobs. Each plug-in's
// page tables supply one constant record; the controls read the one set for
// their module.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

#include "core/orkv_effects.h"

namespace orkv::editor {

// How a knob's position becomes parameter writes and display texts. Any hook
// may be null: then nothing is written, the label is the knob's window text
// and the value text is its position.
struct KnobBindingHooks {
  // Writes the slots control `id` at position k stands for through `target`.
  void (*apply)(IEffectParameters* target, int id, int position);
  // A label replacing the knob's window text, or null to keep it.
  const char* (*label)(int id);
  // The value text, read back through `target` after the write.
  std::string (*valueText)(IEffectParameters* target, int id, int position);
};

struct PluginEditorInfo {
  const char* effectName;   // top left of the display: "PHASER"
  const char* productLine;  // the intro's first line, trailing spaces included
  std::size_t slotCount;    // of the plug-in's parameter interface
  std::size_t levelSlot;    // the "Volume" slot the slider writes
  KnobBindingHooks knobs;
};

// The record of this module's plug-in. The page sets it before creating any
// control; controls of a module without one draw and move but write nothing.
void SetPluginEditorInfo(const PluginEditorInfo* info);
const PluginEditorInfo* CurrentPluginEditorInfo();

}  // namespace orkv::editor
