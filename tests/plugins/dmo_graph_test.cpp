// Each plug-in's DMO inside the platform's DMO Wrapper filter, in real graphs
// with the platform's file source, WAVE parser (16-bit files) and Sample
// Grabber: its output must equal the filter's sample for sample, for both
// sample types, mono and stereo, with settings changed between buffers. The Sample Grabber,
// upstream of the effect, changes the settings as each input buffer passes, so both paths see every
// change at the same input frame.
#include <dmodshow.h>
#include <dmoreg.h>
#include <qedit.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "tests/plugins/dmo_test_support.h"
#include "tests/plugins/filter_graph_fixture.h"
#include "tests/plugins/hostile_neighbours.h"
#include "tools/wav/wav_file.h"

namespace orkv::test {
namespace {

using namespace std::chrono_literals;

// The platform's WAVE parser and Sample Grabber.
const CLSID CLSID_WaveParserFilter = {
    0xd51bd5a1, 0x7548, 0x11cf, {0xa5, 0x20, 0x00, 0x80, 0xc7, 0x7e, 0xf5, 0x8a}};
const CLSID CLSID_PlatformSampleGrabber = {
    0xc1f400a0, 0x3f08, 0x11d3, {0x9f, 0x0b, 0x00, 0x60, 0x08, 0x03, 0x9e, 0x37}};

// Applies the next factory preset, then nudges slot 0, before each buffer
// passes on to the effect (called on the streaming thread).
class SettingsChanger final : public ISampleGrabberCB {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (riid == IID_IUnknown || riid == IID_ISampleGrabberCB) {
      *ppv = this;
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE SampleCB(double, IMediaSample*) override {
    const int n = buffers++;
    LONG count = 1;
    presets->GetPresetCount(&count);
    presets->ApplyPreset(n % count);
    double first = 0;
    params->GetParam0(&first);
    params->SetParam0(first * (1.0 + 0.1 * (n % 3)));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE BufferCB(double, BYTE*, long) override { return S_OK; }

  IEffectPresets* presets = nullptr;
  IEffectParameters4* params = nullptr;
  std::atomic<int> buffers{0};
};

// What the effect is fed: a WAV file through the platform's file source and
// WAVE parser, or (for float, which Wine's parser hands out only in the
// extensible form the effect refuses) the same audio pushed by our source.
struct Input {
  wav::AudioFormat format;
  std::vector<std::uint8_t> audio;
  std::wstring path;  // empty: pushed by our source
};

constexpr long kPushedBufferBytes = 8192;

struct Rendered {
  std::vector<std::uint8_t> bytes;
  int buffers = 0;  // input buffers the settings changed before
};

class DmoGraphTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override { ASSERT_TRUE(library.Loaded()); }
  void TearDown() override {
    for (const std::wstring& path : files) DeleteFileW(path.c_str());
  }

  // The wrapper creates the DMO by class identifier: this apartment's class
  // object answers, so the library need not be registered.
  class ClassObjectRegistration {
   public:
    explicit ClassObjectRegistration(const PluginLibrary& library) {
      ComPtr<IClassFactory> factory;
      const CLSID& dmo = *library.Info().dmoClsid;
      result_ = library.GetClassObject(dmo, IID_IClassFactory, factory.GetVoidAddressOf());
      if (SUCCEEDED(result_)) {
        result_ = CoRegisterClassObject(dmo, factory.Get(), CLSCTX_INPROC_SERVER,
                                        REGCLS_MULTIPLEUSE, &cookie_);
      }
    }
    ~ClassObjectRegistration() {
      if (cookie_ != 0) CoRevokeClassObject(cookie_);
    }
    HRESULT Result() const { return result_; }

   private:
    HRESULT result_ = E_FAIL;
    DWORD cookie_ = 0;
  };

  const OrkvPluginInfo& Info() const { return library.Info(); }

  Input MakeInput(const wav::AudioFormat& format, std::uint32_t frames) {
    Input input{format, {}, {}};
    input.audio = TestAudio(std::size_t{frames} * format.BytesPerFrame(),
                            format.type == wav::SampleType::kFloat32, 77 + format.channels);
    if (format.type == wav::SampleType::kInt16) input.path = WriteWave(format, input.audio);
    return input;
  }

