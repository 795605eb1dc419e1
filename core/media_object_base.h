// MediaObjectBase: the IMediaObject side of an effect, shared by every plug-in
// and compiled once. One input and one output stream; the input takes what the
// effect filter's input pin takes, the output is its stereo form. Types,
// streaming state, time stamps and the chunking of held input into the
// caller's output buffers live here; the derived class supplies the engine
// (start, process) and hears about format changes.
//
// The object holds at most one input buffer: ProcessInput keeps a reference to
// it and ProcessOutput runs the engine from it straight into the caller's
// output buffer, as many whole frames as fit, until it is used up. Nothing is
// allocated on that path.
//
// Hosts that process in place (IMediaObjectInPlace, the DirectSound effect
// chain among them) need the output type to equal the input's, which holds
// for stereo input; their buffers go through a scratch copy owned by the
// object, since an engine may write a frame before it has read all of it.
#pragma once

#include <windows.h>

#include <mediaobj.h>

#include <cstdint>

#include "core/lock.h"
#include "core/wave_format.h"
#include "host/com_ptr.h"
#include "host/media_type.h"
#include "host/unknown.h"

namespace orkv {

class MediaObjectBase : public host::CUnknown, public IMediaObject, public IMediaObjectInPlace {
 public:
  // What GetOutputSizeInfo asks hosts to provide, in output frames. Smaller
  // buffers work too (the output is then cut into several), down to one frame.
  static constexpr std::uint32_t kPreferredOutputFrames = 4096;

  HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  // --- IMediaObject ----------------------------------------------------------
  HRESULT STDMETHODCALLTYPE GetStreamCount(DWORD* inputs, DWORD* outputs) override;
  HRESULT STDMETHODCALLTYPE GetInputStreamInfo(DWORD stream, DWORD* flags) override;
  HRESULT STDMETHODCALLTYPE GetOutputStreamInfo(DWORD stream, DWORD* flags) override;
  HRESULT STDMETHODCALLTYPE GetInputType(DWORD stream, DWORD index, DMO_MEDIA_TYPE* type) override;
  HRESULT STDMETHODCALLTYPE GetOutputType(DWORD stream, DWORD index, DMO_MEDIA_TYPE* type) override;
  HRESULT STDMETHODCALLTYPE SetInputType(DWORD stream, const DMO_MEDIA_TYPE* type,
                                         DWORD flags) override;
  HRESULT STDMETHODCALLTYPE SetOutputType(DWORD stream, const DMO_MEDIA_TYPE* type,
                                          DWORD flags) override;
  HRESULT STDMETHODCALLTYPE GetInputCurrentType(DWORD stream, DMO_MEDIA_TYPE* type) override;
  HRESULT STDMETHODCALLTYPE GetOutputCurrentType(DWORD stream, DMO_MEDIA_TYPE* type) override;
  HRESULT STDMETHODCALLTYPE GetInputSizeInfo(DWORD stream, DWORD* size, DWORD* lookahead,
                                             DWORD* alignment) override;
  HRESULT STDMETHODCALLTYPE GetOutputSizeInfo(DWORD stream, DWORD* size, DWORD* alignment) override;
  HRESULT STDMETHODCALLTYPE GetInputMaxLatency(DWORD stream, REFERENCE_TIME* latency) override;
  HRESULT STDMETHODCALLTYPE SetInputMaxLatency(DWORD stream, REFERENCE_TIME latency) override;
  HRESULT STDMETHODCALLTYPE Flush() override;
  HRESULT STDMETHODCALLTYPE Discontinuity(DWORD stream) override;
  HRESULT STDMETHODCALLTYPE AllocateStreamingResources() override;
  HRESULT STDMETHODCALLTYPE FreeStreamingResources() override;
  HRESULT STDMETHODCALLTYPE GetInputStatus(DWORD stream, DWORD* flags) override;
  HRESULT STDMETHODCALLTYPE ProcessInput(DWORD stream, IMediaBuffer* buffer, DWORD flags,
                                         REFERENCE_TIME time, REFERENCE_TIME length) override;
  HRESULT STDMETHODCALLTYPE ProcessOutput(DWORD flags, DWORD count, DMO_OUTPUT_DATA_BUFFER* buffers,
                                          DWORD* status) override;
  HRESULT STDMETHODCALLTYPE Lock(LONG lock) override;

