#include "host/base_filter.h"

#include <dshow.h>

#include <cwchar>
#include <new>

#include "host/pins.h"

namespace orkv::host {

namespace {

// IEnumPins over a filter's pins by index. Holds a reference on the filter.
class PinEnumerator final : public CUnknown, public IEnumPins {
 public:
  PinEnumerator(CBaseFilter* filter, int position)
      : CUnknown(nullptr),
        filter_(static_cast<IBaseFilter*>(filter)),
        owner_(filter),
        position_(position) {}

  ORKV_DECLARE_IUNKNOWN

  HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    if (riid == IID_IEnumPins) return GetInterface(static_cast<IEnumPins*>(this), ppv);
    return CUnknown::NonDelegatingQueryInterface(riid, ppv);
  }

  HRESULT STDMETHODCALLTYPE Next(ULONG count, IPin** pins, ULONG* fetched) override {
    if (pins == nullptr) return E_POINTER;
    if (fetched == nullptr && count > 1) return E_INVALIDARG;
    ULONG n = 0;
    while (n < count && position_ < owner_->GetPinCount()) {
      CBasePin* pin = owner_->GetPin(position_);
      if (pin == nullptr) break;
      ++position_;
      pins[n++] = pin;
      pin->AddRef();
    }
    if (fetched != nullptr) *fetched = n;
    return n == count ? S_OK : S_FALSE;
  }

  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
    const int left = owner_->GetPinCount() - position_;
    if (static_cast<LONGLONG>(count) > left) {
      position_ += left;
      return S_FALSE;
    }
    position_ += static_cast<int>(count);
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE Reset() override {
    position_ = 0;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE Clone(IEnumPins** clone) override {
    if (clone == nullptr) return E_POINTER;
    *clone = nullptr;
    auto* copy = new (std::nothrow) PinEnumerator(owner_, position_);
    if (copy == nullptr) return E_OUTOFMEMORY;
    return copy->NonDelegatingQueryInterface(IID_IEnumPins, reinterpret_cast<void**>(clone));
  }

 private:
  ComPtr<IBaseFilter> filter_;  // keeps owner_ alive
  CBaseFilter* owner_;
  int position_;
};

// Copies a wide string into a fixed buffer, truncating and terminating.
void CopyName(WCHAR* target, size_t capacity, const std::wstring& name) {
  const size_t n = name.size() < capacity ? name.size() : capacity - 1;
  std::wmemcpy(target, name.c_str(), n);
  target[n] = L'\0';
}

HRESULT RegisterPins(IFilterMapper* mapper, const AMOVIESETUP_FILTER& setup) {
  HRESULT hr = S_OK;
  for (UINT p = 0; p < setup.nPins && SUCCEEDED(hr); ++p) {
    const AMOVIESETUP_PIN& pin = setup.lpPin[p];
    const CLSID connectsTo = pin.clsConnectsToFilter ? *pin.clsConnectsToFilter : GUID_NULL;
    hr = mapper->RegisterPin(*setup.clsID, pin.strName, pin.bRendered, pin.bOutput, pin.bZero,
                             pin.bMany, connectsTo, pin.strConnectsToPin);
    for (UINT t = 0; t < pin.nMediaTypes && SUCCEEDED(hr); ++t) {
      const AMOVIESETUP_MEDIATYPE& type = pin.lpMediaType[t];
      hr = mapper->RegisterPinType(*setup.clsID, pin.strName,
                                   type.clsMajorType ? *type.clsMajorType : GUID_NULL,
                                   type.clsMinorType ? *type.clsMinorType : GUID_NULL);
    }
  }
  return hr;
}

// Removes any earlier record, then (register) writes the filter and its pins.
HRESULT WriteMapperRecord(IFilterMapper* mapper, const AMOVIESETUP_FILTER& setup, bool reg) {
  HRESULT hr = mapper->UnregisterFilter(*setup.clsID);
  if (reg) {
    hr = mapper->RegisterFilter(*setup.clsID, setup.strName, setup.dwMerit);
    if (SUCCEEDED(hr)) hr = RegisterPins(mapper, setup);
  }
  if (hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)) hr = S_OK;  // was not registered
  return hr;
}

// The mapper's own result is deliberately not reported: setup succeeds even
// where the system has no filter mapper.
HRESULT UpdateMapper(const AMOVIESETUP_FILTER* setup, bool reg) {
  if (setup == nullptr) return S_FALSE;
  const HRESULT init = CoInitialize(nullptr);
  {
    ComPtr<IFilterMapper> mapper;
    if (SUCCEEDED(CoCreateInstance(CLSID_FilterMapper, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IFilterMapper, mapper.GetVoidAddressOf()))) {
      WriteMapperRecord(mapper.Get(), *setup, reg);
    }
  }
  CoFreeUnusedLibraries();
  if (SUCCEEDED(init)) CoUninitialize();
  return S_OK;
}

}  // namespace

CBaseFilter::CBaseFilter(const wchar_t* /*objectName*/, IUnknown* outer, REFCLSID clsid)
    : CUnknown(outer), m_clsid(clsid) {}

CBaseFilter::~CBaseFilter() = default;

