// Driving a plug-in's settings through its COM interfaces: single settings by
// label, factory presets, and settings files written through IPersistStream.
#pragma once

#include <objidl.h>
#include <strmif.h>
#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "core/orkv_effects.h"
#include "host/com_ptr.h"
#include "tools/common/setting_assignment.h"
#include "tools/common/slot_tables.h"

namespace orkv::render {

class EffectControls {
 public:
  // Queries the filter's parameter interface (required), presets and
  // persistence (used only when asked for).
  static std::optional<EffectControls> Attach(IBaseFilter* filter, const OrkvPluginInfo& plugin,
                                              std::string& error);

  bool ApplyPreset(const std::string& indexOrName, std::string& error);
  bool LoadSettings(const std::string& path, std::string& error);
  // Replaces the file only once the new settings are written in full.
  bool SaveSettings(const std::string& path, std::string& error);
  bool SetByLabel(const std::vector<SettingAssignment>& assignments, std::string& error);

  void PrintSettings(std::FILE* out) const;
  bool PrintPresets(std::FILE* out, std::string& error) const;

 private:
  EffectControls(const OrkvPluginInfo& plugin, host::ComPtr<IEffectParameters> parameters,
                 host::ComPtr<IEffectPresets> presets, host::ComPtr<IPersistStream> persist);

  std::optional<std::size_t> SlotOfLabel(const std::string& label) const;
  HRESULT GetSlot(std::size_t slot, double& value) const;
  HRESULT SetSlot(std::size_t slot, double value) const;
  bool SetDerivedDeviation(std::string& error) const;
  std::vector<std::string> PresetNames() const;
  bool WriteSettings(const std::string& path, std::string& error);

  const OrkvPluginInfo* plugin_;
  EffectTable table_;
  host::ComPtr<IEffectParameters> parameters_;
  host::ComPtr<IEffectPresets> presets_;
  host::ComPtr<IPersistStream> persist_;
};

}  // namespace orkv::render
