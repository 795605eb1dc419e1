// Each effect filter between a test source and a test sink in a real filter
// graph: format negotiation, buffer sizing, the receive loop's chunking, times
// and flags, and when the engine starts afresh.
#include "tests/plugins/filter_graph_fixture.h"

namespace orkv::test {
namespace {

TEST_P(FilterGraphTest, MonoPcmBecomesStereoWithDoubledBuffersAndEditorsAreTold) {
  NotifyWindow editor;
  ASSERT_EQ(params->SetNotifyWindow(editor.Handle(), 32700), S_OK);
  WAVEFORMATEX format{};
  EXPECT_EQ(params->GetPinFormat(0, &format), VFW_E_NOT_CONNECTED);

  ASSERT_EQ(ConnectInput(AudioType(kPcm, 1, 44100, 16), 4096), S_OK);
  EXPECT_EQ(params->GetPinFormat(1, &format), VFW_E_NOT_CONNECTED);
  ASSERT_EQ(ConnectOutput(), S_OK);

  const WAVEFORMATEX out = OutputFormat();
  EXPECT_EQ(out.wFormatTag, kPcm);
  EXPECT_EQ(out.nChannels, 2);
  EXPECT_EQ(out.nSamplesPerSec, 44100u);
  EXPECT_EQ(out.wBitsPerSample, 16);
  EXPECT_EQ(out.nBlockAlign, 4);
  EXPECT_EQ(out.nAvgBytesPerSec, 176400u);
  EXPECT_EQ(sink->grantedBufferBytes, 8192);

  ASSERT_EQ(params->GetPinFormat(0, &format), S_OK);
  EXPECT_EQ(format.nChannels, 1);
  EXPECT_EQ(format.nBlockAlign, 2);
  EXPECT_EQ(format.cbSize, 0);
  ASSERT_EQ(params->GetPinFormat(1, &format), S_OK);
  EXPECT_EQ(format.nAvgBytesPerSec, 176400u);
  EXPECT_EQ(params->GetPinFormat(2, &format), VFW_E_NOT_CONNECTED);
  EXPECT_EQ(params->GetPinFormat(-1, &format), VFW_E_NOT_CONNECTED);

  const std::vector<WPARAM> events = editor.TakeCommands();
  EXPECT_EQ(events, (std::vector<WPARAM>{MAKEWPARAM(32700, 0), MAKEWPARAM(32700, 1)}));
}

TEST_P(FilterGraphTest, StereoFloatKeepsItsFormatAndBufferSize) {
  ASSERT_EQ(ConnectInput(AudioType(kFloat, 2, 48000, 32), 6000), S_OK);
  ASSERT_EQ(ConnectOutput(), S_OK);
  const WAVEFORMATEX out = OutputFormat();
  EXPECT_EQ(out.wFormatTag, kFloat);
  EXPECT_EQ(out.nChannels, 2);
  EXPECT_EQ(out.nBlockAlign, 8);
  EXPECT_EQ(out.nAvgBytesPerSec, 384000u);
  EXPECT_EQ(out.cbSize, 0);
  EXPECT_EQ(sink->grantedBufferBytes, 6000);
}

TEST_P(FilterGraphTest, UnsupportedInputIsRefused) {
  struct Case {
    WORD tag, channels, bits;
  };
  for (const Case c : {Case{kPcm, 1, 8}, Case{kPcm, 2, 24}, Case{kFloat, 2, 64}, Case{kPcm, 6, 16},
                       Case{WAVE_FORMAT_EXTENSIBLE, 2, 16}}) {
    EXPECT_TRUE(FAILED(ConnectInput(AudioType(c.tag, c.channels, 44100, c.bits))))
        << c.tag << "/" << c.channels << "/" << c.bits;
  }
}

// The lowest rate each engine runs at: the Filter's resonator needs 32 kHz, the
// Phaser's sweep 1 kHz; at 0 Hz no oscillator has a step.
DWORD LowestRate(const OrkvPluginInfo& info) {
  if (IsFilterPlugin(info)) return 32000;
  return std::string(info.effect) == "Phaser" ? 1000 : 1;
}

TEST_P(FilterGraphTest, RatesBelowTheEnginesFloorAreRefused) {
  const DWORD lowest = LowestRate(library.Info());
  for (const DWORD rate : {0ul, 1ul, 999ul, 1000ul, 22050ul, 31999ul, lowest - 1}) {
    EXPECT_EQ(SUCCEEDED(ConnectInput(AudioType(kPcm, 2, rate, 16))), rate >= lowest) << rate;
    graph->RemoveFilter(sourceRef.Get());
  }
  EXPECT_EQ(ConnectInput(AudioType(kFloat, 2, lowest, 32)), S_OK);
}

TEST_P(FilterGraphTest, OutputOffersNothingBeforeTheInputIsConnected) {
  ComPtr<IEnumMediaTypes> types;
  ASSERT_EQ(Pin(filter.Get(), L"Out")->EnumMediaTypes(types.GetAddressOf()), S_OK);
  AM_MEDIA_TYPE* type = nullptr;
  EXPECT_EQ(types->Next(1, &type, nullptr), S_FALSE);
  EXPECT_TRUE(FAILED(ConnectOutput()));
}

TEST_P(FilterGraphTest, BuffersUnder512BytesFailTheOutputConnection) {
  ASSERT_EQ(ConnectInput(AudioType(kPcm, 2, 44100, 16)), S_OK);
  sink->ownAllocatorOnly = true;  // no fallback to a system allocator
  sink->maxBufferBytes = 511;
  EXPECT_TRUE(FAILED(ConnectOutput()));
  sink->maxBufferBytes = 512;
  EXPECT_EQ(ConnectOutput(), S_OK);
}

// With the output connected, a new input type is fine when the output type
// still fits, and otherwise only when downstream takes its stereo form.
TEST_P(FilterGraphTest, NewInputTypesAreCheckedAgainstTheConnectedOutput) {
  ASSERT_EQ(ConnectInput(AudioType(kPcm, 1, 44100, 16)), S_OK);
  ASSERT_EQ(ConnectOutput(), S_OK);
  IPin* effectIn = Pin(filter.Get(), L"In");
  const host::CMediaType stereo = AudioType(kPcm, 2, 44100, 16);
  const host::CMediaType deep = AudioType(kPcm, 2, 44100, 24);
  const host::CMediaType faster = AudioType(kPcm, 2, 48000, 16);
  EXPECT_EQ(effectIn->QueryAccept(&stereo), S_OK);  // the output still fits
  EXPECT_NE(effectIn->QueryAccept(&deep), S_OK);    // never accepted

  sink->onlyRate = 44100;
  EXPECT_NE(effectIn->QueryAccept(&faster), S_OK);
  sink->onlyRate = 48000;
  EXPECT_EQ(effectIn->QueryAccept(&faster), S_OK);
}

// 4096 bytes of mono 16-bit audio into 2048-byte output buffers: four
// deliveries of 512 frames; only the first carries times and flags.
TEST_P(FilterGraphTest, SmallOutputBuffersCutTheInputAtWholeFrames) {
  ASSERT_EQ(ConnectInput(AudioType(kPcm, 1, 44100, 16), 4096), S_OK);
  sink->maxBufferBytes = 2048;
  ASSERT_EQ(ConnectOutput(), S_OK);
  ASSERT_EQ(control->Pause(), S_OK);

  PushedBuffer in{Pcm16Ramp(2048), 1000, 2000, true, true};
  EXPECT_EQ(source->Push(in), S_OK);
  ASSERT_EQ(sink->received.size(), 4u);
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(sink->received[i].bytes.size(), 2048u);
    EXPECT_EQ(sink->received[i].timed, i == 0);
    EXPECT_EQ(sink->received[i].sync, i == 0);
    EXPECT_EQ(sink->received[i].discontinuity, i == 0);
  }
  EXPECT_EQ(sink->received[0].start, 1000);
  EXPECT_EQ(sink->received[0].stop, 2000);
}

// Data that only settles the effect after a seek is processed, so the effect is
// warm, but every buffer cut from it stays marked as not to be played.
TEST_P(FilterGraphTest, PrerollReachesEveryChunkOfItsInputBuffer) {
  ASSERT_EQ(ConnectInput(AudioType(kPcm, 1, 44100, 16), 4096), S_OK);
  sink->maxBufferBytes = 2048;
  ASSERT_EQ(ConnectOutput(), S_OK);
  ASSERT_EQ(control->Pause(), S_OK);

  PushedBuffer settling{Pcm16Ramp(2048), 0, 10, true, false, true};
  EXPECT_EQ(source->Push(settling), S_OK);
  PushedBuffer played{Pcm16Ramp(512), 10, 20, true, false, false};
  EXPECT_EQ(source->Push(played), S_OK);
  ASSERT_EQ(sink->received.size(), 5u);
  for (size_t i = 0; i < 4; ++i) EXPECT_TRUE(sink->received[i].preroll) << i;
  EXPECT_FALSE(sink->received[4].preroll);
}

TEST_P(FilterGraphTest, TimesFlagsAndOddLengthsFollowTheInput) {
  ASSERT_EQ(ConnectInput(AudioType(kPcm, 2, 44100, 16), 4096), S_OK);
  ASSERT_EQ(ConnectOutput(), S_OK);
  ASSERT_EQ(control->Pause(), S_OK);

  // A start time without a stop time: the output gets no times at all.
  EXPECT_EQ(source->Push({Pcm16Ramp(64), 500, std::nullopt, false, false}), S_OK);
  // An empty buffer: one empty delivery with the input's times and flags.
  EXPECT_EQ(source->Push({{}, 10, 20, true, false, true}), S_OK);
  // A partial frame at the end is dropped, and the loop ends.
  std::vector<std::uint8_t> odd = Pcm16Ramp(64);
  odd.resize(odd.size() + 3);
  EXPECT_EQ(source->Push({odd, std::nullopt, std::nullopt, false, true}), S_OK);

  ASSERT_EQ(sink->received.size(), 3u);
  EXPECT_FALSE(sink->received[0].timed);
  EXPECT_EQ(sink->received[0].bytes.size(), 128u);
  EXPECT_TRUE(sink->received[1].timed);
  EXPECT_EQ(sink->received[1].start, 10);
  EXPECT_TRUE(sink->received[1].sync);
  EXPECT_TRUE(sink->received[1].bytes.empty());
  EXPECT_TRUE(sink->received[1].preroll);
  EXPECT_FALSE(sink->received[0].preroll);
  EXPECT_EQ(sink->received[2].bytes.size(), 128u);  // 32 whole stereo frames
  EXPECT_TRUE(sink->received[2].discontinuity);
}

TEST_P(FilterGraphTest, DownstreamSFalseStillGetsEveryChunk) {
  ASSERT_EQ(ConnectInput(AudioType(kPcm, 2, 44100, 16), 4096), S_OK);
  sink->maxBufferBytes = 1024;
  ASSERT_EQ(ConnectOutput(), S_OK);
  ASSERT_EQ(control->Pause(), S_OK);
  sink->receiveResult = S_FALSE;
  EXPECT_EQ(source->Push({Pcm16Ramp(2048), 0, 1, false, false}), S_FALSE);
  EXPECT_EQ(sink->received.size(), 4u);
}

// The engine starts afresh at every stop-to-pause, and only then: a flush
// keeps its state.
TEST_P(FilterGraphTest, EngineRestartsOnlyWhenStreamingStarts) {
  ASSERT_EQ(ConnectInput(AudioType(kPcm, 2, 44100, 16), 8192), S_OK);
  ASSERT_EQ(ConnectOutput(), S_OK);
  const PushedBuffer in{Pcm16Ramp(4096), 0, 1, true, false};
  auto render = [&] {
    sink->received.clear();
    EXPECT_EQ(source->Push(in), S_OK);
    return sink->received.at(0).bytes;
  };

  ASSERT_EQ(control->Pause(), S_OK);
  const auto first = render();
  IPin* effectIn = Pin(filter.Get(), L"In");
  ASSERT_EQ(effectIn->BeginFlush(), S_OK);
  ASSERT_EQ(effectIn->EndFlush(), S_OK);
  EXPECT_NE(render(), first) << "a flush must not restart the engine";

  ASSERT_EQ(control->Stop(), S_OK);
  ASSERT_EQ(control->Pause(), S_OK);
  EXPECT_EQ(render(), first) << "stop then pause restarts it";
}

INSTANTIATE_TEST_SUITE_P(Plugins, FilterGraphTest, ::testing::Values(ORKV_TEST_PLUGINS),
                         PluginName);

}  // namespace
}  // namespace orkv::test
