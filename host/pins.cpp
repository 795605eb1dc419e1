#include "host/pins.h"

#include <dshow.h>

#include <cstring>
#include <cwchar>
#include <new>

namespace orkv::host {

namespace {

// IEnumMediaTypes over a pin's GetMediaType proposals. Holds a reference on the
// pin (that is, on its filter).
class MediaTypeEnumerator final : public CUnknown, public IEnumMediaTypes {
 public:
  MediaTypeEnumerator(CBasePin* pin, int position)
      : CUnknown(nullptr), pinRef_(static_cast<IPin*>(pin)), pin_(pin), position_(position) {}

  ORKV_DECLARE_IUNKNOWN

  HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    if (riid == IID_IEnumMediaTypes) return GetInterface(static_cast<IEnumMediaTypes*>(this), ppv);
    return CUnknown::NonDelegatingQueryInterface(riid, ppv);
  }

  HRESULT STDMETHODCALLTYPE Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override {
    if (types == nullptr) return E_POINTER;
    if (fetched == nullptr && count > 1) return E_INVALIDARG;
    ULONG n = 0;
    while (n < count) {
      CMediaType type;
      if (pin_->GetMediaType(position_, &type) != S_OK) break;
      AM_MEDIA_TYPE* copy = CreateMediaTypeCopy(type);
      if (copy == nullptr) {
        FreeFetched(types, n);
        if (fetched != nullptr) *fetched = 0;
        return E_OUTOFMEMORY;
      }
      types[n++] = copy;
      ++position_;
    }
    if (fetched != nullptr) *fetched = n;
    return n == count ? S_OK : S_FALSE;
  }

  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
    for (; count > 0; --count, ++position_) {
      CMediaType type;
      if (pin_->GetMediaType(position_, &type) != S_OK) return S_FALSE;
    }
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE Reset() override {
    position_ = 0;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE Clone(IEnumMediaTypes** clone) override {
    if (clone == nullptr) return E_POINTER;
    *clone = nullptr;
    auto* copy = new (std::nothrow) MediaTypeEnumerator(pin_, position_);
    if (copy == nullptr) return E_OUTOFMEMORY;
    return copy->NonDelegatingQueryInterface(IID_IEnumMediaTypes, reinterpret_cast<void**>(clone));
  }

 private:
  static void FreeFetched(AM_MEDIA_TYPE** types, ULONG n) {
    for (ULONG i = 0; i < n; ++i) {
      DeleteMediaType(types[i]);
      types[i] = nullptr;
    }
  }

  ComPtr<IPin> pinRef_;  // keeps pin_ alive
  CBasePin* pin_;
  int position_;
};

// A proposed type names a concrete type only with all three GUIDs set.
bool IsPartiallySpecified(const AM_MEDIA_TYPE& type) {
  return type.majortype == GUID_NULL || type.subtype == GUID_NULL || type.formattype == GUID_NULL;
}

// A partial type constrains a candidate only through its non-null GUIDs.
bool MatchesPartial(const AM_MEDIA_TYPE& candidate, const AM_MEDIA_TYPE* partial) {
  if (partial == nullptr) return true;
  auto fits = [](const GUID& want, const GUID& have) { return want == GUID_NULL || want == have; };
  return fits(partial->majortype, candidate.majortype) &&
         fits(partial->subtype, candidate.subtype) &&
         fits(partial->formattype, candidate.formattype);
}

// The specific failure of a connection attempt is worth reporting; the generic
// "type refused" answers are not.
bool IsSpecificFailure(HRESULT hr) {
  return FAILED(hr) && hr != E_FAIL && hr != E_INVALIDARG && hr != VFW_E_TYPE_NOT_ACCEPTED;
}

}  // namespace

// ---------------------------------------------------------------------------
// CBasePin

CBasePin::CBasePin(const wchar_t* /*objectName*/, CBaseFilter* filter, HRESULT* /*status*/,
                   const wchar_t* pinName, PIN_DIRECTION direction)
    : CUnknown(nullptr),
      m_pFilter(filter),
      m_name(pinName != nullptr ? pinName : L""),
      m_dir(direction) {}

CBasePin::~CBasePin() = default;

HRESULT STDMETHODCALLTYPE CBasePin::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  if (riid == IID_IPin) return GetInterface(static_cast<IPin*>(this), ppv);
  if (riid == IID_IQualityControl) return GetInterface(static_cast<IQualityControl*>(this), ppv);
  return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

ULONG STDMETHODCALLTYPE CBasePin::NonDelegatingAddRef() {
  return static_cast<IBaseFilter*>(m_pFilter)->AddRef();
}

ULONG STDMETHODCALLTYPE CBasePin::NonDelegatingRelease() {
  return static_cast<IBaseFilter*>(m_pFilter)->Release();
}

HRESULT STDMETHODCALLTYPE CBasePin::Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) {
  if (receivePin == nullptr) return E_POINTER;
  CAutoLock lock(FilterLock());
  if (IsConnected()) return VFW_E_ALREADY_CONNECTED;
  if (!IsStopped()) return VFW_E_NOT_STOPPED;
  // Checked once before any type, so an unusable peer gets its specific error.
  const HRESULT usable = CheckConnect(receivePin);
  if (FAILED(usable)) {
    BreakConnect();
    return usable;
  }
  if (type != nullptr && !IsPartiallySpecified(*type)) {
    CMediaType exact;
    if (FAILED(exact.Set(*type))) return E_OUTOFMEMORY;
    return AttemptConnection(receivePin, &exact);
  }
  CMediaType partial;
  if (type != nullptr && FAILED(partial.Set(*type))) return E_OUTOFMEMORY;
  return AgreeMediaType(receivePin, type != nullptr ? &partial : nullptr);
}

