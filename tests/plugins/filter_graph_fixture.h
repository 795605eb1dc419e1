// Each effect filter of a plug-in library in a real filter graph (Wine's filter
// graph manager) between a test source and a test sink.
#pragma once

#include <windows.h>

#include <mmreg.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "tests/plugins/audio_test_filters.h"
#include "tests/plugins/plugin_library.h"

namespace orkv::test {

constexpr WORD kPcm = WAVE_FORMAT_PCM;
constexpr WORD kFloat = WAVE_FORMAT_IEEE_FLOAT;

// A buffer of 16-bit mono ramp samples.
inline std::vector<std::uint8_t> Pcm16Ramp(size_t samples) {
  std::vector<std::uint8_t> bytes(samples * 2);
  for (size_t i = 0; i < samples; ++i) {
    const auto v = static_cast<std::int16_t>((i * 97) % 20000 - 10000);
    std::memcpy(&bytes[2 * i], &v, 2);
  }
  return bytes;
}

class FilterGraphTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(library.Loaded());
    ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                              IID_IGraphBuilder, graph.GetVoidAddressOf()));
    ASSERT_HRESULT_SUCCEEDED(graph.As(control));
    filter = library.Create<IBaseFilter>(IID_IBaseFilter);
    ASSERT_TRUE(filter);
    ASSERT_HRESULT_SUCCEEDED(
        filter->QueryInterface(*library.Info().parametersIid, params.GetVoidAddressOf()));
    ASSERT_HRESULT_SUCCEEDED(graph->AddFilter(filter.Get(), L"effect"));
    sink = new AudioSink;
    sinkRef = static_cast<IBaseFilter*>(sink);
    ASSERT_HRESULT_SUCCEEDED(graph->AddFilter(sinkRef.Get(), L"sink"));
  }

  void TearDown() override {
    if (control) control->Stop();
    control.Reset();
    graph.Reset();
  }

  IPin* Pin(IBaseFilter* f, const wchar_t* id) {
    pins.emplace_back();
    f->FindPin(id, pins.back().GetAddressOf());
    return pins.back().Get();
  }

  // Adds a source of `type` and connects source -> effect; the result of that.
  HRESULT ConnectInput(const host::CMediaType& type, long bufferBytes = 4096) {
    source = new AudioSource(type, bufferBytes);
    sourceRef = static_cast<IBaseFilter*>(source);
    graph->AddFilter(sourceRef.Get(), L"source");
    return graph->ConnectDirect(Pin(sourceRef.Get(), L"Out"), Pin(filter.Get(), L"In"), nullptr);
  }
  HRESULT ConnectOutput() {
    return graph->ConnectDirect(Pin(filter.Get(), L"Out"), Pin(sinkRef.Get(), L"In"), nullptr);
  }

  WAVEFORMATEX OutputFormat() {
    AM_MEDIA_TYPE mt{};
    EXPECT_EQ(Pin(filter.Get(), L"Out")->ConnectionMediaType(&mt), S_OK);
    WAVEFORMATEX f{};
    std::memcpy(&f, mt.pbFormat, std::min<ULONG>(mt.cbFormat, sizeof(f)));
    host::FreeMediaType(mt);
    return f;
  }

  ComApartment apartment;
  PluginLibrary library{kOrkvPlugins[GetParam()]};
  ComPtr<IGraphBuilder> graph;
  ComPtr<IMediaControl> control;
  ComPtr<IBaseFilter> filter;
  ComPtr<IEffectParameters> params;
  AudioSource* source = nullptr;
  AudioSink* sink = nullptr;
  ComPtr<IBaseFilter> sourceRef, sinkRef;
  std::vector<ComPtr<IPin>> pins;
};

inline bool IsFilterPlugin(const OrkvPluginInfo& info) {
  return std::string(info.effect) == "Filter";
}

}  // namespace orkv::test
