// Each effect filter driven as real hosts and the platform's own filters drive
// it, not as politely as our test neighbours: threads racing for the pins, a
// renderer calling back while the graph stops, a graph that reconnects later
// (or never), format blocks of any length, null data pointers, samples that
// change format in the middle of a stream.
#include <atomic>
#include <chrono>
#include <thread>

#include "host/media_type.h"
#include "tests/plugins/filter_graph_fixture.h"
#include "tests/plugins/hostile_neighbours.h"

namespace orkv::test {
namespace {

using namespace std::chrono_literals;

class HostileHostTest : public FilterGraphTest {
 protected:
  // The effect's input allocator, the one the test source fills.
  ComPtr<IMemAllocator> InputAllocator() {
    ComPtr<IMemInputPin> transport;
    EXPECT_EQ(
        Pin(filter.Get(), L"In")->QueryInterface(IID_IMemInputPin, transport.GetVoidAddressOf()),
        S_OK);
    ComPtr<IMemAllocator> allocator;
    if (transport) transport->GetAllocator(allocator.GetAddressOf());
    return allocator;
  }
};

// Waits (bounded) until `done` holds, polling.
template <class Condition>
bool Eventually(Condition done, std::chrono::milliseconds limit = 5000ms) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    Sleep(1);
  }
  return true;
}

TEST_P(HostileHostTest, TwoThreadsAskingForThePinsOfANewFilterGetTheSamePins) {
  for (int trial = 0; trial < 500; ++trial) {
    ComPtr<IBaseFilter> fresh = library.Create<IBaseFilter>(IID_IBaseFilter);
    ASSERT_TRUE(fresh);
    ComPtr<IEnumPins> enumerators[2];
    for (auto& e : enumerators) ASSERT_EQ(fresh->EnumPins(e.GetAddressOf()), S_OK);
    IPin* got[2] = {};
    std::atomic<int> ready{0};
    auto take = [&](int i) {
      ready.fetch_add(1);
      while (ready.load() < 2) {
      }
      enumerators[i]->Next(1, &got[i], nullptr);
    };
    std::thread first(take, 0), second(take, 1);
    first.join();
    second.join();
    ASSERT_NE(got[0], nullptr);
    EXPECT_EQ(got[0], got[1]) << "trial " << trial;
    for (IPin* pin : got) {
      if (pin != nullptr) pin->Release();
    }
  }
}

