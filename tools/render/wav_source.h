// A push source filter that plays a WAV file into a graph: one output pin
// offering the file's format as a plain WAVEFORMATEX type (PCM or IEEE float),
// buffers of up to 65536 frames with stream times, then end of stream.
#pragma once

#include <strmif.h>

#include <atomic>
#include <memory>
#include <thread>

#include "host/base_filter.h"
#include "host/pins.h"
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

  // Start the streaming thread after the allocator is committed; stop it
  // before (and by) decommitting.
  HRESULT Active() override;
  HRESULT Inactive() override;

 private:
  void Stream();
  // Fills and delivers one buffer; false when streaming should end.
  bool DeliverNextBuffer(bool first);
  void StopThread();

  WavSourceFilter* source_;
  std::thread thread_;
  std::atomic<bool> stopping_{false};
  std::uint64_t framesSent_ = 0;
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
