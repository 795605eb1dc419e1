// Class-factory rules, aggregation and the unload check.
#include <dshow.h>
#include <gtest/gtest.h>

#include <new>

#include "host/server.h"
#include "tests/host/test_filters.h"

namespace orkv::host::test {
namespace {

const CLSID CLSID_Failing = {
    0x6f1c0c41, 0x2b0d, 0x4c34, {0x9e, 0x53, 0x1a, 0x7c, 0x1e, 0x0a, 0x0b, 0x10}};
const CLSID CLSID_Nothing = {
    0x6f1c0c41, 0x2b0d, 0x4c34, {0x9e, 0x53, 0x1a, 0x7c, 0x1e, 0x0a, 0x0b, 0x11}};
const CLSID CLSID_Unknown = {
    0x6f1c0c41, 0x2b0d, 0x4c34, {0x9e, 0x53, 0x1a, 0x7c, 0x1e, 0x0a, 0x0b, 0x12}};

// Builds the object, then reports a failure: the factory must delete it.
CUnknown* CreateFailing(IUnknown* outer, HRESULT* status) {
  *status = E_ACCESSDENIED;
  return new (std::nothrow) GainFilter(outer);
}

// No object and no status: the factory reports out of memory.
CUnknown* CreateNothing(IUnknown*, HRESULT*) { return nullptr; }

const CFactoryTemplate kTemplates[] = {
    {L"gain", &CLSID_TestGain, GainFilter::Create, nullptr, nullptr},
    {L"failing", &CLSID_Failing, CreateFailing, nullptr, nullptr},
    {L"nothing", &CLSID_Nothing, CreateNothing, nullptr, nullptr},
};

// An aggregating object that counts its own references.
class Outer : public IUnknown {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (riid == IID_IUnknown) {
      *ppv = this;
      AddRef();
      return S_OK;
    }
    return inner ? inner->QueryInterface(riid, ppv) : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  ULONG refs = 1;
  ComPtr<IUnknown> inner;  // the aggregated object's non-delegating unknown
};

class ServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    ASSERT_EQ(ActiveObjectCount(), 0);
    ASSERT_EQ(ServerGetClassObject(kTemplates, CLSID_TestGain, IID_IClassFactory,
                                   factory.GetVoidAddressOf()),
              S_OK);
  }
  void TearDown() override {
    factory.Reset();
    EXPECT_EQ(ActiveObjectCount(), 0);
    EXPECT_EQ(ServerCanUnloadNow(), S_OK);
    CoUninitialize();
  }
  ComPtr<IClassFactory> factory;
};

