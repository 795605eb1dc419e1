// Factory presets and saved settings, as a host uses them: through the
// filter's IEffectPresets and IPersistStream, with a real window as editor.
#include <objidl.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <thread>
#include <vector>

#include "core/settings_record.h"
#include "tests/plugins/plugin_library.h"
#include "tests/plugins/test_stream.h"

namespace orkv::test {
namespace {

class PresetsPersistenceTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(library.Loaded());
    filter = library.Create<IUnknown>(IID_IUnknown);
    ASSERT_TRUE(filter);
    ASSERT_EQ(filter->QueryInterface(IID_IEffectPresets, presets.GetVoidAddressOf()), S_OK);
    ASSERT_EQ(filter->QueryInterface(IID_IPersistStream, persist.GetVoidAddressOf()), S_OK);
    ASSERT_EQ(filter->QueryInterface(*Info().parametersIid, params.GetVoidAddressOf()), S_OK);
  }
  const OrkvPluginInfo& Info() const { return library.Info(); }
  int Slots() const { return Info().slotCount; }

  std::vector<double> Block() {
    std::vector<double> block(Slots());
    params->GetParameters(block.data());
    return block;
  }

  std::vector<BYTE> SavedRecord() {
    TestStream stream;
    EXPECT_EQ(persist->Save(&stream, TRUE), S_OK);
    return stream.data;
  }

  ComApartment apartment;
  PluginLibrary library{kOrkvPlugins[GetParam()]};
  ComPtr<IUnknown> filter;
  ComPtr<IEffectPresets> presets;
  ComPtr<IPersistStream> persist;
  ComPtr<IEffectParameters> params;
};

int ExpectedPresetCount(const OrkvPluginInfo& info) {
  const std::string effect = info.effect;
  if (effect == "Phaser" || effect == "Flanger") return 7;
  if (effect == "Chorus" || effect == "Filter") return 6;
  if (effect == "C-Delay") return 8;
  return 5;
}

TEST_P(PresetsPersistenceTest, PresetsAreCountedNamedAndIndexChecked) {
  LONG count = 0;
  ASSERT_EQ(presets->GetPresetCount(&count), S_OK);
  EXPECT_EQ(count, ExpectedPresetCount(Info()));
  EXPECT_EQ(presets->GetPresetCount(nullptr), E_POINTER);

  WCHAR name[64] = L"untouched";
  EXPECT_EQ(presets->GetPresetName(0, name, 64), S_OK);
  EXPECT_STREQ(name, L"(Default)");
  for (LONG i = 0; i < count; ++i) {
    EXPECT_EQ(presets->GetPresetName(i, name, 64), S_OK);
    EXPECT_GT(wcslen(name), 0u);
  }
  wcscpy(name, L"untouched");
  EXPECT_EQ(presets->GetPresetName(count, name, 64), E_INVALIDARG);
  EXPECT_EQ(presets->GetPresetName(-1, name, 64), E_INVALIDARG);
  EXPECT_STREQ(name, L"untouched");
  EXPECT_EQ(presets->ApplyPreset(count), E_INVALIDARG);
  EXPECT_EQ(presets->ApplyPreset(-1), E_INVALIDARG);
  EXPECT_EQ(presets->GetPresetName(0, nullptr, 64), E_POINTER);
}

TEST_P(PresetsPersistenceTest, ShortNameBufferGetsATruncatedTerminatedNameAndNothingMore) {
  WCHAR buffer[8];
  std::fill(std::begin(buffer), std::end(buffer), L'#');
  EXPECT_EQ(presets->GetPresetName(0, buffer, 4), S_OK);
  EXPECT_STREQ(buffer, L"(De");
  EXPECT_EQ(buffer[4], L'#');  // nothing written past the capacity
  EXPECT_EQ(presets->GetPresetName(0, buffer, 1), S_OK);
  EXPECT_STREQ(buffer, L"");
  EXPECT_EQ(presets->GetPresetName(0, buffer, 0), E_INVALIDARG);
}

TEST_P(PresetsPersistenceTest, ApplyingAPresetSetsItsValuesAndDirtiesButDoesNotNotify) {
  NotifyWindow editor;
  ASSERT_EQ(params->SetNotifyWindow(editor.Handle(), 32700), S_OK);
  EXPECT_EQ(persist->IsDirty(), S_OK);  // a new filter has applied "(Default)"
  const std::vector<double> defaults = Block();

  SavedRecord();
  EXPECT_EQ(persist->IsDirty(), S_FALSE);
  ASSERT_EQ(presets->ApplyPreset(0), S_OK);  // same values, still dirty
  EXPECT_EQ(persist->IsDirty(), S_OK);
  EXPECT_EQ(Block(), defaults);

  LONG count = 0;
  presets->GetPresetCount(&count);
  ASSERT_EQ(presets->ApplyPreset(count - 1), S_OK);
  EXPECT_NE(Block(), defaults);
  EXPECT_TRUE(editor.TakeCommands().empty());
}

TEST_P(PresetsPersistenceTest, SavedRecordIsSizeIdentifierAndBlock) {
  ULARGE_INTEGER max{};
  ASSERT_EQ(persist->GetSizeMax(&max), S_OK);
  const std::vector<BYTE> record = SavedRecord();
  ASSERT_EQ(record.size(), Info().recordSize);
  EXPECT_EQ(max.QuadPart, record.size());

  std::vector<BYTE> expected(20);
  const UINT32 size = Info().recordSize;
  std::memcpy(&expected[0], &size, 4);
  std::memcpy(&expected[4], Info().parametersIid, 16);
  const std::vector<double> block = Block();
  const BYTE* blockBytes = reinterpret_cast<const BYTE*>(block.data());
  expected.insert(expected.end(), blockBytes, blockBytes + 8 * block.size());
  EXPECT_EQ(record, expected);
}

