#include "tools/render/options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace orkv::render {
namespace {

constexpr double kMaxSignalSeconds = 3600;

std::optional<double> ParseNumber(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const double value = std::strtod(text.c_str(), &end);
  if (errno != 0 || end != text.c_str() + text.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

std::optional<SettingAssignment> ParseAssignment(const std::string& text, std::string& error) {
  const auto equals = text.find('=');
  if (equals == std::string::npos || equals == 0) {
    error = "--set expects Label=value, got '" + text + "'";
    return std::nullopt;
  }
  const auto value = ParseNumber(text.substr(equals + 1));
  if (!value) {
    error =
        "--set " + text.substr(0, equals) + ": '" + text.substr(equals + 1) + "' is not a number";
    return std::nullopt;
  }
  return SettingAssignment{text.substr(0, equals), *value};
}

// Options that take a value, and where each value goes.
bool ApplyValueOption(const std::string& name, const std::string& value, Options& o,
                      std::string& error) {
  if (name == "--plugin") {
    o.plugin = value;
  } else if (name == "--in") {
    o.inPath = value;
  } else if (name == "--out") {
    o.outPath = value;
  } else if (name == "--preset") {
    o.preset = value;
  } else if (name == "--load-settings") {
    o.loadSettings = value;
  } else if (name == "--save-settings") {
    o.saveSettings = value;
  } else if (name == "--make-test-signal") {
    o.makeTestSignal = value;
  } else if (name == "--set") {
    const auto assignment = ParseAssignment(value, error);
    if (!assignment) return false;
    o.settings.push_back(*assignment);
  } else if (name == "--seconds") {
    const auto seconds = ParseNumber(value);
    if (!seconds || *seconds <= 0 || *seconds > kMaxSignalSeconds) {
      error = "--seconds expects a length from 0 to 3600 seconds, got '" + value + "'";
      return false;
    }
    o.seconds = *seconds;
  }
  return true;
}

bool IsValueOption(const std::string& name) {
  static const char* const kNames[] = {
      "--plugin",           "--in",  "--out",    "--preset", "--load-settings", "--save-settings",
      "--make-test-signal", "--set", "--seconds"};
  for (const char* n : kNames) {
    if (name == n) return true;
  }
  return false;
}

bool ApplyFlag(const std::string& name, Options& o) {
  if (name == "--list") {
    o.list = true;
  } else if (name == "--list-presets") {
    o.listPresets = true;
  } else if (name == "--platform-source") {
    o.platformSource = true;
  } else if (name == "--dmo") {
    o.dmo = true;
  } else if (name == "--float") {
    o.floatSignal = true;
  } else if (name == "--quiet" || name == "-q") {
    o.quiet = true;
  } else if (name == "--help" || name == "-h") {
    o.help = true;
  } else {
    return false;
  }
  return true;
}

// Rules that involve more than one option.
std::string CheckCombination(const Options& o) {
  if (o.help) return {};
  const bool usesPlugin = !o.plugin.empty() || !o.inPath.empty() || !o.outPath.empty() ||
                          !o.settings.empty() || o.preset || !o.loadSettings.empty() ||
                          !o.saveSettings.empty() || o.list || o.listPresets || o.platformSource ||
                          o.dmo;
  if (!o.makeTestSignal.empty()) {
    return usesPlugin ? "--make-test-signal only combines with --float, --seconds and --quiet" : "";
  }
  if (o.floatSignal || o.seconds > 0) {
    if (!o.inPath.empty()) return "--float and --seconds describe the test signal, not --in";
  }
  if (o.plugin.empty()) return "no plug-in given (--plugin)";
  if (!o.Renders() && !o.list && !o.listPresets && o.saveSettings.empty()) {
    return "nothing to do: give --out, --list, --list-presets or --save-settings";
  }
  if (o.platformSource && !o.Renders()) return "--platform-source needs --out";
  if (o.dmo && !o.Renders()) return "--dmo needs --out";
  return {};
}

}  // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args) {
  ParsedCommandLine result;
  Options& o = result.options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (IsValueOption(arg)) {
      if (i + 1 >= args.size()) {
        result.error = arg + " needs a value";
        return result;
      }
      if (!ApplyValueOption(arg, args[++i], o, result.error)) return result;
    } else if (!ApplyFlag(arg, o)) {
      result.error = "unknown option '" + arg + "'";
      return result;
    }
  }
  result.error = CheckCombination(o);
  return result;
}

std::string UsageText() {
  return "Usage:\n"
         "  orkv-render --plugin NAME [--in IN.wav] --out OUT.wav [settings] [--quiet]\n"
         "  orkv-render --plugin NAME --list | --list-presets [settings]\n"
         "  orkv-render --make-test-signal OUT.wav [--float] [--seconds N]\n"
         "\n"
         "Renders a WAV file (16-bit PCM or 32-bit float, mono or stereo) through one\n"
         "Orvelt KV plug-in in a DirectShow graph and writes the stereo result.\n"
         "\n"
         "  --plugin NAME|PATH    Phaser, Chorus, Flanger, Filter, CDelay, Tremolo (or the\n"
         "                        library name, e.g. ORKVPhaser), or a path to a plug-in DLL\n"
         "  --in FILE             input WAV; without it the built-in test signal is used\n"
         "  --out FILE            output WAV, same sample type and rate, stereo\n"
         "  --preset INDEX|NAME   apply a factory preset first\n"
         "  --load-settings FILE  load settings saved with --save-settings\n"
         "  --set LABEL=VALUE     change one setting (repeatable), e.g. --set Rate=0.5\n"
         "  --save-settings FILE  save the resulting settings\n"
         "  --list                print the settings with their ranges and values\n"
         "  --list-presets        print the factory presets\n"
         "  --platform-source     read 16-bit input with the platform's file source and\n"
         "                        WAVE parser instead of the built-in source\n"
         "  --dmo                 render through the plug-in's DMO in the platform's DMO\n"
         "                        Wrapper filter instead of its DirectShow filter\n"
         "  --quiet, -q           no progress or summary\n"
         "  --make-test-signal F  write the built-in test signal (44.1 kHz stereo 16-bit)\n"
         "  --float               ... as 32-bit float instead\n"
         "  --seconds N           ... N seconds long (default 4)\n"
         "\n"
         "Settings apply in this order: --preset, --load-settings, --set.\n";
}

}  // namespace orkv::render
