#include "host/class_factory.h"

namespace orkv::host {

namespace {
volatile LONG g_serverLocks = 0;
}  // namespace

LONG ServerLockCount() { return InterlockedCompareExchange(&g_serverLocks, 0, 0); }

CClassFactory::CClassFactory(const CFactoryTemplate* factoryTemplate)
    : template_(factoryTemplate) {}

HRESULT STDMETHODCALLTYPE CClassFactory::QueryInterface(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IClassFactory) {
    *ppv = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CClassFactory::AddRef() {
  return static_cast<ULONG>(InterlockedIncrement(&refs_));
}

ULONG STDMETHODCALLTYPE CClassFactory::Release() {
  const LONG refs = InterlockedDecrement(&refs_);
  if (refs == 0) delete this;
  return static_cast<ULONG>(refs);
}

HRESULT STDMETHODCALLTYPE CClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  // An aggregator must hold the inner object by its non-delegating IUnknown.
  if (outer != nullptr && riid != IID_IUnknown) return E_NOINTERFACE;

  HRESULT status = S_OK;
  CUnknown* object = template_->create(outer, &status);
  if (object == nullptr) return FAILED(status) ? status : E_OUTOFMEMORY;
  if (FAILED(status)) {
    delete object;
    return status;
  }
  // The temporary reference destroys the object if riid is refused.
  object->NonDelegatingAddRef();
  const HRESULT hr = object->NonDelegatingQueryInterface(riid, ppv);
  object->NonDelegatingRelease();
  return hr;
}

HRESULT STDMETHODCALLTYPE CClassFactory::LockServer(BOOL lock) {
  if (lock) {
    InterlockedIncrement(&g_serverLocks);
  } else {
    InterlockedDecrement(&g_serverLocks);
  }
  return S_OK;
}

}  // namespace orkv::host
