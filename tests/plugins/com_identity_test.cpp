// A plug-in library as COM sees it: class objects, the unload check, one
// identity for all of the filter's interfaces, aggregation, the page list.
#include <ocidl.h>

#include "tests/plugins/plugin_library.h"
#include "tests/support/published_identity.h"

namespace orkv::test {
namespace {

class ComIdentityTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override { ASSERT_TRUE(library.Loaded()) << library.Info().library; }
  ComApartment apartment;
  PluginLibrary library{kOrkvPlugins[GetParam()]};
};

TEST_P(ComIdentityTest, ClassObjectsFollowTheServerRules) {
  ComPtr<IUnknown> unknown;
  EXPECT_EQ(
      library.GetClassObject(*library.Info().filterClsid, IID_IUnknown, unknown.GetVoidAddressOf()),
      S_OK);
  ComPtr<IClassFactory> pageFactory;
  EXPECT_EQ(library.GetClassObject(*library.Info().pageClsid, IID_IClassFactory,
                                   pageFactory.GetVoidAddressOf()),
            S_OK);
  void* other = nullptr;
  EXPECT_EQ(library.GetClassObject(*library.Info().filterClsid, IID_IBaseFilter, &other),
            E_NOINTERFACE);
  EXPECT_EQ(library.GetClassObject(*library.Info().parametersIid, IID_IClassFactory, &other),
            CLASS_E_CLASSNOTAVAILABLE);

  ComPtr<IClassFactory> factory = library.FilterFactory();
  ASSERT_TRUE(factory);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IBaseFilter, nullptr), E_POINTER);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &other), E_NOINTERFACE);
  EXPECT_EQ(other, nullptr);
}

TEST_P(ComIdentityTest, LibraryUnloadsOnlyWhenNothingIsAliveOrLocked) {
  EXPECT_EQ(library.CanUnloadNow(), S_OK);
  {
    ComPtr<IBaseFilter> filter = library.Create<IBaseFilter>(IID_IBaseFilter);
    ASSERT_TRUE(filter);
    ComPtr<IPin> pin;  // pins count too, and keep the filter alive
    ASSERT_EQ(filter->FindPin(L"In", pin.GetAddressOf()), S_OK);
    filter.Reset();
    EXPECT_EQ(library.CanUnloadNow(), S_FALSE);
  }
  EXPECT_EQ(library.CanUnloadNow(), S_OK);

  ComPtr<IClassFactory> factory = library.FilterFactory();
  ASSERT_EQ(factory->LockServer(TRUE), S_OK);
  factory.Reset();
  EXPECT_EQ(library.CanUnloadNow(), S_FALSE);
  factory = library.FilterFactory();
  ASSERT_EQ(factory->LockServer(FALSE), S_OK);
  factory.Reset();
  EXPECT_EQ(library.CanUnloadNow(), S_OK);
}