// A renderer handling end of stream asks the pin feeding it who it is
// connected to, for its type and for seeking, on the streaming thread, while
// the application stops the effect (which then holds the filter lock and waits
// for the streaming lock).
TEST_P(HostileHostTest, StoppingWhileDownstreamCallsBackDuringEndOfStreamCompletes) {
  ASSERT_EQ(ConnectInput(AudioType(kPcm, 2, 44100, 16)), S_OK);
  ASSERT_EQ(ConnectOutput(), S_OK);
  ASSERT_EQ(control->Pause(), S_OK);
  IPin* effectIn = Pin(filter.Get(), L"In");
  IPin* effectOut = Pin(filter.Get(), L"Out");
  ComPtr<IMemAllocator> inputAllocator = InputAllocator();
  ASSERT_TRUE(inputAllocator);

  std::atomic<bool> inEndOfStream{false};
  std::atomic<int> answered{0};
  sink->onEndOfStream = [&] {
    inEndOfStream = true;
    // Stop decommits the input allocator under the filter lock before it waits
    // for the streaming lock that this thread holds.
    Eventually([&] {
      ComPtr<IMediaSample> probe;
      return inputAllocator->GetBuffer(probe.GetAddressOf(), nullptr, nullptr, 0) ==
             VFW_E_NOT_COMMITTED;
    });
    ComPtr<IPin> downstream, upstream;
    answered += effectOut->ConnectedTo(downstream.GetAddressOf()) == S_OK;
    answered += effectIn->ConnectedTo(upstream.GetAddressOf()) == S_OK;
    AM_MEDIA_TYPE type{};
    answered += effectOut->ConnectionMediaType(&type) == S_OK;
    answered += effectOut->QueryAccept(&type) == S_OK;
    host::FreeMediaType(type);
    PIN_INFO info{};
    answered += effectOut->QueryPinInfo(&info) == S_OK;
    if (info.pFilter != nullptr) info.pFilter->Release();
    LPWSTR id = nullptr;
    answered += effectOut->QueryId(&id) == S_OK;
    CoTaskMemFree(id);
    ComPtr<IEnumMediaTypes> types;
    answered += effectOut->EnumMediaTypes(types.GetAddressOf()) == S_OK;
    AM_MEDIA_TYPE* proposed = nullptr;
    if (types && types->Next(1, &proposed, nullptr) == S_OK) host::DeleteMediaType(proposed);
    ComPtr<IMediaSeeking> seeking;  // the pass-through asks our input pin for its peer
    answered += effectOut->QueryInterface(IID_IMediaSeeking, seeking.GetVoidAddressOf()) == S_OK;
    LONGLONG position = 0;
    if (seeking) seeking->GetCurrentPosition(&position);
    FILTER_INFO filterInfo{};
    answered += filter->QueryFilterInfo(&filterInfo) == S_OK;
    if (filterInfo.pGraph != nullptr) filterInfo.pGraph->Release();
  };

  RunWithin(30s, "a stop racing end of stream", [&] {
    std::thread streaming([&] { source->PushEndOfStream(); });
    EXPECT_TRUE(Eventually([&] { return inEndOfStream.load(); }));
    EXPECT_EQ(filter->Stop(), S_OK);
    streaming.join();
  });
  EXPECT_EQ(answered.load(), 9);
  EXPECT_EQ(sink->endOfStreamCount, 1);
}

TEST_P(HostileHostTest, NullInputDataIsRefusedWithNothingDelivered) {
  ASSERT_EQ(ConnectInput(AudioType(kPcm, 2, 44100, 16)), S_OK);
  ASSERT_EQ(ConnectOutput(), S_OK);
  ASSERT_EQ(control->Pause(), S_OK);
  ComPtr<IMediaSample> real;
  ASSERT_EQ(InputAllocator()->GetBuffer(real.GetAddressOf(), nullptr, nullptr, 0), S_OK);
  ASSERT_EQ(real->SetActualDataLength(1024), S_OK);
  ComPtr<IMemInputPin> transport;
  ASSERT_EQ(
      Pin(filter.Get(), L"In")->QueryInterface(IID_IMemInputPin, transport.GetVoidAddressOf()),
      S_OK);
  EXPECT_EQ(transport->Receive(NullDataSample(real.Get()).Get()), E_POINTER);
  EXPECT_TRUE(sink->received.empty());
}

TEST_P(HostileHostTest, NullOutputBuffersAreRefusedWithNothingDelivered) {
  ASSERT_EQ(ConnectInput(AudioType(kFloat, 2, 44100, 32)), S_OK);
  sink->nullBufferPointers = true;
  ASSERT_EQ(ConnectOutput(), S_OK);
  ASSERT_EQ(control->Pause(), S_OK);
  EXPECT_EQ(source->Push({std::vector<std::uint8_t>(2048, 0x11), 0, 1, true, false}), E_POINTER);
  EXPECT_TRUE(sink->received.empty());
}

// The filter never reads data in a format other than its own: a sample that
// brings a new format ends the stream; the same format attached again is fine.
TEST_P(HostileHostTest, ASampleInANewFormatIsRefusedAndNotRead) {
  ASSERT_EQ(ConnectInput(AudioType(kPcm, 2, 44100, 16)), S_OK);
  sink->guardedBuffers = true;
  ASSERT_EQ(ConnectOutput(), S_OK);
  ASSERT_EQ(control->Pause(), S_OK);
  const host::CMediaType same = AudioType(kPcm, 2, 44100, 16);
  const host::CMediaType mono = AudioType(kPcm, 1, 44100, 16);  // passes the transform check
  const PushedBuffer buffer{Pcm16Ramp(1024), 0, 1, true, false};

  EXPECT_EQ(source->Push(buffer, &same), S_OK);
  EXPECT_EQ(sink->received.size(), 1u);
  EXPECT_EQ(source->Push(buffer, &mono), VFW_E_INVALIDMEDIATYPE);
  EXPECT_EQ(sink->received.size(), 1u);
  EXPECT_EQ(sink->endOfStreamCount, 1);
  EXPECT_EQ(source->Push(buffer), VFW_E_RUNTIME_ERROR) << "the stream stays ended";
}

