// Class factories built from a table of factory templates, one template per
// creatable class of the library.
#pragma once

#include <unknwn.h>

#include "host/setup.h"
#include "host/unknown.h"

namespace orkv::host {

// Creates an object for outer (null: not aggregated). Returns the object with
// no reference taken (count 0), or null; may set *status to a failure, in which
// case a returned object is deleted by the factory.
using CreateInstanceFn = CUnknown* (*)(IUnknown* outer, HRESULT* status);

struct CFactoryTemplate {
  const WCHAR* name;
  const CLSID* clsid;
  CreateInstanceFn create;
  void (*init)(BOOL loading, const CLSID* clsid);  // at library load/unload; may be null
  const AMOVIESETUP_FILTER* setup;                 // filter-mapper record; may be null
};

class CClassFactory final : public IClassFactory, public CBaseObject {
 public:
  // Count 0: the creator takes the first reference.
  explicit CClassFactory(const CFactoryTemplate* factoryTemplate);

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // E_POINTER for a null out; aggregation only with IID_IUnknown; the object is
  // destroyed if it refuses riid.
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
  // Changes the process-wide factory lock count.
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

 private:
  ~CClassFactory() override = default;

  const CFactoryTemplate* const template_;
  volatile LONG refs_ = 0;
};

// Current factory lock count (LockServer).
LONG ServerLockCount();

}  // namespace orkv::host
