// Small filters built on the host layer for the tests: a gain transform, a
// source whose pushes the test drives, and a sink that records what arrives.
#pragma once

#include <dshow.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "host/base_filter.h"
#include "host/pins.h"
#include "host/transform_filter.h"

namespace orkv::host::test {

// {6F1C0C41-2B0D-4C34-9E53-1A7C1E0A0B01} .. 03: classes of the test filters.
extern const CLSID CLSID_TestGain;
extern const CLSID CLSID_TestSource;
extern const CLSID CLSID_TestSink;

// 16-bit PCM at 44100 Hz with the given channel count.
CMediaType PcmType(WORD channels, WORD bits = 16);

// Doubles every 16-bit sample (saturating). Counts every hook call.
class GainFilter : public CTransformFilter {
 public:
  explicit GainFilter(IUnknown* outer = nullptr);
  static CUnknown* Create(IUnknown* outer, HRESULT* status);

  HRESULT CheckInputType(const CMediaType* input) override;
  HRESULT CheckTransform(const CMediaType* input, const CMediaType* output) override;
  HRESULT GetMediaType(int position, CMediaType* type) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) override;
  HRESULT SetMediaType(PIN_DIRECTION direction, const CMediaType* type) override;
  HRESULT CompleteConnect(PIN_DIRECTION direction, IPin* pin) override;
  HRESULT BreakConnect(PIN_DIRECTION direction) override;
  HRESULT StartStreaming() override;
  HRESULT StopStreaming() override;
  HRESULT Transform(IMediaSample* input, IMediaSample* output) override;
  const AMOVIESETUP_FILTER* GetSetupData() override;

  struct Calls {
    int setInputType = 0, setOutputType = 0;
    int completeInput = 0, completeOutput = 0;
    int breakInput = 0, breakOutput = 0;
    int decideBufferSize = 0, startStreaming = 0, stopStreaming = 0;
  } calls;
  HRESULT startResult = S_OK;
  HRESULT stopResult = S_OK;
  ALLOCATOR_PROPERTIES granted = {};  // what the last DecideBufferSize got
};

// One output pin proposing PcmType(2); the test pushes buffers with Push.
class TestSource : public CBaseFilter {
 public:
  TestSource();
  int GetPinCount() override { return 1; }
  CBasePin* GetPin(int n) override;
  CBaseOutputPin* Output();

  // One buffer of samples with times [start, stop) and the given flags;
  // returns the downstream Receive result. type: attached to the sample.
  HRESULT Push(const std::vector<int16_t>& samples, REFERENCE_TIME start, REFERENCE_TIME stop,
               bool sync = true, bool discontinuity = false, const AM_MEDIA_TYPE* type = nullptr);

 private:
  std::unique_ptr<CBaseOutputPin> pin_;
};

struct RecordedSample {
  std::vector<int16_t> data;
  bool timed = false;
  REFERENCE_TIME start = 0, stop = 0;
  bool sync = false, discontinuity = false;
};

// One input pin accepting 16-bit PCM; records samples and stream events.
class TestSink : public CBaseFilter {
 public:
  TestSink();
  ~TestSink() override;
  int GetPinCount() override { return 1; }
  CBasePin* GetPin(int n) override;
  CBaseInputPin* Input();

  // Options the test sets before connecting or streaming.
  long requiredBufferSize = 0;           // GetAllocatorRequirements (0: E_NOTIMPL)
  bool offerAllocator = true;            // GetAllocator succeeds
  HRESULT notifyAllocatorResult = S_OK;  // NotifyAllocator's answer
  HRESULT receiveResult = S_OK;          // Receive's answer after recording

  // Records (guarded by the filter lock for cross-thread reads).
  std::vector<RecordedSample> samples;
  int endOfStream = 0, beginFlush = 0, endFlush = 0;
  int allocatorRequirementsAsked = 0;
  ComPtr<IMemAllocator> notifiedAllocator;
  REFERENCE_TIME segmentStart = -1, segmentStop = -1;
  double segmentRate = 0;
  HANDLE endOfStreamEvent;  // set at each end of stream

 private:
  std::unique_ptr<CBaseInputPin> pin_;
};

}  // namespace orkv::host::test
