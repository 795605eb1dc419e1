// orkv-render end to end in real DirectShow graphs (Wine's filter graph
// manager, allocators, file source and WAVE parser) with the Phaser plug-in:
// formats in and out, both source paths, settings, and refused input.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "tools/wav/test_signal.h"
#include "tools/wav/wav_file.h"

namespace orkv::render {
namespace {

using wav::AudioFormat;
using wav::SampleType;

std::string ProgramDirectory() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string s(path, length);
  return s.substr(0, s.find_last_of("\\/") + 1);
}

struct ToolResult {
  DWORD exitCode = 0;
  std::string output;  // stdout and stderr together
};

// Runs orkv-render with the given arguments and collects what it prints. Each
// run logs to a file of its own: processes the child starts on first use of COM
// (the platform's services) inherit the handle and may keep it open.
ToolResult RunTool(const std::string& program, const std::string& arguments) {
  static int runs = 0;
  const std::string logPath =
      testing::TempDir() + "orkv_render_log" + std::to_string(++runs) + ".txt";
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE log = CreateFileA(logPath.c_str(), GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(log, INVALID_HANDLE_VALUE) << logPath << " error " << GetLastError();
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = log;
  startup.hStdError = log;
  PROCESS_INFORMATION process{};
  // A program of this build by name, or a copy of one elsewhere by full path.
  const bool fullPath = program.find(':') != std::string::npos;
  std::string command =
      "\"" + (fullPath ? program : ProgramDirectory() + program) + "\" " + arguments;
  ToolResult result;
  if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                     &process)) {
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &result.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  } else {
    ADD_FAILURE() << "cannot start " << command;
    result.exitCode = ~0u;
  }
  CloseHandle(log);
  {
    std::ifstream in(logPath, std::ios::binary);
    result.output.assign(std::istreambuf_iterator<char>(in), {});
  }
  DeleteFileA(logPath.c_str());
  return result;
}

ToolResult RunRender(const std::string& arguments) { return RunTool("orkv-render.exe", arguments); }

std::string TempPath(const std::string& name) { return testing::TempDir() + "orkv_" + name; }

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Half a second of the test signal in any supported format.
void WriteSignal(const std::string& path, const AudioFormat& format, double seconds = 0.5) {
  const auto frames = static_cast<std::size_t>(seconds * format.sampleRate);
  std::vector<float> stereo(2 * frames);
  wav::RenderTestSignal(format.sampleRate, 0, frames, stereo.data());
  std::vector<float> samples;
  for (std::size_t i = 0; i < frames; ++i) {
    if (format.channels == 1) {
      samples.push_back(0.5f * (stereo[2 * i] + stereo[2 * i + 1]));
    } else {
      samples.insert(samples.end(), {stereo[2 * i], stereo[2 * i + 1]});
    }
  }
  std::vector<std::int16_t> ints(samples.size());
  wav::FloatToInt16(samples.data(), samples.size(), ints.data());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  wav::WavWriter writer(out);
  std::string error;
  ASSERT_TRUE(writer.Start(format, error));
  const bool isInt = format.type == SampleType::kInt16;
  ASSERT_TRUE(isInt ? writer.Append(ints.data(), ints.size() * 2, error)
                    : writer.Append(samples.data(), samples.size() * 4, error));
  ASSERT_TRUE(writer.Finish(error));
}

struct WavContents {
  AudioFormat format;
  std::uint64_t frames = 0;
  std::vector<char> bytes;
};

WavContents ReadWav(const std::string& path) {
  std::string error;
  auto reader = wav::WavFileReader::Open(path, error);
  EXPECT_TRUE(reader) << path << ": " << error;
  if (!reader) return {};
  WavContents c{reader->Format(), reader->Frames(), {}};
  c.bytes.resize(c.frames * c.format.BytesPerFrame());
  EXPECT_EQ(reader->Read(c.bytes.data(), c.frames), c.frames);
  return c;
}

