// The plug-in libraries under abuse, as a host that misbehaves drives them:
// damaged settings records through IPersistStream::Load, and every kind of
// caller at once on one running filter. Bounded in time; for a long run, from
// build/windows/bin with the Wine session started:
//   ORKV_FUZZ_ITERATIONS=20000 ORKV_STRESS_SECONDS=120 ../wine-run plugin_reliability_test.exe
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

#include "core/settings_record.h"
#include "effects/common/dsp_math.h"
#include "tests/plugins/audio_test_filters.h"
#include "tests/plugins/plugin_library.h"
#include "tests/plugins/test_stream.h"
#include "tests/support/environment.h"
#include "tests/support/record_mutation.h"

#include <mmreg.h>

namespace orkv::test {
namespace {

class LoadFuzzTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(library.Loaded());
    filter = library.Create<IUnknown>(IID_IUnknown);
    reference = library.Create<IUnknown>(IID_IUnknown);
    ASSERT_TRUE(filter && reference);
    ASSERT_EQ(filter->QueryInterface(IID_IPersistStream, persist.GetVoidAddressOf()), S_OK);
    ASSERT_EQ(filter->QueryInterface(*Info().parametersIid, params.GetVoidAddressOf()), S_OK);
    ASSERT_EQ(reference->QueryInterface(*Info().parametersIid, referenceParams.GetVoidAddressOf()),
              S_OK);
  }
  const OrkvPluginInfo& Info() const { return library.Info(); }

  std::vector<double> Block(IEffectParameters* p) {
    std::vector<double> block(Info().slotCount);
    p->GetParameters(block.data());
    return block;
  }

  ComApartment apartment;
  PluginLibrary library{kOrkvPlugins[GetParam()]};
  ComPtr<IUnknown> filter, reference;
  ComPtr<IPersistStream> persist;
  ComPtr<IEffectParameters> params, referenceParams;
};

// A record is taken only whole, with this plug-in's size and identifier, from a
// stream that delivers it; it then sets exactly what set-all of its block sets
// (clamped). Anything else fails and leaves the settings as they were.
TEST_P(LoadFuzzTest, DamagedRecordsAndStreamsAreRefusedOrLandInRange) {
  TestStream saved;
  ASSERT_EQ(persist->Save(&saved, TRUE), S_OK);
  const std::vector<BYTE> valid = saved.data;
  const std::size_t size = valid.size();
  MutationRandom random(static_cast<std::uint32_t>(GetParam()) + 1);
  const int iterations = CountFromEnvironment("ORKV_FUZZ_ITERATIONS", 400);
  for (int i = 0; i < iterations; ++i) {
    TestStream stream(MutateRecord(valid, kRecordHeaderSize, random));
    if (random.Below(4) == 0)
      stream.shortReadAfter = random.Below(static_cast<std::uint32_t>(size));
    stream.failReads = random.Below(10) == 0;
    const std::vector<BYTE> bytes = stream.data;
    const std::vector<double> before = Block(params.Get());

    const HRESULT hr = persist->Load(&stream);
    const bool delivered = !stream.failReads && stream.shortReadAfter >= size;
    const bool whole = delivered && bytes.size() >= size &&
                       std::equal(valid.begin(), valid.begin() + kRecordHeaderSize, bytes.begin());
    ASSERT_EQ(SUCCEEDED(hr), whole) << "iteration " << i << ", 0x" << std::hex << hr;
    if (!whole) {
      ASSERT_EQ(Block(params.Get()), before) << "iteration " << i;
      continue;
    }
    std::vector<double> block(Info().slotCount);
    std::memcpy(block.data(), bytes.data() + kRecordHeaderSize, 8 * block.size());
    ASSERT_EQ(referenceParams->SetParameters(block.data()), S_OK);
    const std::vector<double> loaded = Block(params.Get());
    ASSERT_EQ(loaded, Block(referenceParams.Get())) << "iteration " << i;
    for (const double v : loaded) ASSERT_TRUE(std::isfinite(v));
  }
  EXPECT_EQ(persist->Load(nullptr), E_POINTER);
}

INSTANTIATE_TEST_SUITE_P(Plugins, LoadFuzzTest, ::testing::Values(ORKV_TEST_PLUGINS), PluginName);

// Settings blocks of the Tremolo whose output for a constant input tells
// which block made it: LFO at rest (Rate 0), so the gain is (1 - Depth) x
// volume, and the depths and volumes chosen so that no mix of two blocks gives
// the gain of a third.
constexpr double kFamily[][4] = {
    {0.1, 0, 0, 0}, {0.3, 0, 0, -6}, {0.45, 0, 0, -13}, {0.05, 0, 0, 2.5}};

float FamilyGain(const double (&block)[4]) {
  return static_cast<float>(((0.0 + (1.0 - block[0])) * 1.0) * DecibelsToGain(block[3]));
}

std::vector<BYTE> RecordOf(const OrkvPluginInfo& info, const double (&block)[4]) {
  Guid id;
  std::memcpy(&id, info.parametersIid, sizeof id);
  const RecordHeader header = EncodeRecordHeader<4>(id);
  const auto body = EncodeRecordBlock<4>({block[0], block[1], block[2], block[3]});
  std::vector<BYTE> bytes(header.begin(), header.end());
  bytes.insert(bytes.end(), body.begin(), body.end());
  return bytes;
}

constexpr int kTremolo = 5;