  std::wstring WriteWave(const wav::AudioFormat& format, const std::vector<std::uint8_t>& audio) {
    wchar_t dir[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, dir);
    const std::wstring path = std::wstring(dir) + L"orkv_dmo_" + std::to_wstring(files.size()) +
                              L"_" + std::to_wstring(GetCurrentProcessId()) + L".wav";
    std::vector<std::uint8_t> file = wav::EncodeWavHeader(format, audio.size());
    file.insert(file.end(), audio.begin(), audio.end());
    std::FILE* f = _wfopen(path.c_str(), L"wb");
    if (f != nullptr) {
      std::fwrite(file.data(), 1, file.size(), f);
      std::fclose(f);
    }
    files.push_back(path);
    return path;
  }

  ComPtr<IBaseFilter> MakeFilter() { return library.Create<IBaseFilter>(IID_IBaseFilter); }

  ComPtr<IBaseFilter> MakeWrappedDmo() {
    ComPtr<IBaseFilter> wrapper;
    ComPtr<IDMOWrapperFilter> init;
    HRESULT hr = CoCreateInstance(CLSID_DMOWrapperFilter, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IBaseFilter, wrapper.GetVoidAddressOf());
    if (SUCCEEDED(hr)) hr = wrapper->QueryInterface(IID_IDMOWrapperFilter, init.GetVoidAddressOf());
    if (SUCCEEDED(hr)) hr = init->Init(*Info().dmoClsid, DMOCATEGORY_AUDIO_EFFECT);
    EXPECT_EQ(hr, S_OK) << "the platform's DMO Wrapper filter with the DMO";
    return SUCCEEDED(hr) ? wrapper : nullptr;
  }

  static IPin* FirstPin(IBaseFilter* f, PIN_DIRECTION direction, std::vector<ComPtr<IPin>>& keep) {
    ComPtr<IEnumPins> all;
    f->EnumPins(all.GetAddressOf());
    IPin* pin = nullptr;
    while (all && all->Next(1, &pin, nullptr) == S_OK) {
      keep.emplace_back();
      keep.back().Attach(pin);
      PIN_DIRECTION d;
      pin->QueryDirection(&d);
      if (d == direction) return pin;
    }
    return nullptr;
  }

  // The platform's file source and WAVE parser over the file, or our source;
  // `upstream` is the filter whose output feeds the Sample Grabber.
  template <class Connect>
  static bool AddSource(const Input& input, IGraphBuilder* graph, AudioSource*& pushed,
                        ComPtr<IBaseFilter>& upstream, const Connect& connect) {
    if (input.path.empty()) {
      const bool floats = input.format.type == wav::SampleType::kFloat32;
      pushed = new AudioSource(AudioType(floats ? kFloat : kPcm, input.format.channels,
                                         input.format.sampleRate, floats ? 32 : 16),
                               kPushedBufferBytes);
      upstream = static_cast<IBaseFilter*>(pushed);
      return SUCCEEDED(graph->AddFilter(upstream.Get(), L"source"));
    }
    ComPtr<IBaseFilter> reader;
    return SUCCEEDED(graph->AddSourceFilter(input.path.c_str(), L"file", reader.GetAddressOf())) &&
           SUCCEEDED(CoCreateInstance(CLSID_WaveParserFilter, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IBaseFilter, upstream.GetVoidAddressOf())) &&
           SUCCEEDED(graph->AddFilter(upstream.Get(), L"parser")) &&
           SUCCEEDED(connect(reader.Get(), upstream.Get()));
  }

  static void Push(AudioSource& source, const std::vector<std::uint8_t>& audio) {
    for (std::size_t at = 0; at < audio.size(); at += kPushedBufferBytes) {
      const std::size_t end = std::min<std::size_t>(audio.size(), at + kPushedBufferBytes);
      PushedBuffer buffer{{audio.begin() + at, audio.begin() + end}, std::nullopt, std::nullopt};
      EXPECT_EQ(source.Push(buffer), S_OK);
    }
    EXPECT_EQ(source.PushEndOfStream(), S_OK);
  }