// A file with a hand-made format chunk and `dataBytes` of silence.
void WriteRawWav(const std::string& path, std::uint16_t tag, std::uint16_t channels,
                 std::uint16_t bits, std::uint32_t dataBytes = 4000) {
  std::vector<std::uint8_t> b;
  auto put = [&b](std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  };
  auto id = [&b](const char* s) { b.insert(b.end(), s, s + 4); };
  const std::uint16_t align = static_cast<std::uint16_t>(channels * bits / 8);
  id("RIFF");
  put(36 + dataBytes, 4);
  id("WAVE");
  id("fmt ");
  put(16, 4);
  put(tag, 2);
  put(channels, 2);
  put(44100, 4);
  put(44100 * align, 4);
  put(align, 2);
  put(bits, 2);
  id("data");
  put(dataBytes, 4);
  b.resize(b.size() + dataBytes);
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

// The first line of `text` that contains `fragment`.
std::string LineWith(const std::string& text, const std::string& fragment) {
  const auto at = text.find(fragment);
  if (at == std::string::npos) return {};
  const auto begin = text.rfind('\n', at) + 1;  // npos + 1 == 0
  return text.substr(begin, text.find('\n', at) - begin);
}

std::string Quote(const std::string& path) { return "\"" + path + "\""; }

// Renders `in` through the Phaser; returns the output file's path.
std::string RenderPhaser(const std::string& in, const std::string& name,
                         const std::string& extra = "") {
  const std::string out = TempPath(name);
  const ToolResult r =
      RunRender("--plugin Phaser -q --in " + Quote(in) + " --out " + Quote(out) + " " + extra);
  EXPECT_EQ(r.exitCode, 0u) << r.output;
  return out;
}

class RenderFormats : public testing::TestWithParam<AudioFormat> {};

TEST_P(RenderFormats, OwnSourceGivesStereoOfTheSameTypeRateAndLength) {
  const AudioFormat in = GetParam();
  const std::string inPath = TempPath("formats_in.wav");
  WriteSignal(inPath, in);
  const WavContents out = ReadWav(RenderPhaser(inPath, "formats_out.wav"));
  EXPECT_EQ(out.format, (AudioFormat{in.type, 2, in.sampleRate}));
  EXPECT_EQ(out.frames, static_cast<std::uint64_t>(in.sampleRate / 2));
  const WavContents original = ReadWav(inPath);
  EXPECT_NE(out.bytes, original.bytes);  // processed, not copied
  EXPECT_NE(out.bytes, std::vector<char>(out.bytes.size(), 0));
}

INSTANTIATE_TEST_SUITE_P(Tools, RenderFormats,
                         testing::Values(AudioFormat{SampleType::kInt16, 2, 44100},
                                         AudioFormat{SampleType::kFloat32, 2, 44100},
                                         AudioFormat{SampleType::kInt16, 1, 22050},
                                         AudioFormat{SampleType::kFloat32, 1, 48000}));

TEST(RenderTool, PlatformFileSourceAndWaveParserGiveTheSameOutput) {
  for (const std::uint16_t channels : {2, 1}) {
    const std::string inPath = TempPath("platform_in.wav");
    WriteSignal(inPath, {SampleType::kInt16, channels, 44100}, 1.0);
    const WavContents own = ReadWav(RenderPhaser(inPath, "platform_own.wav"));
    const WavContents platform =
        ReadWav(RenderPhaser(inPath, "platform_out.wav", "--platform-source"));
    EXPECT_EQ(platform.format, (AudioFormat{SampleType::kInt16, 2, 44100}));
    EXPECT_EQ(platform.frames, 44100u);
    EXPECT_TRUE(platform.bytes == own.bytes) << channels << " channel(s)";
  }
}

// The plug-in's DMO in the platform's DMO Wrapper filter renders exactly what
// its filter renders, from either source, with settings given.
TEST(RenderTool, TheDmoPathGivesTheFiltersOutput) {
  const AudioFormat formats[] = {{SampleType::kInt16, 2, 44100}, {SampleType::kFloat32, 1, 48000}};
  for (const AudioFormat& format : formats) {
    const std::string inPath = TempPath("dmo_in.wav");
    WriteSignal(inPath, format, 1.0);
    const std::string settings = "--preset 2 --set Rate=0.7 ";
    const WavContents filter = ReadWav(RenderPhaser(inPath, "dmo_filter.wav", settings));
    const WavContents dmo = ReadWav(RenderPhaser(inPath, "dmo_out.wav", settings + "--dmo"));
    EXPECT_EQ(dmo.format, (AudioFormat{format.type, 2, format.sampleRate}));
    EXPECT_EQ(dmo.frames, std::uint64_t{format.sampleRate});
    EXPECT_TRUE(dmo.bytes == filter.bytes) << format.channels << " channel(s)";
  }
  const std::string inPath = TempPath("dmo_platform_in.wav");
  WriteSignal(inPath, {SampleType::kInt16, 1, 44100}, 1.0);
  const WavContents filter = ReadWav(RenderPhaser(inPath, "dmo_platform_filter.wav"));
  const WavContents dmo =
      ReadWav(RenderPhaser(inPath, "dmo_platform_out.wav", "--platform-source --dmo"));
  EXPECT_TRUE(dmo.bytes == filter.bytes);
}

// 64-bit FNV-1a of a whole file.
std::uint64_t FileHash(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::uint64_t hash = 0xcbf29ce484222325ull;
  for (std::istreambuf_iterator<char> it(in), end; it != end; ++it) {
    hash = (hash ^ static_cast<unsigned char>(*it)) * 0x100000001b3ull;
  }
  return hash;
}

// Ten seconds: many buffers in flight at once between the reader, the effect
// and the writer. The files are the same to the byte as the checked-in hashes
// say, through the filter and through the DMO.
TEST(RenderTool, LongRendersGiveTheirKnownBytes) {
  const std::string in16 = TempPath("long_in16.wav");
  const std::string inFloat = TempPath("long_in_float.wav");
  ASSERT_EQ(RunRender("--make-test-signal " + Quote(in16) + " --seconds 10 -q").exitCode, 0u);
  ASSERT_EQ(RunRender("--make-test-signal " + Quote(inFloat) + " --seconds 10 --float -q").exitCode,
            0u);
  EXPECT_EQ(FileHash(in16), 0xb383f9136d1e57e2ull);
  EXPECT_EQ(FileHash(inFloat), 0x0154807b1decc9a4ull);

  EXPECT_EQ(FileHash(RenderPhaser(in16, "long_out16.wav")), 0x39acb985e307b442ull);
  EXPECT_EQ(FileHash(RenderPhaser(in16, "long_dmo16.wav", "--dmo")), 0x39acb985e307b442ull);
  EXPECT_EQ(FileHash(RenderPhaser(inFloat, "long_out_float.wav", "--preset 2 --set Rate=0.7")),
            0x5f5cc99d5dea89abull);
  for (const char* name : {"long_in16.wav", "long_in_float.wav", "long_out16.wav", "long_dmo16.wav",
                           "long_out_float.wav"}) {
    DeleteFileA(TempPath(name).c_str());
  }
}

TEST(RenderTool, WithoutInputRendersTheBuiltInTestSignal) {
  const std::string out = TempPath("default_out.wav");
  const ToolResult r = RunRender("--plugin ORKVPhaser --out " + Quote(out));
  ASSERT_EQ(r.exitCode, 0u) << r.output;
  EXPECT_NE(r.output.find("rendered 176400 frames"), std::string::npos) << r.output;
  const WavContents c = ReadWav(out);
  EXPECT_EQ(c.format, (AudioFormat{SampleType::kInt16, 2, 44100}));
  EXPECT_EQ(c.frames, 176400u);
}

TEST(RenderTool, RefusesUnsupportedInputWithItsReason) {
  struct Case {
    std::uint16_t tag, channels, bits;
    const char* reason;
  };
  const Case cases[] = {
      {1, 2, 24, "24-bit integer PCM"}, {1, 2, 8, "8-bit integer PCM"}, {1, 6, 16, "6 channels"},
      {3, 2, 64, "64-bit float"},       {0x55, 2, 16, "compressed"},
  };
  const std::string out = TempPath("refused_out.wav");
  const std::string in = TempPath("refused_in.wav");
  for (const Case& c : cases) {
    DeleteFileA(out.c_str());
    WriteRawWav(in, c.tag, c.channels, c.bits);
    const ToolResult r = RunRender("--plugin Phaser --in " + Quote(in) + " --out " + Quote(out));
    EXPECT_EQ(r.exitCode, 1u) << c.reason;
    EXPECT_NE(r.output.find(c.reason), std::string::npos) << r.output;
    EXPECT_FALSE(FileExists(out)) << c.reason;
  }
  std::ofstream(in, std::ios::binary | std::ios::trunc) << "ID3 definitely not a wave file";
  ToolResult r = RunRender("--plugin Phaser --in " + Quote(in) + " --out " + Quote(out));
  EXPECT_EQ(r.exitCode, 1u);
  EXPECT_NE(r.output.find("not a WAV file"), std::string::npos) << r.output;

  WriteSignal(in, {SampleType::kInt16, 2, 44100});
  r = RunRender("--plugin Phaser --in " + Quote(in) + " --out " + Quote(in));
  EXPECT_EQ(r.exitCode, 1u);
  EXPECT_NE(r.output.find("is the input file"), std::string::npos) << r.output;
  EXPECT_EQ(ReadWav(in).frames, 22050u);  // untouched

  WriteSignal(in, {SampleType::kFloat32, 2, 44100});
  r = RunRender("--plugin Phaser --platform-source --in " + Quote(in) + " --out " + Quote(out));
  EXPECT_EQ(r.exitCode, 1u);
  EXPECT_NE(r.output.find("16-bit PCM only"), std::string::npos) << r.output;
}

// Each refusal names its reason in words, with the values involved.
TEST(RenderTool, RefusesRatesBelowTheEffectsLowestWithBothRates) {
  const std::string in = TempPath("low_rate_in.wav");
  const std::string out = TempPath("low_rate_out.wav");
  const struct {
    const char* plugin;
    AudioFormat format;
    const char* message;  // empty: renders
  } cases[] = {
      {"Filter", {SampleType::kInt16, 2, 22050}, "the Filter needs at least 32000 Hz and '"},
      {"Filter", {SampleType::kFloat32, 1, 31999}, "the Filter needs at least 32000 Hz and '"},
      {"Filter", {SampleType::kInt16, 1, 32000}, ""},
      {"Phaser", {SampleType::kFloat32, 2, 999}, "the Phaser needs at least 1000 Hz and '"},
      {"Phaser", {SampleType::kInt16, 2, 1000}, ""},
      {"Chorus", {SampleType::kInt16, 2, 999}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.plugin) + " at " + std::to_string(c.format.sampleRate) + " Hz");
    DeleteFileA(out.c_str());
    WriteSignal(in, c.format, 0.1);
    const ToolResult r = RunRender(std::string("--plugin ") + c.plugin + " -q --in " + Quote(in) +
                                   " --out " + Quote(out));
    if (*c.message == '\0') {
      EXPECT_EQ(r.exitCode, 0u) << r.output;
      continue;
    }
    EXPECT_EQ(r.exitCode, 1u);
    const std::string expected = "orkv-render: " + std::string(c.message) + in + "' has " +
                                 std::to_string(c.format.sampleRate) + " Hz";
    EXPECT_NE(r.output.find(expected), std::string::npos) << r.output;
    EXPECT_FALSE(FileExists(out));
  }
}