TEST_P(HostileHostTest, PinFormatsAreReportedOnlyWhileConnected) {
  WAVEFORMATEX format{};
  ASSERT_EQ(ConnectInput(AudioType(kPcm, 2, 44100, 16)), S_OK);
  sink->ownAllocatorOnly = true;
  sink->maxBufferBytes = 100;  // under the filter's floor: the output connection fails
  ASSERT_TRUE(FAILED(ConnectOutput()));
  EXPECT_EQ(params->GetPinFormat(1, &format), VFW_E_NOT_CONNECTED);
  EXPECT_EQ(params->GetPinFormat(0, &format), S_OK);

  sink->maxBufferBytes = 0;
  ASSERT_EQ(ConnectOutput(), S_OK);
  EXPECT_EQ(params->GetPinFormat(1, &format), S_OK);
  ASSERT_EQ(graph->Disconnect(Pin(filter.Get(), L"Out")), S_OK);
  EXPECT_EQ(params->GetPinFormat(1, &format), VFW_E_NOT_CONNECTED);
  ASSERT_EQ(graph->Disconnect(Pin(filter.Get(), L"In")), S_OK);
  EXPECT_EQ(params->GetPinFormat(0, &format), VFW_E_NOT_CONNECTED);
}

// The platform documents Reconnect as carried out later, on another thread,
// possibly failing after it answered S_OK. Until it has happened the output
// keeps its old type, and the filter must not stream float input into buffers
// sized for 16-bit output.
TEST_P(HostileHostTest, AnInputRetypedBehindTheOutputDoesNotStreamUntilReconnected) {
  LazyReconnectGraph lazy;
  ComPtr<IBaseFilter> lone = library.Create<IBaseFilter>(IID_IBaseFilter);
  ASSERT_EQ(lone->JoinFilterGraph(&lazy, L"lone"), S_OK);
  auto* first = new AudioSource(AudioType(kPcm, 2, 44100, 16), 4096);
  auto* second = new AudioSource(AudioType(kFloat, 1, 44100, 32), 4096);
  auto* guardedSink = new AudioSink;
  guardedSink->guardedBuffers = true;
  ComPtr<IBaseFilter> refs[] = {ComPtr<IBaseFilter>(first), ComPtr<IBaseFilter>(second),
                                ComPtr<IBaseFilter>(guardedSink)};
  IPin* loneIn = Pin(lone.Get(), L"In");
  IPin* loneOut = Pin(lone.Get(), L"Out");

  ASSERT_EQ(first->GetPin(0)->Connect(loneIn, nullptr), S_OK);
  ASSERT_EQ(loneOut->Connect(guardedSink->GetPin(0), nullptr), S_OK);
  ASSERT_EQ(first->GetPin(0)->Disconnect(), S_OK);
  ASSERT_EQ(loneIn->Disconnect(), S_OK);
  ASSERT_EQ(second->GetPin(0)->Connect(loneIn, nullptr), S_OK);
  EXPECT_EQ(lazy.reconnectCalls, 1);

  EXPECT_EQ(lone->Pause(), VFW_E_TYPE_NOT_ACCEPTED);
  FILTER_STATE state = State_Running;
  EXPECT_EQ(lone->GetState(0, &state), S_OK);
  EXPECT_EQ(state, State_Stopped);
  ASSERT_EQ(second->Pause(), S_OK);
  EXPECT_TRUE(FAILED(second->Push({std::vector<std::uint8_t>(4096, 0x3f), 0, 1, true, false})));
  EXPECT_TRUE(guardedSink->received.empty());

  second->Stop();
  loneOut->Disconnect();
  guardedSink->GetPin(0)->Disconnect();
  loneIn->Disconnect();
  second->GetPin(0)->Disconnect();
  lone->JoinFilterGraph(nullptr, nullptr);
}

