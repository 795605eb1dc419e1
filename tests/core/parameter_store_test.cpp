#include "core/parameter_store.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <limits>
#include <set>
#include <thread>
#include <utility>
#include <vector>

namespace orkv {
namespace {

constexpr std::array<SlotSpec, 3> kTestSlots{{
    {"Freq", "Hz", 100, 4000, 700},
    {"Mix", "", 0, 0.5, 0.5},
    {"Volume", "dB", -15, 3, 0},
}};

// Records posts; endpoints in `alive` exist.
class RecordingPort final : public EditorPort {
 public:
  bool Exists(std::uintptr_t endpoint) const override { return alive.count(endpoint) != 0; }
  void Post(std::uintptr_t endpoint, std::uint32_t identifier, std::uint32_t code) const override {
    posts.push_back({endpoint, identifier, code});
  }
  struct Posted {
    std::uintptr_t endpoint;
    std::uint32_t identifier;
    std::uint32_t code;
    bool operator==(const Posted&) const = default;
  };
  std::set<std::uintptr_t> alive;
  mutable std::vector<Posted> posts;
};

class ParameterStoreTest : public ::testing::Test {
 protected:
  bool EngineDirty() {
    ParameterBlock<3> ignored;
    return store.TakeSnapshot(ignored);
  }
  RecordingPort port;
  ParameterStore<3> store{kTestSlots, port};
};

TEST_F(ParameterStoreTest, NewStoreHoldsZerosEngineDirtyAndPersistenceClean) {
  EXPECT_EQ(store.GetParameters(), (ParameterBlock<3>{0, 0, 0}));
  EXPECT_FALSE(store.IsPersistenceDirty());
  EXPECT_TRUE(EngineDirty());
  EXPECT_FALSE(EngineDirty());
}

TEST_F(ParameterStoreTest, SetParamClampsNanInfinitiesAndOutOfRangeValues) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const std::vector<std::pair<double, double>> cases = {{nan, 100},    {inf, 4000},     {-inf, 100},
                                                        {99.999, 100}, {4000.5, 4000},  {100, 100},
                                                        {4000, 4000},  {1234.5, 1234.5}};
  for (const auto& [given, stored] : cases) {
    store.SetParam(0, 2000);
    store.SetParam(0, given);
    EXPECT_EQ(store.GetParam(0), stored) << "given " << given;
  }
}

TEST_F(ParameterStoreTest, SetParamChangesFlagsOnlyWhenTheClampedValueDiffers) {
  store.SetParam(1, 0.25);
  EXPECT_TRUE(EngineDirty());
  store.SetPersistenceDirty(false);

  store.SetParam(1, 0.25);  // same value
  store.SetParam(1, 0.25);
  EXPECT_FALSE(EngineDirty());
  EXPECT_FALSE(store.IsPersistenceDirty());

  store.SetParam(1, 0.5);
  ParameterBlock<3> ignored;
  store.TakeSnapshot(ignored);
  store.SetPersistenceDirty(false);
  store.SetParam(1, 7.0);  // clamps to the value already stored
  EXPECT_FALSE(EngineDirty());
  EXPECT_FALSE(store.IsPersistenceDirty());

  store.SetParam(2, 0.0);
  store.SetParam(2, -0.0);  // +0 and -0 compare equal
  EXPECT_FALSE(EngineDirty());
}

TEST_F(ParameterStoreTest, SetParametersAlwaysRaisesBothFlagsAndClampsSlotBySlot) {
  store.SetParameters({700, 0.5, 0});
  ParameterBlock<3> snapshot;
  store.TakeSnapshot(snapshot);
  store.SetPersistenceDirty(false);

  store.SetParameters({700, 0.5, 0});  // identical block
  EXPECT_TRUE(store.IsPersistenceDirty());
  EXPECT_TRUE(store.TakeSnapshot(snapshot));

  store.SetParameters({std::numeric_limits<double>::quiet_NaN(), 0.3, 99});
  EXPECT_EQ(store.GetParameters(), (ParameterBlock<3>{100, 0.3, 3}));
}

TEST_F(ParameterStoreTest, SnapshotReportsAChangeOnceAndCopiesTheLiveBlock) {
  store.SetParam(0, 1500);
  ParameterBlock<3> snapshot{};
  EXPECT_TRUE(store.TakeSnapshot(snapshot));
  EXPECT_EQ(snapshot[0], 1500);
  EXPECT_FALSE(store.TakeSnapshot(snapshot));
  EXPECT_EQ(snapshot[0], 1500);
}

TEST_F(ParameterStoreTest, FirstWindowTakesSlotOneAndNotificationsGoToSlotZeroFirst) {
  port.alive = {11, 22};
  EXPECT_TRUE(store.SetNotifyWindow(11, 32700));  // slot 1
  EXPECT_TRUE(store.SetNotifyWindow(22, 5));      // slot 0
  store.NotifyEditors(1);
  EXPECT_EQ(port.posts, (std::vector<RecordingPort::Posted>{{22, 5, 1}, {11, 32700, 1}}));
}

TEST_F(ParameterStoreTest, AtMostTwoWindowsAndReRegistrationKeepsOneSlot) {
  port.alive = {1, 2, 3};
  ASSERT_TRUE(store.SetNotifyWindow(1, 10));
  ASSERT_TRUE(store.SetNotifyWindow(2, 20));
  EXPECT_FALSE(store.SetNotifyWindow(3, 30));  // no free slot
  EXPECT_TRUE(store.SetNotifyWindow(3, 0));    // removing an unknown window is fine
  EXPECT_TRUE(store.SetNotifyWindow(1, 11));   // new identifier, same slot
  store.NotifyEditors(100);
  EXPECT_EQ(port.posts, (std::vector<RecordingPort::Posted>{{2, 20, 100}, {1, 11, 100}}));

  port.posts.clear();
  EXPECT_TRUE(store.SetNotifyWindow(2, 0));
  EXPECT_TRUE(store.SetNotifyWindow(3, 30));  // the freed slot
  store.NotifyEditors(0);
  EXPECT_EQ(port.posts, (std::vector<RecordingPort::Posted>{{3, 30, 0}, {1, 11, 0}}));
}

TEST_F(ParameterStoreTest, AVanishedWindowGetsNothingAndLosesItsSlot) {
  port.alive = {1, 2};
  store.SetNotifyWindow(1, 10);
  store.SetNotifyWindow(2, 20);
  port.alive.erase(2);
  store.NotifyEditors(0);
  EXPECT_EQ(port.posts, (std::vector<RecordingPort::Posted>{{1, 10, 0}}));
  port.alive.insert(3);
  EXPECT_TRUE(store.SetNotifyWindow(3, 30));  // the slot became free
}

TEST_F(ParameterStoreTest, PinFormatsOnlyForPinsZeroAndOne) {
  WaveFormat in{};
  EXPECT_EQ(store.PinFormat(0), nullptr);
  store.SetPinFormat(0, &in);
  EXPECT_EQ(store.PinFormat(0), &in);
  EXPECT_EQ(store.PinFormat(1), nullptr);
  EXPECT_EQ(store.PinFormat(2), nullptr);
  EXPECT_EQ(store.PinFormat(-1), nullptr);
}

TEST_F(ParameterStoreTest, MarkSavedClearsOnlyWhenNothingChangedSinceTheCopy) {
  store.SetParameters({1000, 0.2, 0.2});
  const auto saved = store.GetParameters();
  store.SetParameters({1000, 0.3, 0.3});  // a change while the copy is written
  store.MarkSaved(saved);
  EXPECT_TRUE(store.IsPersistenceDirty());
  store.MarkSaved(store.GetParameters());
  EXPECT_FALSE(store.IsPersistenceDirty());
}

TEST_F(ParameterStoreTest, ConcurrentWritersNeverTearABlock) {
  std::atomic<bool> stop{false};
  std::thread writer([&] {
    for (int i = 0; !stop; ++i) {
      const double v = (i % 2) ? 0.1 : 0.4;
      store.SetParameters({1000 + v, v, v});
    }
  });
  for (int i = 0; i < 20000; ++i) {
    ParameterBlock<3> b;
    store.TakeSnapshot(b);
    ASSERT_EQ(b[1], b[2]);
  }
  stop = true;
  writer.join();
}

}  // namespace
}  // namespace orkv
