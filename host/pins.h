// Pins: CBasePin (IPin, IQualityControl: connection and media-type
// negotiation), CBaseInputPin (IMemInputPin) and CBaseOutputPin (allocator
// negotiation and delivery).
//
// A pin is owned by its filter and lives as long as it; its AddRef/Release go to
// the filter. Connection hooks, all called with the filter lock held:
//   CheckConnect(pin)      peer is usable (base: opposite direction)
//   CheckMediaType(type)   S_OK accepts; anything else refuses
//   GetMediaType(pos, out) proposals for the enumerator: S_OK, or
//                          VFW_S_NO_MORE_ITEMS past the last one
//   SetMediaType(type)     the connection's type is chosen (base stores it)
//   CompleteConnect(pin)   peer accepted; a failure undoes the connection
//   BreakConnect()         connection attempt failed or disconnecting
// The pin's identifier (QueryId) is "In" for input pins and "Out" for output
// pins; its name (QueryPinInfo) is the one given at construction.
//
// Locks taken by the IPin entry points. Neighbours call the query methods from
// their streaming threads (a renderer handling end of stream asks who is
// connected to it) while an application thread may hold the filter lock in
// Stop, waiting for the streaming lock; so the queries never wait for the
// filter lock:
//   Connect, ReceiveConnection, Disconnect, SetSink    filter lock
//   ConnectedTo, ConnectionMediaType                   connection lock only
//   QueryPinInfo, QueryDirection, QueryId              none
//   QueryAccept, EnumMediaTypes                        connection locks only
//                                                      (of this and the other pin)
//   IMemInputPin GetAllocator, NotifyAllocator         filter lock
//   IMemInputPin ReceiveCanBlock                       connection locks only
//   BeginFlush, EndFlush (input)                       filter lock
// The connection lock guards the peer and the connection's media type; they are
// written with both the filter lock and the connection lock held, and read with
// either. Nothing is called out while the connection lock is held.
#pragma once

#include <strmif.h>
#include <vfwmsgs.h>  // VFW_E_* / VFW_S_* results used throughout the pin contract

#include <atomic>
#include <string>

#include "host/base_filter.h"
#include "host/com_ptr.h"
#include "host/media_type.h"
#include "host/unknown.h"

namespace orkv::host {

class CBasePin : public CUnknown, public IPin, public IQualityControl {
 public:
  // status is left untouched (construction cannot fail); pinName is copied.
  CBasePin(const wchar_t* objectName, CBaseFilter* filter, HRESULT* status, const wchar_t* pinName,
           PIN_DIRECTION direction);
  ~CBasePin() override;

  ORKV_DECLARE_IUNKNOWN
  HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
  // The owning filter's count.
  ULONG STDMETHODCALLTYPE NonDelegatingAddRef() override;
  ULONG STDMETHODCALLTYPE NonDelegatingRelease() override;