// The plug-in library: missing, of the other bitness, no COM server, not ours.
// The render host and the editor program share these texts.
TEST(RenderTool, NamesWhyAPluginLibraryCannotServe) {
  // A copy of the program alone in a folder: its libraries are not beside it.
  const std::string lonely = TempPath("lonely\\");
  CreateDirectoryA(lonely.c_str(), nullptr);
  ASSERT_TRUE(CopyFileA((ProgramDirectory() + "orkv-render.exe").c_str(),
                        (lonely + "orkv-render.exe").c_str(), FALSE));
  ToolResult r = RunTool(lonely + "orkv-render.exe", "--plugin Tremolo --list");
  EXPECT_EQ(r.exitCode, 1u);
  EXPECT_NE(r.output.find("orkv-render: cannot load '" + lonely +
                          "ORKVTremolo.dll': there is no such file (the Tremolo library "
                          "ORKVTremolo.dll belongs beside orkv-render.exe)"),
            std::string::npos)
      << r.output;
  DeleteFileA((lonely + "orkv-render.exe").c_str());
  RemoveDirectoryA(lonely.c_str());

  // The Phaser with its header saying it is built for the other machine.
  const std::string other = TempPath("other_machine.dll");
  {
    std::ifstream in(ProgramDirectory() + "ORKVPhaser.dll", std::ios::binary);
    std::vector<char> bytes(std::istreambuf_iterator<char>(in), {});
    ASSERT_GT(bytes.size(), 0x200u);
    std::uint32_t header = 0;
    std::memcpy(&header, &bytes[0x3C], 4);
    const std::uint16_t machine = sizeof(void*) == 8 ? 0x014C : 0x8664;
    std::memcpy(&bytes[header + 4], &machine, 2);
    std::ofstream(other, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  const std::string kinds = sizeof(void*) == 8
                                ? "it is a 32-bit (x86) library and orkv-render.exe is a 64-bit "
                                  "(x64) program; a program loads only libraries of its own kind "
                                  "(use the programs of the x86 folder with this library)"
                                : "it is a 64-bit (x64) library and orkv-render.exe is a 32-bit "
                                  "(x86) program; a program loads only libraries of its own kind "
                                  "(use the programs of the x64 folder with this library)";
  r = RunRender("--plugin " + Quote(other) + " --list");
  EXPECT_EQ(r.exitCode, 1u);
  EXPECT_NE(r.output.find("cannot load '" + other + "': " + kinds), std::string::npos) << r.output;
  DeleteFileA(other.c_str());

  // System libraries: one without a class object, one COM server of other classes.
  r = RunRender("--plugin C:\\windows\\system32\\version.dll --list");
  EXPECT_EQ(r.exitCode, 1u);
  EXPECT_NE(r.output.find("is not a plug-in library: it has no DllGetClassObject export"),
            std::string::npos)
      << r.output;
  r = RunRender("--plugin C:\\windows\\system32\\quartz.dll --list");
  EXPECT_EQ(r.exitCode, 1u);
  EXPECT_NE(r.output.find("is not an Orvelt KV plug-in: it makes none of the six filters"),
            std::string::npos)
      << r.output;

  r = RunTool("orkv-editor.exe", "Z:\\no\\such\\ORKVFilter.dll " + Quote(TempPath("x.bin")));
  EXPECT_EQ(r.exitCode, 1u);
  EXPECT_NE(r.output.find("orkv-editor: cannot load 'Z:\\no\\such\\ORKVFilter.dll': there is "
                          "no such file"),
            std::string::npos)
      << r.output;
}

// A settings file of another plug-in, or no settings file: both programs say
// which.
TEST(RenderTool, NamesWhoseSettingsAFileHolds) {
  const std::string chorus = TempPath("chorus_settings.bin");
  ASSERT_EQ(RunRender("--plugin Chorus --save-settings " + Quote(chorus)).exitCode, 0u);
  ToolResult r = RunRender("--plugin Flanger --list --load-settings " + Quote(chorus));
  EXPECT_EQ(r.exitCode, 1u);
  EXPECT_NE(r.output.find("orkv-render: '" + chorus +
                          "' holds no Flanger settings: it is a settings file of the Chorus "
                          "(ORKVChorus)"),
            std::string::npos)
      << r.output;
  r = RunTool("orkv-editor.exe", "Phaser " + Quote(chorus));
  EXPECT_EQ(r.exitCode, 1u);
  EXPECT_NE(r.output.find("orkv-editor: '" + chorus +
                          "' holds no Phaser settings: it is a settings file of the Chorus"),
            std::string::npos)
      << r.output;

  const std::string junk = TempPath("junk_settings.bin");
  std::ofstream(junk, std::ios::binary | std::ios::trunc) << "junk!";
  r = RunRender("--plugin Tremolo --list --load-settings " + Quote(junk));
  EXPECT_EQ(r.exitCode, 1u);
  EXPECT_NE(r.output.find("holds no Tremolo settings: it is no Orvelt KV settings file, or a "
                          "damaged one (it has 5 bytes; a Tremolo settings file has 52"),
            std::string::npos)
      << r.output;
  DeleteFileA(chorus.c_str());
  DeleteFileA(junk.c_str());
}

TEST(RenderTool, LoadsPluginsByPathEvenUnderAnotherName) {
  const std::string library = ProgramDirectory() + "ORKVPhaser.dll";
  const std::string renamed = TempPath("renamed_effect.dll");
  ASSERT_TRUE(CopyFileA(library.c_str(), renamed.c_str(), FALSE));
  for (const std::string& path : {library, renamed}) {
    const ToolResult r = RunRender("--plugin " + Quote(path) + " --list");
    EXPECT_EQ(r.exitCode, 0u) << r.output;
    EXPECT_NE(r.output.find("Phaser settings"), std::string::npos) << r.output;
  }
  DeleteFileA(renamed.c_str());
}

// A file that is not a library: the system's message names it, with no "%1"
// left open in the text.
TEST(RenderTool, NamesAFileThatIsNoLibrary) {
  const std::string notLibrary = TempPath("not_a_library.dll");
  std::ofstream(notLibrary, std::ios::binary | std::ios::trunc) << "plain text, no code";
  const ToolResult r = RunRender("--plugin " + Quote(notLibrary) + " --list");
  EXPECT_EQ(r.exitCode, 1u);
  EXPECT_NE(r.output.find("cannot load"), std::string::npos) << r.output;
  EXPECT_EQ(r.output.find("%1"), std::string::npos) << r.output;
  DeleteFileA(notLibrary.c_str());
}

// Float output beyond the float range comes out infinite; the tool keeps the
// file but says so and fails.
TEST(RenderTool, ReportsOutputThatIsNotFinite) {
  const std::string in = TempPath("huge_in.wav");
  const std::string out = TempPath("huge_out.wav");
  {
    const std::vector<float> huge(2 * 4410, 3e38f);
    std::ofstream file(in, std::ios::binary | std::ios::trunc);
    wav::WavWriter writer(file);
    std::string error;
    ASSERT_TRUE(writer.Start({SampleType::kFloat32, 2, 44100}, error));
    ASSERT_TRUE(writer.Append(huge.data(), huge.size() * 4, error));
    ASSERT_TRUE(writer.Finish(error));
  }
  const ToolResult r = RunRender("--plugin Phaser --set Mix=0 --set Volume=3 --in " + Quote(in) +
                                 " --out " + Quote(out));
  EXPECT_EQ(r.exitCode, 1u);
  EXPECT_NE(r.output.find("8820 samples that are not finite"), std::string::npos) << r.output;
  EXPECT_TRUE(FileExists(out));
}

// The Chorus and Flanger centre delay goes by the name their display gives it.
TEST(RenderTool, SettingsGoByTheNamesUsersSee) {
  for (const auto& [plugin, delay] : {std::pair{"Chorus", "12.5"}, {"Flanger", "7.5"}}) {
    const ToolResult r =
        RunRender(std::string("--plugin ") + plugin + " --set delay=" + delay + " --list");
    ASSERT_EQ(r.exitCode, 0u) << r.output;
    EXPECT_NE(LineWith(r.output, " Delay ").find(std::string(" ") + delay + " "), std::string::npos)
        << r.output;
    EXPECT_EQ(RunRender(std::string("--plugin ") + plugin + " --set Freq=5 --list").exitCode, 1u);
  }
}

TEST(RenderTool, RefusesUnknownPluginsSettingsAndOptions) {
  const std::string out = TempPath("bad_out.wav");
  const struct {
    const char* arguments;
    DWORD exitCode;
    const char* message;
  } cases[] = {
      {"--plugin Wah --list", 1, "unknown plug-in 'Wah'"},
      {"--plugin Z:\\no\\such\\plugin.dll --list", 1, "cannot load"},
      {"--plugin Phaser --set Speed=1 --list", 1, "unknown setting 'Speed'"},
      {"--plugin Phaser --preset Disco --list", 1, "unknown preset 'Disco'"},
      {"--plugin Phaser --preset 7 --list", 1, "unknown preset '7'"},
      {"--plugin Phaser --load-settings Z:\\no\\such.bin --list", 1, "cannot open settings"},
      {"--plugin Phaser --set Rate=fast --list", 2, "not a number"},
      {"--plugin Phaser --frobnicate", 2, "unknown option"},
  };
  for (const auto& c : cases) {
    const ToolResult r = RunRender(c.arguments);
    EXPECT_EQ(r.exitCode, c.exitCode) << c.arguments;
    EXPECT_NE(r.output.find(c.message), std::string::npos) << c.arguments << ": " << r.output;
  }
}

TEST(RenderTool, SettingsPresetsAndSettingsFilesReachTheFilter) {
  const std::string in = TempPath("settings_in.wav");
  WriteSignal(in, {SampleType::kInt16, 2, 44100});
  const WavContents plain = ReadWav(RenderPhaser(in, "settings_default.wav"));

  // Labels are matched in any case; the listing shows the clamped values.
  const ToolResult listed = RunRender("--plugin Phaser --set rate=1.25 --set Feed=9 --list");
  ASSERT_EQ(listed.exitCode, 0u) << listed.output;
  EXPECT_NE(LineWith(listed.output, " Rate ").find(" 1.25 "), std::string::npos) << listed.output;
  EXPECT_NE(LineWith(listed.output, " Feed ").find(" 0.75 "), std::string::npos) << listed.output;

  const WavContents changed =
      ReadWav(RenderPhaser(in, "settings_set.wav", "--set Rate=1.25 --set Depth=100"));
  EXPECT_NE(changed.bytes, plain.bytes);

  const ToolResult presets = RunRender("--plugin Phaser --list-presets");
  EXPECT_NE(presets.output.find("0  (Default)"), std::string::npos) << presets.output;
  const WavContents byIndex = ReadWav(RenderPhaser(in, "preset_index.wav", "--preset 2"));
  const WavContents byName =
      ReadWav(RenderPhaser(in, "preset_name.wav", "--preset \"wide phaser\""));
  EXPECT_NE(byIndex.bytes, plain.bytes);
  EXPECT_TRUE(byIndex.bytes == byName.bytes);

  const std::string settings = TempPath("settings.bin");
  const ToolResult saved = RunRender(
      "--plugin Phaser --set Rate=1.25 --set Depth=100 "
      "--save-settings " +
      Quote(settings));
  ASSERT_EQ(saved.exitCode, 0u) << saved.output;
  const WavContents loaded =
      ReadWav(RenderPhaser(in, "settings_loaded.wav", "--load-settings " + Quote(settings)));
  EXPECT_TRUE(loaded.bytes == changed.bytes);

  // Another plug-in's settings are refused.
  const ToolResult foreign = RunRender("--plugin Phaser --list --load-settings " + Quote(in));
  EXPECT_EQ(foreign.exitCode, 1u);
  EXPECT_NE(foreign.output.find("holds no Phaser settings"), std::string::npos) << foreign.output;
}

// The editor opens the page over a new settings file; OK (pressed after the
// screenshot) writes the settings, which the render host then loads.
TEST(EditorTool, OkWritesTheSettingsTheRenderHostLoads) {
  const std::string settings = TempPath("editor_settings.bin");
  const std::string picture = TempPath("editor_page.bmp");
  DeleteFileA(settings.c_str());
  DeleteFileA(picture.c_str());
  const ToolResult edited =
      RunTool("orkv-editor.exe", "Phaser " + Quote(settings) + " --screenshot " + Quote(picture));
  EXPECT_EQ(edited.exitCode, 0u) << edited.output;
  EXPECT_TRUE(FileExists(picture));
  {
    std::ifstream saved(settings, std::ios::binary | std::ios::ate);
    EXPECT_EQ(static_cast<long long>(saved.tellg()), 84);  // the Phaser's record
  }
  const ToolResult listed = RunRender("--plugin Phaser --list --load-settings " + Quote(settings));
  EXPECT_EQ(listed.exitCode, 0u) << listed.output;
  EXPECT_EQ(RunTool("orkv-editor.exe", "").exitCode, 2u);
  DeleteFileA(settings.c_str());
  DeleteFileA(picture.c_str());
}

}  // namespace
}  // namespace orkv::render
