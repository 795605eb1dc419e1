// Self-registration against the real registry and the system filter mapper:
// what regsvr32 leaves behind, creation by class identifier, and removal.
#include <objbase.h>
#include <uuids.h>

#include <string>

#include "tests/plugins/plugin_library.h"
#include "tests/support/class_registry.h"

namespace orkv::test {
namespace {

class RegistrationTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(library.Loaded());
    filterKey = "CLSID\\" + GuidString(*Info().filterClsid);
    pageKey = "CLSID\\" + GuidString(*Info().pageClsid);
    mapperKey = "Filter\\" + GuidString(*Info().filterClsid);
  }
  void TearDown() override { library.UnregisterServer(); }

  const OrkvPluginInfo& Info() const { return library.Info(); }
  std::string LibraryPath() const {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(GetModuleHandleA((std::string(Info().library) + ".dll").c_str()), path,
                       MAX_PATH);
    return path;
  }
  static std::string Narrow(const wchar_t* text) { return std::string(text, text + wcslen(text)); }

  ComApartment apartment;
  PluginLibrary library{kOrkvPlugins[GetParam()]};
  std::string filterKey, pageKey, mapperKey;
};

TEST_P(RegistrationTest, RegistersBothClassesAndTheMapperRecord) {
  ASSERT_EQ(library.RegisterServer(), S_OK);
  ASSERT_EQ(library.RegisterServer(), S_OK);  // again: still one of everything

  EXPECT_EQ(StringValue(filterKey, nullptr), Narrow(Info().filterName));
  EXPECT_EQ(StringValue(pageKey, nullptr), Narrow(Info().pageName));
  for (const std::string& key : {filterKey, pageKey}) {
    EXPECT_EQ(StringValue(key + "\\InprocServer32", nullptr), LibraryPath());
    EXPECT_EQ(StringValue(key + "\\InprocServer32", "ThreadingModel"), "Both");
  }

  // The filter mapper's record: name, merit, and the two audio pins.
  EXPECT_EQ(StringValue(mapperKey, nullptr), Narrow(Info().filterName));
  EXPECT_EQ(DwordValue(filterKey, "Merit"), 0x00200000u);
  const std::string audioAnyType =
      "\\Types\\" + GuidString(MEDIATYPE_Audio) + "\\" + GuidString(GUID_NULL);
  EXPECT_EQ(DwordValue(filterKey + "\\Pins\\Input", "Direction"), 0u);
  EXPECT_EQ(DwordValue(filterKey + "\\Pins\\Output", "Direction"), 1u);
  EXPECT_TRUE(KeyExists(filterKey + "\\Pins\\Input" + audioAnyType));
  EXPECT_TRUE(KeyExists(filterKey + "\\Pins\\Output" + audioAnyType));
}

TEST_P(RegistrationTest, RegisteredFilterIsCreatedByClassIdentifier) {
  ASSERT_EQ(library.RegisterServer(), S_OK);
  ComPtr<IEffectPresets> presets;
  ASSERT_EQ(CoCreateInstance(*Info().filterClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IEffectPresets,
                             presets.GetVoidAddressOf()),
            S_OK);
  LONG count = 0;
  EXPECT_EQ(presets->GetPresetCount(&count), S_OK);
  EXPECT_GT(count, 4);
}

TEST_P(RegistrationTest, UnregistrationRemovesAllThree) {
  ASSERT_EQ(library.RegisterServer(), S_OK);
  ASSERT_EQ(library.UnregisterServer(), S_OK);
  EXPECT_FALSE(KeyExists(filterKey));
  EXPECT_FALSE(KeyExists(pageKey));
  EXPECT_FALSE(KeyExists(mapperKey));
}

// Without the filter's class the mapper record cannot be reached through the
// filter: the page's key goes, then creating the filter fails and says so.
TEST_P(RegistrationTest, UnregisteringWithoutTheFilterClassRemovesThePageThenFails) {
  ASSERT_EQ(library.RegisterServer(), S_OK);
  ASSERT_EQ(RegDeleteTreeA(HKEY_CLASSES_ROOT, filterKey.c_str()), ERROR_SUCCESS);
  EXPECT_EQ(library.UnregisterServer(), REGDB_E_CLASSNOTREG);
  EXPECT_FALSE(KeyExists(pageKey));

  ComPtr<IFilterMapper> mapper;  // tidy up the record left behind
  ASSERT_EQ(CoCreateInstance(CLSID_FilterMapper, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper,
                             mapper.GetVoidAddressOf()),
            S_OK);
  mapper->UnregisterFilter(*Info().filterClsid);
}

INSTANTIATE_TEST_SUITE_P(Plugins, RegistrationTest, ::testing::Values(ORKV_TEST_PLUGINS),
                         PluginName);

}  // namespace
}  // namespace orkv::test
