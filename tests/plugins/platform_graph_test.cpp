// Each effect filter between the platform's own filters: the file source and
// WAVE parser upstream, the Sample Grabber and Null Renderer downstream. They
// call back into the effect's pins from their streaming threads and reconnect
// as the platform does, not as our test filters do.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "tests/plugins/filter_graph_fixture.h"
#include "tests/plugins/hostile_neighbours.h"
#include "tools/wav/wav_file.h"

namespace orkv::test {
namespace {

using namespace std::chrono_literals;

// The system's WAVE parser, {D51BD5A1-7548-11CF-A520-0080C77EF58A}.
const CLSID CLSID_WaveParser = {
    0xd51bd5a1, 0x7548, 0x11cf, {0xa5, 0x20, 0x00, 0x80, 0xc7, 0x7e, 0xf5, 0x8a}};

// The platform's Sample Grabber and Null Renderer (qedit).
const CLSID CLSID_SampleGrabber = {
    0xc1f400a0, 0x3f08, 0x11d3, {0x9f, 0x0b, 0x00, 0x60, 0x08, 0x03, 0x9e, 0x37}};
const CLSID CLSID_NullRenderer = {
    0xc1f400a4, 0x3f08, 0x11d3, {0x9f, 0x0b, 0x00, 0x60, 0x08, 0x03, 0x9e, 0x37}};

class PlatformGraphTest : public FilterGraphTest {
 protected:
  ComPtr<IBaseFilter> AddPlatformFilter(REFCLSID clsid, const wchar_t* name) {
    ComPtr<IBaseFilter> added;
    if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                added.GetVoidAddressOf())) ||
        FAILED(graph->AddFilter(added.Get(), name))) {
      return nullptr;
    }
    return added;
  }

  // The first pin of `f` in `direction`.
  IPin* PinOf(IBaseFilter* f, PIN_DIRECTION direction) {
    ComPtr<IEnumPins> all;
    f->EnumPins(all.GetAddressOf());
    IPin* pin = nullptr;
    while (all && all->Next(1, &pin, nullptr) == S_OK) {
      PIN_DIRECTION d;
      pin->QueryDirection(&d);
      pins.emplace_back();
      pins.back().Attach(pin);
      if (d == direction) return pin;
    }
    return nullptr;
  }

  // A file source and WAVE parser reading 0.2 s of a ramp in `format`; the
  // parser's output pin.
  IPin* AddWaveFile(const wav::AudioFormat& format, const wchar_t* tag) {
    wchar_t dir[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, dir);
    const std::wstring path = std::wstring(dir) + L"orkv_platform_" + tag + L".wav";
    const std::uint64_t frames = format.sampleRate / 5;
    const std::uint64_t bytes = frames * format.BytesPerFrame();
    std::vector<std::uint8_t> file = wav::EncodeWavHeader(format, bytes);
    for (std::uint64_t i = 0; i < bytes; ++i) file.push_back(static_cast<std::uint8_t>(i * 7));
    std::FILE* f = _wfopen(path.c_str(), L"wb");
    if (f == nullptr) return nullptr;
    std::fwrite(file.data(), 1, file.size(), f);
    std::fclose(f);
    files.push_back(path);

    ComPtr<IBaseFilter> reader;
    if (FAILED(graph->AddSourceFilter(path.c_str(), tag, reader.GetAddressOf()))) return nullptr;
    ComPtr<IBaseFilter> parser = AddPlatformFilter(CLSID_WaveParser, tag);
    if (!parser) return nullptr;
    if (FAILED(graph->ConnectDirect(PinOf(reader.Get(), PINDIR_OUTPUT),
                                    PinOf(parser.Get(), PINDIR_INPUT), nullptr))) {
      return nullptr;
    }
    return PinOf(parser.Get(), PINDIR_OUTPUT);
  }

  // Hundreds of run/stop and pause/stop cycles with the effect's output feeding
  // the platform's filters, each stopping at another moment: while buffers
  // stream, while end of stream travels down, or after.
  void StopAtEveryMoment() {
    const PushedBuffer buffer{Pcm16Ramp(2048), std::nullopt, std::nullopt, false, false};
    RunWithin(120s, "run/stop cycles with the platform's renderer", [&] {
      for (int cycle = 0; cycle < 200; ++cycle) {
        EXPECT_TRUE(SUCCEEDED(cycle % 2 ? control->Run() : control->Pause())) << cycle;
        std::thread streaming([&, cycle] {
          for (int k = 0; k < cycle % 4; ++k) {
            if (FAILED(source->Push(buffer))) return;
          }
          source->PushEndOfStream();
        });
        // Stop at a different moment each cycle, up to about two milliseconds in.
        const auto until =
            std::chrono::steady_clock::now() + std::chrono::microseconds(cycle * 37 % 2000);
        while (std::chrono::steady_clock::now() < until) {
        }
        EXPECT_TRUE(SUCCEEDED(control->Stop())) << cycle;
        streaming.join();
      }
    });
  }

  // The platform's filters must not outlive the graph they joined: their pins
  // go first.
  void TearDown() override {
    if (control) control->Stop();
    pins.clear();
    FilterGraphTest::TearDown();
    for (const std::wstring& path : files) DeleteFileW(path.c_str());
  }

  std::vector<std::wstring> files;
};