  // IPin
  HRESULT STDMETHODCALLTYPE Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) override;
  HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) override;
  HRESULT STDMETHODCALLTYPE Disconnect() override;
  HRESULT STDMETHODCALLTYPE ConnectedTo(IPin** pin) override;
  HRESULT STDMETHODCALLTYPE ConnectionMediaType(AM_MEDIA_TYPE* type) override;
  HRESULT STDMETHODCALLTYPE QueryPinInfo(PIN_INFO* info) override;
  HRESULT STDMETHODCALLTYPE QueryDirection(PIN_DIRECTION* direction) override;
  HRESULT STDMETHODCALLTYPE QueryId(LPWSTR* id) override;
  HRESULT STDMETHODCALLTYPE QueryAccept(const AM_MEDIA_TYPE* type) override;
  HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes** types) override;
  HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin** pins, ULONG* count) override;
  HRESULT STDMETHODCALLTYPE EndOfStream() override;  // S_OK
  HRESULT STDMETHODCALLTYPE BeginFlush() override;   // E_UNEXPECTED
  HRESULT STDMETHODCALLTYPE EndFlush() override;     // E_UNEXPECTED
  // Records start, stop and rate.
  HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop,
                                       double rate) override;

  // IQualityControl
  HRESULT STDMETHODCALLTYPE Notify(IBaseFilter* self, Quality q) override;  // E_NOTIMPL
  HRESULT STDMETHODCALLTYPE SetSink(IQualityControl* sink) override;

  // Connection hooks (see above).
  virtual HRESULT CheckConnect(IPin* pin);
  virtual HRESULT CheckMediaType(const CMediaType* type) = 0;
  virtual HRESULT GetMediaType(int position, CMediaType* type);  // VFW_S_NO_MORE_ITEMS
  virtual HRESULT SetMediaType(const CMediaType* type);
  virtual HRESULT CompleteConnect(IPin* receivePin);
  virtual HRESULT BreakConnect();

  // Streaming transitions, called by the filter on connected pins.
  virtual HRESULT Active() { return S_OK; }
  virtual HRESULT Inactive() { return S_OK; }
  virtual HRESULT Run(REFERENCE_TIME /*start*/) { return S_OK; }

  // The identifier QueryId answers and FindPin matches: "In" or "Out".
  virtual const wchar_t* PinId() const;

  // Safe on any thread.
  bool IsConnected() const;
  // The peer pin with a reference, or null. Safe on any thread.
  ComPtr<IPin> Peer() const;
  // A copy of the connection's media type (empty while unconnected); E_OUTOFMEMORY
  // if the format block cannot be copied. Safe on any thread.
  HRESULT ConnectionType(CMediaType* type) const;
  // The peer pin (not AddRef'd), or null. Filter lock held.
  IPin* GetConnected() const { return m_Connected.Get(); }
  // The connection's media type; empty while unconnected. Filter lock held.
  const CMediaType& CurrentMediaType() const { return m_mt; }
  PIN_DIRECTION Direction() const { return m_dir; }
  const std::wstring& Name() const { return m_name; }
  CBaseFilter* Filter() const { return m_pFilter; }
  bool IsStopped() const { return m_pFilter->IsStopped(); }

  REFERENCE_TIME CurrentStartTime() const { return m_tStart; }
  REFERENCE_TIME CurrentStopTime() const { return m_tStop; }
  double CurrentRate() const { return m_dRate; }

 protected:
  CCritSec* FilterLock() const { return m_pFilter->FilterLock(); }

  // Records (or, with null, forgets) the peer; filter lock held.
  void SetPeer(IPin* peer);
  // Forgets the peer and the media type; filter lock held.
  void ClearConnection();

  CBaseFilter* const m_pFilter;
  const std::wstring m_name;
  const PIN_DIRECTION m_dir;
  mutable CCritSec m_csConnection;  // the connection lock: m_Connected, m_mt (see above)
  ComPtr<IPin> m_Connected;
  CMediaType m_mt;
  REFERENCE_TIME m_tStart = 0;
  REFERENCE_TIME m_tStop = MAXLONGLONG;
  double m_dRate = 1.0;
  IQualityControl* m_pQSink = nullptr;  // set by SetSink, not reference-counted

 private:
  HRESULT TryConnectionTypes(IPin* receivePin, IEnumMediaTypes* types);
  HRESULT AgreeMediaType(IPin* receivePin, const CMediaType* type);
  HRESULT AttemptConnection(IPin* receivePin, const CMediaType* type);
  void DisconnectInternal();
};

class CBaseInputPin : public CBasePin, public IMemInputPin {
 public:
  CBaseInputPin(const wchar_t* objectName, CBaseFilter* filter, HRESULT* status,
                const wchar_t* pinName);
  ~CBaseInputPin() override;