  // source -> Sample Grabber -> effect -> our sink, run to the end without a
  // clock.
  Rendered Render(const Input& input, IBaseFilter* effect) {
    Rendered result;
    ComPtr<IGraphBuilder> graph;
    ComPtr<IBaseFilter> grabber, upstream;
    AudioSource* pushed = nullptr;
    std::vector<ComPtr<IPin>> pins;
    auto* sink = new AudioSink;
    ComPtr<IBaseFilter> sinkRef(static_cast<IBaseFilter*>(sink));
    SettingsChanger changer;
    ComPtr<IEffectPresets> presets;
    ComPtr<IEffectParameters4> params;
    EXPECT_EQ(effect->QueryInterface(IID_IEffectPresets, presets.GetVoidAddressOf()), S_OK);
    EXPECT_EQ(effect->QueryInterface(*Info().parametersIid, params.GetVoidAddressOf()), S_OK);
    if (!presets || !params) return result;
    changer.presets = presets.Get();
    changer.params = params.Get();

    const auto connect = [&](IBaseFilter* from, IBaseFilter* to) {
      IPin* out = FirstPin(from, PINDIR_OUTPUT, pins);
      IPin* in = FirstPin(to, PINDIR_INPUT, pins);
      return out && in ? graph->ConnectDirect(out, in, nullptr) : E_FAIL;
    };
    ComPtr<ISampleGrabber> grab;
    ComPtr<IMediaFilter> timing;
    ComPtr<IMediaControl> control;
    const bool built =
        SUCCEEDED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IGraphBuilder, graph.GetVoidAddressOf())) &&
        AddSource(input, graph.Get(), pushed, upstream, connect) &&
        SUCCEEDED(CoCreateInstance(CLSID_PlatformSampleGrabber, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IBaseFilter, grabber.GetVoidAddressOf())) &&
        SUCCEEDED(grabber->QueryInterface(IID_ISampleGrabber, grab.GetVoidAddressOf())) &&
        SUCCEEDED(grab->SetCallback(&changer, 0)) &&
        SUCCEEDED(graph->AddFilter(grabber.Get(), L"grabber")) &&
        SUCCEEDED(graph->AddFilter(effect, L"effect")) &&
        SUCCEEDED(graph->AddFilter(sinkRef.Get(), L"sink"));
    EXPECT_TRUE(built) << "the source and the platform's Sample Grabber";
    if (!built) return result;
    EXPECT_EQ(connect(upstream.Get(), grabber.Get()), S_OK);
    EXPECT_EQ(connect(grabber.Get(), effect), S_OK);
    EXPECT_EQ(connect(effect, sinkRef.Get()), S_OK);
    if (::testing::Test::HasFailure()) return result;

    EXPECT_HRESULT_SUCCEEDED(graph->QueryInterface(IID_IMediaFilter, timing.GetVoidAddressOf()));
    EXPECT_HRESULT_SUCCEEDED(graph->QueryInterface(IID_IMediaControl, control.GetVoidAddressOf()));
    if (!timing || !control) return result;
    timing->SetSyncSource(nullptr);
    // Our sink records the end of stream rather than telling the graph.
    std::atomic<bool> ended{false};
    sink->onEndOfStream = [&] { ended = true; };
    EXPECT_HRESULT_SUCCEEDED(control->Run());
    if (pushed != nullptr) Push(*pushed, input.audio);
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (!ended && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(5ms);
    EXPECT_TRUE(ended) << "the stream never ended";
    control->Stop();
    grab->SetCallback(nullptr, 0);
    for (const ReceivedBuffer& b : sink->received) {
      result.bytes.insert(result.bytes.end(), b.bytes.begin(), b.bytes.end());
    }
    result.buffers = changer.buffers;
    pins.clear();
    graph->RemoveFilter(effect);
    return result;
  }

