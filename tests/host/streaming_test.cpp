// State transitions, the receive path, end of stream, flush, new segment and
// seeking of the transform base, driven through a real filter graph.
#include <dshow.h>
#include <gtest/gtest.h>

#include <thread>

#include "tests/host/graph_fixture.h"

namespace orkv::host::test {
namespace {

const std::vector<int16_t> kRamp = {1, -1, 100, -100, 20000, -20000, 3, 4};
const std::vector<int16_t> kRampDoubled = {2, -2, 200, -200, 32767, -32768, 6, 8};

FILTER_STATE StateOf(IBaseFilter* filter) {
  FILTER_STATE state = State_Running;
  EXPECT_EQ(filter->GetState(0, &state), S_OK);
  return state;
}

using StateTest = GraphTest;

TEST_F(StateTest, StreamingStartsOnlyAtStoppedToPaused) {
  ConnectBoth();
  ASSERT_EQ(control->Pause(), S_OK);
  EXPECT_EQ(gain->calls.startStreaming, 1);
  ASSERT_EQ(control->Run(), S_OK);
  EXPECT_EQ(StateOf(gain), State_Running);
  ASSERT_EQ(control->Pause(), S_OK);
  EXPECT_EQ(gain->calls.startStreaming, 1);
  EXPECT_EQ(gain->calls.stopStreaming, 0);

  ASSERT_EQ(control->Stop(), S_OK);
  EXPECT_EQ(gain->calls.stopStreaming, 1);
  EXPECT_EQ(StateOf(gain), State_Stopped);
  ASSERT_EQ(control->Run(), S_OK);  // run from stopped pauses first
  EXPECT_EQ(gain->calls.startStreaming, 2);
}

TEST_F(StateTest, ActivationCommitsAndStopDecommitsTheOutputAllocator) {
  ConnectBoth();
  ComPtr<IMediaSample> sample;
  IMemAllocator* allocator = gain->OutputPin()->Allocator();
  EXPECT_EQ(allocator->GetBuffer(sample.GetAddressOf(), nullptr, nullptr, 0), VFW_E_NOT_COMMITTED);
  ASSERT_EQ(gain->Pause(), S_OK);
  EXPECT_EQ(allocator->GetBuffer(sample.GetAddressOf(), nullptr, nullptr, 0), S_OK);
  sample.Reset();
  ASSERT_EQ(gain->Stop(), S_OK);
  EXPECT_EQ(allocator->GetBuffer(sample.GetAddressOf(), nullptr, nullptr, 0), VFW_E_NOT_COMMITTED);
}

TEST_F(StateTest, FailedStartStreamingKeepsTheFilterStopped) {
  ConnectBoth();
  gain->startResult = E_OUTOFMEMORY;
  EXPECT_EQ(gain->Pause(), E_OUTOFMEMORY);
  EXPECT_EQ(StateOf(gain), State_Stopped);
  gain->startResult = S_OK;
  EXPECT_EQ(gain->Pause(), S_OK);
  EXPECT_EQ(gain->calls.startStreaming, 2);
}

TEST_F(StateTest, FailedStopStreamingKeepsTheFilterPaused) {
  ConnectBoth();
  ASSERT_EQ(gain->Pause(), S_OK);
  gain->stopResult = E_FAIL;
  EXPECT_EQ(gain->Stop(), E_FAIL);
  EXPECT_EQ(StateOf(gain), State_Paused);
  gain->stopResult = S_OK;
  EXPECT_EQ(gain->Stop(), S_OK);
  EXPECT_EQ(StateOf(gain), State_Stopped);
}

TEST_F(StateTest, OnlyInputConnectedNeverStartsOrStopsStreaming) {
  ASSERT_EQ(ConnectInput(), S_OK);
  ASSERT_EQ(gain->Pause(), S_OK);
  EXPECT_EQ(StateOf(gain), State_Paused);
  ASSERT_EQ(gain->Stop(), S_OK);
  EXPECT_EQ(gain->calls.startStreaming, 0);
  EXPECT_EQ(gain->calls.stopStreaming, 0);
}

TEST_F(StateTest, PauseWithUnconnectedInputEndsTheStreamOncePerStop) {
  ConnectBoth();
  ASSERT_EQ(SourceOut()->Disconnect(), S_OK);
  ASSERT_EQ(GainIn()->Disconnect(), S_OK);

  ASSERT_EQ(gain->Pause(), S_OK);
  ASSERT_EQ(gain->Run(0), S_OK);
  ASSERT_EQ(gain->Pause(), S_OK);
  EXPECT_EQ(sink->endOfStream, 1);
  ASSERT_EQ(gain->Stop(), S_OK);
  ASSERT_EQ(gain->Pause(), S_OK);
  EXPECT_EQ(sink->endOfStream, 2);
  EXPECT_EQ(gain->calls.startStreaming, 0);
}

using ReceiveTest = GraphTest;

TEST_F(ReceiveTest, SamplesAreTransformedWithTimesAndFlags) {
  ConnectBoth();
  ASSERT_EQ(control->Run(), S_OK);
  ASSERT_EQ(source->Push(kRamp, 0, 1000, true, true), S_OK);
  ASSERT_EQ(source->Push(kRamp, 1000, 2000, false, false), S_OK);
  ASSERT_EQ(source->Output()->DeliverEndOfStream(), S_OK);

  ASSERT_EQ(sink->samples.size(), 2u);
  EXPECT_EQ(sink->samples[0].data, kRampDoubled);
  EXPECT_TRUE(sink->samples[0].timed);
  EXPECT_EQ(sink->samples[0].start, 0);
  EXPECT_EQ(sink->samples[0].stop, 1000);
  EXPECT_TRUE(sink->samples[0].sync);
  EXPECT_TRUE(sink->samples[0].discontinuity);
  EXPECT_EQ(sink->samples[1].start, 1000);
  EXPECT_FALSE(sink->samples[1].sync);
  EXPECT_FALSE(sink->samples[1].discontinuity);
  EXPECT_EQ(sink->endOfStream, 1);
}

TEST_F(ReceiveTest, PushedFromAStreamingThreadWhileTheGraphRuns) {
  ConnectBoth();
  ASSERT_EQ(control->Run(), S_OK);
  std::thread pusher([this] {
    for (int i = 0; i < 20; ++i) source->Push(kRamp, i * 100, i * 100 + 100);
    source->Output()->DeliverEndOfStream();
  });
  EXPECT_EQ(WaitForSingleObject(sink->endOfStreamEvent, 30000), WAIT_OBJECT_0);
  pusher.join();
  ASSERT_EQ(control->Stop(), S_OK);
  ASSERT_EQ(sink->samples.size(), 20u);
  EXPECT_EQ(sink->samples[19].start, 1900);
  EXPECT_EQ(sink->samples[19].data, kRampDoubled);
}

TEST_F(ReceiveTest, RefusedWhenStoppedOrOutputUnconnected) {
  ASSERT_EQ(ConnectInput(), S_OK);
  EXPECT_EQ(GainTransport()->Receive(LooseSample(kRamp)), VFW_E_NOT_CONNECTED);
  EXPECT_EQ(GainIn()->EndOfStream(), VFW_E_NOT_CONNECTED);
  ASSERT_EQ(ConnectOutput(), S_OK);
  EXPECT_EQ(GainTransport()->Receive(LooseSample(kRamp)), VFW_E_WRONG_STATE);
  EXPECT_EQ(GainIn()->EndOfStream(), VFW_E_WRONG_STATE);

  ASSERT_EQ(control->Pause(), S_OK);
  EXPECT_EQ(GainTransport()->Receive(LooseSample(kRamp)), S_OK);
  ASSERT_EQ(control->Stop(), S_OK);
  EXPECT_EQ(GainTransport()->Receive(LooseSample(kRamp)), VFW_E_WRONG_STATE);
  EXPECT_EQ(sink->samples.size(), 1u);
}

TEST_F(ReceiveTest, DownstreamAnswerIsPassedUpstream) {
  ConnectBoth();
  sink->receiveResult = S_FALSE;
  ASSERT_EQ(control->Pause(), S_OK);
  EXPECT_EQ(source->Push(kRamp, 0, 10), S_FALSE);
}

TEST_F(ReceiveTest, RefusedSampleTypeRaisesARunTimeErrorUntilStopped) {
  ConnectBoth();
  ComPtr<IMediaEvent> events;
  ASSERT_HRESULT_SUCCEEDED(graph->QueryInterface(IID_IMediaEvent, events.GetVoidAddressOf()));
  ASSERT_EQ(control->Pause(), S_OK);

  CMediaType eightBit = PcmType(2, 8);
  EXPECT_EQ(source->Push(kRamp, 0, 10, true, false, &eightBit), VFW_E_INVALIDMEDIATYPE);
  EXPECT_EQ(sink->endOfStream, 1);
  EXPECT_EQ(source->Push(kRamp, 10, 20), VFW_E_RUNTIME_ERROR);
  EXPECT_TRUE(sink->samples.empty());

  long code = 0;
  LONG_PTR param1 = 0, param2 = 0;
  bool aborted = false;
  while (events->GetEvent(&code, &param1, &param2, 0) == S_OK) {
    if (code == EC_ERRORABORT && param1 == VFW_E_TYPE_NOT_ACCEPTED) aborted = true;
    events->FreeEventParams(code, param1, param2);
  }
  EXPECT_TRUE(aborted);

  ASSERT_EQ(control->Stop(), S_OK);
  ASSERT_EQ(control->Pause(), S_OK);
  EXPECT_EQ(source->Push(kRamp, 20, 30), S_OK);
}

TEST_F(ReceiveTest, AcceptedSampleTypeIsNotAdopted) {
  ConnectBoth();
  ASSERT_EQ(control->Pause(), S_OK);
  CMediaType mono = PcmType(1);
  EXPECT_EQ(source->Push(kRamp, 0, 10, true, false, &mono), S_OK);
  EXPECT_TRUE(gain->InputPin()->CurrentMediaType() == PcmType(2));
  EXPECT_EQ(sink->samples.size(), 1u);
}

using ForwardingTest = GraphTest;

TEST_F(ForwardingTest, FlushGoesDownstreamAndSamplesDuringItAreOffered) {
  EXPECT_EQ(GainIn()->BeginFlush(), VFW_E_NOT_CONNECTED);
  ConnectBoth();
  ASSERT_EQ(control->Pause(), S_OK);
  ASSERT_EQ(GainIn()->BeginFlush(), S_OK);
  EXPECT_EQ(sink->beginFlush, 1);
  // Processed and delivered; the flushing sink refuses it.
  EXPECT_EQ(GainTransport()->Receive(LooseSample(kRamp)), S_FALSE);
  EXPECT_TRUE(sink->samples.empty());
  ASSERT_EQ(GainIn()->EndFlush(), S_OK);
  EXPECT_EQ(sink->endFlush, 1);
  EXPECT_EQ(source->Push(kRamp, 0, 10), S_OK);
  EXPECT_EQ(sink->samples.size(), 1u);
}

TEST_F(ForwardingTest, OutputPinRefusesInputSideCalls) {
  EXPECT_EQ(GainOut()->EndOfStream(), E_UNEXPECTED);
  EXPECT_EQ(GainOut()->BeginFlush(), E_UNEXPECTED);
  EXPECT_EQ(GainOut()->EndFlush(), E_UNEXPECTED);
}

TEST_F(ForwardingTest, NewSegmentIsRecordedAndPassedOn) {
  ConnectBoth();
  ASSERT_EQ(GainIn()->NewSegment(100, 5000, 1.5), S_OK);
  EXPECT_EQ(gain->InputPin()->CurrentStartTime(), 100);
  EXPECT_EQ(sink->segmentStart, 100);
  EXPECT_EQ(sink->segmentStop, 5000);
  EXPECT_EQ(sink->segmentRate, 1.5);
}

TEST_F(ForwardingTest, OutputPinSeeksThroughAnAggregatedPassThrough) {
  ConnectBoth();
  ComPtr<IMediaSeeking> seeking;
  ASSERT_EQ(GainOut()->QueryInterface(IID_IMediaSeeking, seeking.GetVoidAddressOf()), S_OK);
  ComPtr<IMediaPosition> position;
  EXPECT_EQ(GainOut()->QueryInterface(IID_IMediaPosition, position.GetVoidAddressOf()), S_OK);
  ComPtr<IPin> back;
  ASSERT_EQ(seeking->QueryInterface(IID_IPin, back.GetVoidAddressOf()), S_OK);
  EXPECT_EQ(back.Get(), GainOut()) << "the pass-through shares the pin's identity";
  // The test source cannot seek: the request went upstream and was refused there.
  LONGLONG duration = 0;
  EXPECT_HRESULT_FAILED(seeking->GetDuration(&duration));
}

}  // namespace
}  // namespace orkv::host::test
