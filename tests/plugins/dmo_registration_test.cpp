// The DMOs as a registered host finds them: DMOEnum in the audio-effect
// category, their names and types, creation by class identifier (also by the
// platform's DMO Wrapper filter), removal, and the page in the platform's
// property frame over the wrapped DMO.
#include <dmodshow.h>
#include <dmoreg.h>
#include <olectl.h>
#include <uuids.h>

#include <chrono>
#include <map>
#include <string>

#include "host/server.h"
#include "tests/plugins/dmo_test_support.h"
#include "tests/plugins/hostile_neighbours.h"
#include "tests/support/class_registry.h"

namespace orkv::test {
namespace {

using namespace std::chrono_literals;

// The published DMO identifiers and names, in the order of the plug-in table.
struct PublishedDmo {
  const wchar_t* clsid;
  const wchar_t* name;
};
const PublishedDmo kPublishedDmos[] = {
    {L"{E67AE900-7C67-483B-9250-6EA176FB27D5}", L"Orvelt KV Phaser"},
    {L"{43E4A45D-CFA8-4D95-90E5-71E558BE72D9}", L"Orvelt KV Chorus"},
    {L"{ACDADA69-A05D-4F75-9B03-E8416EEFADDB}", L"Orvelt KV Flanger"},
    {L"{B2313459-5489-48DE-B1CC-CD128C2C8EE3}", L"Orvelt KV Filter"},
    {L"{596FAA08-410B-47FA-A0FC-5C1BEDB54668}", L"Orvelt KV C-Delay"},
    {L"{4CCF0D96-A305-4074-89EC-BC998A61B85A}", L"Orvelt KV Tremolo"},
};

CLSID PublishedClsid(int plugin) {
  CLSID id{};
  CLSIDFromString(kPublishedDmos[plugin].clsid, &id);
  return id;
}

// Every audio-effect DMO the platform lists, by class, with its name; with
// `inputType`, only those taking it.
std::map<std::wstring, std::wstring> ListedAudioEffects(const DMO_PARTIAL_MEDIATYPE* inputType) {
  std::map<std::wstring, std::wstring> listed;
  ComPtr<IEnumDMO> all;
  if (FAILED(DMOEnum(DMOCATEGORY_AUDIO_EFFECT, DMO_ENUMF_INCLUDE_KEYED, inputType ? 1 : 0,
                     inputType, 0, nullptr, all.GetAddressOf()))) {
    return listed;
  }
  CLSID id;
  WCHAR* name = nullptr;
  while (all->Next(1, &id, &name, nullptr) == S_OK) {
    wchar_t text[40] = {};
    StringFromGUID2(id, text, 40);
    listed[text] = name != nullptr ? name : L"";
    CoTaskMemFree(name);
  }
  return listed;
}

class DmoRegistrationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const PluginLibrary& library : libraries) ASSERT_TRUE(library.Loaded());
  }
  void TearDown() override {
    for (const PluginLibrary& library : libraries) library.UnregisterServer();
  }

  ComApartment apartment;
  PluginLibrary libraries[6] = {PluginLibrary(kOrkvPlugins[0]), PluginLibrary(kOrkvPlugins[1]),
                                PluginLibrary(kOrkvPlugins[2]), PluginLibrary(kOrkvPlugins[3]),
                                PluginLibrary(kOrkvPlugins[4]), PluginLibrary(kOrkvPlugins[5])};
};