  ComApartment apartment;
  PluginLibrary library{kOrkvPlugins[GetParam()]};
  std::vector<std::wstring> files;
};

TEST_P(DmoGraphTest, TheWrappedDmoRendersExactlyWhatTheFilterRenders) {
  RunWithin(240s, "rendering through the filter and the DMO", [&] {
    ComApartment threadCom;
    ClassObjectRegistration registration(library);
    ASSERT_EQ(registration.Result(), S_OK);
    for (const auto type : {wav::SampleType::kInt16, wav::SampleType::kFloat32}) {
      for (const std::uint16_t channels : {1, 2}) {
        const wav::AudioFormat format{type, channels, 48000};
        const std::uint32_t frames = 96000;
        const Input input = MakeInput(format, frames);
        SCOPED_TRACE(std::to_string(channels) + " channels, " +
                     (type == wav::SampleType::kInt16 ? "16-bit" : "float"));
        ComPtr<IBaseFilter> filter = MakeFilter();
        ComPtr<IBaseFilter> wrapper = MakeWrappedDmo();
        ASSERT_TRUE(filter);
        ASSERT_TRUE(wrapper) << "the platform's DMO Wrapper filter takes the DMO";
        const Rendered byFilter = Render(input, filter.Get());
        const Rendered byDmo = Render(input, wrapper.Get());
        const std::size_t expected = std::size_t{frames} * 2 * format.BytesPerSample();
        EXPECT_EQ(byFilter.bytes.size(), expected);
        EXPECT_GE(byFilter.buffers, 2) << "the settings never changed between buffers";
        EXPECT_EQ(byDmo.buffers, byFilter.buffers);
        ASSERT_EQ(byDmo.bytes.size(), byFilter.bytes.size());
        EXPECT_TRUE(byDmo.bytes == byFilter.bytes) << "the DMO's output differs from the filter's";
      }
    }
  });
}

// Hundreds of run/stop cycles of the wrapped DMO while our source pushes
// buffers (and settings change) from another thread, each stop at another
// moment: before, while or after buffers are processed. Every call returns.
// No end of stream is sent: Wine's wrapper hands the DMO input buffers that
// die with its Receive call, so a buffer caught by a stop stays with the DMO
// until the next flush, and an end of stream before that flush makes the
// wrapper read its own dead buffer (a fault inside the wrapper, not the DMO).
TEST_P(DmoGraphTest, StopsAtAnyMomentWhileStreaming) {
  RunWithin(120s, "run/stop cycles of the wrapped DMO", [&] {
    ComApartment threadCom;
    ClassObjectRegistration registration(library);
    ASSERT_EQ(registration.Result(), S_OK);
    ComPtr<IBaseFilter> wrapper = MakeWrappedDmo();
    ASSERT_TRUE(wrapper);
    ComPtr<IGraphBuilder> graph;
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                               graph.GetVoidAddressOf()),
              S_OK);
    auto* source = new AudioSource(AudioType(kPcm, 2, 48000, 16), 4096);
    ComPtr<IBaseFilter> sourceRef(static_cast<IBaseFilter*>(source));
    auto* sink = new AudioSink;
    ComPtr<IBaseFilter> sinkRef(static_cast<IBaseFilter*>(sink));
    std::vector<ComPtr<IPin>> pins;
    ASSERT_EQ(graph->AddFilter(sourceRef.Get(), L"source"), S_OK);
    ASSERT_EQ(graph->AddFilter(wrapper.Get(), L"effect"), S_OK);
    ASSERT_EQ(graph->AddFilter(sinkRef.Get(), L"sink"), S_OK);
    ASSERT_EQ(graph->ConnectDirect(FirstPin(sourceRef.Get(), PINDIR_OUTPUT, pins),
                                   FirstPin(wrapper.Get(), PINDIR_INPUT, pins), nullptr),
              S_OK);
    ASSERT_EQ(graph->ConnectDirect(FirstPin(wrapper.Get(), PINDIR_OUTPUT, pins),
                                   FirstPin(sinkRef.Get(), PINDIR_INPUT, pins), nullptr),
              S_OK);
    ComPtr<IMediaControl> control;
    ASSERT_EQ(graph->QueryInterface(IID_IMediaControl, control.GetVoidAddressOf()), S_OK);
    ComPtr<IEffectParameters4> params;
    ASSERT_EQ(wrapper->QueryInterface(*Info().parametersIid, params.GetVoidAddressOf()), S_OK);
    const PushedBuffer buffer{TestAudio(4096, false, 9), 0, 10000, true, false};
    for (int cycle = 0; cycle < 200; ++cycle) {
      EXPECT_TRUE(SUCCEEDED(cycle % 2 ? control->Run() : control->Pause())) << cycle;
      std::thread streaming([&, cycle] {
        for (int k = 0; k < cycle % 5; ++k) {
          params->SetParam0(0.1 * k);
          if (FAILED(source->Push(buffer))) return;
        }
      });
      const auto until =
          std::chrono::steady_clock::now() + std::chrono::microseconds(cycle * 37 % 2000);
      while (std::chrono::steady_clock::now() < until) {
      }
      EXPECT_TRUE(SUCCEEDED(control->Stop())) << cycle;
      streaming.join();
    }
    // Every buffer that got through came out whole: stereo frames only.
    for (const ReceivedBuffer& b : sink->received) EXPECT_EQ(b.bytes.size() % 4, 0u);
    EXPECT_FALSE(sink->received.empty());
    pins.clear();
  });
}

INSTANTIATE_TEST_SUITE_P(Plugins, DmoGraphTest, ::testing::Values(ORKV_TEST_PLUGINS), PluginName);

}  // namespace
}  // namespace orkv::test
