#include "tools/render/render_graph.h"

#include <control.h>
#include <dmodshow.h>
#include <dmoreg.h>
#include <evcode.h>
#include <uuids.h>
#include <vfwmsgs.h>
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <fstream>

#include "host/com_ptr.h"
#include "tools/common/plugin_module.h"
#include "tools/common/wide_text.h"
#include "tools/render/collector_sink.h"
#include "tools/render/wav_source.h"

namespace orkv::render {
namespace {

using host::ComPtr;
using Clock = std::chrono::steady_clock;

// The platform's WAVE parser (quartz), missing from the MinGW headers.
constexpr CLSID kWaveParserClsid = {
    0xD51BD5A1, 0x7548, 0x11CF, {0xA5, 0x20, 0x00, 0x80, 0xC7, 0x7E, 0xF5, 0x8A}};

constexpr long kPollMilliseconds = 200;
constexpr auto kStallLimit = std::chrono::seconds(30);

bool Check(HRESULT hr, const std::string& what, std::string& error) {
  if (SUCCEEDED(hr)) return true;
  error = what + " failed: " + DescribeHresult(hr);
  return false;
}

// The first pin of the filter in the given direction that is not connected yet.
ComPtr<IPin> FreePin(IBaseFilter* filter, PIN_DIRECTION wanted) {
  ComPtr<IEnumPins> pins;
  if (FAILED(filter->EnumPins(pins.GetAddressOf()))) return {};
  ComPtr<IPin> pin;
  while (pins->Next(1, pin.GetAddressOf(), nullptr) == S_OK) {
    PIN_DIRECTION direction;
    ComPtr<IPin> peer;
    if (SUCCEEDED(pin->QueryDirection(&direction)) && direction == wanted &&
        pin->ConnectedTo(peer.GetAddressOf()) == VFW_E_NOT_CONNECTED) {
      return pin;
    }
  }
  return {};
}

bool ConnectFilters(IGraphBuilder* graph, IBaseFilter* from, IBaseFilter* to,
                    const std::string& what, std::string& error) {
  ComPtr<IPin> out = FreePin(from, PINDIR_OUTPUT);
  ComPtr<IPin> in = FreePin(to, PINDIR_INPUT);
  if (!out || !in) {
    error = "connecting " + what + " failed: a pin is missing";
    return false;
  }
  return Check(graph->ConnectDirect(out.Get(), in.Get(), nullptr), "connecting " + what, error);
}

// Our own source: plain WAVEFORMATEX types for 16-bit and float.
bool AddOwnSource(IGraphBuilder* graph, const RenderJob& job, ComPtr<IBaseFilter>& last,
                  std::string& error) {
  auto reader = wav::WavFileReader::Open(job.inPath, error);
  if (!reader) return false;
  ComPtr<IBaseFilter> source(new WavSourceFilter(std::move(*reader)));
  if (!Check(graph->AddFilter(source.Get(), L"WAV source"), "adding the source", error)) {
    return false;
  }
  last = source;
  return true;
}

// The platform's file source and WAVE parser.
bool AddPlatformSource(IGraphBuilder* graph, const RenderJob& job, ComPtr<IBaseFilter>& last,
                       std::string& error) {
  ComPtr<IBaseFilter> reader;
  ComPtr<IBaseFilter> parser;
  ComPtr<IFileSourceFilter> file;
  return Check(CoCreateInstance(CLSID_AsyncReader, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                reader.GetVoidAddressOf()),
               "creating the platform file source", error) &&
         Check(reader->QueryInterface(IID_IFileSourceFilter, file.GetVoidAddressOf()),
               "querying the file source", error) &&
         Check(file->Load(Widen(job.inPath).c_str(), nullptr), "opening '" + job.inPath + "'",
               error) &&
         Check(graph->AddFilter(reader.Get(), L"File source"), "adding the file source", error) &&
         Check(CoCreateInstance(kWaveParserClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                parser.GetVoidAddressOf()),
               "creating the platform WAVE parser", error) &&
         Check(graph->AddFilter(parser.Get(), L"WAVE parser"), "adding the WAVE parser", error) &&
         ConnectFilters(graph, reader.Get(), parser.Get(), "file source to WAVE parser", error) &&
         (last = parser, true);
}

void ShowProgress(std::uint64_t done, std::uint64_t total) {
  const unsigned percent = total == 0 ? 100 : static_cast<unsigned>(done * 100 / total);
  std::fprintf(stderr, "\rrendering: %3u%%", percent > 100 ? 100 : percent);
  std::fflush(stderr);
}

// Waits for EC_COMPLETE; an abort event or a graph that stops moving is an error.
bool WaitForCompletion(IMediaEvent* events, const CollectorSink& sink, const RenderJob& job,
                       std::string& error) {
  std::uint64_t lastFrames = 0;
  auto lastMove = Clock::now();
  for (;;) {
    long code = 0;
    LONG_PTR param1 = 0;
    LONG_PTR param2 = 0;
    if (SUCCEEDED(events->GetEvent(&code, &param1, &param2, kPollMilliseconds))) {
      events->FreeEventParams(code, param1, param2);
      if (code == EC_COMPLETE) return true;
      if (code == EC_ERRORABORT || code == EC_USERABORT || code == EC_STREAM_ERROR_STOPPED) {
        const std::string written = sink.WriteError();
        error = !written.empty()
                    ? written
                    : "the graph aborted: " + DescribeHresult(static_cast<HRESULT>(param1));
        return false;
      }
    }
    const std::uint64_t frames = sink.FramesReceived();
    if (frames != lastFrames) {
      lastFrames = frames;
      lastMove = Clock::now();
    } else if (Clock::now() - lastMove > kStallLimit) {
      error = "the graph stopped delivering data after " + std::to_string(frames) + " frames";
      return false;
    }
    if (job.showProgress) ShowProgress(frames, job.inFrames);
  }
}

bool BuildAndRun(IBaseFilter* effect, const RenderJob& job, std::ostream& out,
                 RenderOutcome& outcome, std::string& error) {
  ComPtr<IGraphBuilder> graph;
  if (!Check(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                              graph.GetVoidAddressOf()),
             "creating the filter graph", error)) {
    return false;
  }
  ComPtr<IBaseFilter> source;
  const bool sourced = job.platformSource ? AddPlatformSource(graph.Get(), job, source, error)
                                          : AddOwnSource(graph.Get(), job, source, error);
  if (!sourced) return false;