TEST_F(DmoRegistrationTest, DmoEnumListsAllSixAfterRegistrationAndNoneAfter) {
  for (const PluginLibrary& library : libraries) ASSERT_EQ(library.RegisterServer(), S_OK);
  const auto listed = ListedAudioEffects(nullptr);
  const DMO_PARTIAL_MEDIATYPE floatAudio{MEDIATYPE_Audio, MEDIASUBTYPE_IEEE_FLOAT};
  const auto takingFloat = ListedAudioEffects(&floatAudio);
  for (int plugin = 0; plugin < 6; ++plugin) {
    const PublishedDmo& published = kPublishedDmos[plugin];
    ASSERT_EQ(listed.count(published.clsid), 1u) << plugin;
    EXPECT_TRUE(listed.at(published.clsid) == published.name) << plugin;
    EXPECT_EQ(takingFloat.count(published.clsid), 1u) << plugin;

    // Its types: 16-bit PCM and 32-bit float audio, in and out.
    DMO_PARTIAL_MEDIATYPE in[4] = {}, out[4] = {};
    ULONG inCount = 0, outCount = 0;
    ASSERT_EQ(DMOGetTypes(PublishedClsid(plugin), 4, &inCount, in, 4, &outCount, out), S_OK);
    ASSERT_EQ(inCount, 2u);
    ASSERT_EQ(outCount, 2u);
    for (const DMO_PARTIAL_MEDIATYPE* types : {in, out}) {
      EXPECT_EQ(types[0].type, MEDIATYPE_Audio);
      EXPECT_EQ(types[0].subtype, MEDIASUBTYPE_PCM);
      EXPECT_EQ(types[1].type, MEDIATYPE_Audio);
      EXPECT_EQ(types[1].subtype, MEDIASUBTYPE_IEEE_FLOAT);
    }

    // Its class, created by identifier from the registry.
    const std::string classKey = "CLSID\\" + GuidString(PublishedClsid(plugin));
    EXPECT_EQ(StringValue(classKey + "\\InprocServer32", "ThreadingModel"), "Both");
    ComPtr<IMediaObject> dmo;
    EXPECT_EQ(CoCreateInstance(PublishedClsid(plugin), nullptr, CLSCTX_INPROC_SERVER,
                               IID_IMediaObject, dmo.GetVoidAddressOf()),
              S_OK);
  }

  for (const PluginLibrary& library : libraries) ASSERT_EQ(library.UnregisterServer(), S_OK);
  const auto left = ListedAudioEffects(nullptr);
  for (int plugin = 0; plugin < 6; ++plugin) {
    EXPECT_EQ(left.count(kPublishedDmos[plugin].clsid), 0u) << plugin;
    EXPECT_FALSE(KeyExists("CLSID\\" + GuidString(PublishedClsid(plugin)))) << plugin;
  }
  // Again: the missing DMO record is passed over; then, as without the DMO,
  // creating the unregistered filter for its mapper record fails and says so.
  for (const PluginLibrary& library : libraries) {
    EXPECT_EQ(library.UnregisterServer(), REGDB_E_CLASSNOTREG);
  }
}

// A registered DMO is all a host needs to put the effect in a graph.
TEST_F(DmoRegistrationTest, ThePlatformsWrapperCreatesTheRegisteredDmo) {
  for (int plugin = 0; plugin < 6; ++plugin) {
    ASSERT_EQ(libraries[plugin].RegisterServer(), S_OK);
    ComPtr<IDMOWrapperFilter> wrapper;
    ASSERT_EQ(CoCreateInstance(CLSID_DMOWrapperFilter, nullptr, CLSCTX_INPROC_SERVER,
                               IID_IDMOWrapperFilter, wrapper.GetVoidAddressOf()),
              S_OK);
    ASSERT_EQ(wrapper->Init(PublishedClsid(plugin), DMOCATEGORY_AUDIO_EFFECT), S_OK) << plugin;
    // The wrapper answers the effect's own interfaces through the DMO.
    ComPtr<IEffectPresets> presets;
    EXPECT_EQ(wrapper->QueryInterface(IID_IEffectPresets, presets.GetVoidAddressOf()), S_OK);
    ComPtr<IEffectParameters> params;
    EXPECT_EQ(
        wrapper->QueryInterface(*kOrkvPlugins[plugin].parametersIid, params.GetVoidAddressOf()),
        S_OK);
  }
}

// A DMO record the platform refuses (here for its null category) undoes the
// whole registration: no class is left behind without its record.
host::CUnknown* CreateNothing(IUnknown*, HRESULT*) { return nullptr; }

