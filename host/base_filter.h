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
#pragma once

#include <strmif.h>

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

  // Pins by index, 0 .. GetPinCount()-1; null for an absent pin.
  virtual int GetPinCount() = 0;
  virtual CBasePin* GetPin(int n) = 0;
  // The filter-mapper record; null: not registered with the mapper.
  virtual const AMOVIESETUP_FILTER* GetSetupData() { return nullptr; }

  // Posts an event to the graph (IMediaEventSink); E_NOTIMPL outside a graph.
  // EC_COMPLETE gets this filter as its second parameter.
  HRESULT NotifyEvent(long code, LONG_PTR param1, LONG_PTR param2);

  bool IsStopped() const { return m_State == State_Stopped; }
  bool IsActive() const { return m_State != State_Stopped; }
  FILTER_STATE State() const { return m_State; }
  // The graph the filter joined (not reference-counted), or null.
  IFilterGraph* Graph() const { return m_pGraph; }
  // Guards state, connections and the pins' media types. Recursive.
  CCritSec* FilterLock() { return &m_csFilter; }

 protected:
  CCritSec m_csFilter;
  FILTER_STATE m_State = State_Stopped;
  ComPtr<IReferenceClock> m_pClock;
  REFERENCE_TIME m_tStart = 0;         // stream time origin given to Run
  IFilterGraph* m_pGraph = nullptr;    // not reference-counted (the graph owns us)
  IMediaEventSink* m_pSink = nullptr;  // the graph's event sink, not reference-counted
  std::wstring m_name;                 // the name given by JoinFilterGraph

 private:
  const CLSID m_clsid;
};

}  // namespace orkv::host
