// CTransformFilter: a one-input, one-output copy transform on CBaseFilter.
//
// The derived filter implements CheckInputType, CheckTransform, DecideBufferSize
// and GetMediaType, and either Transform (the base Receive takes an output
// buffer, copies times and flags, calls Transform and delivers) or its own
// Receive. It may build its own pin classes by overriding MakeInputPin and
// MakeOutputPin; the base creates both pins exactly once, on the first request
// from any thread.
//
// Locks, in the order they may be taken:
//   filter lock      state changes, connections, flushing
//   streaming lock   each Receive and end of stream; streaming start and stop
//   connection lock  per pin: its peer and media type (see pins.h)
// Stop holds the filter lock while it waits for the streaming lock, so nothing
// that runs on a streaming thread (Receive, end of stream, and every pin query
// a neighbour makes from its own streaming thread) may wait for the filter lock.
//
// Locks taken by the entry points:
//   Stop, Pause                       filter lock, then streaming lock (both pins connected)
//   input Receive, EndOfStream        streaming lock
//   input BeginFlush, EndFlush        filter lock
//   input NewSegment                  none
//   output QueryInterface(seeking)    the pass-through's own creation lock
//   output EnumMediaTypes, QueryAccept, both pins' ConnectedTo and
//   ConnectionMediaType               connection locks only
//   GetPin, FindPin, EnumPins         the pins lock, until both pins exist
// Connection hooks run with the filter lock held; Receive and EndOfStream with
// the streaming lock held.
#pragma once

#include <strmif.h>

#include <atomic>
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
  // VFW_S_NO_MORE_ITEMS while the input is unconnected; else filter.GetMediaType.
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
  CCritSec m_csPosition;         // guards the creation of m_pPosition only
  ComPtr<IUnknown> m_pPosition;  // inner unknown of the aggregated pass-through
};

class CTransformFilter : public CBaseFilter {
 public:
  CTransformFilter(const wchar_t* objectName, IUnknown* outer, REFCLSID clsid);
  ~CTransformFilter() override;

  // 2: input and output.
  int GetPinCount() override;
  // Creates the missing pins (MakeInputPin, MakeOutputPin), once, safely from
  // any thread; 0 input, 1 output, null otherwise or if a pin failed to build
  // (a later request tries again).
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
  // The pins, once GetPin has created them (null before). Safe on any thread.
  CTransformInputPin* InputPin() const { return m_pInput.Get(); }
  CTransformOutputPin* OutputPin() const { return m_pOutput.Get(); }

 protected:
  // The pins to build, called under the pins lock; null, or a failed status
  // from the pin's constructor, leaves the pin absent.
  virtual std::unique_ptr<CTransformInputPin> MakeInputPin();
  virtual std::unique_ptr<CTransformOutputPin> MakeOutputPin();

  // A delivery buffer carrying the input's times, sync-point, discontinuity,
  // preroll and media times; the result of GetDeliveryBuffer on failure.
  HRESULT InitializeOutputSample(IMediaSample* input, IMediaSample** output);

  CCritSec m_csReceive;          // the streaming lock
  bool m_bEOSDelivered = false;  // end of stream sent because the input is unconnected

 private:
  // A pin built at most once and then published to readers on any thread; the
  // slot owns it until the filter goes.
  template <class Pin>
  class PinSlot {
   public:
    PinSlot() = default;
    PinSlot(const PinSlot&) = delete;
    PinSlot& operator=(const PinSlot&) = delete;
    ~PinSlot() { delete pin_.load(); }
    Pin* Get() const { return pin_.load(std::memory_order_acquire); }
    // Only while empty, under the pins lock.
    void Publish(std::unique_ptr<Pin> pin) { pin_.store(pin.release(), std::memory_order_release); }

   private:
    std::atomic<Pin*> pin_{nullptr};
  };

  void CreateMissingPins();
  bool BothPinsConnected() const;

  CCritSec m_csPins;  // serialises pin creation; taken alone
  PinSlot<CTransformInputPin> m_pInput;
  PinSlot<CTransformOutputPin> m_pOutput;
};

}  // namespace orkv::host