TEST_F(DmoRegistrationTest, ARefusedDmoRecordLeavesNothingRegistered) {
  const CLSID testClass = {
      0x2b7d61c4, 0x0e55, 0x4f0a, {0x9c, 0x61, 0x55, 0x3e, 0x0c, 0x1d, 0x7a, 0x42}};
  const host::CFactoryTemplate templates[] = {
      {L"Orvelt KV test", &testClass, &CreateNothing, nullptr, nullptr}};
  const DMO_PARTIAL_MEDIATYPE types[] = {{MEDIATYPE_Audio, MEDIASUBTYPE_PCM}};
  const host::DmoSetup refused{&testClass, L"Orvelt KV test", &GUID_NULL, types, types};
  EXPECT_EQ(host::ServerRegister(templates, {&refused, 1}), E_INVALIDARG);
  EXPECT_FALSE(KeyExists("CLSID\\" + GuidString(testClass)));

  const host::DmoSetup accepted{&testClass, L"Orvelt KV test", &DMOCATEGORY_AUDIO_EFFECT, types,
                                types};
  ASSERT_EQ(host::ServerRegister(templates, {&accepted, 1}), S_OK);
  EXPECT_TRUE(KeyExists("CLSID\\" + GuidString(testClass)));
  EXPECT_EQ(ListedAudioEffects(nullptr).count(L"{2B7D61C4-0E55-4F0A-9C61-553E0C1D7A42}"), 1u);
  EXPECT_EQ(host::ServerUnregister(templates, {&accepted, 1}), S_OK);
  EXPECT_FALSE(KeyExists("CLSID\\" + GuidString(testClass)));
  EXPECT_EQ(ListedAudioEffects(nullptr).count(L"{2B7D61C4-0E55-4F0A-9C61-553E0C1D7A42}"), 0u);
}

// What the timer found of the open frame before it pressed OK.
struct FrameVisit {
  static inline int ticks = 0;
  static inline int knobs = 0;

  static BOOL CALLBACK CountKnobs(HWND window, LPARAM) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof(name));
    if (std::string(name) == "OR_KNOB_CONTROL") ++knobs;
    return TRUE;
  }
  static BOOL CALLBACK FindFrame(HWND window, LPARAM found) {
    if (!IsWindowVisible(window)) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (++ticks > 200) PostQuitMessage(1);  // the frame never showed
    HWND frame = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &FindFrame, reinterpret_cast<LPARAM>(&frame));
    if (frame == nullptr) return;
    knobs = 0;
    EnumChildWindows(frame, &CountKnobs, 0);
    if (knobs > 0) PostMessageA(frame, WM_COMMAND, IDOK, 0);
  }
};

// The page the wrapped DMO names opens in the platform's frame over the
// wrapper filter, as a graph editor shows it, and closes with OK.
TEST_F(DmoRegistrationTest, ThePageOpensOnTheWrappedDmoInThePlatformsFrame) {
  RunWithin(120s, "the property frame", [&] {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    for (int plugin = 0; plugin < 6; ++plugin) {
      ASSERT_EQ(libraries[plugin].RegisterServer(), S_OK);
      ComPtr<IDMOWrapperFilter> wrapper;
      ASSERT_EQ(CoCreateInstance(CLSID_DMOWrapperFilter, nullptr, CLSCTX_INPROC_SERVER,
                                 IID_IDMOWrapperFilter, wrapper.GetVoidAddressOf()),
                S_OK);
      ASSERT_EQ(wrapper->Init(PublishedClsid(plugin), DMOCATEGORY_AUDIO_EFFECT), S_OK);
      ComPtr<ISpecifyPropertyPages> specify;
      ASSERT_EQ(wrapper->QueryInterface(IID_ISpecifyPropertyPages, specify.GetVoidAddressOf()),
                S_OK);
      CAUUID pages{};
      ASSERT_EQ(specify->GetPages(&pages), S_OK);
      ASSERT_EQ(pages.cElems, 1u);
      EXPECT_EQ(pages.pElems[0], *kOrkvPlugins[plugin].pageClsid);

      FrameVisit::ticks = 0;
      FrameVisit::knobs = 0;
      const UINT_PTR timer = SetTimer(nullptr, 0, 50, &FrameVisit::OnTimer);
      IUnknown* objects[] = {wrapper.Get()};
      EXPECT_EQ(OleCreatePropertyFrame(nullptr, 0, 0, L"Orvelt KV", 1, objects, pages.cElems,
                                       pages.pElems, 0, 0, nullptr),
                S_OK)
          << plugin;
      KillTimer(nullptr, timer);
      CoTaskMemFree(pages.pElems);
      EXPECT_GT(FrameVisit::knobs, 0) << "the page's knobs in the frame, plug-in " << plugin;
    }
    CoUninitialize();
  });
}

}  // namespace
}  // namespace orkv::test
