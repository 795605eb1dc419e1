// A renderer that writes whatever it receives to a WAV stream as fast as it
// arrives. It tells the graph it is a renderer and reports EC_COMPLETE once
// everything up to the end of stream is written and the graph runs (the graph
// discards completions seen while paused).
//
// Receive hands each buffer to a writer thread of its own and returns, so
// writing overlaps the work upstream; the writer writes in order. Receive
// keeps a reference to the delivered sample until it is written when the
// upstream filter honours that reference (an allocator does not hand out a
// sample again before it is released); otherwise it copies the buffer into one
// of a few blocks reserved when streaming starts: the platform's DMO Wrapper
// reuses its output samples even while they are still referenced.
#pragma once

#include <strmif.h>

#include <atomic>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "host/base_filter.h"
#include "host/critical_section.h"
#include "host/pins.h"
#include "tools/render/handoff_queue.h"
#include "tools/render/worker_thread.h"
#include "tools/wav/wav_file.h"

namespace orkv::render {

// The sample format of a media type this tool can write; nothing for others.
std::optional<wav::AudioFormat> AudioFormatOf(const AM_MEDIA_TYPE& type);

class CollectorSink;

// How the upstream filter treats the samples it delivered.
enum class UpstreamSamples {
  kHonourReferences,  // a sample still referenced is never filled again
  kMayBeReused,       // a sample may be filled again as soon as Receive returns
};

class CollectorPin final : public host::CBaseInputPin {
 public:
  CollectorPin(CollectorSink* sink, HRESULT* status);

  HRESULT CheckMediaType(const host::CMediaType* type) override;
  HRESULT Active() override;
  // Waits for a Receive in progress, then for the writer to write what was
  // received.
  HRESULT Inactive() override;
  HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override;
  HRESULT STDMETHODCALLTYPE EndOfStream() override;
  // Offers the pin's own pooled allocator (see pooled_allocator.h).
  HRESULT STDMETHODCALLTYPE GetAllocator(IMemAllocator** allocator) override;

 private:
  CollectorSink* sink_;
  const host::ComPtr<IMemAllocator> pool_;
};

class CollectorSink final : public host::CBaseFilter, public IAMFilterMiscFlags {
 public:
  CollectorSink(std::ostream& out, UpstreamSamples upstream);
  ~CollectorSink() override;

  ORKV_DECLARE_IUNKNOWN
  HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE GetMiscFlags() override { return AM_FILTER_MISC_FLAGS_IS_RENDERER; }

  HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME start) override;

  int GetPinCount() override { return 1; }
  host::CBasePin* GetPin(int n) override;

  // The connected format; valid once the input pin is connected.
  wav::AudioFormat Format() const;
  // Frames written so far.
  std::uint64_t FramesReceived() const { return frames_.load(); }
  // Float samples received that are NaN or infinite (written as they came).
  std::uint64_t NonFiniteSamples() const { return nonFinite_.load(); }
  // Rewrites the WAV header with the final sizes, once the writer is done.
  bool Finish(std::string& error);
  // The first write error, if any.
  std::string WriteError() const;

 private:
  friend class CollectorPin;

  struct Block {
    std::vector<BYTE> bytes;
    std::size_t used = 0;
  };
  // What the writer is handed, in order: a block, a kept sample or the end.
  static constexpr std::size_t kNoBlock = ~std::size_t{0};
  struct Pending {
    std::size_t block = kNoBlock;
    host::ComPtr<IMediaSample> sample;
    bool endOfStream = false;
  };

  // Streaming start: reserves the blocks for `buffers` buffers of
  // `bufferBytes` upstream, starts the file and the writer thread.
  HRESULT BeginStream(long buffers, long bufferBytes);
  void ReserveBlocks(std::size_t bytes);
  // Streaming stop: the writer writes what is queued, then ends.
  void EndStream();
  HRESULT Accept(IMediaSample* sample);
  HRESULT Keep(IMediaSample* sample);
  HRESULT Copy(const BYTE* data, long bytes);
  HRESULT QueueEndOfStream();
  // The writer thread.
  void WritePending();
  void Write(const BYTE* data, std::size_t bytes);
  void WriteSample(IMediaSample* sample);
  void EndOfStreamWritten();

  std::unique_ptr<CollectorPin> pin_;
  // Held by Receive and EndOfStream, which the upstream filter calls on one
  // thread at a time, and by EndStream to wait for them. Taken before the
  // queues' locks; nothing that holds it waits for the filter lock or lock_.
  host::CCritSec receiveLock_;
  const bool keepSamples_;
  wav::WavWriter writer_;                 // the writer thread's while it runs
  wav::AudioFormat format_;               // of the current stream
  std::vector<Block> blocks_;             // sized by BeginStream, with the writer stopped
  HandoffQueue<std::size_t> freeBlocks_;  // block indices, to Receive
  HandoffQueue<Pending> pending_;         // to the writer
  WorkerThread writerThread_;
  mutable host::CCritSec lock_;  // error and end-of-stream state; the writer between streams
  std::string writeError_;
  std::atomic<bool> failed_{false};  // writeError_ is set: Receive refuses at once
  bool endOfStream_ = false;
  bool completeSent_ = false;
  std::atomic<std::uint64_t> frames_{0};
  std::atomic<std::uint64_t> nonFinite_{0};
};

}  // namespace orkv::render
