// The render host's own source and sink in real filter graphs of the platform
// (Wine's filter graph manager), with their pooled allocator and worker
// threads, which are tested on their own first: what the reader thread
// reads ahead and the writer thread writes behind arrives whole and in order,
// stopping while streaming ends in bounded time and loses nothing received,
// and read and write failures stop the graph with their reasons.
#include <windows.h>

#include <control.h>
#include <evcode.h>
#include <mmreg.h>
#include <uuids.h>
#include <vfwmsgs.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "host/com_ptr.h"
#include "host/media_type.h"
#include "tests/plugins/audio_test_filters.h"
#include "tools/common/com_apartment.h"
#include "tools/common/plugin_module.h"
#include "tools/render/collector_sink.h"
#include "tools/render/handoff_queue.h"
#include "tools/render/pooled_allocator.h"
#include "tools/render/wav_source.h"
#include "tools/render/worker_thread.h"
#include "tools/wav/wav_file.h"

namespace orkv::render {
namespace {

using host::ComPtr;
using namespace std::chrono_literals;
using wav::AudioFormat;
using wav::SampleType;

// Runs `work`; a hang ends the whole test program with a message rather than
// leaving the run waiting.
template <class Work>
void WithinSeconds(int seconds, const char* what, Work work) {
  std::atomic<bool> done{false};
  std::thread watchdog([&done, seconds, what] {
    for (int tenths = 0; tenths < seconds * 10 && !done; ++tenths) Sleep(100);
    if (done) return;
    std::fprintf(stderr, "HANG: %s took longer than %d s\n", what, seconds);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
  });
  work();
  done = true;
  watchdog.join();
}

TEST(HandoffQueue, HandsItemsOverInOrderAcrossThreads) {
  HandoffQueue<int> queue;
  queue.Open(3);
  constexpr int kItems = 20000;
  WithinSeconds(30, "handing over items", [&] {
    std::thread producer([&queue] {
      for (int i = 0; i < kItems; ++i) EXPECT_TRUE(queue.Push(int{i}));
      queue.Close();
    });
    int expected = 0;
    for (int item = -1; queue.Pop(item); ++expected) {
      if (item != expected) {
        ADD_FAILURE() << "got " << item << " where " << expected << " was due";
        break;
      }
    }
    producer.join();
    EXPECT_EQ(expected, kItems);
  });
}

TEST(HandoffQueue, ClosingWakesWaitersRefusesPushesAndKeepsWhatIsQueued) {
  HandoffQueue<int> queue;
  queue.Open(2);
  EXPECT_TRUE(queue.Push(1));
  EXPECT_TRUE(queue.Push(2));
  WithinSeconds(30, "closing a full queue", [&] {
    std::atomic<int> pushed{-1};
    std::thread blocked([&] { pushed = queue.Push(3) ? 1 : 0; });
    Sleep(50);
    EXPECT_EQ(pushed, -1);  // still waiting for room
    queue.Close();
    blocked.join();
    EXPECT_EQ(pushed, 0);
  });
  int item = 0;
  EXPECT_FALSE(queue.Push(4));
  ASSERT_TRUE(queue.Pop(item));
  EXPECT_EQ(item, 1);
  ASSERT_TRUE(queue.TryPop(item));
  EXPECT_EQ(item, 2);
  EXPECT_FALSE(queue.Pop(item));
  EXPECT_FALSE(queue.TryPop(item));

  queue.Open(2);  // open again: empty
  EXPECT_FALSE(queue.TryPop(item));
  WithinSeconds(30, "closing an empty queue", [&] {
    std::thread waiting([&] { EXPECT_FALSE(queue.Pop(item)); });
    Sleep(50);
    queue.Close();
    waiting.join();
  });
}

std::string TempPath(const std::string& name) { return testing::TempDir() + "orkv_graph_" + name; }

// Samples that tell every frame and channel apart, so a lost, repeated or
// reordered stretch shows.
std::vector<char> CountingSamples(const AudioFormat& format, std::size_t frames) {
  std::vector<char> bytes(frames * format.BytesPerFrame());
  for (std::size_t i = 0; i < frames * format.channels; ++i) {
    if (format.type == SampleType::kInt16) {
      const auto v = static_cast<std::int16_t>(i * 7919 + i / 65536);
      std::memcpy(&bytes[2 * i], &v, 2);
    } else {
      const float v = static_cast<float>(i % 100003) / 100003.0f - 0.5f;
      std::memcpy(&bytes[4 * i], &v, 4);
    }
  }
  return bytes;
}

void WriteWav(const std::string& path, const AudioFormat& format, const std::vector<char>& data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  wav::WavWriter writer(out);
  std::string error;
  ASSERT_TRUE(writer.Start(format, error));
  ASSERT_TRUE(writer.Append(data.data(), data.size(), error));
  ASSERT_TRUE(writer.Finish(error));
}

// A memory stream that takes no more bytes once it holds `limit`, as a full
// disk does.
TEST(WorkerThread, RunsOneJobAfterAnotherAndJoinsAnIdleThreadAtOnce) {
  WithinSeconds(30, "running jobs on a worker", [] {
    WorkerThread worker;
    worker.Join();  // nothing started
    std::atomic<int> runs{0};
    for (int job = 0; job < 200; ++job) {
      worker.Start([&runs] { ++runs; });
      worker.Join();
      ASSERT_EQ(runs.load(), job + 1);
    }
    // A job still running when the worker goes away is waited for.
    worker.Start([&runs] {
      Sleep(50);
      ++runs;
    });
  });
}

ALLOCATOR_PROPERTIES Properties(long buffers, long bytes, long align = 1, long prefix = 0) {
  ALLOCATOR_PROPERTIES props{};
  props.cBuffers = buffers;
  props.cbBuffer = bytes;
  props.cbAlign = align;
  props.cbPrefix = prefix;
  return props;
}

TEST(PooledAllocator, KeepsTheAllocatorRulesForPropertiesAndCommit) {
  ComPtr<IMemAllocator> pool = CreatePooledAllocator();
  ASSERT_TRUE(pool);
  ALLOCATOR_PROPERTIES actual{};
  for (ALLOCATOR_PROPERTIES bad : {Properties(0, 64), Properties(2, 0), Properties(2, 64, 3),
                                   Properties(2, 64, 0), Properties(2, 64, 1, -1)}) {
    EXPECT_EQ(pool->SetProperties(&bad, &actual), E_INVALIDARG);
  }
  EXPECT_EQ(pool->Commit(), VFW_E_SIZENOTSET);
  IMediaSample* sample = nullptr;
  EXPECT_EQ(pool->GetBuffer(&sample, nullptr, nullptr, 0), VFW_E_NOT_COMMITTED);
  EXPECT_EQ(sample, nullptr);

  ALLOCATOR_PROPERTIES wanted = Properties(3, 1000, 64, 16);
  ASSERT_EQ(pool->SetProperties(&wanted, &actual), S_OK);
  EXPECT_EQ(actual.cBuffers, 3);
  EXPECT_EQ(actual.cbBuffer, 1000);
  ASSERT_EQ(pool->Commit(), S_OK);
  EXPECT_EQ(pool->SetProperties(&wanted, &actual), VFW_E_ALREADY_COMMITTED);

  // Every sample distinct, as large as asked, aligned after its prefix.
  std::vector<ComPtr<IMediaSample>> out(3);
  std::vector<BYTE*> data;
  for (auto& taken : out) {
    ASSERT_EQ(pool->GetBuffer(taken.GetAddressOf(), nullptr, nullptr, 0), S_OK);
    BYTE* pointer = nullptr;
    ASSERT_EQ(taken->GetPointer(&pointer), S_OK);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(pointer) % 64, 0u);
    EXPECT_EQ(taken->GetSize(), 1000);
    std::memset(pointer, 0xA5, 1000);  // the whole buffer is writable
    data.push_back(pointer);
  }
  std::sort(data.begin(), data.end());
  for (std::size_t i = 1; i < data.size(); ++i) EXPECT_GE(data[i] - data[i - 1], 1000 + 16);
  EXPECT_EQ(pool->GetBuffer(&sample, nullptr, nullptr, AM_GBF_NOWAIT), VFW_E_TIMEOUT);