// A media type whose format block ends right before a no-access page, of every
// length from 0 to 40 bytes: read only within its length, refused under 16.
TEST_P(HostileHostTest, FormatBlocksOfEveryLengthAreReadWithinTheirLength) {
  ASSERT_EQ(ConnectInput(AudioType(kPcm, 1, 44100, 16)), S_OK);
  ASSERT_EQ(ConnectOutput(), S_OK);
  IPin* effectIn = Pin(filter.Get(), L"In");
  IPin* effectOut = Pin(filter.Get(), L"Out");
  SYSTEM_INFO system;
  GetSystemInfo(&system);
  BYTE* pages = static_cast<BYTE*>(
      VirtualAlloc(nullptr, 2 * system.dwPageSize, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
  ASSERT_NE(pages, nullptr);
  DWORD old = 0;
  VirtualProtect(pages + system.dwPageSize, system.dwPageSize, PAGE_NOACCESS, &old);

  // A rate the connected output does not have, so the stereo form of each type
  // is made and offered downstream.
  const host::CMediaType full = AudioType(kPcm, 1, 48000, 16);
  for (ULONG length = 0; length <= 40; ++length) {
    AM_MEDIA_TYPE type = full;  // shallow: the block below replaces its format
    BYTE* block = pages + system.dwPageSize - length;
    std::memset(block, 0, length);
    std::memcpy(block, full.pbFormat, std::min<ULONG>(length, full.cbFormat));
    type.pbFormat = length > 0 ? block : nullptr;
    type.cbFormat = length;
    type.pUnk = nullptr;
    const HRESULT expected = length >= 16 ? S_OK : S_FALSE;
    EXPECT_EQ(effectIn->QueryAccept(&type), expected) << length << " bytes";
    EXPECT_EQ(effectOut->QueryAccept(&type), S_FALSE) << length << " bytes (mono output)";
  }
  VirtualFree(pages, 0, MEM_RELEASE);

  // Sample-attached types of every length: only the streaming format passes.
  ASSERT_EQ(control->Pause(), S_OK);
  const host::CMediaType streaming = AudioType(kPcm, 1, 44100, 16);
  for (ULONG length = 16; length <= 40; ++length) {
    host::CMediaType attached = streaming;
    ASSERT_NE(attached.ReallocFormatBuffer(length), nullptr);
    if (length > 18) std::memset(attached.pbFormat + 18, 0, length - 18);
    EXPECT_EQ(source->Push({Pcm16Ramp(256), 0, 1, false, false}, &attached), S_OK) << length;
  }
  EXPECT_EQ(sink->received.size(), 25u);
}

// Through the real input pin's connection, with the output connected.
TEST_P(HostileHostTest, ConnectionsWithShortFormatBlocksAreRefused) {
  ASSERT_EQ(ConnectInput(AudioType(kPcm, 2, 44100, 16)), S_OK);
  ASSERT_EQ(ConnectOutput(), S_OK);
  graph->RemoveFilter(sourceRef.Get());
  for (ULONG length = 0; length <= 40; ++length) {
    host::CMediaType type = AudioType(kPcm, 2, 44100, 16);
    if (length == 0) {
      type.ResetFormatBuffer();
    } else {
      ASSERT_NE(type.ReallocFormatBuffer(length), nullptr);
      if (length > 18) std::memset(type.pbFormat + 18, 0, length - 18);
    }
    EXPECT_EQ(SUCCEEDED(ConnectInput(type)), length >= 16) << length << " bytes";
    graph->RemoveFilter(sourceRef.Get());
  }
}

INSTANTIATE_TEST_SUITE_P(Plugins, HostileHostTest, ::testing::Values(ORKV_TEST_PLUGINS),
                         PluginName);

}  // namespace
}  // namespace orkv::test
