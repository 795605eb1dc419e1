// CBaseFilter: the IBaseFilter core of a filter (state, clock, graph, pins by
// index, registration with the system filter mapper).
//
// A derived filter supplies its pins through GetPinCount()/GetPin(); pins live
// as long as the filter (the filter owns them; see pins.h). It may override
// Stop/Pause/Run to add its own work around the base transitions, which
// activate (commit allocators) and deactivate the connected pins.
//
// Writing a source filter on this layer:
//   class ToneSource : public CBaseFilter {
//     ToneSource(IUnknown* outer) : CBaseFilter(L"tone", outer, CLSID_Tone) {
//       pin_ = std::make_unique<TonePin>(L"tone out", this, &hr, L"Output"); }
//     int GetPinCount() override { return 1; }
//     CBasePin* GetPin(int n) override { return n == 0 ? pin_.get() : nullptr; }
//   };
//   class TonePin : public CBaseOutputPin {
//     HRESULT CheckMediaType(const CMediaType*) override;       // accept your format
//     HRESULT GetMediaType(int pos, CMediaType*) override;      // propose it at pos 0
//     HRESULT DecideBufferSize(IMemAllocator*, ALLOCATOR_PROPERTIES*) override;
//                                                // SetProperties, check what was granted
//   };
// After Pause/Run (the base commits the allocator), push from your own thread:
//   GetDeliveryBuffer(&sample, nullptr, nullptr, 0); fill it; SetActualDataLength;
//   SetTime; Deliver(sample); sample->Release(); ... DeliverEndOfStream().
// Stop the thread before (or in) Stop(); GetDeliveryBuffer fails once the
// allocator is decommitted, so a blocked pusher wakes up.
//
// Writing a sink: CBaseFilter with one CBaseInputPin subclass that implements
// CheckMediaType and overrides Receive (call CBaseInputPin::Receive first; go
// on only when it returns S_OK), EndOfStream, and if needed BeginFlush/EndFlush.
// Post EC_COMPLETE with NotifyEvent when the stream ends, if the graph should
// see the sink as a renderer.
//
// Locks taken by the IBaseFilter entry points:
//   Stop, Pause, Run                     filter lock (a transform: then its streaming lock)
//   SetSyncSource                        filter lock, then the info lock
//   FindPin, EnumPins, GetState, GetClassID  none (pins are created once, under
//                                        their own lock; the state is atomic)
//   QueryFilterInfo, GetSyncSource, JoinFilterGraph  info lock
// The info lock guards the graph, its event sink, the name and the clock, which
// neighbours may ask for from their streaming threads. It is innermost: nothing
// is called out while it is held.
#pragma once

#include <strmif.h>

#include <atomic>
#include <string>

#include "host/com_ptr.h"
#include "host/critical_section.h"
#include "host/setup.h"
#include "host/unknown.h"

namespace orkv::host {

class CBasePin;

class CBaseFilter : public CUnknown, public IBaseFilter, public IAMovieSetup {
 public:
  CBaseFilter(const wchar_t* objectName, IUnknown* outer, REFCLSID clsid);
  ~CBaseFilter() override;

  ORKV_DECLARE_IUNKNOWN
  // IBaseFilter, IMediaFilter, IPersist, IAMovieSetup; the rest to CUnknown.
  HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  // IPersist
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override;

  // IMediaFilter
  HRESULT STDMETHODCALLTYPE Stop() override;
  HRESULT STDMETHODCALLTYPE Pause() override;
  HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME start) override;
  HRESULT STDMETHODCALLTYPE GetState(DWORD milliseconds, FILTER_STATE* state) override;
  HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock* clock) override;
  HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock** clock) override;

  // IBaseFilter
  HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins** pins) override;
  // Finds the pin whose QueryId equals id exactly; VFW_E_NOT_FOUND else.
  HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR id, IPin** pin) override;
  HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO* info) override;
  HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
  HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR* info) override;  // E_NOTIMPL

  // IAMovieSetup: (re)writes / removes the GetSetupData() record through the
  // system filter mapper. Mapper failures are ignored: S_OK (S_FALSE without
  // setup data).
  HRESULT STDMETHODCALLTYPE Register() override;
  HRESULT STDMETHODCALLTYPE Unregister() override;

  // Pins by index, 0 .. GetPinCount()-1; null for an absent pin. Called on any
  // thread without a lock: a pin, once returned, stays the same object.
  virtual int GetPinCount() = 0;
  virtual CBasePin* GetPin(int n) = 0;
  // The filter-mapper record; null: not registered with the mapper.
  virtual const AMOVIESETUP_FILTER* GetSetupData() { return nullptr; }

  // Posts an event to the graph (IMediaEventSink); E_NOTIMPL outside a graph.
  // EC_COMPLETE gets this filter as its second parameter.
  HRESULT NotifyEvent(long code, LONG_PTR param1, LONG_PTR param2);

  // Safe on any thread; changed only under the filter lock.
  bool IsStopped() const { return m_State == State_Stopped; }
  bool IsActive() const { return m_State != State_Stopped; }
  FILTER_STATE State() const { return m_State; }
  // The graph the filter joined (not reference-counted), or null.
  IFilterGraph* Graph() const;
  // Guards state changes, connections and flushing. Recursive. Taken before a
  // transform's streaming lock, never after it.
  CCritSec* FilterLock() { return &m_csFilter; }

 protected:
  CCritSec m_csFilter;
  std::atomic<FILTER_STATE> m_State{State_Stopped};
  REFERENCE_TIME m_tStart = 0;  // stream time origin given to Run

  // The info lock (see above); innermost, nothing is called out while it is held.
  mutable CCritSec m_csInfo;
  ComPtr<IReferenceClock> m_pClock;
  IFilterGraph* m_pGraph = nullptr;    // not reference-counted (the graph owns us)
  IMediaEventSink* m_pSink = nullptr;  // the graph's event sink, not reference-counted
  std::wstring m_name;                 // the name given by JoinFilterGraph

 private:
  const CLSID m_clsid;
};

}  // namespace orkv::host
