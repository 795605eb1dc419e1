// A source and a sink for driving an effect filter in a real graph with any
// audio format: the source pushes exactly the buffers a test describes, the
// sink records what arrives and can grant small buffers or answer S_FALSE.
#pragma once

#include <dshow.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "host/base_filter.h"
#include "host/media_type.h"
#include "host/pins.h"

namespace orkv::test {

// An audio media type with a plain wave format (cbSize 0).
host::CMediaType AudioType(WORD tag, WORD channels, DWORD rate, WORD bits);

struct PushedBuffer {
  std::vector<std::uint8_t> bytes;
  std::optional<REFERENCE_TIME> start, stop;  // none: no time; start only: no stop time
  bool sync = false, discontinuity = false, preroll = false;
};

class AudioSource : public host::CBaseFilter {
 public:
  AudioSource(const host::CMediaType& type, long bufferBytes);
  int GetPinCount() override { return 1; }
  host::CBasePin* GetPin(int n) override;
  // Returns the downstream Receive result. `type`, if given, is attached to the sample.
  HRESULT Push(const PushedBuffer& buffer, const AM_MEDIA_TYPE* type = nullptr);
  HRESULT PushEndOfStream();

 private:
  std::unique_ptr<host::CBaseOutputPin> pin_;
};

struct ReceivedBuffer {
  std::vector<std::uint8_t> bytes;
  bool timed = false;
  REFERENCE_TIME start = 0, stop = 0;
  bool sync = false, discontinuity = false, preroll = false;
};

class AudioSink : public host::CBaseFilter {
 public:
  AudioSink();
  int GetPinCount() override { return 1; }
  host::CBasePin* GetPin(int n) override;

  long maxBufferBytes = 0;          // caps what the sink's allocator grants (0: no cap)
  bool ownAllocatorOnly = false;    // refuse any allocator but the sink's own
  DWORD onlyRate = 0;               // refuse types at other rates (0: any audio)
  HRESULT receiveResult = S_OK;     // answered after recording
  bool guardedBuffers = false;      // buffers end at a no-access page (overruns fault)
  bool nullBufferPointers = false;  // buffers whose GetPointer answers S_OK and null
  // Called on the streaming thread when end of stream arrives, before it is recorded.
  std::function<void()> onEndOfStream;
  int endOfStreamCount = 0;
  std::vector<ReceivedBuffer> received;
  long grantedBufferBytes = 0;

 private:
  std::unique_ptr<host::CBaseInputPin> pin_;
};

}  // namespace orkv::test