  // No new properties while samples are out, even decommitted.
  ASSERT_EQ(pool->Decommit(), S_OK);
  EXPECT_EQ(pool->SetProperties(&wanted, &actual), VFW_E_BUFFERS_OUTSTANDING);
  out.clear();
  EXPECT_EQ(pool->SetProperties(&wanted, &actual), S_OK);
}

TEST(PooledAllocator, AWaitingTakerGetsAReturnedSampleOrTheDecommit) {
  ComPtr<IMemAllocator> pool = CreatePooledAllocator();
  ALLOCATOR_PROPERTIES wanted = Properties(1, 256);
  ALLOCATOR_PROPERTIES actual{};
  ASSERT_EQ(pool->SetProperties(&wanted, &actual), S_OK);
  ASSERT_EQ(pool->Commit(), S_OK);
  WithinSeconds(30, "waiting for a pooled sample", [&pool] {
    ComPtr<IMediaSample> held;
    ASSERT_EQ(pool->GetBuffer(held.GetAddressOf(), nullptr, nullptr, 0), S_OK);
    HRESULT waited = E_FAIL;
    std::thread taker([&pool, &waited] {
      ComPtr<IMediaSample> next;
      waited = pool->GetBuffer(next.GetAddressOf(), nullptr, nullptr, 0);
    });
    Sleep(20);
    held.Reset();  // the taker gets it
    taker.join();
    EXPECT_EQ(waited, S_OK);

    ASSERT_EQ(pool->GetBuffer(held.GetAddressOf(), nullptr, nullptr, 0), S_OK);
    std::thread refused([&pool, &waited] {
      ComPtr<IMediaSample> next;
      waited = pool->GetBuffer(next.GetAddressOf(), nullptr, nullptr, 0);
    });
    Sleep(20);
    pool->Decommit();  // wakes the taker with a refusal
    refused.join();
    EXPECT_EQ(waited, VFW_E_NOT_COMMITTED);
  });
}

TEST(PooledAllocator, SamplesStartBlankAndReportWhatWasSet) {
  ComPtr<IMemAllocator> pool = CreatePooledAllocator();
  ALLOCATOR_PROPERTIES wanted = Properties(1, 128);
  ALLOCATOR_PROPERTIES actual{};
  ASSERT_EQ(pool->SetProperties(&wanted, &actual), S_OK);
  ASSERT_EQ(pool->Commit(), S_OK);
  for (int round = 0; round < 2; ++round) {
    ComPtr<IMediaSample> sample;
    ASSERT_EQ(pool->GetBuffer(sample.GetAddressOf(), nullptr, nullptr, 0), S_OK);
    REFERENCE_TIME start = 0;
    REFERENCE_TIME stop = 0;
    EXPECT_EQ(sample->GetTime(&start, &stop), VFW_E_SAMPLE_TIME_NOT_SET);
    EXPECT_EQ(sample->GetMediaTime(&start, &stop), VFW_E_MEDIA_TIME_NOT_SET);
    EXPECT_EQ(sample->IsSyncPoint(), S_FALSE);
    EXPECT_EQ(sample->IsDiscontinuity(), S_FALSE);
    EXPECT_EQ(sample->IsPreroll(), S_FALSE);
    EXPECT_EQ(sample->GetActualDataLength(), 0);
    AM_MEDIA_TYPE* type = nullptr;
    EXPECT_EQ(sample->GetMediaType(&type), S_FALSE);
    EXPECT_EQ(type, nullptr);

    // What the first round sets must not reach the second.
    start = 100;
    stop = 200;
    EXPECT_EQ(sample->SetTime(&start, nullptr), S_OK);
    EXPECT_EQ(sample->GetTime(&start, &stop), VFW_S_NO_STOP_TIME);
    stop = 300;
    EXPECT_EQ(sample->SetTime(&start, &stop), S_OK);
    EXPECT_EQ(sample->GetTime(&start, &stop), S_OK);
    EXPECT_EQ(stop, 300);
    EXPECT_EQ(sample->SetActualDataLength(129), VFW_E_BUFFER_OVERFLOW);
    EXPECT_EQ(sample->SetActualDataLength(128), S_OK);
    EXPECT_EQ(sample->SetSyncPoint(TRUE), S_OK);
    EXPECT_EQ(sample->SetDiscontinuity(TRUE), S_OK);
    EXPECT_EQ(sample->IsSyncPoint(), S_OK);
    host::CMediaType audio;
    ASSERT_TRUE(MakeAudioMediaType(AudioFormat{SampleType::kFloat32, 2, 44100}, audio));
    EXPECT_EQ(sample->SetMediaType(&audio), S_OK);
    ASSERT_EQ(sample->GetMediaType(&type), S_OK);
    ASSERT_NE(type, nullptr);
    EXPECT_TRUE(IsEqualGUID(type->subtype, MEDIASUBTYPE_IEEE_FLOAT));
    host::DeleteMediaType(type);
  }
}

// A sample out keeps its allocator: the user may let go of the allocator first.
TEST(PooledAllocator, OutlivesItsUserWhileASampleIsOut) {
  ComPtr<IMediaSample> sample;
  {
    ComPtr<IMemAllocator> pool = CreatePooledAllocator();
    ALLOCATOR_PROPERTIES wanted = Properties(2, 64);
    ALLOCATOR_PROPERTIES actual{};
    ASSERT_EQ(pool->SetProperties(&wanted, &actual), S_OK);
    ASSERT_EQ(pool->Commit(), S_OK);
    ASSERT_EQ(pool->GetBuffer(sample.GetAddressOf(), nullptr, nullptr, 0), S_OK);
    pool->Decommit();
  }
  BYTE* data = nullptr;
  ASSERT_EQ(sample->GetPointer(&data), S_OK);
  std::memset(data, 0, 64);
  sample.Reset();  // the allocator goes with it
}

class FullAfter : public std::stringbuf {
 public:
  explicit FullAfter(std::size_t limit) : limit_(limit) {}