TEST_F(ServerTest, ClassObjectOnlyForKnownClassesAndFactoryInterfaces) {
  ComPtr<IUnknown> any;
  EXPECT_EQ(ServerGetClassObject(kTemplates, CLSID_TestGain, IID_IUnknown, any.GetVoidAddressOf()),
            S_OK);
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(ServerGetClassObject(kTemplates, CLSID_TestGain, IID_IBaseFilter, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(ServerGetClassObject(kTemplates, CLSID_Unknown, IID_IClassFactory, &out),
            CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(ServerGetClassObject(kTemplates, CLSID_TestGain, IID_IClassFactory, nullptr),
            E_POINTER);
}

TEST_F(ServerTest, FactoryAnswersOnlyItsOwnInterfaces) {
  ComPtr<IUnknown> same;
  EXPECT_EQ(factory->QueryInterface(IID_IUnknown, same.GetVoidAddressOf()), S_OK);
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(factory->QueryInterface(IID_IBaseFilter, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(factory->QueryInterface(IID_IClassFactory, nullptr), E_POINTER);
}

TEST_F(ServerTest, CreateInstanceHandsOutTheAskedInterface) {
  ComPtr<IBaseFilter> filter;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IBaseFilter, filter.GetVoidAddressOf()), S_OK);
  CLSID clsid = {};
  EXPECT_EQ(filter->GetClassID(&clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_TestGain);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IBaseFilter, nullptr), E_POINTER);
}

TEST_F(ServerTest, ObjectRefusingTheInterfaceIsDestroyed) {
  const LONG before = ActiveObjectCount();
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(ActiveObjectCount(), before);
}

TEST_F(ServerTest, CreationFailuresAreReported) {
  const LONG before = ActiveObjectCount();
  for (const auto& [clsid, expected] :
       {std::pair{&CLSID_Failing, E_ACCESSDENIED}, std::pair{&CLSID_Nothing, E_OUTOFMEMORY}}) {
    ComPtr<IClassFactory> other;
    ASSERT_EQ(ServerGetClassObject(kTemplates, *clsid, IID_IClassFactory, other.GetVoidAddressOf()),
              S_OK);
    ComPtr<IBaseFilter> filter;
    EXPECT_EQ(other->CreateInstance(nullptr, IID_IBaseFilter, filter.GetVoidAddressOf()), expected);
    EXPECT_EQ(filter.Get(), nullptr);
  }
  EXPECT_EQ(ActiveObjectCount(), before) << "the half-built object was deleted";
}

TEST_F(ServerTest, AggregationNeedsIUnknownAndDelegatesEverything) {
  Outer outer;
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(factory->CreateInstance(&outer, IID_IBaseFilter, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);

  ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, outer.inner.GetVoidAddressOf()), S_OK);
  ComPtr<IBaseFilter> filter;
  ASSERT_EQ(outer.inner->QueryInterface(IID_IBaseFilter, filter.GetVoidAddressOf()), S_OK);
  EXPECT_EQ(outer.refs, 2u) << "the interface is counted on the outer object";

  // Every interface answers the outer object's identity.
  ComPtr<IUnknown> identity;
  ASSERT_EQ(filter->QueryInterface(IID_IUnknown, identity.GetVoidAddressOf()), S_OK);
  EXPECT_EQ(identity.Get(), &outer);
  identity.Reset();

  // The pins count on the outer object too.
  IPin* pin = nullptr;
  ASSERT_EQ(filter->FindPin(L"In", &pin), S_OK);
  EXPECT_EQ(outer.refs, 3u);
  pin->Release();
  filter.Reset();
  EXPECT_EQ(outer.refs, 1u);
  outer.inner.Reset();  // destroys the aggregated filter
}

TEST_F(ServerTest, UnloadWaitsForObjectsFactoriesAndLocks) {
  EXPECT_EQ(ServerCanUnloadNow(), S_FALSE) << "a factory is alive";
  ComPtr<IBaseFilter> filter;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IBaseFilter, filter.GetVoidAddressOf()), S_OK);
  ASSERT_EQ(factory->LockServer(TRUE), S_OK);
  factory.Reset();
  EXPECT_EQ(ServerCanUnloadNow(), S_FALSE) << "a filter is alive";
  filter.Reset();
  EXPECT_EQ(ServerCanUnloadNow(), S_FALSE) << "the server is locked";

  ASSERT_EQ(ServerGetClassObject(kTemplates, CLSID_TestGain, IID_IClassFactory,
                                 factory.GetVoidAddressOf()),
            S_OK);
  EXPECT_EQ(factory->LockServer(FALSE), S_OK);
  factory.Reset();
  EXPECT_EQ(ServerCanUnloadNow(), S_OK);
}

TEST(ComPtrTest, CopiesShareAndMovesTransferOneReference) {
  Outer object;  // counts references, starts at 1
  {
    ComPtr<IUnknown> a(&object);
    EXPECT_EQ(object.refs, 2u);
    ComPtr<IUnknown> b = a;
    EXPECT_EQ(object.refs, 3u);
    ComPtr<IUnknown> c = std::move(b);
    EXPECT_EQ(object.refs, 3u);
    EXPECT_EQ(b.Get(), nullptr);
    IUnknown* raw = c.Detach();
    EXPECT_EQ(object.refs, 3u);
    c.Attach(raw);
    a = c;
    EXPECT_EQ(object.refs, 3u);
    *c.GetAddressOf() = nullptr;  // out-parameter slot releases what it held
    EXPECT_EQ(object.refs, 2u);
  }
  EXPECT_EQ(object.refs, 1u);
}

}  // namespace
}  // namespace orkv::host::test