TEST_P(ComIdentityTest, AllInterfacesShareOneIdentity) {
  ComPtr<IBaseFilter> filter = library.Create<IBaseFilter>(IID_IBaseFilter);
  ASSERT_TRUE(filter);
  ComPtr<IUnknown> identity;
  ASSERT_EQ(filter->QueryInterface(IID_IUnknown, identity.GetVoidAddressOf()), S_OK);

  const GUID* own[] = {library.Info().parametersIid, &IID_ISpecifyPropertyPages,
                       &IID_IPersistStream, &IID_IEffectPresets};
  std::vector<IUnknown*> parts;
  for (const GUID* id : own) {
    ComPtr<IUnknown> part;
    ASSERT_EQ(filter->QueryInterface(*id, part.GetVoidAddressOf()), S_OK);
    ComPtr<IUnknown> back;
    ASSERT_EQ(part->QueryInterface(IID_IUnknown, back.GetVoidAddressOf()), S_OK);
    EXPECT_EQ(back.Get(), identity.Get());
    ComPtr<IUnknown> filterAgain;
    EXPECT_EQ(part->QueryInterface(IID_IBaseFilter, filterAgain.GetVoidAddressOf()), S_OK);
    parts.push_back(part.Get());
  }
  for (size_t i = 0; i < parts.size(); ++i) {
    for (size_t j = i + 1; j < parts.size(); ++j) EXPECT_NE(parts[i], parts[j]);
  }

  ComPtr<IPersist> persist;
  ASSERT_EQ(filter->QueryInterface(IID_IPersist, persist.GetVoidAddressOf()), S_OK);
  EXPECT_EQ(static_cast<IUnknown*>(persist.Get()), static_cast<IUnknown*>(filter.Get()));
  ComPtr<IPersistStream> stream;
  ASSERT_EQ(filter->QueryInterface(IID_IPersistStream, stream.GetVoidAddressOf()), S_OK);
  CLSID viaFilter{}, viaStream{};
  EXPECT_EQ(persist->GetClassID(&viaFilter), S_OK);
  EXPECT_EQ(stream->GetClassID(&viaStream), S_OK);
  EXPECT_EQ(viaFilter, *library.Info().filterClsid);
  EXPECT_EQ(viaStream, viaFilter);
  EXPECT_EQ(stream->GetClassID(nullptr), E_POINTER);

  EXPECT_EQ(filter->QueryInterface(IID_IBaseFilter, nullptr), E_POINTER);
  for (const OrkvPluginInfo& other : kOrkvPlugins) {
    if (&other == &library.Info()) continue;
    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(filter->QueryInterface(*other.parametersIid, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
  }
}

TEST_P(ComIdentityTest, PageListNamesTheOnePageWhichTheFactoryCreates) {
  ComPtr<ISpecifyPropertyPages> pages =
      library.Create<ISpecifyPropertyPages>(IID_ISpecifyPropertyPages);
  ASSERT_TRUE(pages);
  CAUUID list{};
  ASSERT_EQ(pages->GetPages(&list), S_OK);
  ASSERT_EQ(list.cElems, 1u);
  EXPECT_EQ(list.pElems[0], *library.Info().pageClsid);
  CoTaskMemFree(list.pElems);
  EXPECT_EQ(pages->GetPages(nullptr), E_POINTER);

  ComPtr<IClassFactory> pageFactory;
  ASSERT_EQ(library.GetClassObject(*library.Info().pageClsid, IID_IClassFactory,
                                   pageFactory.GetVoidAddressOf()),
            S_OK);
  ComPtr<IUnknown> page;
  EXPECT_EQ(pageFactory->CreateInstance(nullptr, IID_IPropertyPage, page.GetVoidAddressOf()), S_OK);
  EXPECT_TRUE(page);
  ComPtr<IUnknown> refused;
  EXPECT_EQ(pageFactory->CreateInstance(nullptr, IID_IBaseFilter, refused.GetVoidAddressOf()),
            E_NOINTERFACE);
  EXPECT_FALSE(refused);
}

GUID Parse(const wchar_t* text) {
  GUID id{};
  EXPECT_EQ(IIDFromString(text, &id), S_OK) << "not a GUID";
  return id;
}

// What hosts, registries and saved graphs hold: the library must answer to it
// and the public header must declare it.
TEST_P(ComIdentityTest, AnswersToItsPublishedIdentifiers) {
  const PublishedIdentity& published = kPublishedIdentities[GetParam()];
  ASSERT_STREQ(library.Info().library, published.library);
  const GUID filterId = Parse(published.filterClsid);
  const GUID pageId = Parse(published.pageClsid);
  const GUID parametersId = Parse(published.parametersIid);
  EXPECT_EQ(*library.Info().filterClsid, filterId);
  EXPECT_EQ(*library.Info().pageClsid, pageId);
  EXPECT_EQ(*library.Info().parametersIid, parametersId);
  EXPECT_EQ(IID_IEffectPresets, Parse(kPublishedPresetsIid));

  ComPtr<IClassFactory> factory, pageFactory;
  ASSERT_EQ(library.GetClassObject(filterId, IID_IClassFactory, factory.GetVoidAddressOf()), S_OK);
  EXPECT_EQ(library.GetClassObject(pageId, IID_IClassFactory, pageFactory.GetVoidAddressOf()),
            S_OK);
  ComPtr<IBaseFilter> filter;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IBaseFilter, filter.GetVoidAddressOf()), S_OK);
  CLSID saved{};
  EXPECT_EQ(filter->GetClassID(&saved), S_OK);
  EXPECT_EQ(saved, filterId);
  ComPtr<IPersistStream> stream;
  ASSERT_EQ(filter->QueryInterface(IID_IPersistStream, stream.GetVoidAddressOf()), S_OK);
  EXPECT_EQ(stream->GetClassID(&saved), S_OK);
  EXPECT_EQ(saved, filterId);
  ComPtr<IUnknown> part;
  EXPECT_EQ(filter->QueryInterface(parametersId, part.GetVoidAddressOf()), S_OK);
  EXPECT_EQ(filter->QueryInterface(Parse(kPublishedPresetsIid), part.GetVoidAddressOf()), S_OK);
}