 protected:
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    if (taken_ + static_cast<std::size_t>(n) > limit_) return 0;
    taken_ += static_cast<std::size_t>(n);
    return std::stringbuf::xsputn(s, n);
  }
  int_type overflow(int_type c) override {
    if (taken_ + 1 > limit_) return traits_type::eof();
    ++taken_;
    return std::stringbuf::overflow(c);
  }

 private:
  std::size_t limit_;
  std::size_t taken_ = 0;
};

struct GraphEvent {
  long code = 0;
  LONG_PTR param1 = 0;
};

// WAV source -> [effect] -> collector sink in a graph of the platform's filter
// graph manager, without a reference clock, as the render host builds it.
class RenderGraph {
 public:
  RenderGraph(const std::string& inPath, std::ostream& out, UpstreamSamples upstream,
              IBaseFilter* effect = nullptr)
      : RenderGraph(WavSource(inPath), out, upstream, effect) {}

  RenderGraph(ComPtr<IBaseFilter> source, std::ostream& out, UpstreamSamples upstream,
              IBaseFilter* effect = nullptr)
      : source_(std::move(source)) {
    if (!source_) return;
    sinkObject_ = new CollectorSink(out, upstream);
    sink_ = ComPtr<IBaseFilter>(sinkObject_);
    EXPECT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                              IID_IGraphBuilder, graph_.GetVoidAddressOf()));
    ComPtr<IMediaFilter> timing;
    EXPECT_HRESULT_SUCCEEDED(graph_.As(timing));
    EXPECT_HRESULT_SUCCEEDED(timing->SetSyncSource(nullptr));
    EXPECT_HRESULT_SUCCEEDED(graph_.As(control_));
    EXPECT_HRESULT_SUCCEEDED(graph_->QueryInterface(IID_IMediaEvent, events_.GetVoidAddressOf()));
    EXPECT_HRESULT_SUCCEEDED(graph_->AddFilter(source_.Get(), L"source"));
    EXPECT_HRESULT_SUCCEEDED(graph_->AddFilter(sink_.Get(), L"sink"));
    IBaseFilter* upstream = source_.Get();
    if (effect != nullptr) {
      EXPECT_HRESULT_SUCCEEDED(graph_->AddFilter(effect, L"effect"));
      EXPECT_HRESULT_SUCCEEDED(Connect(source_.Get(), effect));
      upstream = effect;
    }
    EXPECT_HRESULT_SUCCEEDED(Connect(upstream, sink_.Get()));
  }

  ~RenderGraph() {
    if (control_) WithinSeconds(30, "stopping the graph", [this] { control_->Stop(); });
  }

  CollectorSink& Sink() { return *sinkObject_; }
  // Runs, first forgetting the events of earlier runs.
  HRESULT Run() {
    long code = 0;
    LONG_PTR param1 = 0;
    LONG_PTR param2 = 0;
    while (SUCCEEDED(events_->GetEvent(&code, &param1, &param2, 0))) {
      events_->FreeEventParams(code, param1, param2);
    }
    return control_->Run();
  }
  void Stop() {
    WithinSeconds(10, "stopping while streaming",
                  [this] { EXPECT_HRESULT_SUCCEEDED(control_->Stop()); });
  }

  // The first completion or abort, or code 0 after `limit`.
  GraphEvent WaitForEnd(std::chrono::milliseconds limit = 20s) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < until) {
      GraphEvent event;
      LONG_PTR param2 = 0;
      if (SUCCEEDED(events_->GetEvent(&event.code, &event.param1, &param2, 100))) {
        events_->FreeEventParams(event.code, event.param1, param2);
        if (event.code == EC_COMPLETE || event.code == EC_ERRORABORT) return event;
      }
    }
    return {};
  }

 private:
  static ComPtr<IBaseFilter> WavSource(const std::string& path) {
    std::string error;
    auto reader = wav::WavFileReader::Open(path, error);
    EXPECT_TRUE(reader) << error;
    if (!reader) return {};
    return ComPtr<IBaseFilter>(new WavSourceFilter(std::move(*reader)));
  }

  HRESULT Connect(IBaseFilter* from, IBaseFilter* to) {
    ComPtr<IPin> out;
    ComPtr<IPin> in;
    HRESULT hr = from->FindPin(L"Out", out.GetAddressOf());
    if (SUCCEEDED(hr)) hr = to->FindPin(L"In", in.GetAddressOf());
    return SUCCEEDED(hr) ? graph_->ConnectDirect(out.Get(), in.Get(), nullptr) : hr;
  }

  ComPtr<IGraphBuilder> graph_;
  ComPtr<IMediaControl> control_;
  ComPtr<IMediaEvent> events_;
  ComPtr<IBaseFilter> source_;
  ComPtr<IBaseFilter> sink_;
  CollectorSink* sinkObject_ = nullptr;
};

