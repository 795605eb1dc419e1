// The command line of orkv-render, parsed without touching the platform.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tools/common/setting_assignment.h"

namespace orkv::render {

struct Options {
  std::string plugin;  // effect word, library name or path to a DLL
  std::string inPath;  // empty: the built-in test signal
  std::string outPath;
  std::vector<SettingAssignment> settings;
  std::optional<std::string> preset;  // index or name
  std::string loadSettings;
  std::string saveSettings;
  bool list = false;
  bool listPresets = false;
  bool platformSource = false;
  bool dmo = false;  // the plug-in's DMO in the platform's DMO Wrapper filter
  bool quiet = false;
  bool help = false;
  // Test signal generation.
  std::string makeTestSignal;
  bool floatSignal = false;
  double seconds = 0;  // 0: the default length

  bool Renders() const { return !outPath.empty(); }
};

struct ParsedCommandLine {
  Options options;
  std::string error;  // empty when the command line is usable
};

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args);

std::string UsageText();

}  // namespace orkv::render
