// A renderer that writes whatever it receives to a WAV stream as fast as it
// arrives. It tells the graph it is a renderer and reports EC_COMPLETE at end
// of stream once running (the graph discards completions seen while paused).
#pragma once

#include <strmif.h>

#include <atomic>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "host/base_filter.h"
#include "host/critical_section.h"
#include "host/pins.h"
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
  std::uint64_t FramesReceived() const { return frames_.load(); }
  // Float samples received that are NaN or infinite (written as they came).
  std::uint64_t NonFiniteSamples() const { return nonFinite_.load(); }
  // Rewrites the WAV header with the final sizes.
  bool Finish(std::string& error);
  // The first write error, if any.
  std::string WriteError() const;

 private:
  friend class CollectorPin;

  HRESULT BeginStream();
  HRESULT Append(const BYTE* data, long bytes);
  void EndOfStreamReached();

  std::unique_ptr<CollectorPin> pin_;
  wav::WavWriter writer_;
  wav::AudioFormat format_;      // of the current stream
  mutable host::CCritSec lock_;  // writer, error and end-of-stream state
  std::string writeError_;
  bool endOfStream_ = false;
  bool completeSent_ = false;
  std::atomic<std::uint64_t> frames_{0};
  std::atomic<std::uint64_t> nonFinite_{0};
};

}  // namespace orkv::render