std::size_t HeaderBytes(const AudioFormat& format) {
  return wav::EncodeWavHeader(format, 0).size();
}

// Both ways of the sink: keeping the delivered samples until written, and
// copying them.
constexpr UpstreamSamples kBothWays[] = {UpstreamSamples::kHonourReferences,
                                         UpstreamSamples::kMayBeReused};

std::string WayName(UpstreamSamples way) {
  return way == UpstreamSamples::kHonourReferences ? "keeping samples" : "copying samples";
}

class SourceToSink : public testing::TestWithParam<std::tuple<AudioFormat, UpstreamSamples>> {
 protected:
  ComApartment apartment_;
  const AudioFormat format = std::get<0>(GetParam());
  const UpstreamSamples way = std::get<1>(GetParam());
};

// Many buffers (more than the allocator and the writer hold at once), the last
// one partial: the file that comes out holds exactly the samples that went in.
TEST_P(SourceToSink, WritesEverySampleInOrder) {
  const std::size_t frames = 11 * 65536 + 1234;
  const std::vector<char> data = CountingSamples(format, frames);
  const std::string in = TempPath("order_in.wav");
  WriteWav(in, format, data);
  std::stringstream out;
  {
    RenderGraph graph(in, out, way);
    ASSERT_HRESULT_SUCCEEDED(graph.Run());
    EXPECT_EQ(graph.WaitForEnd().code, EC_COMPLETE);
    graph.Stop();
    EXPECT_EQ(graph.Sink().FramesReceived(), frames);
    std::string error;
    EXPECT_TRUE(graph.Sink().Finish(error)) << error;
  }
  const wav::ParseResult parsed = wav::ParseWav(out);
  ASSERT_TRUE(parsed.layout) << parsed.error;
  EXPECT_EQ(parsed.layout->format, format);
  EXPECT_EQ(parsed.layout->frames, frames);
  const std::string written = out.str().substr(parsed.layout->dataOffset);
  EXPECT_TRUE(written == std::string(data.begin(), data.end()));
  DeleteFileA(in.c_str());
}

