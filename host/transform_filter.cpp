#include "host/transform_filter.h"

#include <dshow.h>

#include <new>

namespace orkv::host {

// ---------------------------------------------------------------------------
// CTransformInputPin

CTransformInputPin::CTransformInputPin(const wchar_t* objectName, CTransformFilter* filter,
                                       HRESULT* status, const wchar_t* pinName)
    : CBaseInputPin(objectName, filter, status, pinName), m_pTransformFilter(filter) {}

HRESULT CTransformInputPin::CheckMediaType(const CMediaType* type) {
  return m_pTransformFilter->CheckInputType(type);
}

HRESULT CTransformInputPin::SetMediaType(const CMediaType* type) {
  const HRESULT hr = CBaseInputPin::SetMediaType(type);
  if (FAILED(hr)) return hr;
  return m_pTransformFilter->SetMediaType(PINDIR_INPUT, type);
}

HRESULT CTransformInputPin::CheckConnect(IPin* pin) {
  const HRESULT hr = m_pTransformFilter->CheckConnect(PINDIR_INPUT, pin);
  if (FAILED(hr)) return hr;
  return CBaseInputPin::CheckConnect(pin);
}

HRESULT CTransformInputPin::CompleteConnect(IPin* receivePin) {
  const HRESULT hr = m_pTransformFilter->CompleteConnect(PINDIR_INPUT, receivePin);
  if (FAILED(hr)) return hr;
  return CBaseInputPin::CompleteConnect(receivePin);
}

HRESULT CTransformInputPin::BreakConnect() {
  m_pTransformFilter->BreakConnect(PINDIR_INPUT);
  return CBaseInputPin::BreakConnect();
}

HRESULT CTransformInputPin::CheckStreaming() {
  CTransformOutputPin* output = m_pTransformFilter->OutputPin();
  if (output == nullptr || !output->IsConnected()) return VFW_E_NOT_CONNECTED;
  if (IsStopped()) return VFW_E_WRONG_STATE;
  if (m_bRunTimeError) return VFW_E_RUNTIME_ERROR;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CTransformInputPin::Receive(IMediaSample* sample) {
  CAutoLock lock(m_pTransformFilter->StreamingLock());
  const HRESULT hr = CBaseInputPin::Receive(sample);
  if (hr != S_OK) return hr;
  return m_pTransformFilter->Receive(sample);
}

HRESULT STDMETHODCALLTYPE CTransformInputPin::EndOfStream() {
  CAutoLock lock(m_pTransformFilter->StreamingLock());
  const HRESULT hr = CheckStreaming();
  if (hr != S_OK) return hr;
  return m_pTransformFilter->EndOfStream();
}

HRESULT STDMETHODCALLTYPE CTransformInputPin::BeginFlush() {
  CAutoLock lock(FilterLock());
  CTransformOutputPin* output = m_pTransformFilter->OutputPin();
  if (!IsConnected() || output == nullptr || !output->IsConnected()) return VFW_E_NOT_CONNECTED;
  const HRESULT hr = CBaseInputPin::BeginFlush();
  if (FAILED(hr)) return hr;
  return m_pTransformFilter->BeginFlush();
}

HRESULT STDMETHODCALLTYPE CTransformInputPin::EndFlush() {
  CAutoLock lock(FilterLock());
  CTransformOutputPin* output = m_pTransformFilter->OutputPin();
  if (!IsConnected() || output == nullptr || !output->IsConnected()) return VFW_E_NOT_CONNECTED;
  const HRESULT hr = CBaseInputPin::EndFlush();
  if (FAILED(hr)) return hr;
  return m_pTransformFilter->EndFlush();
}

HRESULT STDMETHODCALLTYPE CTransformInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop,
                                                         double rate) {
  CBasePin::NewSegment(start, stop, rate);
  return m_pTransformFilter->NewSegment(start, stop, rate);
}

// ---------------------------------------------------------------------------
// CTransformOutputPin

CTransformOutputPin::CTransformOutputPin(const wchar_t* objectName, CTransformFilter* filter,
                                         HRESULT* status, const wchar_t* pinName)
    : CBaseOutputPin(objectName, filter, status, pinName), m_pTransformFilter(filter) {}

CTransformOutputPin::~CTransformOutputPin() = default;

HRESULT STDMETHODCALLTYPE CTransformOutputPin::NonDelegatingQueryInterface(REFIID riid,
                                                                           void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  if (riid == IID_IMediaSeeking || riid == IID_IMediaPosition) {
    // Renderers ask for it while they handle end of stream, on the streaming
    // thread: it must not wait for the filter lock.
    CAutoLock lock(&m_csPosition);
    if (!m_pPosition) {
      const HRESULT hr = CreateSeekingPassThru();
      if (FAILED(hr)) {
        *ppv = nullptr;
        return hr;
      }
    }
    return m_pPosition->QueryInterface(riid, ppv);
  }
  return CBaseOutputPin::NonDelegatingQueryInterface(riid, ppv);
}

// The pass-through is aggregated into this pin, so its interfaces share the
// pin's identity (and the filter's count); seek calls go to the pin upstream of
// our input pin.
HRESULT CTransformOutputPin::CreateSeekingPassThru() {
  CTransformInputPin* input = m_pTransformFilter->InputPin();
  if (input == nullptr) return E_NOINTERFACE;
  ComPtr<IUnknown> inner;
  HRESULT hr = CoCreateInstance(CLSID_SeekingPassThru, GetOwner(), CLSCTX_INPROC_SERVER,
                                IID_IUnknown, inner.GetVoidAddressOf());
  if (FAILED(hr)) return hr;
  ISeekingPassThru* passThru = nullptr;  // counted on our owner: released at once
  hr = inner->QueryInterface(IID_ISeekingPassThru, reinterpret_cast<void**>(&passThru));
  if (FAILED(hr)) return hr;
  hr = passThru->Init(FALSE, static_cast<IPin*>(input));
  passThru->Release();
  if (FAILED(hr)) return hr;
  m_pPosition = std::move(inner);
  return S_OK;
}

HRESULT CTransformOutputPin::CheckMediaType(const CMediaType* type) {
  CTransformInputPin* input = m_pTransformFilter->InputPin();
  if (input == nullptr || !input->IsConnected()) return E_INVALIDARG;
  CMediaType inputType;
  const HRESULT hr = input->ConnectionType(&inputType);
  if (FAILED(hr)) return hr;
  return m_pTransformFilter->CheckTransform(&inputType, type);
}

HRESULT CTransformOutputPin::GetMediaType(int position, CMediaType* type) {
  CTransformInputPin* input = m_pTransformFilter->InputPin();
  if (input == nullptr || !input->IsConnected()) return VFW_S_NO_MORE_ITEMS;
  return m_pTransformFilter->GetMediaType(position, type);
}

HRESULT CTransformOutputPin::SetMediaType(const CMediaType* type) {
  const HRESULT hr = CBaseOutputPin::SetMediaType(type);
  if (FAILED(hr)) return hr;
  return m_pTransformFilter->SetMediaType(PINDIR_OUTPUT, type);
}

HRESULT CTransformOutputPin::CheckConnect(IPin* pin) {
  CTransformInputPin* input = m_pTransformFilter->InputPin();
  if (input == nullptr || !input->IsConnected()) return E_UNEXPECTED;
  HRESULT hr = CBaseOutputPin::CheckConnect(pin);
  if (FAILED(hr)) return hr;
  return m_pTransformFilter->CheckConnect(PINDIR_OUTPUT, pin);
}

HRESULT CTransformOutputPin::CompleteConnect(IPin* receivePin) {
  const HRESULT hr = CBaseOutputPin::CompleteConnect(receivePin);
  if (FAILED(hr)) return hr;
  return m_pTransformFilter->CompleteConnect(PINDIR_OUTPUT, receivePin);
}

HRESULT CTransformOutputPin::BreakConnect() {
  m_pTransformFilter->BreakConnect(PINDIR_OUTPUT);
  return CBaseOutputPin::BreakConnect();
}

HRESULT CTransformOutputPin::DecideBufferSize(IMemAllocator* allocator,
                                              ALLOCATOR_PROPERTIES* props) {
  return m_pTransformFilter->DecideBufferSize(allocator, props);
}

HRESULT STDMETHODCALLTYPE CTransformOutputPin::Notify(IBaseFilter* /*self*/, Quality q) {
  const HRESULT hr = m_pTransformFilter->AlterQuality(q);
  if (hr != S_FALSE) return hr;
  CTransformInputPin* input = m_pTransformFilter->InputPin();
  return input != nullptr ? input->PassNotify(q) : VFW_E_NOT_FOUND;
}

// ---------------------------------------------------------------------------
// CTransformFilter

CTransformFilter::CTransformFilter(const wchar_t* objectName, IUnknown* outer, REFCLSID clsid)
    : CBaseFilter(objectName, outer, clsid) {}

CTransformFilter::~CTransformFilter() = default;

int CTransformFilter::GetPinCount() { return 2; }

CBasePin* CTransformFilter::GetPin(int n) {
  CreateMissingPins();
  if (n == 0) return InputPin();
  if (n == 1) return OutputPin();
  return nullptr;
}

// Two threads asking for the pins of a new filter must get the same pins.
void CTransformFilter::CreateMissingPins() {
  if (InputPin() != nullptr && OutputPin() != nullptr) return;
  CAutoLock lock(&m_csPins);
  if (InputPin() == nullptr) m_pInput.Publish(MakeInputPin());
  if (OutputPin() == nullptr) m_pOutput.Publish(MakeOutputPin());
}

std::unique_ptr<CTransformInputPin> CTransformFilter::MakeInputPin() {
  HRESULT hr = S_OK;
  std::unique_ptr<CTransformInputPin> pin(
      new (std::nothrow) CTransformInputPin(L"Transform input pin", this, &hr, L"Input"));
  if (FAILED(hr)) pin.reset();
  return pin;
}

std::unique_ptr<CTransformOutputPin> CTransformFilter::MakeOutputPin() {
  HRESULT hr = S_OK;
  std::unique_ptr<CTransformOutputPin> pin(
      new (std::nothrow) CTransformOutputPin(L"Transform output pin", this, &hr, L"Output"));
  if (FAILED(hr)) pin.reset();
  return pin;
}

bool CTransformFilter::BothPinsConnected() const {
  const CTransformInputPin* input = InputPin();
  const CTransformOutputPin* output = OutputPin();
  return input != nullptr && input->IsConnected() && output != nullptr && output->IsConnected();
}

HRESULT STDMETHODCALLTYPE CTransformFilter::Stop() {
  CAutoLock lock(&m_csFilter);
  if (m_State == State_Stopped) return S_OK;
  if (!BothPinsConnected()) {
    m_State = State_Stopped;
    m_bEOSDelivered = false;
    return S_OK;
  }
  // Decommitting first releases an upstream filter blocked on a free input
  // buffer, so the Receive we wait for below can finish.
  InputPin()->Inactive();
  CAutoLock streaming(&m_csReceive);
  OutputPin()->Inactive();
  const HRESULT hr = StopStreaming();
  if (SUCCEEDED(hr)) {
    m_State = State_Stopped;
    m_bEOSDelivered = false;
  }
  return hr;
}

HRESULT STDMETHODCALLTYPE CTransformFilter::Pause() {
  CAutoLock lock(&m_csFilter);
  if (m_State == State_Paused) return S_OK;
  if (InputPin() == nullptr || !InputPin()->IsConnected()) {
    // Nothing will ever arrive: tell downstream the stream is over, once.
    if (OutputPin() != nullptr && !m_bEOSDelivered) {
      OutputPin()->DeliverEndOfStream();
      m_bEOSDelivered = true;
    }
    m_State = State_Paused;
    return S_OK;
  }
  if (OutputPin() == nullptr || !OutputPin()->IsConnected()) {
    m_State = State_Paused;
    return S_OK;
  }
  if (m_State == State_Stopped) {
    CAutoLock streaming(&m_csReceive);
    const HRESULT hr = StartStreaming();
    if (FAILED(hr)) return hr;
  }
  return CBaseFilter::Pause();
}

HRESULT CTransformFilter::SetMediaType(PIN_DIRECTION /*direction*/, const CMediaType* /*type*/) {
  return S_OK;
}

HRESULT CTransformFilter::CheckConnect(PIN_DIRECTION /*direction*/, IPin* /*pin*/) { return S_OK; }

HRESULT CTransformFilter::BreakConnect(PIN_DIRECTION /*direction*/) { return S_OK; }

HRESULT CTransformFilter::CompleteConnect(PIN_DIRECTION /*direction*/, IPin* /*receivePin*/) {
  return S_OK;
}

HRESULT CTransformFilter::StartStreaming() { return S_OK; }

HRESULT CTransformFilter::StopStreaming() { return S_OK; }

HRESULT CTransformFilter::Transform(IMediaSample* /*input*/, IMediaSample* /*output*/) {
  return E_UNEXPECTED;
}

HRESULT CTransformFilter::InitializeOutputSample(IMediaSample* input, IMediaSample** output) {
  REFERENCE_TIME start = 0;
  REFERENCE_TIME stop = 0;
  const bool timed = input->GetTime(&start, &stop) == S_OK;
  HRESULT hr =
      OutputPin()->GetDeliveryBuffer(output, timed ? &start : nullptr, timed ? &stop : nullptr, 0);
  if (FAILED(hr)) return hr;
  IMediaSample* out = *output;
  out->SetTime(timed ? &start : nullptr, timed ? &stop : nullptr);
  out->SetSyncPoint(input->IsSyncPoint() == S_OK);
  out->SetDiscontinuity(input->IsDiscontinuity() == S_OK);
  out->SetPreroll(input->IsPreroll() == S_OK);
  LONGLONG mediaStart = 0;
  LONGLONG mediaStop = 0;
  if (input->GetMediaTime(&mediaStart, &mediaStop) == S_OK) {
    out->SetMediaTime(&mediaStart, &mediaStop);
  } else {
    out->SetMediaTime(nullptr, nullptr);
  }
  return S_OK;
}

HRESULT CTransformFilter::Receive(IMediaSample* sample) {
  if (OutputPin() == nullptr) return VFW_E_NOT_CONNECTED;
  ComPtr<IMediaSample> output;
  HRESULT hr = InitializeOutputSample(sample, output.GetAddressOf());
  if (FAILED(hr)) return hr;
  hr = Transform(sample, output.Get());
  if (FAILED(hr)) return hr;
  if (hr == S_FALSE) return S_OK;  // the filter chose to drop this sample
  return OutputPin()->Deliver(output.Get());
}

HRESULT CTransformFilter::EndOfStream() {
  return OutputPin() != nullptr ? OutputPin()->DeliverEndOfStream() : VFW_E_NOT_CONNECTED;
}

HRESULT CTransformFilter::BeginFlush() {
  return OutputPin() != nullptr ? OutputPin()->DeliverBeginFlush() : VFW_E_NOT_CONNECTED;
}

HRESULT CTransformFilter::EndFlush() {
  return OutputPin() != nullptr ? OutputPin()->DeliverEndFlush() : VFW_E_NOT_CONNECTED;
}

HRESULT CTransformFilter::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  return OutputPin() != nullptr ? OutputPin()->DeliverNewSegment(start, stop, rate)
                                : VFW_E_NOT_CONNECTED;
}

HRESULT CTransformFilter::AlterQuality(Quality /*q*/) { return S_FALSE; }

}  // namespace orkv::host
