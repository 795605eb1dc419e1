#include "host/unknown.h"

namespace orkv::host {

namespace {
volatile LONG g_activeObjects = 0;
}  // namespace

LONG ActiveObjectCount() { return InterlockedCompareExchange(&g_activeObjects, 0, 0); }

CBaseObject::CBaseObject() { InterlockedIncrement(&g_activeObjects); }
CBaseObject::~CBaseObject() { InterlockedDecrement(&g_activeObjects); }

CUnknown::CUnknown(IUnknown* outer) : owner_(outer != nullptr ? outer : &inner_) {}

HRESULT STDMETHODCALLTYPE CUnknown::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  if (riid == IID_IUnknown) return GetInterface(&inner_, ppv);
  *ppv = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CUnknown::NonDelegatingAddRef() {
  return static_cast<ULONG>(InterlockedIncrement(&m_cRef));
}

ULONG STDMETHODCALLTYPE CUnknown::NonDelegatingRelease() {
  const LONG refs = InterlockedDecrement(&m_cRef);
  if (refs == 0) {
    // Guard against a re-entrant AddRef/Release pair in the destructor.
    m_cRef = 1;
    delete this;
    return 0;
  }
  return static_cast<ULONG>(refs);
}

HRESULT GetInterface(IUnknown* itf, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = itf;
  itf->AddRef();
  return S_OK;
}

}  // namespace orkv::host