// One running Tremolo and every caller at once: a source streaming a constant,
// threads setting whole blocks, applying presets, loading records, flushing,
// and one cycling stop, pause and run. Every delivered buffer must come from
// one whole settings block: a constant gain of one family block, or the
// modulation of a preset within [0, 1]. Nothing may hang or crash.
TEST(ConcurrencyStressTest, EveryCallerAtOnceNeverTearsASettingsBlock) {
  ComApartment apartment;
  PluginLibrary library(kOrkvPlugins[kTremolo]);
  ASSERT_TRUE(library.Loaded());
  ComPtr<IGraphBuilder> graph;
  ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                            IID_IGraphBuilder, graph.GetVoidAddressOf()));
  ComPtr<IMediaControl> control;
  ASSERT_HRESULT_SUCCEEDED(graph.As(control));
  ComPtr<IBaseFilter> effect = library.Create<IBaseFilter>(IID_IBaseFilter);
  ASSERT_TRUE(effect);
  ComPtr<IEffectParameters> params;
  ComPtr<IEffectPresets> presets;
  ComPtr<IPersistStream> persist;
  ASSERT_EQ(effect->QueryInterface(*library.Info().parametersIid, params.GetVoidAddressOf()), S_OK);
  ASSERT_EQ(effect->QueryInterface(IID_IEffectPresets, presets.GetVoidAddressOf()), S_OK);
  ASSERT_EQ(effect->QueryInterface(IID_IPersistStream, persist.GetVoidAddressOf()), S_OK);
  auto* source = new AudioSource(AudioType(WAVE_FORMAT_IEEE_FLOAT, 2, 44100, 32), 4096);
  ComPtr<IBaseFilter> sourceRef(static_cast<IBaseFilter*>(source));
  auto* sink = new AudioSink;
  ComPtr<IBaseFilter> sinkRef(static_cast<IBaseFilter*>(sink));
  ASSERT_HRESULT_SUCCEEDED(graph->AddFilter(sourceRef.Get(), L"source"));
  ASSERT_HRESULT_SUCCEEDED(graph->AddFilter(effect.Get(), L"effect"));
  ASSERT_HRESULT_SUCCEEDED(graph->AddFilter(sinkRef.Get(), L"sink"));
  ComPtr<IPin> sourceOut, effectIn, effectOut, sinkIn;
  sourceRef->FindPin(L"Out", sourceOut.GetAddressOf());
  effect->FindPin(L"In", effectIn.GetAddressOf());
  effect->FindPin(L"Out", effectOut.GetAddressOf());
  sinkRef->FindPin(L"In", sinkIn.GetAddressOf());
  ASSERT_EQ(graph->ConnectDirect(sourceOut.Get(), effectIn.Get(), nullptr), S_OK);
  ASSERT_EQ(graph->ConnectDirect(effectOut.Get(), sinkIn.Get(), nullptr), S_OK);
  params->SetParameters(kFamily[0]);
  ASSERT_HRESULT_SUCCEEDED(control->Run());

  std::vector<float> allowed;
  for (const auto& block : kFamily) allowed.push_back(FamilyGain(block));
  const auto seconds = CountFromEnvironment("ORKV_STRESS_SECONDS", 3);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  const auto running = [&] { return std::chrono::steady_clock::now() < deadline; };
  std::atomic<long> delivered{0}, torn{0}, outOfRange{0};

  const auto stream = [&] {  // the streaming source, which also checks what arrives
    PushedBuffer buffer;
    buffer.bytes.resize(4096);
    const std::vector<float> ones(1024, 1.0f);
    std::memcpy(buffer.bytes.data(), ones.data(), buffer.bytes.size());
    while (running()) {
      if (FAILED(source->Push(buffer))) std::this_thread::yield();
      for (const ReceivedBuffer& r : sink->received) {
        std::vector<float> out(r.bytes.size() / 4);
        std::memcpy(out.data(), r.bytes.data(), out.size() * 4);
        if (out.empty()) continue;
        ++delivered;
        const bool constant =
            std::all_of(out.begin(), out.end(), [&](float v) { return v == out[0]; });
        if (constant) {
          torn += std::find(allowed.begin(), allowed.end(), out[0]) == allowed.end() ? 1 : 0;
        } else {
          for (const float v : out) outOfRange += (v >= 0.0f && v <= 1.0f) ? 0 : 1;
        }
      }
      sink->received.clear();
    }
  };
  const auto setBlocks = [&] {  // whole blocks through the parameter interface
    for (unsigned n = 0; running(); ++n) {
      params->SetParameters(kFamily[n % std::size(kFamily)]);
    }
  };
  const auto applyPresets = [&] {  // factory presets
    for (LONG n = 0; running(); ++n) {
      presets->ApplyPreset(n % 5);
      std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
  };
  const auto loadRecords = [&] {  // saved records
    for (unsigned n = 0; running(); ++n) {
      TestStream stream(RecordOf(library.Info(), kFamily[(n + 1) % std::size(kFamily)]));
      persist->Load(&stream);
    }
  };
  const auto flush = [&] {  // flushes, as an upstream filter seeking would
    while (running()) {
      effectIn->BeginFlush();
      effectIn->EndFlush();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  };
  const auto cycleState = [&] {  // the application cycling the graph's state
    while (running()) {
      control->Stop();
      control->Pause();
      control->Run();
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  };
  std::thread threads[] = {std::thread(stream),       std::thread(setBlocks),
                           std::thread(applyPresets), std::thread(loadRecords),
                           std::thread(flush),        std::thread(cycleState)};
  for (std::thread& t : threads) t.join();
  control->Stop();

  EXPECT_GT(delivered.load(), 100);
  EXPECT_EQ(torn.load(), 0);
  EXPECT_EQ(outOfRange.load(), 0);
}

}  // namespace
}  // namespace orkv::test
