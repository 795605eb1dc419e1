// CTransformFilter: a one-input, one-output copy transform on CBaseFilter.
//
// The derived filter implements CheckInputType, CheckTransform, DecideBufferSize
// and GetMediaType, and either Transform (the base Receive takes an output
// buffer, copies times and flags, calls Transform and delivers) or its own
// Receive. It may create its own pin classes in a GetPin override:
//
//   CBasePin* MyFilter::GetPin(int n) {
//     HRESULT hr = S_OK;
//     if (!m_pInput) {
//       m_pInput = std::make_unique<MyInputPin>(L"in", this, &hr, L"Input");
//       if (FAILED(hr)) m_pInput.reset();
//     }
//     ... likewise m_pOutput (CTransformOutputPin), then return pin n
//   }
//
// Locks: FilterLock() (state, connections, flush) is taken before
// StreamingLock() (Receive, end of stream, streaming start/stop), never after.
// Receive, EndOfStream run on the upstream streaming thread with the streaming
// lock held; the connection hooks with the filter lock held.
#pragma once

#include <strmif.h>

#include <memory>

#include "host/base_filter.h"
#include "host/pins.h"

namespace orkv::host {

class CTransformFilter;

class CTransformInputPin : public CBaseInputPin {
 public:
  CTransformInputPin(const wchar_t* objectName, CTransformFilter* filter, HRESULT* status,
                     const wchar_t* pinName);

  // filter.CheckInputType
  HRESULT CheckMediaType(const CMediaType* type) override;
  // Stores the type, then filter.SetMediaType(PINDIR_INPUT).
  HRESULT SetMediaType(const CMediaType* type) override;
  HRESULT CheckConnect(IPin* pin) override;
  HRESULT CompleteConnect(IPin* receivePin) override;
  HRESULT BreakConnect() override;
  // Output connected, not stopped, no run-time error (flushing is not consulted).
  HRESULT CheckStreaming() override;

  // Under the streaming lock: checks, then filter.Receive.
  HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override;
  // Under the streaming lock: checks, then filter.EndOfStream.
  HRESULT STDMETHODCALLTYPE EndOfStream() override;
  // Under the filter lock, both pins connected (else VFW_E_NOT_CONNECTED):
  // notes the flush, then filter.BeginFlush / EndFlush.
  HRESULT STDMETHODCALLTYPE BeginFlush() override;
  HRESULT STDMETHODCALLTYPE EndFlush() override;
  // Records the segment, then filter.NewSegment.
  HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop,
                                       double rate) override;

 protected:
  CTransformFilter* const m_pTransformFilter;
};

class CTransformOutputPin : public CBaseOutputPin {
 public:
  CTransformOutputPin(const wchar_t* objectName, CTransformFilter* filter, HRESULT* status,
                      const wchar_t* pinName);
  ~CTransformOutputPin() override;

  // Adds IMediaSeeking and IMediaPosition, answered by a system seeking
  // pass-through (created on first request) bound to the input pin.
  HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  // E_INVALIDARG while the input is unconnected; else filter.CheckTransform(input type, type).
  HRESULT CheckMediaType(const CMediaType* type) override;
  // Under the filter lock: VFW_S_NO_MORE_ITEMS while the input is unconnected;
  // else filter.GetMediaType.
  HRESULT GetMediaType(int position, CMediaType* type) override;
  // Stores the type, then filter.SetMediaType(PINDIR_OUTPUT).
  HRESULT SetMediaType(const CMediaType* type) override;
  // E_UNEXPECTED while the input is unconnected.
  HRESULT CheckConnect(IPin* pin) override;
  // Allocator negotiation, then filter.CompleteConnect(PINDIR_OUTPUT).
  HRESULT CompleteConnect(IPin* receivePin) override;
  HRESULT BreakConnect() override;
  // filter.DecideBufferSize
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) override;

  // filter.AlterQuality; S_FALSE from it passes the message upstream.
  HRESULT STDMETHODCALLTYPE Notify(IBaseFilter* self, Quality q) override;

 protected:
  CTransformFilter* const m_pTransformFilter;

 private:
  HRESULT CreateSeekingPassThru();
  ComPtr<IUnknown> m_pPosition;  // inner unknown of the aggregated pass-through
};

class CTransformFilter : public CBaseFilter {
 public:
  CTransformFilter(const wchar_t* objectName, IUnknown* outer, REFCLSID clsid);
  ~CTransformFilter() override;

  // 2: input and output.
  int GetPinCount() override;
  // Creates the missing pins (CTransformInputPin "Input", CTransformOutputPin
  // "Output"); 0 input, 1 output, null otherwise or if a pin failed to build.
  CBasePin* GetPin(int n) override;

  // State transitions (see the .cpp for the exact sequences).
  HRESULT STDMETHODCALLTYPE Stop() override;
  HRESULT STDMETHODCALLTYPE Pause() override;

  // --- Hooks -------------------------------------------------------------
  // Media types.
  virtual HRESULT CheckInputType(const CMediaType* input) = 0;
  virtual HRESULT CheckTransform(const CMediaType* input, const CMediaType* output) = 0;
  // The output pin's proposals: S_OK, VFW_S_NO_MORE_ITEMS past the last.
  virtual HRESULT GetMediaType(int position, CMediaType* type) = 0;
  virtual HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) = 0;
  // A pin's type was chosen (pin already stores it). Base: S_OK.
  virtual HRESULT SetMediaType(PIN_DIRECTION direction, const CMediaType* type);
  // Base: S_OK.
  virtual HRESULT CheckConnect(PIN_DIRECTION direction, IPin* pin);
  virtual HRESULT BreakConnect(PIN_DIRECTION direction);
  virtual HRESULT CompleteConnect(PIN_DIRECTION direction, IPin* receivePin);

  // Streaming: called at stopped->paused and at ->stopped with both pins
  // connected, under the streaming lock. A failure aborts the transition.
  virtual HRESULT StartStreaming();
  virtual HRESULT StopStreaming();

  // One input sample (streaming lock held). Base: output buffer with the
  // input's times and flags, Transform, Deliver (S_FALSE from Transform: not
  // delivered, S_OK returned).
  virtual HRESULT Receive(IMediaSample* sample);
  // Base: E_UNEXPECTED.
  virtual HRESULT Transform(IMediaSample* input, IMediaSample* output);

  // Downstream forwarding through the output pin.
  virtual HRESULT EndOfStream();
  virtual HRESULT BeginFlush();
  virtual HRESULT EndFlush();
  virtual HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

  // A quality message from downstream. Base: S_FALSE (pass it upstream).
  virtual HRESULT AlterQuality(Quality q);

  // --- Services ----------------------------------------------------------
  CCritSec* StreamingLock() { return &m_csReceive; }
  // The pins, once GetPin has created them (null before).
  CTransformInputPin* InputPin() const { return m_pInput.get(); }
  CTransformOutputPin* OutputPin() const { return m_pOutput.get(); }

 protected:
  // A delivery buffer carrying the input's times, sync-point, discontinuity and
  // media times; the result of GetDeliveryBuffer on failure.
  HRESULT InitializeOutputSample(IMediaSample* input, IMediaSample** output);

  CCritSec m_csReceive;                            // the streaming lock
  std::unique_ptr<CTransformInputPin> m_pInput;    // created by GetPin
  std::unique_ptr<CTransformOutputPin> m_pOutput;  // created by GetPin
  bool m_bEOSDelivered = false;  // end of stream sent because the input is unconnected

 private:
  bool BothPinsConnected() const;
};

}  // namespace orkv::host
