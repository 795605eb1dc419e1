// What installers and hosts read from a plug-in file before loading it: the
// version resource that marks a self-registering filter library, and string 1.
#include "tests/plugins/plugin_library.h"

#include <winver.h>

#include <string>
#include <vector>

namespace orkv::test {
namespace {

class VersionResourceTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    file = std::string(Info().library) + ".dll";
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(file.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    block.resize(size);
    ASSERT_TRUE(GetFileVersionInfoA(file.c_str(), 0, size, block.data()));
  }
  const OrkvPluginInfo& Info() const { return kOrkvPlugins[GetParam()]; }

  std::string Entry(const char* name) {
    char* value = nullptr;
    UINT length = 0;
    const std::string path = std::string("\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueA(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length)) {
      return "<missing>";
    }
    return value;
  }

  std::string file;
  std::vector<BYTE> block;
};

TEST_P(VersionResourceTest, MarksASelfRegisteringFilterLibrary) {
  const std::string library = Info().library;
  const std::string product = std::string("KV ") + Info().effect;
  EXPECT_EQ(Entry("OLESelfRegister"), "AM20");
  EXPECT_EQ(Entry("ActiveMovie"), "Filter dll");
  EXPECT_EQ(Entry("InternalName"), library);
  EXPECT_EQ(Entry("OriginalFilename"), library + ".dll");
  EXPECT_EQ(Entry("CompanyName"), "Orvelt");
  EXPECT_EQ(Entry("FileDescription"), product);
  EXPECT_EQ(Entry("ProductName"), product);

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(0, 1));
  EXPECT_EQ(fixed->dwFileVersionLS, 0u);
  EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(0, 1));
}

// String 1 is the page's title: the library name, but "ORKVC-Delay" for the C-Delay.
constexpr const char* kPageTitles[] = {"ORKVPhaser", "ORKVChorus",  "ORKVFlanger",
                                       "ORKVFilter", "ORKVC-Delay", "ORKVTremolo"};

TEST_P(VersionResourceTest, StringOneIsThePageTitle) {
  PluginLibrary library(Info());
  ASSERT_TRUE(library.Loaded());
  char text[64] = {};
  ASSERT_GT(LoadStringA(GetModuleHandleA(file.c_str()), 1, text, sizeof(text)), 0);
  EXPECT_STREQ(text, kPageTitles[GetParam()]);
}

INSTANTIATE_TEST_SUITE_P(Plugins, VersionResourceTest, ::testing::Values(ORKV_TEST_PLUGINS),
                         PluginName);

}  // namespace
}  // namespace orkv::test
