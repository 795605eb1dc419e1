// Self-registration against the real registry and the system filter mapper:
// what regsvr32 leaves behind, creation by class identifier, and removal.
#include <objbase.h>
#include <uuids.h>

#include <string>

#include "tests/plugins/plugin_library.h"
#include "tests/support/class_registry.h"
#include "tests/support/published_identity.h"

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

std::string Narrowed(const wchar_t* ascii) { return std::string(ascii, ascii + wcslen(ascii)); }

TEST_P(RegistrationTest, RegistersThePublishedIdentifiers) {
  const PublishedIdentity& published = kPublishedIdentities[GetParam()];
  ASSERT_EQ(library.RegisterServer(), S_OK);
  const std::string filterClass = "CLSID\\" + Narrowed(published.filterClsid);
  EXPECT_TRUE(KeyExists(filterClass + "\\InprocServer32"));
  EXPECT_TRUE(KeyExists("CLSID\\" + Narrowed(published.pageClsid) + "\\InprocServer32"));
  EXPECT_TRUE(KeyExists("Filter\\" + Narrowed(published.filterClsid)));
  EXPECT_EQ(DwordValue(filterClass, "Merit"), 0x00200000u);
}

// The library's full path as the system names it, however long.
std::wstring ModulePath(HMODULE module) {
  std::wstring path(32768, L'\0');
  path.resize(GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size())));
  return path;
}

std::wstring InprocServerPath(const std::wstring& classKey) {
  std::wstring value(32768, L'\0');
  DWORD bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
  if (RegGetValueW(HKEY_CLASSES_ROOT, (classKey + L"\\InprocServer32").c_str(), nullptr,
                   RRF_RT_REG_SZ, nullptr, value.data(), &bytes) != ERROR_SUCCESS) {
    return L"<missing>";
  }
  value.resize(bytes / sizeof(wchar_t) - 1);
  return value;
}

// A copy of the library in a folder named outside the ANSI code page, and one
// deeper than MAX_PATH: registration writes each whole path, never a mangled
// or cut-off one.
TEST_P(RegistrationTest, RegistersTheWholePathOfALibraryAnywhere) {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  std::wstring deep = std::wstring(temp) + L"orkv-deep";
  CreateDirectoryW(deep.c_str(), nullptr);
  while (deep.size() < 300) {
    deep += L"\\a-folder-of-a-long-path";
    CreateDirectoryW((L"\\\\?\\" + deep).c_str(), nullptr);
  }
  const std::wstring folders[] = {std::wstring(temp) + L"orkv \u0416\u0443\u043a \u65e5\u672c",
                                  deep};
  const std::wstring original = ModulePath(GetModuleHandleA(library.Info().library));
  const std::wstring classKey =
      L"CLSID\\" + std::wstring(kPublishedIdentities[GetParam()].filterClsid);
  for (const std::wstring& folder : folders) {
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring copy = L"\\\\?\\" + folder + L"\\copy.dll";
    ASSERT_TRUE(CopyFileW(original.c_str(), copy.c_str(), FALSE)) << GetLastError();
    HMODULE module = LoadLibraryW(copy.c_str());
    ASSERT_NE(module, nullptr) << GetLastError();
    using Fn = HRESULT STDAPICALLTYPE();
    auto* registerServer =
        reinterpret_cast<Fn*>(reinterpret_cast<void*>(GetProcAddress(module, "DllRegisterServer")));
    const HRESULT hr = registerServer();
    // The class key is written whole before COM is asked to load the library by
    // it, which may fail for paths beyond MAX_PATH; then the failure is reported.
    EXPECT_EQ(InprocServerPath(classKey), ModulePath(module));
    if (&folder == &folders[0]) {
      EXPECT_EQ(hr, S_OK);
    }
    FreeLibrary(module);
    DeleteFileW(copy.c_str());
  }
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
