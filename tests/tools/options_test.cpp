// The command line: what each option sets, and the mistakes it refuses.
#include "tools/render/options.h"

#include <gtest/gtest.h>

namespace orkv::render {
namespace {

ParsedCommandLine Parse(std::vector<std::string> args) { return ParseCommandLine(args); }

void ExpectError(std::vector<std::string> args, const std::string& fragment) {
  const auto r = Parse(args);
  EXPECT_NE(r.error.find(fragment), std::string::npos) << "error: '" << r.error << "'";
}

TEST(CommandLine, RenderWithSettingsPresetAndFiles) {
  const auto r = Parse({"--plugin", "Phaser", "--in", "a.wav", "--out", "b.wav", "--set",
                        "Rate=0.5", "--set", "Mix=-3e1", "--preset", "Warm", "--load-settings",
                        "s.bin", "--save-settings", "t.bin", "--platform-source", "-q"});
  ASSERT_EQ(r.error, "");
  const Options& o = r.options;
  EXPECT_EQ(o.plugin, "Phaser");
  EXPECT_EQ(o.inPath, "a.wav");
  EXPECT_TRUE(o.Renders());
  ASSERT_EQ(o.settings.size(), 2u);
  EXPECT_EQ(o.settings[0].label, "Rate");
  EXPECT_EQ(o.settings[0].value, 0.5);
  EXPECT_EQ(o.settings[1].value, -30.0);
  EXPECT_EQ(o.preset, "Warm");
  EXPECT_EQ(o.loadSettings, "s.bin");
  EXPECT_EQ(o.saveSettings, "t.bin");
  EXPECT_TRUE(o.platformSource);
  EXPECT_TRUE(o.quiet);
}

TEST(CommandLine, ListingNeedsNoOutput) {
  EXPECT_EQ(Parse({"--plugin", "Chorus", "--list"}).error, "");
  EXPECT_EQ(Parse({"--plugin", "Chorus", "--list-presets"}).error, "");
  EXPECT_EQ(Parse({"--plugin", "Chorus", "--save-settings", "x"}).error, "");
  EXPECT_EQ(Parse({"--help"}).error, "");
}

TEST(CommandLine, TestSignalGeneration) {
  const auto r = Parse({"--make-test-signal", "s.wav", "--float", "--seconds", "60"});
  ASSERT_EQ(r.error, "");
  EXPECT_EQ(r.options.makeTestSignal, "s.wav");
  EXPECT_TRUE(r.options.floatSignal);
  EXPECT_EQ(r.options.seconds, 60.0);
  ExpectError({"--make-test-signal", "s.wav", "--plugin", "Phaser"}, "only combines");
  ExpectError({"--make-test-signal", "s.wav", "--seconds", "0"}, "--seconds expects");
  ExpectError({"--make-test-signal", "s.wav", "--seconds", "1e9"}, "--seconds expects");
}

TEST(CommandLine, RefusesMistakes) {
  ExpectError({"--bogus"}, "unknown option '--bogus'");
  ExpectError({"--plugin"}, "--plugin needs a value");
  ExpectError({"--plugin", "Phaser"}, "nothing to do");
  ExpectError({"--out", "x.wav"}, "no plug-in");
  ExpectError({"--plugin", "P", "--out", "o", "--set", "Rate"}, "expects Label=value");
  ExpectError({"--plugin", "P", "--out", "o", "--set", "=1"}, "expects Label=value");
  ExpectError({"--plugin", "P", "--out", "o", "--set", "Rate=fast"}, "'fast' is not a number");
  ExpectError({"--plugin", "P", "--out", "o", "--set", "Rate=1x"}, "not a number");
  ExpectError({"--plugin", "P", "--out", "o", "--set", "Rate=nan"}, "not a number");
  ExpectError({"--plugin", "P", "--out", "o", "--set", "Rate="}, "not a number");
  ExpectError({"--plugin", "P", "--list", "--platform-source"}, "needs --out");
  ExpectError({"--plugin", "P", "--list", "--dmo"}, "--dmo needs --out");
  ExpectError({"--dmo", "--make-test-signal", "t.wav"}, "only combines");
  ExpectError({"--plugin", "P", "--in", "i", "--out", "o", "--float"}, "test signal");
}

}  // namespace
}  // namespace orkv::render