  // --- IMediaObjectInPlace ---------------------------------------------------
  HRESULT STDMETHODCALLTYPE Process(ULONG size, BYTE* data, REFERENCE_TIME start,
                                    DWORD flags) override;
  HRESULT STDMETHODCALLTYPE Clone(IMediaObjectInPlace** copy) override;
  HRESULT STDMETHODCALLTYPE GetLatency(REFERENCE_TIME* latency) override;

 protected:
  explicit MediaObjectBase(IUnknown* outer) : CUnknown(outer) {}
  ~MediaObjectBase() override;

  // --- What the plug-in supplies -------------------------------------------
  // The lowest input rate the engine runs at.
  virtual std::uint32_t MinSampleRate() const = 0;
  // Clears the engine's state for a stream in these formats (both normalised,
  // and fitting each other).
  virtual HRESULT StartEngine(const WaveFormat* input, const WaveFormat* output) = 0;
  // Runs the engine over min(inFrames, outFrames) whole frames of the input's
  // sample type; both counts come back as that number.
  virtual HRESULT ProcessFrames(const BYTE* in, std::uint32_t& inFrames, BYTE* out,
                                std::uint32_t& outFrames) = 0;
  // A stream's type was set (format: the normalised copy) or cleared (null).
  // Pin 0 is the input, 1 the output.
  virtual void FormatChanged(int pin, const WaveFormat* format) = 0;
  // A new, stand-alone object of the same plug-in holding the same settings.
  virtual HRESULT CreateWithSameSettings(host::ComPtr<IMediaObject>& copy) = 0;

  // The normalised input format of the stream (valid inside ProcessFrames).
  const WaveFormat& StreamInputFormat() const { return inputFormat_; }

 private:
  HRESULT SetInputTypeLocked(const DMO_MEDIA_TYPE& type);
  HRESULT SetOutputTypeLocked(const DMO_MEDIA_TYPE& type);
  void ClearInputType();
  void ClearOutputType();
  bool TypesReady() const;
  HRESULT EnsureEngineStarted();
  void DropPendingInput();
  HRESULT OutputRoom(IMediaBuffer& target, BYTE*& data, DWORD& length, std::uint32_t& frames) const;
  HRESULT FillOutput(DMO_OUTPUT_DATA_BUFFER& output, BYTE* outData, DWORD outLength,
                     std::uint32_t outFrames);

  // Guards every member below, and is what Lock() hands to the host. Taken by
  // every IMediaObject method; the store's lock may be taken inside it (by the
  // engine's snapshot and by format notifications), never the other way round.
  RecursiveLock lock_;
  // The host's own holds through Lock(TRUE): which thread, and how often.
  DWORD lockOwner_ = 0;
  int lockDepth_ = 0;

  host::CMediaType inputType_;
  host::CMediaType outputType_;
  bool inputSet_ = false;
  bool outputSet_ = false;
  WaveFormat inputFormat_{};
  WaveFormat outputFormat_{};
  bool engineRunning_ = false;

  // The input buffer being worked through: its reference, how many of its
  // bytes count (whole frames), how many are done, and what ProcessInput said
  // about its time and sync point (for the first output taken from it).
  host::ComPtr<IMediaBuffer> pending_;
  DWORD pendingBytes_ = 0;
  DWORD consumedBytes_ = 0;
  bool firstChunk_ = false;
  DWORD pendingFlags_ = 0;
  REFERENCE_TIME pendingTime_ = 0;
  REFERENCE_TIME pendingLength_ = 0;

  // In-place processing works through this copy of each stretch of the host's
  // buffer: room for kScratchFrames frames of stereo float, the largest frame.
  static constexpr std::uint32_t kScratchFrames = 4096;
  alignas(16) BYTE scratch_[kScratchFrames * 8];
};

}  // namespace orkv