// The platform's DirectSound audio renderer, {79376820-07D0-11CF-A24D-0020AFD79767}.
const CLSID CLSID_AudioRenderer = {
    0x79376820, 0x07d0, 0x11cf, {0xa2, 0x4d, 0x00, 0x20, 0xaf, 0xd7, 0x97, 0x67}};

TEST_P(PlatformGraphTest, StopAtAnyMomentWithTheSampleGrabberAndNullRenderer) {
  ASSERT_EQ(ConnectInput(AudioType(kPcm, 2, 44100, 16), 4096), S_OK);
  ComPtr<IBaseFilter> grabber = AddPlatformFilter(CLSID_SampleGrabber, L"grabber");
  ComPtr<IBaseFilter> renderer = AddPlatformFilter(CLSID_NullRenderer, L"renderer");
  ASSERT_TRUE(grabber && renderer) << "the platform's Sample Grabber and Null Renderer";
  ASSERT_EQ(
      graph->ConnectDirect(Pin(filter.Get(), L"Out"), PinOf(grabber.Get(), PINDIR_INPUT), nullptr),
      S_OK);
  ASSERT_EQ(graph->ConnectDirect(PinOf(grabber.Get(), PINDIR_OUTPUT),
                                 PinOf(renderer.Get(), PINDIR_INPUT), nullptr),
            S_OK);
  StopAtEveryMoment();
}

// The platform's audio renderer waits on its clock and calls back upstream the
// same way; a machine without a sound device cannot connect it.
TEST_P(PlatformGraphTest, StopAtAnyMomentWithThePlatformsAudioRenderer) {
  ASSERT_EQ(ConnectInput(AudioType(kPcm, 2, 44100, 16), 4096), S_OK);
  ComPtr<IBaseFilter> renderer = AddPlatformFilter(CLSID_AudioRenderer, L"audio renderer");
  if (!renderer || FAILED(graph->ConnectDirect(Pin(filter.Get(), L"Out"),
                                               PinOf(renderer.Get(), PINDIR_INPUT), nullptr))) {
    GTEST_SKIP() << "no audio renderer can be connected on this machine";
  }
  StopAtEveryMoment();
}

// Wine's own graph, parsers and renderer: the input moves from a 16-bit stereo
// 44.1 kHz file to a 16-bit mono 48 kHz one; the graph reconnects the output
// in the middle of the input's connection, before the new upstream filter has
// sized its buffers.
TEST_P(PlatformGraphTest, ReconnectingTheInputToANewTypeReconnectsTheOutput) {
  IPin* stereo = AddWaveFile({wav::SampleType::kInt16, 2, 44100}, L"stereo");
  IPin* mono = AddWaveFile({wav::SampleType::kInt16, 1, 48000}, L"mono");
  ASSERT_TRUE(stereo && mono);
  ComPtr<IBaseFilter> renderer = AddPlatformFilter(CLSID_NullRenderer, L"renderer");
  ASSERT_TRUE(renderer);
  IPin* effectIn = Pin(filter.Get(), L"In");
  ASSERT_EQ(graph->ConnectDirect(stereo, effectIn, nullptr), S_OK);
  ASSERT_EQ(
      graph->ConnectDirect(Pin(filter.Get(), L"Out"), PinOf(renderer.Get(), PINDIR_INPUT), nullptr),
      S_OK);
  EXPECT_EQ(OutputFormat().nSamplesPerSec, 44100u);

  ASSERT_EQ(graph->Disconnect(stereo), S_OK);
  ASSERT_EQ(graph->Disconnect(effectIn), S_OK);
  ASSERT_EQ(graph->ConnectDirect(mono, effectIn, nullptr), S_OK);
  const WAVEFORMATEX out = OutputFormat();
  EXPECT_EQ(out.nSamplesPerSec, 48000u);
  EXPECT_EQ(out.nChannels, 2);
  EXPECT_EQ(out.nBlockAlign, 4);

  ComPtr<IMediaEvent> events;
  ASSERT_EQ(graph->QueryInterface(IID_IMediaEvent, events.GetVoidAddressOf()), S_OK);
  ASSERT_TRUE(SUCCEEDED(control->Run()));
  long code = 0;
  EXPECT_EQ(events->WaitForCompletion(10000, &code), S_OK);
  EXPECT_EQ(code, EC_COMPLETE);
}

INSTANTIATE_TEST_SUITE_P(Plugins, PlatformGraphTest, ::testing::Values(ORKV_TEST_PLUGINS),
                         PluginName);

}  // namespace
}  // namespace orkv::test