TEST_P(PresetsPersistenceTest, LoadRestoresSettingsAndTellsTheEditors) {
  const std::vector<BYTE> saved = SavedRecord();
  const std::vector<double> before = Block();
  LONG count = 0;
  presets->GetPresetCount(&count);
  presets->ApplyPreset(count - 1);

  NotifyWindow editor;
  ASSERT_EQ(params->SetNotifyWindow(editor.Handle(), 32700), S_OK);
  TestStream stream(saved);
  ASSERT_EQ(persist->Load(&stream), S_OK);
  EXPECT_EQ(Block(), before);
  EXPECT_EQ(persist->IsDirty(), S_OK);
  EXPECT_EQ(editor.TakeCommands(), std::vector<WPARAM>{MAKEWPARAM(32700, 100)});
}

TEST_P(PresetsPersistenceTest, RefusedRecordsChangeNothing) {
  const std::vector<BYTE> good = SavedRecord();
  LONG count = 0;
  presets->GetPresetCount(&count);
  presets->ApplyPreset(count - 1);
  SavedRecord();  // clean
  const std::vector<double> before = Block();
  NotifyWindow editor;
  params->SetNotifyWindow(editor.Handle(), 32700);

  auto expectUntouched = [&](const char* what) {
    EXPECT_EQ(Block(), before) << what;
    EXPECT_EQ(persist->IsDirty(), S_FALSE) << what;
    EXPECT_TRUE(editor.TakeCommands().empty()) << what;
  };

  std::vector<BYTE> otherSize = good;
  otherSize[0] = static_cast<BYTE>(otherSize[0] == 76 ? 84 : 76);
  TestStream wrongSize(otherSize);
  EXPECT_EQ(persist->Load(&wrongSize), E_FAIL);
  expectUntouched("size");

  for (const OrkvPluginInfo& other : kOrkvPlugins) {
    if (&other == &Info()) continue;
    std::vector<BYTE> foreign = good;
    std::memcpy(&foreign[4], other.parametersIid, 16);
    TestStream wrongId(foreign);
    EXPECT_EQ(persist->Load(&wrongId), E_FAIL);
    expectUntouched(other.library);
  }

  for (size_t cut : {size_t{0}, size_t{10}, size_t{20}, good.size() - 1}) {
    TestStream shortStream(good);
    shortStream.shortReadAfter = cut;
    EXPECT_TRUE(FAILED(persist->Load(&shortStream))) << cut;
    expectUntouched("short read");
  }
  EXPECT_EQ(persist->Load(nullptr), E_POINTER);
}

TEST_P(PresetsPersistenceTest, OutOfRangeRecordValuesAreClamped) {
  std::vector<BYTE> record = SavedRecord();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double huge = 1e300;
  std::memcpy(&record[20], &nan, 8);
  std::memcpy(&record[28], &huge, 8);
  TestStream stream(record);
  ASSERT_EQ(persist->Load(&stream), S_OK);
  const std::vector<double> block = Block();
  EXPECT_FALSE(std::isnan(block[0]));
  EXPECT_LT(block[1], huge);
}

TEST_P(PresetsPersistenceTest, SaveDecidesTheDirtyFlag) {
  SavedRecord();
  EXPECT_EQ(persist->IsDirty(), S_FALSE);
  TestStream keepDirty;
  ASSERT_EQ(persist->Save(&keepDirty, FALSE), S_OK);
  EXPECT_EQ(persist->IsDirty(), S_OK);

  SavedRecord();
  TestStream failing;
  failing.failWrites = true;
  EXPECT_EQ(persist->Save(&failing, FALSE), STG_E_WRITEFAULT);
  EXPECT_EQ(persist->IsDirty(), S_FALSE);  // a failed save leaves the flag
  EXPECT_EQ(persist->Save(nullptr, TRUE), E_POINTER);
}

// A host saving while the page writes: a change the record does not hold must
// leave the settings dirty, or the host would skip saving it again.
TEST_P(PresetsPersistenceTest, AChangeRacingSaveStaysDirty) {
  std::atomic<bool> pauseWanted{false}, paused{false}, stop{false};
  std::thread writer([&] {
    for (LONG i = 0; !stop; ++i) {
      if (pauseWanted) {
        paused = true;
        while (pauseWanted && !stop) {
        }
        paused = false;
      }
      presets->ApplyPreset(1 + i % 2);
    }
  });
  const size_t headerBytes = Info().recordSize - 8 * static_cast<size_t>(Slots());
  int unsaved = 0;
  for (int trial = 0; trial < 2000; ++trial) {
    const std::vector<BYTE> record = SavedRecord();
    pauseWanted = true;
    while (!paused) {
    }
    const std::vector<double> live = Block();
    const bool differs =
        std::memcmp(record.data() + headerBytes, live.data(), live.size() * sizeof(double)) != 0;
    unsaved += differs;
    if (differs) {
      EXPECT_EQ(persist->IsDirty(), S_OK) << "trial " << trial;
    }
    pauseWanted = false;
    while (paused) {
    }
  }
  stop = true;
  writer.join();
  EXPECT_GT(unsaved, 0) << "the writer never raced a save; the test proved nothing";
}

INSTANTIATE_TEST_SUITE_P(Plugins, PresetsPersistenceTest, ::testing::Values(ORKV_TEST_PLUGINS),
                         PluginName);

}  // namespace
}  // namespace orkv::test