// Tries the receiving pin's types first, then our own.
HRESULT CBasePin::AgreeMediaType(IPin* receivePin, const CMediaType* partial) {
  HRESULT failure = VFW_E_NO_ACCEPTABLE_TYPES;
  for (int round = 0; round < 2; ++round) {
    ComPtr<IEnumMediaTypes> types;
    const HRESULT got = round == 0 ? receivePin->EnumMediaTypes(types.GetAddressOf())
                                   : EnumMediaTypes(types.GetAddressOf());
    if (FAILED(got) || !types) continue;
    AM_MEDIA_TYPE* candidate = nullptr;
    while (types->Next(1, &candidate, nullptr) == S_OK) {
      CMediaType type;
      const HRESULT copied = type.Set(*candidate);
      DeleteMediaType(candidate);
      if (FAILED(copied)) return copied;
      if (!MatchesPartial(type, partial)) continue;
      const HRESULT hr = AttemptConnection(receivePin, &type);
      if (SUCCEEDED(hr)) return hr;
      if (IsSpecificFailure(hr) && failure == VFW_E_NO_ACCEPTABLE_TYPES) failure = hr;
    }
  }
  return failure;
}

HRESULT CBasePin::AttemptConnection(IPin* receivePin, const CMediaType* type) {
  HRESULT hr = CheckConnect(receivePin);
  if (FAILED(hr)) {
    BreakConnect();
    return hr;
  }
  hr = CheckMediaType(type);
  if (hr != S_OK) {
    BreakConnect();
    return SUCCEEDED(hr) ? VFW_E_TYPE_NOT_ACCEPTED : hr;
  }
  SetPeer(receivePin);
  hr = SetMediaType(type);
  if (SUCCEEDED(hr)) {
    hr = receivePin->ReceiveConnection(static_cast<IPin*>(this), type);
    if (SUCCEEDED(hr)) {
      hr = CompleteConnect(receivePin);
      if (SUCCEEDED(hr)) return S_OK;
      receivePin->Disconnect();
    }
  }
  SetPeer(nullptr);
  BreakConnect();
  ClearConnection();
  return hr;
}