// Stopped at any moment, the graph stops at once; what the sink received up
// to then is in the file, in order, and a new run starts from the beginning.
TEST_P(SourceToSink, StopsWhileStreamingWithoutLosingWhatWasReceived) {
  const std::size_t frames = 40 * 65536;
  const std::vector<char> data = CountingSamples(format, frames);
  const std::string in = TempPath("stop_in.wav");
  WriteWav(in, format, data);
  const std::size_t header = HeaderBytes(format);
  std::stringstream out;
  RenderGraph graph(in, out, way);
  bool stoppedEarly = false;
  for (int round = 0; round < 12; ++round) {
    const std::size_t before = out.str().size();
    ASSERT_HRESULT_SUCCEEDED(graph.Run());
    Sleep(round % 4 * 3);
    graph.Stop();
    const std::uint64_t received = graph.Sink().FramesReceived();
    stoppedEarly |= received < frames;
    const std::string stream = out.str().substr(before);
    ASSERT_EQ(stream.size(), header + received * format.BytesPerFrame()) << "round " << round;
    EXPECT_TRUE(stream.compare(header, std::string::npos, data.data(), stream.size() - header) == 0)
        << "round " << round << ": the " << received << " frames written are not the first ones";
  }
  EXPECT_TRUE(stoppedEarly);

  // Run to the end after all those stops: the whole file once more.
  const std::size_t before = out.str().size();
  ASSERT_HRESULT_SUCCEEDED(graph.Run());
  EXPECT_EQ(graph.WaitForEnd().code, EC_COMPLETE);
  graph.Stop();
  EXPECT_EQ(graph.Sink().FramesReceived(), frames);
  EXPECT_TRUE(out.str().compare(before + header, std::string::npos, data.data(), data.size()) == 0);
  DeleteFileA(in.c_str());
}

