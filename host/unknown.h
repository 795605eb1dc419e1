// Reference-counted, aggregatable COM objects.
//
// A CUnknown keeps the object's one reference count and answers the
// non-delegating IUnknown. Its interfaces (IBaseFilter, IPin, ...) implement the
// ordinary IUnknown methods by forwarding to GetOwner(): the outer object when
// aggregated, the object's own non-delegating unknown otherwise. So every
// interface of an object shares one identity and one count.
//
//   class MyFilter : public CUnknown, public IMyThing {
//    public:
//     ORKV_DECLARE_IUNKNOWN
//     STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override {
//       if (riid == IID_IMyThing) return GetInterface(static_cast<IMyThing*>(this), ppv);
//       return CUnknown::NonDelegatingQueryInterface(riid, ppv);
//     }
//   };
#pragma once

#include <unknwn.h>

namespace orkv::host {

// Number of live objects of this layer in the process (filters, pins,
// enumerators, class factories, pages): the library may unload at 0.
LONG ActiveObjectCount();

// Counts itself in ActiveObjectCount() for its lifetime.
class CBaseObject {
 public:
  CBaseObject();
  virtual ~CBaseObject();
  CBaseObject(const CBaseObject&) = delete;
  CBaseObject& operator=(const CBaseObject&) = delete;
};

// The IUnknown of an object as seen by its aggregator: never delegates.
struct INonDelegatingUnknown {
  virtual HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) = 0;
  virtual ULONG STDMETHODCALLTYPE NonDelegatingAddRef() = 0;
  virtual ULONG STDMETHODCALLTYPE NonDelegatingRelease() = 0;

 protected:
  ~INonDelegatingUnknown() = default;
};

class CUnknown : public CBaseObject, public INonDelegatingUnknown {
 public:
  // outer: the aggregating object, or null for a stand-alone object.
  explicit CUnknown(IUnknown* outer);
  ~CUnknown() override = default;

  // Where the delegating IUnknown methods go (not reference-counted).
  IUnknown* GetOwner() const { return owner_; }
  // The object's own IUnknown, calling the NonDelegating methods. It is what
  // an aggregator holds and what IID_IUnknown answers.
  IUnknown* GetNonDelegatingUnknown() { return &inner_; }

  // Answers IID_IUnknown with the non-delegating unknown; E_NOINTERFACE else.
  HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE NonDelegatingAddRef() override;
  // Deletes the object when the count reaches 0.
  ULONG STDMETHODCALLTYPE NonDelegatingRelease() override;

 protected:
  volatile LONG m_cRef = 0;

 private:
  // Plain IUnknown face of the NonDelegating methods.
  class Inner final : public IUnknown {
   public:
    explicit Inner(CUnknown* self) : self_(self) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
      return self_->NonDelegatingQueryInterface(riid, ppv);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return self_->NonDelegatingAddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return self_->NonDelegatingRelease(); }

   private:
    CUnknown* self_;
  };

  Inner inner_{this};
  IUnknown* const owner_;
};

// Hands out itf: AddRef through it and store it in *out. E_POINTER for a null out.
HRESULT GetInterface(IUnknown* itf, void** out);

}  // namespace orkv::host

// The three IUnknown methods of a CUnknown-derived class, forwarded to GetOwner().
#define ORKV_DECLARE_IUNKNOWN                                                  \
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override { \
    return GetOwner()->QueryInterface(riid, ppv);                              \
  }                                                                            \
  ULONG STDMETHODCALLTYPE AddRef() override { return GetOwner()->AddRef(); }   \
  ULONG STDMETHODCALLTYPE Release() override { return GetOwner()->Release(); }
