// Class registration in the registry and the filter-mapper record.
#include <dshow.h>
#include <gtest/gtest.h>

#include <string>

#include "host/server.h"
#include "tests/host/test_filters.h"
#include "tests/support/class_registry.h"

namespace orkv::host::test {
namespace {

// {6F1C0C41-2B0D-4C34-9E53-1A7C1E0A0B20}
const CLSID CLSID_Dummy = {
    0x6f1c0c41, 0x2b0d, 0x4c34, {0x9e, 0x53, 0x1a, 0x7c, 0x1e, 0x0a, 0x0b, 0x20}};
const char kDummyKey[] = "CLSID\\{6F1C0C41-2B0D-4C34-9E53-1A7C1E0A0B20}";

const CFactoryTemplate kTemplates[] = {
    {L"Host dummy class", &CLSID_Dummy, GainFilter::Create, nullptr, nullptr},
};

using orkv::test::KeyExists;
using orkv::test::StringValue;

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    ServerProcessAttach(GetModuleHandleW(nullptr), kTemplates);
  }
  void TearDown() override {
    ServerProcessDetach(kTemplates);
    CoUninitialize();
  }
};

TEST_F(RegistryTest, RegisterWritesTheServerKeysAndUnregisterRemovesTheTree) {
  ASSERT_EQ(ServerRegister(kTemplates), S_OK);
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  EXPECT_EQ(StringValue(kDummyKey, nullptr), "Host dummy class");
  const std::string server = std::string(kDummyKey) + "\\InprocServer32";
  EXPECT_EQ(StringValue(server, nullptr), path);
  EXPECT_EQ(StringValue(server, "ThreadingModel"), "Both");

  // A stray subkey goes with the tree.
  HKEY extra = nullptr;
  ASSERT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, (server + "\\deeper\\deepest").c_str(), &extra),
            ERROR_SUCCESS);
  RegCloseKey(extra);

  ASSERT_EQ(ServerUnregister(kTemplates), S_OK);
  EXPECT_FALSE(KeyExists(kDummyKey));
  EXPECT_EQ(ServerUnregister(kTemplates), S_OK) << "a missing key is not an error";
}

TEST_F(RegistryTest, FilterSetupWritesAndRemovesTheMapperRecord) {
  ComPtr<IAMovieSetup> setup(static_cast<IAMovieSetup*>(new GainFilter));
  const std::string record = "Filter\\{6F1C0C41-2B0D-4C34-9E53-1A7C1E0A0B01}";

  ASSERT_EQ(setup->Register(), S_OK);
  EXPECT_EQ(StringValue(record, nullptr), "Host test gain");
  ASSERT_EQ(setup->Unregister(), S_OK);
  EXPECT_FALSE(KeyExists(record));
  EXPECT_EQ(setup->Unregister(), S_OK) << "unregistering twice is fine";
  UnregisterClassKey(CLSID_TestGain);
}

}  // namespace
}  // namespace orkv::host::test