HRESULT STDMETHODCALLTYPE CBaseFilter::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  if (riid == IID_IBaseFilter || riid == IID_IMediaFilter || riid == IID_IPersist) {
    return GetInterface(static_cast<IBaseFilter*>(this), ppv);
  }
  if (riid == IID_IAMovieSetup) return GetInterface(static_cast<IAMovieSetup*>(this), ppv);
  return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT STDMETHODCALLTYPE CBaseFilter::GetClassID(CLSID* clsid) {
  if (clsid == nullptr) return E_POINTER;
  *clsid = m_clsid;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseFilter::Stop() {
  CAutoLock lock(&m_csFilter);
  HRESULT result = S_OK;
  if (m_State != State_Stopped) {
    for (int i = 0; i < GetPinCount(); ++i) {
      CBasePin* pin = GetPin(i);
      if (pin != nullptr && pin->IsConnected()) {
        const HRESULT hr = pin->Inactive();
        if (FAILED(hr) && SUCCEEDED(result)) result = hr;
      }
    }
  }
  m_State = State_Stopped;
  return result;
}

HRESULT STDMETHODCALLTYPE CBaseFilter::Pause() {
  CAutoLock lock(&m_csFilter);
  if (m_State == State_Stopped) {
    for (int i = 0; i < GetPinCount(); ++i) {
      CBasePin* pin = GetPin(i);
      if (pin != nullptr && pin->IsConnected()) {
        const HRESULT hr = pin->Active();
        if (FAILED(hr)) return hr;
      }
    }
  }
  m_State = State_Paused;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseFilter::Run(REFERENCE_TIME start) {
  CAutoLock lock(&m_csFilter);
  if (m_State == State_Stopped) {
    const HRESULT hr = Pause();
    if (FAILED(hr)) return hr;
  }
  m_tStart = start;
  if (m_State != State_Running) {
    for (int i = 0; i < GetPinCount(); ++i) {
      CBasePin* pin = GetPin(i);
      if (pin != nullptr && pin->IsConnected()) {
        const HRESULT hr = pin->Run(start);
        if (FAILED(hr)) return hr;
      }
    }
  }
  m_State = State_Running;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseFilter::GetState(DWORD /*milliseconds*/, FILTER_STATE* state) {
  if (state == nullptr) return E_POINTER;
  *state = m_State;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseFilter::SetSyncSource(IReferenceClock* clock) {
  CAutoLock lock(&m_csFilter);
  CAutoLock info(&m_csInfo);
  m_pClock = clock;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseFilter::GetSyncSource(IReferenceClock** clock) {
  CAutoLock info(&m_csInfo);
  return m_pClock.CopyTo(clock);
}

HRESULT STDMETHODCALLTYPE CBaseFilter::EnumPins(IEnumPins** pins) {
  if (pins == nullptr) return E_POINTER;
  *pins = nullptr;
  auto* enumerator = new (std::nothrow) PinEnumerator(this, 0);
  if (enumerator == nullptr) return E_OUTOFMEMORY;
  return enumerator->NonDelegatingQueryInterface(IID_IEnumPins, reinterpret_cast<void**>(pins));
}

HRESULT STDMETHODCALLTYPE CBaseFilter::FindPin(LPCWSTR id, IPin** pin) {
  if (pin == nullptr) return E_POINTER;
  *pin = nullptr;
  if (id == nullptr) return E_POINTER;
  for (int i = 0; i < GetPinCount(); ++i) {
    CBasePin* candidate = GetPin(i);
    if (candidate != nullptr && std::wcscmp(candidate->PinId(), id) == 0) {
      *pin = candidate;
      candidate->AddRef();
      return S_OK;
    }
  }
  return VFW_E_NOT_FOUND;
}

HRESULT STDMETHODCALLTYPE CBaseFilter::QueryFilterInfo(FILTER_INFO* info) {
  if (info == nullptr) return E_POINTER;
  CAutoLock lock(&m_csInfo);
  CopyName(info->achName, MAX_FILTER_NAME, m_name);
  info->pGraph = m_pGraph;
  if (m_pGraph != nullptr) m_pGraph->AddRef();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseFilter::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) {
  // Kept without a reference: the graph holds the filter and outlives it.
  IMediaEventSink* sink = nullptr;
  if (graph != nullptr &&
      SUCCEEDED(graph->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&sink)))) {
    sink->Release();
  }
  CAutoLock info(&m_csInfo);
  m_pGraph = graph;
  m_pSink = sink;
  try {
    m_name = (graph != nullptr && name != nullptr) ? name : L"";
  } catch (const std::bad_alloc&) {
    m_name.clear();  // no exception crosses the interface
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

IFilterGraph* CBaseFilter::Graph() const {
  CAutoLock info(&m_csInfo);
  return m_pGraph;
}

HRESULT STDMETHODCALLTYPE CBaseFilter::QueryVendorInfo(LPWSTR* info) {
  if (info != nullptr) *info = nullptr;
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CBaseFilter::Register() { return UpdateMapper(GetSetupData(), true); }

HRESULT STDMETHODCALLTYPE CBaseFilter::Unregister() { return UpdateMapper(GetSetupData(), false); }

HRESULT CBaseFilter::NotifyEvent(long code, LONG_PTR param1, LONG_PTR param2) {
  IMediaEventSink* sink = nullptr;
  {
    CAutoLock info(&m_csInfo);
    sink = m_pSink;
  }
  if (sink == nullptr) return E_NOTIMPL;
  if (code == EC_COMPLETE) param2 = reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(this));
  return sink->Notify(code, param1, param2);
}

}  // namespace orkv::host