// A source the test drives pushes buffers while the graph stops: every buffer
// the sink accepted is in the file, in order, and nothing else is.
TEST(CollectorSinkTest, WritesEveryAcceptedBufferWhenStoppedWhileReceiving) {
  ComApartment apartment;
  const AudioFormat format{SampleType::kInt16, 2, 44100};
  constexpr std::size_t kBufferFrames = 65536;
  constexpr std::size_t kBuffers = 120;
  const std::size_t bufferBytes = kBufferFrames * format.BytesPerFrame();
  const std::vector<char> data = CountingSamples(format, kBuffers * kBufferFrames);
  const std::size_t header = HeaderBytes(format);
  bool stoppedEarly = false;
  for (int round = 0; round < 8; ++round) {
    const UpstreamSamples way = kBothWays[round % 2];
    SCOPED_TRACE("round " + std::to_string(round) + ", " + WayName(way));
    auto* source = new test::AudioSource(test::AudioType(WAVE_FORMAT_PCM, 2, 44100, 16),
                                         static_cast<long>(bufferBytes));
    std::stringstream out;
    RenderGraph graph(ComPtr<IBaseFilter>(source), out, way);
    ASSERT_HRESULT_SUCCEEDED(graph.Run());
    std::size_t accepted = 0;
    std::thread pusher([&] {
      for (; accepted < kBuffers; ++accepted) {
        test::PushedBuffer buffer;
        buffer.bytes.assign(data.begin() + accepted * bufferBytes,
                            data.begin() + (accepted + 1) * bufferBytes);
        if (source->Push(buffer) != S_OK) break;
      }
    });
    Sleep(round / 2 * 4);
    graph.Stop();
    pusher.join();
    stoppedEarly |= accepted < kBuffers;
    EXPECT_EQ(graph.Sink().FramesReceived(), accepted * kBufferFrames);
    const std::string written = out.str();
    ASSERT_EQ(written.size(), header + accepted * bufferBytes);
    EXPECT_TRUE(written.compare(header, std::string::npos, data.data(), written.size() - header) ==
                0);
  }
  EXPECT_TRUE(stoppedEarly);  // stopped while receiving
}

