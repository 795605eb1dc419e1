// The six effects, for tests typed over all of them.
#pragma once

#include <gtest/gtest.h>

#include "effects/cdelay/cdelay.h"
#include "effects/chorus/chorus.h"
#include "effects/filter/filter.h"
#include "effects/flanger/flanger.h"
#include "effects/phaser/phaser.h"
#include "effects/tremolo/tremolo.h"

namespace orkv::test {

using AllEffects = ::testing::Types<Phaser, Chorus, Flanger, Filter, CDelay, Tremolo>;

}  // namespace orkv::test