  auto* sinkObject = new CollectorSink(out, job.effectSamples);
  ComPtr<IBaseFilter> sink(sinkObject);
  ComPtr<IMediaFilter> timing;
  ComPtr<IMediaControl> control;
  ComPtr<IMediaEvent> events;
  if (!Check(graph->AddFilter(effect, L"Effect"), "adding the effect filter", error) ||
      !Check(graph->AddFilter(sink.Get(), L"Collector"), "adding the sink", error) ||
      !ConnectFilters(graph.Get(), source.Get(), effect, "the source to the effect", error) ||
      !ConnectFilters(graph.Get(), effect, sink.Get(), "the effect to the sink", error) ||
      !Check(graph->QueryInterface(IID_IMediaFilter, timing.GetVoidAddressOf()),
             "querying the graph's IMediaFilter", error) ||
      !Check(timing->SetSyncSource(nullptr), "removing the reference clock", error) ||
      !Check(graph->QueryInterface(IID_IMediaControl, control.GetVoidAddressOf()),
             "querying the graph's IMediaControl", error) ||
      !Check(graph->QueryInterface(IID_IMediaEvent, events.GetVoidAddressOf()),
             "querying the graph's IMediaEvent", error)) {
    return false;
  }

  const auto started = Clock::now();
  if (!Check(control->Run(), "starting the graph", error)) {
    control->Stop();
    return false;
  }
  const bool completed = WaitForCompletion(events.Get(), *sinkObject, job, error);
  control->Stop();
  if (job.showProgress) std::fprintf(stderr, completed ? "\rrendering: 100%%\n" : "\n");
  outcome.wallSeconds = std::chrono::duration<double>(Clock::now() - started).count();
  outcome.frames = sinkObject->FramesReceived();
  outcome.nonFiniteSamples = sinkObject->NonFiniteSamples();
  outcome.format = sinkObject->Format();
  return completed && sinkObject->Finish(error);
}

// The library's class object for one class, registered with COM for this
// thread's apartment for the lifetime of the object.
class ClassObjectRegistration {
 public:
  ClassObjectRegistration(const PluginModule& module, REFCLSID clsid) {
    ComPtr<IClassFactory> factory;
    result_ = module.GetClassObject(clsid, IID_IClassFactory, factory.GetVoidAddressOf());
    if (SUCCEEDED(result_)) {
      result_ = CoRegisterClassObject(clsid, factory.Get(), CLSCTX_INPROC_SERVER,
                                      REGCLS_MULTIPLEUSE, &cookie_);
    }
  }
  ~ClassObjectRegistration() {
    if (cookie_ != 0) CoRevokeClassObject(cookie_);
  }
  ClassObjectRegistration(const ClassObjectRegistration&) = delete;
  ClassObjectRegistration& operator=(const ClassObjectRegistration&) = delete;
  HRESULT Result() const { return result_; }

 private:
  HRESULT result_ = E_FAIL;
  DWORD cookie_ = 0;
};

}  // namespace

HRESULT CreateWrappedDmo(const PluginModule& module, ComPtr<IBaseFilter>& wrapper) {
  const ClassObjectRegistration registration(module, *module.Info().dmoClsid);
  if (FAILED(registration.Result())) return registration.Result();
  ComPtr<IBaseFilter> created;
  ComPtr<IDMOWrapperFilter> init;
  HRESULT hr = CoCreateInstance(CLSID_DMOWrapperFilter, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IBaseFilter, created.GetVoidAddressOf());
  if (SUCCEEDED(hr)) hr = created->QueryInterface(IID_IDMOWrapperFilter, init.GetVoidAddressOf());
  if (SUCCEEDED(hr)) hr = init->Init(*module.Info().dmoClsid, DMOCATEGORY_AUDIO_EFFECT);
  if (SUCCEEDED(hr)) wrapper = created;
  return hr;
}

bool RenderThroughGraph(IBaseFilter* effect, const RenderJob& job, RenderOutcome& outcome,
                        std::string& error) {
  bool ok;
  {
    std::ofstream out(job.outPath, std::ios::binary | std::ios::trunc);
    if (!out) {
      error = "cannot create '" + job.outPath + "'";
      return false;
    }
    ok = BuildAndRun(effect, job, out, outcome, error);
  }
  if (!ok) std::remove(job.outPath.c_str());
  return ok;
}

}  // namespace orkv::render
