// Rendering a WAV file through one effect filter in a graph of the platform's
// filter graph manager: source -> effect -> collector sink, no reference clock.
#pragma once

#include <strmif.h>

#include <cstdint>
#include <string>

#include "tools/wav/wav_file.h"

namespace orkv::render {

struct RenderJob {
  std::string inPath;  // already checked to be a readable, supported WAV
  std::uint64_t inFrames = 0;
  wav::AudioFormat inFormat;
  std::string outPath;
  bool platformSource = false;  // the platform's file source + WAVE parser
  bool showProgress = false;
};

struct RenderOutcome {
  std::uint64_t frames = 0;
  std::uint64_t nonFiniteSamples = 0;  // NaN or infinite float samples written
  wav::AudioFormat format;
  double wallSeconds = 0;
};

// Builds and runs the graph, writing outPath; on failure removes the partial
// output and describes the problem in `error`.
bool RenderThroughGraph(IBaseFilter* effect, const RenderJob& job, RenderOutcome& outcome,
                        std::string& error);

}  // namespace orkv::render
