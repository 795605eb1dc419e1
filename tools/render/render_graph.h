// Rendering a WAV file through one effect filter in a graph of the platform's
// filter graph manager: source -> effect -> collector sink, no reference clock.
#pragma once

#include <strmif.h>

#include <cstdint>
#include <string>

#include "host/com_ptr.h"
#include "tools/common/plugin_module.h"
#include "tools/render/collector_sink.h"
#include "tools/wav/wav_file.h"

namespace orkv::render {

struct RenderJob {
  std::string inPath;  // already checked to be a readable, supported WAV
  std::uint64_t inFrames = 0;
  wav::AudioFormat inFormat;
  std::string outPath;
  bool platformSource = false;  // the platform's file source + WAVE parser
  // Our filter honours references to the samples it delivered; the platform's
  // DMO Wrapper does not.
  UpstreamSamples effectSamples = UpstreamSamples::kMayBeReused;
  bool showProgress = false;
};

struct RenderOutcome {
  std::uint64_t frames = 0;
  std::uint64_t nonFiniteSamples = 0;  // NaN or infinite float samples written
  wav::AudioFormat format;
  double wallSeconds = 0;
};

// The plug-in's DMO inside the platform's DMO Wrapper filter, which the graph
// then takes like the plug-in's own filter. The wrapper creates the DMO by its
// class identifier: while it does, this thread's apartment answers with the
// library's class object, so the DMO need not be registered.
HRESULT CreateWrappedDmo(const PluginModule& module, host::ComPtr<IBaseFilter>& wrapper);

// Builds and runs the graph, writing outPath; on failure removes the partial
// output and describes the problem in `error`.
bool RenderThroughGraph(IBaseFilter* effect, const RenderJob& job, RenderOutcome& outcome,
                        std::string& error);

}  // namespace orkv::render
