// orkv-render: renders a WAV file through one Orvelt KV plug-in in a DirectShow
// graph, as fast as the graph runs. See UsageText() for the command line.
#include <objbase.h>
#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "host/com_ptr.h"
#include "tools/common/com_apartment.h"
#include "tools/common/effect_controls.h"
#include "tools/common/plugin_module.h"
#include "tools/common/program_exit.h"
#include "tools/common/slot_tables.h"
#include "tools/render/options.h"
#include "tools/render/render_graph.h"
#include "tools/wav/test_signal.h"
#include "tools/wav/wav_file.h"

namespace orkv::render {
namespace {

constexpr double kProgressAboveSeconds = 10.0;

int Fail(const std::string& message) { return FailWith("orkv-render", message); }

// A file that is deleted when the object goes.
class TemporaryFile {
 public:
  TemporaryFile() {
    char directory[MAX_PATH];
    char path[MAX_PATH];
    const DWORD length = GetTempPathA(MAX_PATH, directory);
    if (length > 0 && length < MAX_PATH && GetTempFileNameA(directory, "okv", 0, path) != 0) {
      path_ = path;
    }
  }
  ~TemporaryFile() {
    if (!path_.empty()) DeleteFileA(path_.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

bool FileIdentity(const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
  HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const BOOL ok = GetFileInformationByHandle(file, &info);
  CloseHandle(file);
  return ok != FALSE;
}

// True when both paths name one existing file (however they are spelled).
bool SameFile(const std::string& a, const std::string& b) {
  BY_HANDLE_FILE_INFORMATION x{};
  BY_HANDLE_FILE_INFORMATION y{};
  return FileIdentity(a, x) && FileIdentity(b, y) &&
         x.dwVolumeSerialNumber == y.dwVolumeSerialNumber && x.nFileIndexHigh == y.nFileIndexHigh &&
         x.nFileIndexLow == y.nFileIndexLow;
}

wav::AudioFormat TestSignalFormat(const Options& options) {
  return {options.floatSignal ? wav::SampleType::kFloat32 : wav::SampleType::kInt16, 2,
          wav::kTestSignalRate};
}

double TestSignalSeconds(const Options& options) {
  return options.seconds > 0 ? options.seconds : wav::kTestSignalSeconds;
}

int MakeTestSignal(const Options& options) {
  std::string error;
  if (!wav::WriteTestSignal(options.makeTestSignal, TestSignalFormat(options),
                            TestSignalSeconds(options), error)) {
    return Fail(error);
  }
  if (!options.quiet) {
    std::fprintf(stderr, "wrote %s: %.3g s of the test signal\n", options.makeTestSignal.c_str(),
                 TestSignalSeconds(options));
  }
  return kExitOk;
}

// Checks the input before anything is built, so bad files fail fast and clearly.
std::optional<RenderJob> PrepareJob(const Options& options, const std::string& inPath,
                                    std::string& error) {
  auto reader = wav::WavFileReader::Open(inPath, error);
  if (!reader) {
    error = "'" + inPath + "': " + error;
    return std::nullopt;
  }
  if (options.platformSource && reader->Format().type != wav::SampleType::kInt16) {
    error = "'" + inPath + "': the platform source path reads 16-bit PCM only";
    return std::nullopt;
  }
  if (SameFile(inPath, options.outPath)) {
    error = "'" + options.outPath + "' is the input file; choose another output";
    return std::nullopt;
  }
  RenderJob job;
  job.inPath = inPath;
  job.inFrames = reader->Frames();
  job.inFormat = reader->Format();
  job.outPath = options.outPath;
  job.platformSource = options.platformSource;
  job.effectSamples =
      options.dmo ? UpstreamSamples::kMayBeReused : UpstreamSamples::kHonourReferences;
  const double seconds = static_cast<double>(job.inFrames) / job.inFormat.sampleRate;
  job.showProgress = !options.quiet && seconds > kProgressAboveSeconds;
  return job;
}

void PrintSummary(const RenderJob& job, const RenderOutcome& outcome) {
  const double audioSeconds = static_cast<double>(outcome.frames) / outcome.format.sampleRate;
  const double speed = outcome.wallSeconds > 0 ? outcome.frames / outcome.wallSeconds : 0;
  std::fprintf(stderr,
               "rendered %llu frames (%.2f s of %s %u Hz, %u channels) in %.3f s: "
               "%.0f frames/s, %.1fx real time -> %s\n",
               static_cast<unsigned long long>(outcome.frames), audioSeconds,
               outcome.format.type == wav::SampleType::kInt16 ? "16-bit" : "float",
               outcome.format.sampleRate, outcome.format.channels, outcome.wallSeconds, speed,
               speed / outcome.format.sampleRate, job.outPath.c_str());
}

// The effect's own input rules, checked before a graph is built so that a
// refusal names them (the graph would only say that connecting failed). The
// file's format is one the WAV reader takes: mono or stereo, 16-bit or float.
bool EffectTakesInput(const OrkvPluginInfo& plugin, const RenderJob& job, std::string& error) {
  const std::uint32_t lowest = TableFor(plugin).minSampleRate;
  if (job.inFormat.sampleRate >= lowest) return true;
  error = std::string("the ") + plugin.effect + " needs at least " + std::to_string(lowest) +
          " Hz and '" + job.inPath + "' has " + std::to_string(job.inFormat.sampleRate) + " Hz";
  return false;
}

// The settings options in order: preset, settings file, --set.
bool ApplySettingsOptions(EffectControls& controls, const Options& options, std::string& error) {
  if (options.preset && !controls.ApplyPreset(*options.preset, error)) return false;
  if (!options.loadSettings.empty() && !controls.LoadSettings(options.loadSettings, error)) {
    return false;
  }
  return controls.SetByLabel(options.settings, error);
}

int Render(const Options& options, const std::optional<RenderJob>& job) {
  ComApartment com;
  if (FAILED(com.Result())) return Fail("COM initialisation failed");
  std::string error;
  // Declared first so that the library outlives every object made from it.
  auto module = PluginModule::Load(options.plugin, error);
  if (!module) return Fail(error);
  if (job && !EffectTakesInput(module->Info(), *job, error)) return Fail(error);
  host::ComPtr<IBaseFilter> effect;
  const HRESULT hr = options.dmo ? CreateWrappedDmo(*module, effect) : module->CreateFilter(effect);
  if (FAILED(hr))
    return Fail("creating the " + std::string(module->Info().effect) +
                (options.dmo ? " DMO in the platform's DMO Wrapper filter" : " filter") +
                " failed: " + DescribeHresult(hr));

  auto controls = EffectControls::Attach(effect.Get(), module->Info(), error);
  if (!controls || !ApplySettingsOptions(*controls, options, error)) return Fail(error);
  if (options.listPresets && !controls->PrintPresets(stdout, error)) return Fail(error);
  if (options.list) controls->PrintSettings(stdout);
  if (!options.saveSettings.empty() && !controls->SaveSettings(options.saveSettings, error)) {
    return Fail(error);
  }
  if (!job) return kExitOk;

  RenderOutcome outcome;
  if (!RenderThroughGraph(effect.Get(), *job, outcome, error)) return Fail(error);
  if (!options.quiet) PrintSummary(*job, outcome);
  // Kept for inspection, but no caller may take such a file for a good render.
  if (outcome.nonFiniteSamples > 0) {
    return Fail(job->outPath + " holds " + std::to_string(outcome.nonFiniteSamples) +
                " samples that are not finite numbers (NaN or infinity)");
  }
  return kExitOk;
}

int Run(const std::vector<std::string>& args) {
  const ParsedCommandLine parsed = ParseCommandLine(args);
  if (!parsed.error.empty()) {
    std::fprintf(stderr, "orkv-render: %s (see --help)\n", parsed.error.c_str());
    return kExitUsage;
  }
  const Options& options = parsed.options;
  if (options.help) {
    std::fputs(UsageText().c_str(), stdout);
    return kExitOk;
  }
  if (!options.makeTestSignal.empty()) return MakeTestSignal(options);

  std::optional<RenderJob> job;
  TemporaryFile signal;  // the input when none is given
  if (options.Renders()) {
    std::string inPath = options.inPath;
    std::string error;
    if (inPath.empty()) {
      if (signal.Path().empty()) return Fail("cannot create a temporary file");
      if (!wav::WriteTestSignal(signal.Path(), TestSignalFormat(options),
                                TestSignalSeconds(options), error)) {
        return Fail(error);
      }
      inPath = signal.Path();
    }
    job = PrepareJob(options, inPath, error);
    if (!job) return Fail(error);
  }
  return Render(options, job);
}

}  // namespace
}  // namespace orkv::render

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return orkv::render::Run(args);
}