INSTANTIATE_TEST_SUITE_P(Tools, SourceToSink,
                         testing::Combine(testing::Values(AudioFormat{SampleType::kInt16, 2, 44100},
                                                          AudioFormat{SampleType::kFloat32, 1,
                                                                      48000}),
                                          testing::ValuesIn(kBothWays)));

class RenderGraphFailures : public testing::Test {
 protected:
  ComApartment apartment_;
};

// The disk fills up in the middle of the stream: the graph aborts with the
// sink's message, nothing is reported complete, and stopping does not hang.
TEST_F(RenderGraphFailures, AWriteFailureMidStreamAbortsTheGraph) {
  const AudioFormat format{SampleType::kInt16, 2, 44100};
  const std::vector<char> data = CountingSamples(format, 30 * 65536);
  const std::string in = TempPath("full_in.wav");
  WriteWav(in, format, data);
  for (const UpstreamSamples way : kBothWays) {
    for (const std::size_t limit : {std::size_t{300000}, std::size_t{5000000}}) {
      SCOPED_TRACE("full after " + std::to_string(limit) + " bytes, " + WayName(way));
      FullAfter full(limit);
      std::ostream out(&full);
      RenderGraph graph(in, out, way);
      ASSERT_HRESULT_SUCCEEDED(graph.Run());
      const GraphEvent event = graph.WaitForEnd();
      EXPECT_EQ(event.code, EC_ERRORABORT);
      EXPECT_EQ(graph.Sink().WriteError(), "cannot write the samples");
      graph.Stop();
      EXPECT_LE(graph.Sink().FramesReceived() * format.BytesPerFrame(), limit);
      std::string error;
      EXPECT_FALSE(graph.Sink().Finish(error));
      EXPECT_EQ(error, "cannot write the samples");
    }
  }
  DeleteFileA(in.c_str());
}

