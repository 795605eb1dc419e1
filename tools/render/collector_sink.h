// A renderer that writes whatever it receives to a WAV stream as fast as it
// arrives. It tells the graph it is a renderer and reports EC_COMPLETE once
// everything up to the end of stream is written and the graph runs (the graph
// discards completions seen while paused).
//
// Receive copies each buffer into one of a few blocks reserved when streaming
// starts and returns; a writer thread of its own writes the blocks in order, so
// writing overlaps the work upstream. Copying, rather than keeping the
// delivered samples, is what every upstream filter allows: the platform's DMO
// Wrapper reuses its output samples even while they are still referenced.
#pragma once

#include <strmif.h>

#include <atomic>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "host/base_filter.h"
#include "host/critical_section.h"
#include "host/pins.h"
#include "tools/render/handoff_queue.h"
#include "tools/wav/wav_file.h"

namespace orkv::render {

// The sample format of a media type this tool can write; nothing for others.
std::optional<wav::AudioFormat> AudioFormatOf(const AM_MEDIA_TYPE& type);

class CollectorSink;

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

 private:
  CollectorSink* sink_;
};

class CollectorSink final : public host::CBaseFilter, public IAMFilterMiscFlags {
 public:
  explicit CollectorSink(std::ostream& out);
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

  // A block of received bytes on its way to the writer; the end of stream is
  // queued as a block index of kEndOfStream.
  static constexpr std::size_t kEndOfStream = ~std::size_t{0};
  struct Block {
    std::vector<BYTE> bytes;
    std::size_t used = 0;
  };

  // Streaming start: reserves the blocks for buffers of `bufferBytes`, starts
  // the file and the writer thread.
  HRESULT BeginStream(long bufferBytes);
  // Streaming stop: the writer writes what is queued, then ends.
  void EndStream();
  HRESULT Append(const BYTE* data, long bytes);
  HRESULT QueueEndOfStream();
  // The writer thread.
  void WriteBlocks();
  void WriteBlock(const Block& block);
  void EndOfStreamWritten();

  std::unique_ptr<CollectorPin> pin_;
  // Held by Receive and EndOfStream, which the upstream filter calls on one
  // thread at a time, and by EndStream to wait for them. Taken before the
  // queues' locks; nothing that holds it waits for the filter lock or lock_.
  host::CCritSec receiveLock_;
  wav::WavWriter writer_;      // the writer thread's while it runs
  wav::AudioFormat format_;    // of the current stream
  std::vector<Block> blocks_;  // sized by BeginStream, with the writer stopped
  // Block indices: free ones to Receive, filled ones (and the end) to the writer.
  HandoffQueue<std::size_t> freeBlocks_;
  HandoffQueue<std::size_t> filledBlocks_;
  std::thread writerThread_;
  mutable host::CCritSec lock_;  // error and end-of-stream state; the writer between streams
  std::string writeError_;
  std::atomic<bool> failed_{false};  // writeError_ is set: Receive refuses at once
  bool endOfStream_ = false;
  bool completeSent_ = false;
  std::atomic<std::uint64_t> frames_{0};
  std::atomic<std::uint64_t> nonFinite_{0};
};

}  // namespace orkv::render