// The named constants of the public header, one plug-in each.
TEST(PublicHeader, DeclaresThePublishedIdentifiers) {
  const GUID declared[][3] = {
      {CLSID_ORKVPhaser, CLSID_ORKVPhaserPage, IID_IPhaserParameters},
      {CLSID_ORKVChorus, CLSID_ORKVChorusPage, IID_IChorusParameters},
      {CLSID_ORKVFlanger, CLSID_ORKVFlangerPage, IID_IFlangerParameters},
      {CLSID_ORKVFilter, CLSID_ORKVFilterPage, IID_IFilterParameters},
      {CLSID_ORKVCDelay, CLSID_ORKVCDelayPage, IID_ICDelayParameters},
      {CLSID_ORKVTremolo, CLSID_ORKVTremoloPage, IID_ITremoloParameters},
  };
  for (size_t i = 0; i < std::size(kPublishedIdentities); ++i) {
    const PublishedIdentity& published = kPublishedIdentities[i];
    EXPECT_EQ(declared[i][0], Parse(published.filterClsid)) << published.library;
    EXPECT_EQ(declared[i][1], Parse(published.pageClsid)) << published.library;
    EXPECT_EQ(declared[i][2], Parse(published.parametersIid)) << published.library;
  }
}

// An outer object that aggregates the filter and counts its own references.
class Aggregator final : public IUnknown {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (riid == IID_IUnknown) {
      *ppv = this;
      AddRef();
      return S_OK;
    }
    return inner->QueryInterface(riid, ppv);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  ComPtr<IUnknown> inner;
  ULONG refs = 1;
};

TEST_P(ComIdentityTest, AggregatedFilterDelegatesEveryInterfaceToItsOuterObject) {
  ComPtr<IClassFactory> factory = library.FilterFactory();
  Aggregator outer;
  void* refused = nullptr;
  EXPECT_EQ(factory->CreateInstance(&outer, IID_IBaseFilter, &refused), E_NOINTERFACE);
  ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, outer.inner.GetVoidAddressOf()), S_OK);
  factory.Reset();

  ComPtr<IEffectPresets> presets;
  ASSERT_EQ(outer.QueryInterface(IID_IEffectPresets, presets.GetVoidAddressOf()), S_OK);
  EXPECT_EQ(outer.refs, 2u);  // the part's AddRef went to the outer object
  ComPtr<IUnknown> identity;
  ASSERT_EQ(presets->QueryInterface(IID_IUnknown, identity.GetVoidAddressOf()), S_OK);
  EXPECT_EQ(identity.Get(), &outer);
  identity.Reset();
  presets.Reset();
  EXPECT_EQ(outer.refs, 1u);
  outer.inner.Reset();
  EXPECT_EQ(library.CanUnloadNow(), S_OK);
}

INSTANTIATE_TEST_SUITE_P(Plugins, ComIdentityTest, ::testing::Values(ORKV_TEST_PLUGINS),
                         PluginName);

}  // namespace
}  // namespace orkv::test