// The output refuses even the file's header: the graph aborts with the
// sink's message at once, and stopping and taking it apart do not hang.
TEST_F(RenderGraphFailures, AnOutputThatRefusesTheHeaderAbortsTheStream) {
  const AudioFormat format{SampleType::kInt16, 2, 44100};
  const std::string in = TempPath("refused_in.wav");
  WriteWav(in, format, CountingSamples(format, 4 * 65536));
  for (const UpstreamSamples way : kBothWays) {
    SCOPED_TRACE(WayName(way));
    WithinSeconds(30, "a graph whose output refuses the header", [&] {
      FullAfter full(10);
      std::ostream out(&full);
      RenderGraph graph(in, out, way);
      ASSERT_HRESULT_SUCCEEDED(graph.Run());
      EXPECT_EQ(graph.WaitForEnd().code, EC_ERRORABORT);
      EXPECT_EQ(graph.Sink().WriteError(), "cannot write the WAV header");
      graph.Stop();
      EXPECT_EQ(graph.Sink().FramesReceived(), 0u);
    });
  }
  DeleteFileA(in.c_str());
}

// The file shrinks after it was opened: the frames that could be read are
// delivered, then the graph aborts with a read fault instead of ending.
TEST_F(RenderGraphFailures, AShortReadAbortsAfterDeliveringWhatWasRead) {
  const AudioFormat format{SampleType::kFloat32, 2, 44100};
  const std::size_t frames = 10 * 65536;
  const std::vector<char> data = CountingSamples(format, frames);
  const std::string in = TempPath("short_in.wav");
  WriteWav(in, format, data);
  const std::size_t header = HeaderBytes(format);
  const std::size_t keptFrames = 3 * 65536 + 100;
  std::stringstream out;
  RenderGraph graph(in, out, UpstreamSamples::kHonourReferences);  // opened at full length
  {
    HANDLE file = CreateFileA(in.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(header + keptFrames * format.BytesPerFrame());
    ASSERT_TRUE(SetFilePointerEx(file, end, nullptr, FILE_BEGIN));
    ASSERT_TRUE(SetEndOfFile(file));
    CloseHandle(file);
  }
  ASSERT_HRESULT_SUCCEEDED(graph.Run());
  const GraphEvent event = graph.WaitForEnd();
  EXPECT_EQ(event.code, EC_ERRORABORT);
  EXPECT_EQ(event.param1, HRESULT_FROM_WIN32(ERROR_READ_FAULT));
  graph.Stop();
  EXPECT_EQ(graph.Sink().FramesReceived(), keptFrames);
  EXPECT_TRUE(out.str().compare(header, std::string::npos, data.data(),
                                keptFrames * format.BytesPerFrame()) == 0);
}

// With the Phaser in between: stopping while its streaming thread runs the
// effect ends promptly too, and a full run after that still completes.
TEST(RenderGraphWithEffect, StopsWhileTheEffectStreams) {
  ComApartment apartment;
  std::string error;
  auto module = PluginModule::Load("Phaser", error);
  ASSERT_TRUE(module) << error;
  const AudioFormat format{SampleType::kInt16, 2, 44100};
  const std::size_t frames = 40 * 65536;
  const std::string in = TempPath("effect_in.wav");
  WriteWav(in, format, CountingSamples(format, frames));
  {
    ComPtr<IBaseFilter> effect;
    ASSERT_HRESULT_SUCCEEDED(module->CreateFilter(effect));
    std::stringstream out;
    RenderGraph graph(in, out, UpstreamSamples::kHonourReferences, effect.Get());
    for (int round = 0; round < 8; ++round) {
      ASSERT_HRESULT_SUCCEEDED(graph.Run());
      Sleep(round * 2);
      graph.Stop();
    }
    ASSERT_HRESULT_SUCCEEDED(graph.Run());
    EXPECT_EQ(graph.WaitForEnd().code, EC_COMPLETE);
    graph.Stop();
    EXPECT_EQ(graph.Sink().FramesReceived(), frames);
  }
  DeleteFileA(in.c_str());
}

}  // namespace
}  // namespace orkv::render