HRESULT STDMETHODCALLTYPE CBasePin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) {
  if (connector == nullptr || type == nullptr) return E_POINTER;
  CAutoLock lock(FilterLock());
  if (IsConnected()) return VFW_E_ALREADY_CONNECTED;
  if (!IsStopped()) return VFW_E_NOT_STOPPED;
  HRESULT hr = CheckConnect(connector);
  if (FAILED(hr)) {
    BreakConnect();
    return hr;
  }
  CMediaType proposed;
  if (FAILED(proposed.Set(*type))) {
    BreakConnect();
    return E_OUTOFMEMORY;
  }
  hr = CheckMediaType(&proposed);
  if (hr != S_OK) {
    BreakConnect();
    return (SUCCEEDED(hr) || hr == E_FAIL || hr == E_INVALIDARG) ? VFW_E_TYPE_NOT_ACCEPTED : hr;
  }
  SetPeer(connector);
  hr = SetMediaType(&proposed);
  if (SUCCEEDED(hr)) hr = CompleteConnect(connector);
  if (FAILED(hr)) {
    SetPeer(nullptr);
    BreakConnect();
    ClearConnection();
    return hr;
  }
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CBasePin::Disconnect() {
  CAutoLock lock(FilterLock());
  if (!IsStopped()) return VFW_E_NOT_STOPPED;
  if (!IsConnected()) return S_FALSE;
  DisconnectInternal();
  return S_OK;
}

void CBasePin::DisconnectInternal() {
  BreakConnect();
  ClearConnection();
}

void CBasePin::SetPeer(IPin* peer) {
  CAutoLock lock(&m_csConnection);
  m_Connected = peer;
}

void CBasePin::ClearConnection() {
  CAutoLock lock(&m_csConnection);
  m_Connected.Reset();
  m_mt.InitMediaType();
}

bool CBasePin::IsConnected() const {
  CAutoLock lock(&m_csConnection);
  return m_Connected != nullptr;
}

ComPtr<IPin> CBasePin::Peer() const {
  CAutoLock lock(&m_csConnection);
  return m_Connected;
}

HRESULT CBasePin::ConnectionType(CMediaType* type) const {
  CAutoLock lock(&m_csConnection);
  return type->Set(m_mt);
}

HRESULT STDMETHODCALLTYPE CBasePin::ConnectedTo(IPin** pin) {
  if (pin == nullptr) return E_POINTER;
  CAutoLock lock(&m_csConnection);
  m_Connected.CopyTo(pin);
  return m_Connected ? S_OK : VFW_E_NOT_CONNECTED;
}

HRESULT STDMETHODCALLTYPE CBasePin::ConnectionMediaType(AM_MEDIA_TYPE* type) {
  if (type == nullptr) return E_POINTER;
  CAutoLock lock(&m_csConnection);
  if (!m_Connected) {
    std::memset(type, 0, sizeof(*type));
    return VFW_E_NOT_CONNECTED;
  }
  return CopyMediaType(type, &m_mt);
}

HRESULT STDMETHODCALLTYPE CBasePin::QueryPinInfo(PIN_INFO* info) {
  if (info == nullptr) return E_POINTER;
  info->pFilter = static_cast<IBaseFilter*>(m_pFilter);
  info->pFilter->AddRef();
  const size_t n = m_name.size() < MAX_PIN_NAME ? m_name.size() : MAX_PIN_NAME - 1;
  std::wmemcpy(info->achName, m_name.c_str(), n);
  info->achName[n] = L'\0';
  info->dir = m_dir;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CBasePin::QueryDirection(PIN_DIRECTION* direction) {
  if (direction == nullptr) return E_POINTER;
  *direction = m_dir;
  return S_OK;
}

const wchar_t* CBasePin::PinId() const { return m_dir == PINDIR_INPUT ? L"In" : L"Out"; }

HRESULT STDMETHODCALLTYPE CBasePin::QueryId(LPWSTR* id) {
  if (id == nullptr) return E_POINTER;
  const wchar_t* text = PinId();
  const size_t bytes = (std::wcslen(text) + 1) * sizeof(wchar_t);
  *id = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
  if (*id == nullptr) return E_OUTOFMEMORY;
  std::memcpy(*id, text, bytes);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CBasePin::QueryAccept(const AM_MEDIA_TYPE* type) {
  if (type == nullptr) return E_POINTER;
  CMediaType proposed;
  if (FAILED(proposed.Set(*type))) return E_OUTOFMEMORY;
  const HRESULT hr = CheckMediaType(&proposed);
  return FAILED(hr) ? S_FALSE : hr;
}

HRESULT STDMETHODCALLTYPE CBasePin::EnumMediaTypes(IEnumMediaTypes** types) {
  if (types == nullptr) return E_POINTER;
  *types = nullptr;
  auto* enumerator = new (std::nothrow) MediaTypeEnumerator(this, 0);
  if (enumerator == nullptr) return E_OUTOFMEMORY;
  return enumerator->NonDelegatingQueryInterface(IID_IEnumMediaTypes,
                                                 reinterpret_cast<void**>(types));
}

HRESULT STDMETHODCALLTYPE CBasePin::QueryInternalConnections(IPin** /*pins*/, ULONG* /*count*/) {
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CBasePin::EndOfStream() { return S_OK; }
HRESULT STDMETHODCALLTYPE CBasePin::BeginFlush() { return E_UNEXPECTED; }
HRESULT STDMETHODCALLTYPE CBasePin::EndFlush() { return E_UNEXPECTED; }

HRESULT STDMETHODCALLTYPE CBasePin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop,
                                               double rate) {
  m_tStart = start;
  m_tStop = stop;
  m_dRate = rate;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CBasePin::Notify(IBaseFilter* /*self*/, Quality /*q*/) {
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CBasePin::SetSink(IQualityControl* sink) {
  CAutoLock lock(FilterLock());
  m_pQSink = sink;
  return S_OK;
}

HRESULT CBasePin::CheckConnect(IPin* pin) {
  PIN_DIRECTION other;
  const HRESULT hr = pin->QueryDirection(&other);
  if (FAILED(hr)) return hr;
  return other == m_dir ? VFW_E_INVALID_DIRECTION : S_OK;
}

HRESULT CBasePin::GetMediaType(int /*position*/, CMediaType* /*type*/) {
  return VFW_S_NO_MORE_ITEMS;
}

HRESULT CBasePin::SetMediaType(const CMediaType* type) {
  CAutoLock lock(&m_csConnection);
  return m_mt.Set(*type);
}

HRESULT CBasePin::CompleteConnect(IPin* /*receivePin*/) { return S_OK; }

HRESULT CBasePin::BreakConnect() { return S_OK; }

// ---------------------------------------------------------------------------
// CBaseInputPin

CBaseInputPin::CBaseInputPin(const wchar_t* objectName, CBaseFilter* filter, HRESULT* status,
                             const wchar_t* pinName)
    : CBasePin(objectName, filter, status, pinName, PINDIR_INPUT) {}

CBaseInputPin::~CBaseInputPin() = default;

HRESULT STDMETHODCALLTYPE CBaseInputPin::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  if (riid == IID_IMemInputPin) return GetInterface(static_cast<IMemInputPin*>(this), ppv);
  return CBasePin::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT STDMETHODCALLTYPE CBaseInputPin::GetAllocator(IMemAllocator** allocator) {
  if (allocator == nullptr) return E_POINTER;
  *allocator = nullptr;
  CAutoLock lock(FilterLock());
  if (!m_pAllocator) {
    const HRESULT hr = CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_IMemAllocator, m_pAllocator.GetVoidAddressOf());
    if (FAILED(hr)) return hr;
  }
  return m_pAllocator.CopyTo(allocator);
}

HRESULT STDMETHODCALLTYPE CBaseInputPin::NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) {
  if (allocator == nullptr) return E_POINTER;
  CAutoLock lock(FilterLock());
  m_pAllocator = allocator;
  m_bReadOnly = readOnly != FALSE;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseInputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) {
  return props == nullptr ? E_POINTER : E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CBaseInputPin::Receive(IMediaSample* sample) {
  if (sample == nullptr) return E_POINTER;
  HRESULT hr = CheckStreaming();
  if (hr != S_OK) return hr;
  AM_MEDIA_TYPE* changed = nullptr;
  if (sample->GetMediaType(&changed) == S_OK && changed != nullptr) {
    CMediaType type;
    hr = type.Set(*changed);
    DeleteMediaType(changed);
    if (SUCCEEDED(hr)) hr = CheckInBandType(&type);
    if (hr != S_OK) {
      // A format we cannot follow: end the stream and report it to the graph.
      EndOfStream();
      m_bRunTimeError = true;
      m_pFilter->NotifyEvent(EC_ERRORABORT, VFW_E_TYPE_NOT_ACCEPTED, 0);
      return VFW_E_INVALIDMEDIATYPE;
    }
  }
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseInputPin::ReceiveMultiple(IMediaSample** samples, long count,
                                                         long* processed) {
  if (samples == nullptr || processed == nullptr) return E_POINTER;
  HRESULT hr = S_OK;
  *processed = 0;
  while (*processed < count) {
    hr = Receive(samples[*processed]);
    if (hr != S_OK) break;
    ++*processed;
  }
  return hr;
}

// Blocks if any connected downstream input may block.
HRESULT STDMETHODCALLTYPE CBaseInputPin::ReceiveCanBlock() {
  int outputs = 0;
  for (int i = 0; i < m_pFilter->GetPinCount(); ++i) {
    CBasePin* pin = m_pFilter->GetPin(i);
    if (pin == nullptr || pin->Direction() != PINDIR_OUTPUT) continue;
    ++outputs;
    const ComPtr<IPin> connected = pin->Peer();
    ComPtr<IMemInputPin> peer;
    if (!connected ||
        FAILED(connected->QueryInterface(IID_IMemInputPin, peer.GetVoidAddressOf())) ||
        peer->ReceiveCanBlock() != S_FALSE) {
      return S_OK;
    }
  }
  return outputs == 0 ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE CBaseInputPin::BeginFlush() {
  CAutoLock lock(FilterLock());
  m_bFlushing = true;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseInputPin::EndFlush() {
  CAutoLock lock(FilterLock());
  m_bFlushing = false;
  m_bRunTimeError = false;
  return S_OK;
}

HRESULT CBaseInputPin::PassNotify(Quality q) {
  IBaseFilter* self = static_cast<IBaseFilter*>(m_pFilter);
  if (m_pQSink != nullptr) return m_pQSink->Notify(self, q);
  const ComPtr<IPin> peer = Peer();
  ComPtr<IQualityControl> upstream;
  if (peer && SUCCEEDED(peer->QueryInterface(IID_IQualityControl, upstream.GetVoidAddressOf()))) {
    return upstream->Notify(self, q);
  }
  return VFW_E_NOT_FOUND;
}

HRESULT CBaseInputPin::CheckStreaming() {
  if (!IsConnected()) return VFW_E_NOT_CONNECTED;
  if (IsStopped()) return VFW_E_WRONG_STATE;
  if (m_bFlushing) return S_FALSE;
  if (m_bRunTimeError) return VFW_E_RUNTIME_ERROR;
  return S_OK;
}

HRESULT CBaseInputPin::BreakConnect() {
  if (m_pAllocator) {
    m_pAllocator->Decommit();
    m_pAllocator.Reset();
  }
  m_bReadOnly = false;
  m_bRunTimeError = false;
  return S_OK;
}

HRESULT CBaseInputPin::Inactive() {
  m_bRunTimeError = false;
  m_bFlushing = false;
  return m_pAllocator ? m_pAllocator->Decommit() : S_OK;
}

// ---------------------------------------------------------------------------
// CBaseOutputPin

CBaseOutputPin::CBaseOutputPin(const wchar_t* objectName, CBaseFilter* filter, HRESULT* status,
                               const wchar_t* pinName)
    : CBasePin(objectName, filter, status, pinName, PINDIR_OUTPUT) {}

CBaseOutputPin::~CBaseOutputPin() = default;

HRESULT CBaseOutputPin::CheckConnect(IPin* pin) {
  HRESULT hr = CBasePin::CheckConnect(pin);
  if (FAILED(hr)) return hr;
  hr = pin->QueryInterface(IID_IMemInputPin, m_pInputPin.GetVoidAddressOf());
  return FAILED(hr) ? VFW_E_NO_TRANSPORT : S_OK;
}

HRESULT CBaseOutputPin::CompleteConnect(IPin* /*receivePin*/) {
  if (!m_pInputPin) return VFW_E_NO_TRANSPORT;
  ComPtr<IMemAllocator> chosen;
  const HRESULT hr = DecideAllocator(m_pInputPin.Get(), chosen);
  if (FAILED(hr)) return hr;
  m_pAllocator = std::move(chosen);
  return S_OK;
}

HRESULT CBaseOutputPin::BreakConnect() {
  if (m_pAllocator) {
    m_pAllocator->Decommit();
    m_pAllocator.Reset();
  }
  m_pInputPin.Reset();
  return S_OK;
}

HRESULT CBaseOutputPin::OfferAllocator(IMemInputPin* peer, IMemAllocator* allocator,
                                       ALLOCATOR_PROPERTIES props) {
  const HRESULT hr = DecideBufferSize(allocator, &props);
  if (FAILED(hr)) return hr;
  return peer->NotifyAllocator(allocator, FALSE);
}

HRESULT CBaseOutputPin::DecideAllocator(IMemInputPin* peer, ComPtr<IMemAllocator>& chosen) {
  ALLOCATOR_PROPERTIES wanted = {};
  peer->GetAllocatorRequirements(&wanted);
  if (wanted.cbAlign == 0) wanted.cbAlign = 1;

  ComPtr<IMemAllocator> allocator;
  HRESULT hr = peer->GetAllocator(allocator.GetAddressOf());
  if (SUCCEEDED(hr)) {
    hr = OfferAllocator(peer, allocator.Get(), wanted);
    if (SUCCEEDED(hr)) {
      chosen = std::move(allocator);
      return S_OK;
    }
  }
  allocator.Reset();
  hr = CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                        allocator.GetVoidAddressOf());
  if (FAILED(hr)) return hr;
  hr = OfferAllocator(peer, allocator.Get(), wanted);
  if (FAILED(hr)) return hr;
  chosen = std::move(allocator);
  return S_OK;
}

HRESULT CBaseOutputPin::GetDeliveryBuffer(IMediaSample** sample, REFERENCE_TIME* start,
                                          REFERENCE_TIME* stop, DWORD flags) {
  if (sample == nullptr) return E_POINTER;
  *sample = nullptr;
  if (!m_pAllocator) return E_NOINTERFACE;
  return m_pAllocator->GetBuffer(sample, start, stop, flags);
}

HRESULT CBaseOutputPin::Deliver(IMediaSample* sample) {
  if (sample == nullptr) return E_POINTER;
  if (!m_pInputPin) return VFW_E_NOT_CONNECTED;
  return m_pInputPin->Receive(sample);
}

HRESULT CBaseOutputPin::DeliverEndOfStream() {
  if (!m_Connected) return VFW_E_NOT_CONNECTED;
  return m_Connected->EndOfStream();
}

HRESULT CBaseOutputPin::DeliverBeginFlush() {
  if (!m_Connected) return VFW_E_NOT_CONNECTED;
  return m_Connected->BeginFlush();
}

HRESULT CBaseOutputPin::DeliverEndFlush() {
  if (!m_Connected) return VFW_E_NOT_CONNECTED;
  return m_Connected->EndFlush();
}

HRESULT CBaseOutputPin::DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  if (!m_Connected) return VFW_E_NOT_CONNECTED;
  return m_Connected->NewSegment(start, stop, rate);
}

HRESULT CBaseOutputPin::Active() {
  if (!m_pAllocator) return VFW_E_NO_ALLOCATOR;
  return m_pAllocator->Commit();
}

HRESULT CBaseOutputPin::Inactive() { return m_pAllocator ? m_pAllocator->Decommit() : S_OK; }

HRESULT STDMETHODCALLTYPE CBaseOutputPin::EndOfStream() { return E_UNEXPECTED; }
HRESULT STDMETHODCALLTYPE CBaseOutputPin::BeginFlush() { return E_UNEXPECTED; }
HRESULT STDMETHODCALLTYPE CBaseOutputPin::EndFlush() { return E_UNEXPECTED; }

}  // namespace orkv::host
