// A push source filter that plays a WAV file into a graph: one output pin
// offering the file's format as a plain WAVEFORMATEX type (PCM or IEEE float),
// buffers of up to 65536 frames with stream times, then end of stream.
//
// Two threads, kept for the filter's lifetime: a reader fills the allocator's
// buffers from the file ahead of time, and the streaming thread only delivers
// them, so reading the file overlaps the work downstream.
#pragma once

#include <strmif.h>

#include <atomic>
#include <memory>

#include "host/base_filter.h"
#include "host/com_ptr.h"
#include "host/pins.h"
#include "tools/render/handoff_queue.h"
#include "tools/render/worker_thread.h"
#include "tools/wav/wav_file.h"

namespace orkv::render {

// The plain media type of a format: MEDIATYPE_Audio, MEDIASUBTYPE_PCM or
// MEDIASUBTYPE_IEEE_FLOAT, FORMAT_WaveFormatEx with tag 1 or 3 and cbSize 0.
bool MakeAudioMediaType(const wav::AudioFormat& format, host::CMediaType& type);

class WavSourceFilter;

class WavOutputPin final : public host::CBaseOutputPin {
 public:
  WavOutputPin(WavSourceFilter* filter, HRESULT* status);
  ~WavOutputPin() override;

  HRESULT CheckMediaType(const host::CMediaType* type) override;
  HRESULT GetMediaType(int position, host::CMediaType* type) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) override;
  // The pin's own pooled allocator (see pooled_allocator.h) wherever the
  // downstream pin takes it; else the usual choice.
  HRESULT DecideAllocator(IMemInputPin* peer, host::ComPtr<IMemAllocator>& chosen) override;

  // Start the threads after the allocator is committed; stop them before
  // (and by) decommitting.
  HRESULT Active() override;
  HRESULT Inactive() override;

 private:
  // A buffer read ahead, or the end of the data.
  struct ReadBuffer {
    host::ComPtr<IMediaSample> sample;  // null: nothing more to deliver
    bool readFailed = false;            // the file ended before its declared length
  };

  // The reader thread: fills buffers until the data ends or streaming stops.
  void ReadAhead();
  // Fills one buffer and queues it; false when reading should end.
  bool ReadNextBuffer(bool first);
  // The streaming thread: delivers what the reader queued, in order.
  void Stream();
  // Delivers one queued buffer; false when streaming should end.
  bool DeliverBuffer(const ReadBuffer& buffer);
  void StopThreads();
  void ReleaseQueuedBuffers();

  WavSourceFilter* source_;
  WorkerThread reader_;
  WorkerThread streamer_;
  // Filled buffers from the reader to the streaming thread. Closed by whichever
  // side ends first, and by Inactive; its capacity (all the allocator's
  // buffers and the end) means the reader never waits on it.
  HandoffQueue<ReadBuffer> readBuffers_;
  std::atomic<bool> stopping_{false};
  std::uint64_t framesRead_ = 0;  // reader thread only
};

class WavSourceFilter final : public host::CBaseFilter {
 public:
  // Takes the opened file; it is read from the start once per stream.
  explicit WavSourceFilter(wav::WavFileReader reader);
  ~WavSourceFilter() override;

  int GetPinCount() override { return 1; }
  host::CBasePin* GetPin(int n) override;

  const wav::AudioFormat& Format() const { return reader_.Format(); }
  wav::WavFileReader& Reader() { return reader_; }

 private:
  wav::WavFileReader reader_;
  std::unique_ptr<WavOutputPin> pin_;
};

}  // namespace orkv::render