  ORKV_DECLARE_IUNKNOWN
  HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  // IMemInputPin
  // Creates a system memory allocator on first request; new reference.
  HRESULT STDMETHODCALLTYPE GetAllocator(IMemAllocator** allocator) override;
  // Keeps the allocator the upstream filter chose.
  HRESULT STDMETHODCALLTYPE NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override;
  HRESULT STDMETHODCALLTYPE GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) override;
  // Checks CheckStreaming() and a media type attached to the sample. Derived
  // pins call this first and process the sample only if it returns S_OK.
  HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override;
  HRESULT STDMETHODCALLTYPE ReceiveMultiple(IMediaSample** samples, long count,
                                            long* processed) override;
  HRESULT STDMETHODCALLTYPE ReceiveCanBlock() override;

  // IPin, input side: note the flush.
  HRESULT STDMETHODCALLTYPE BeginFlush() override;
  HRESULT STDMETHODCALLTYPE EndFlush() override;

  // IQualityControl::Notify of the pin is refused; PassNotify sends a quality
  // message upstream (to the SetSink sink or the connected output pin).
  HRESULT PassNotify(Quality q);

  // A media type attached to a sample: S_OK lets the sample through, anything
  // else stops the stream. Base: CheckMediaType; the type is not adopted.
  virtual HRESULT CheckInBandType(const CMediaType* type) { return CheckMediaType(type); }

  // S_OK when a sample may be processed: VFW_E_NOT_CONNECTED, VFW_E_WRONG_STATE
  // (stopped), S_FALSE (flushing) or VFW_E_RUNTIME_ERROR otherwise.
  virtual HRESULT CheckStreaming();

  HRESULT BreakConnect() override;
  // Decommits the allocator (releasing an upstream filter waiting for a buffer)
  // and clears the run-time error and flushing flags.
  HRESULT Inactive() override;

  bool IsFlushing() const { return m_bFlushing; }
  bool IsReadOnly() const { return m_bReadOnly; }
  // The allocator in use on the connection (not AddRef'd), or null.
  IMemAllocator* Allocator() const { return m_pAllocator.Get(); }

 protected:
  ComPtr<IMemAllocator> m_pAllocator;
  bool m_bReadOnly = false;
  std::atomic<bool> m_bFlushing{false};
  std::atomic<bool> m_bRunTimeError{false};
};

class CBaseOutputPin : public CBasePin {
 public:
  CBaseOutputPin(const wchar_t* objectName, CBaseFilter* filter, HRESULT* status,
                 const wchar_t* pinName);
  ~CBaseOutputPin() override;

  // Sizes the buffers of the allocator being negotiated: SetProperties from
  // props (which holds the downstream wishes, alignment at least 1).
  virtual HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) = 0;

  // A free buffer from the negotiated allocator (may wait for one); E_NOINTERFACE
  // without an allocator. start/stop/flags as IMemAllocator::GetBuffer.
  virtual HRESULT GetDeliveryBuffer(IMediaSample** sample, REFERENCE_TIME* start,
                                    REFERENCE_TIME* stop, DWORD flags);
  // Downstream IMemInputPin::Receive; VFW_E_NOT_CONNECTED without a peer.
  virtual HRESULT Deliver(IMediaSample* sample);
  // Downstream IPin calls; VFW_E_NOT_CONNECTED without a peer.
  virtual HRESULT DeliverEndOfStream();
  virtual HRESULT DeliverBeginFlush();
  virtual HRESULT DeliverEndFlush();
  virtual HRESULT DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

  // Peer must offer IMemInputPin (VFW_E_NO_TRANSPORT otherwise).
  HRESULT CheckConnect(IPin* pin) override;
  // Negotiates the allocator (DecideAllocator).
  HRESULT CompleteConnect(IPin* receivePin) override;
  HRESULT BreakConnect() override;
  // Commit / decommit the allocator.
  HRESULT Active() override;
  HRESULT Inactive() override;

  // Input-side IPin calls are refused with E_UNEXPECTED on an output pin.
  HRESULT STDMETHODCALLTYPE EndOfStream() override;
  HRESULT STDMETHODCALLTYPE BeginFlush() override;
  HRESULT STDMETHODCALLTYPE EndFlush() override;

  // The allocator in use (not AddRef'd), or null.
  IMemAllocator* Allocator() const { return m_pAllocator.Get(); }

 protected:
  // Downstream requirements, then its allocator, else a system memory
  // allocator; each sized by DecideBufferSize and offered with NotifyAllocator.
  virtual HRESULT DecideAllocator(IMemInputPin* peer, ComPtr<IMemAllocator>& chosen);

  ComPtr<IMemAllocator> m_pAllocator;
  ComPtr<IMemInputPin> m_pInputPin;  // the peer's transport

 private:
  HRESULT OfferAllocator(IMemInputPin* peer, IMemAllocator* allocator, ALLOCATOR_PROPERTIES props);
};

}  // namespace orkv::host
