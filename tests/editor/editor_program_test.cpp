// The editor program never loses the user's file or the user's work: an
// unwritable settings file is refused before the frame opens, and a save
// writes a new file that replaces the old one only when the writing worked.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "tools/common/settings_file.h"

namespace orkv::test {
namespace {

using render::CheckSettingsTarget;
using render::SaveReplacing;

// A folder of the test's own, empty at the start of each test.
class SettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = testing::TempDir() + "orkv_settings_file";
    CreateDirectoryA(folder_.c_str(), nullptr);
    Clear();
  }
  void TearDown() override {
    Clear();
    RemoveDirectoryA(folder_.c_str());
  }

  std::string In(const std::string& name) const { return folder_ + "\\" + name; }

  std::size_t FileCount() const {
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA(In("*").c_str(), &found);
    std::size_t count = 0;
    if (search == INVALID_HANDLE_VALUE) return 0;
    do {
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) ++count;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return count;
  }

  void Clear() const {
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA(In("*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
      const std::string path = In(found.cFileName);
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        if (found.cFileName[0] != '.') RemoveDirectoryA(path.c_str());
        continue;
      }
      SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileA(path.c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }

  std::string folder_;
};

void Write(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

bool WriteNew(const std::string& path, std::string&) {
  Write(path, "new settings");
  return true;
}

// Writes part of the file, then fails, as a full disk or a broken stream would.
bool FailHalfway(const std::string& path, std::string& error) {
  Write(path, "new se");
  error = "the stream failed";
  return false;
}

TEST_F(SettingsFileTest, AFailedWriteKeepsTheOldFileAndLeavesNothingBeside) {
  const std::string target = In("phaser.bin");
  Write(target, "old settings");
  std::string error;
  EXPECT_FALSE(SaveReplacing(target, &FailHalfway, error));
  EXPECT_EQ(error, "the stream failed");
  EXPECT_EQ(Read(target), "old settings");
  EXPECT_EQ(FileCount(), 1u);
}

TEST_F(SettingsFileTest, ASuccessfulWriteReplacesTheOldFileOrMakesANewOne) {
  const std::string existing = In("phaser.bin");
  Write(existing, "old settings, longer than the new ones");
  std::string error;
  EXPECT_TRUE(SaveReplacing(existing, &WriteNew, error)) << error;
  EXPECT_EQ(Read(existing), "new settings");
  const std::string fresh = In("chorus.bin");
  EXPECT_TRUE(SaveReplacing(fresh, &WriteNew, error)) << error;
  EXPECT_EQ(Read(fresh), "new settings");
  EXPECT_EQ(FileCount(), 2u);
}

TEST_F(SettingsFileTest, AReadOnlyTargetIsRefusedBeforeAndKeptAfter) {
  const std::string target = In("locked.bin");
  Write(target, "old settings");
  SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY);
  std::string error;
  EXPECT_FALSE(CheckSettingsTarget(target, error));
  EXPECT_NE(error.find("locked.bin"), std::string::npos) << error;
  error.clear();
  EXPECT_FALSE(SaveReplacing(target, &WriteNew, error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(Read(target), "old settings");
  EXPECT_EQ(FileCount(), 1u);
}

TEST_F(SettingsFileTest, TargetsThatCannotBeWrittenAreRefused) {
  std::string error;
  EXPECT_FALSE(CheckSettingsTarget(In("no such folder\\x.bin"), error));
  EXPECT_NE(error.find("no such folder"), std::string::npos) << error;
  CreateDirectoryA(In("a folder").c_str(), nullptr);
  EXPECT_FALSE(CheckSettingsTarget(In("a folder"), error));
  EXPECT_NE(error.find("folder"), std::string::npos) << error;
  // A writable new file passes and is not created by the check.
  EXPECT_TRUE(CheckSettingsTarget(In("new.bin"), error)) << error;
  EXPECT_EQ(FileCount(), 0u);
}

// --- The program itself -------------------------------------------------------

struct ProgramRun {
  DWORD exitCode = ~0u;
  bool finished = false;
  std::string output;
};

// Runs orkv-editor; a frame that opened would wait for a user, so a run that
// does not end within the bound is ended and reported.
ProgramRun RunEditor(const std::string& arguments) {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string folder = self;
  folder = folder.substr(0, folder.find_last_of("\\/") + 1);
  const std::string logPath = testing::TempDir() + "orkv_editor_program_log.txt";
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE log = CreateFileA(logPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = log;
  startup.hStdError = log;
  PROCESS_INFORMATION process{};
  std::string command = "\"" + folder + "orkv-editor.exe\" " + arguments;
  ProgramRun run;
  if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                     &process)) {
    run.finished = WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0;
    if (!run.finished) TerminateProcess(process.hProcess, 99);
    GetExitCodeProcess(process.hProcess, &run.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(log);
  run.output = Read(logPath);
  DeleteFileA(logPath.c_str());
  return run;
}

// A 24-bit bottom-up BMP as the editor writes its screenshots.
struct Picture {
  int width = 0;
  int height = 0;
  std::string bytes;
  std::size_t offset = 0;

  static Picture Load(const std::string& path) {
    Picture picture;
    picture.bytes = Read(path);
    if (picture.bytes.size() < 54) return picture;
    std::memcpy(&picture.offset, picture.bytes.data() + 10, 4);
    std::memcpy(&picture.width, picture.bytes.data() + 18, 4);
    std::memcpy(&picture.height, picture.bytes.data() + 22, 4);
    return picture;
  }
  // Red, green, blue of the pixel at (x, y) from the top left.
  std::array<int, 3> At(int x, int y) const {
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
    const std::size_t at = offset + static_cast<std::size_t>(height - 1 - y) * stride + x * 3;
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[at + i]); };
    return {byte(2), byte(1), byte(0)};
  }
};

// The display's green glass (the artwork's LCD colour, lit from behind) and,
// on it, the dark green of its text.
bool IsGlass(const std::array<int, 3>& c) {
  return c[1] >= 170 && c[0] >= 130 && c[0] <= 170 && c[2] >= 90 && c[2] <= 125;
}
bool IsText(const std::array<int, 3>& c) { return c[1] < 150 && c[1] > c[0] && c[1] > c[2]; }

// Text pixels in each quadrant of the glass: top left, top right, bottom
// left, bottom right.
std::array<int, 4> TextByQuadrant(const Picture& picture) {
  int left = picture.width, top = picture.height, right = 0, bottom = 0;
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      if (!IsGlass(picture.At(x, y))) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  std::array<int, 4> counts{};
  for (int y = top; y <= bottom; ++y) {
    for (int x = left; x <= right; ++x) {
      if (!IsText(picture.At(x, y))) continue;
      const bool lower = y > (top + bottom) / 2;
      const bool rightHalf = x > (left + right) / 2;
      ++counts[(lower ? 2 : 0) + (rightHalf ? 1 : 0)];
    }
  }
  return counts;
}

// The screenshot shows the page as a user meets it in use: the display with
// the effect name (top left), the first knob's label (bottom left) and its
// value (bottom right), not a bare glass or the intro's lines.
TEST_F(SettingsFileTest, TheScreenshotShowsTheFirstKnobInTheDisplay) {
  const ProgramRun run =
      RunEditor("Chorus \"" + In("chorus.bin") + "\" --screenshot \"" + In("page.bmp") + "\"");
  ASSERT_TRUE(run.finished);
  ASSERT_EQ(run.exitCode, 0u) << run.output;
  const Picture picture = Picture::Load(In("page.bmp"));
  ASSERT_GT(picture.width, 430);
  const std::array<int, 4> text = TextByQuadrant(picture);
  EXPECT_GT(text[0], 20) << "effect name";
  EXPECT_EQ(text[1], 0) << "top right: the intro's product line";
  EXPECT_GT(text[2], 20) << "label";
  EXPECT_GT(text[3], 20) << "value";
}

TEST_F(SettingsFileTest, TheEditorRefusesAnUnwritableFileBeforeOpeningTheFrame) {
  // A record of the Phaser made by the editor itself, then made read-only:
  // loaded, but refused for writing.
  const std::string locked = In("locked.bin");
  ProgramRun made =
      RunEditor("Phaser \"" + In("made.bin") + "\" --screenshot \"" + In("page.bmp") + "\"");
  ASSERT_TRUE(made.finished);
  ASSERT_EQ(made.exitCode, 0u) << made.output;
  const std::string record = Read(In("made.bin"));
  ASSERT_EQ(record.size(), 84u);
  Write(locked, record);
  SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_READONLY);
  for (const std::string& target : {locked, In("no such folder\\x.bin")}) {
    SCOPED_TRACE(target);
    const ProgramRun refused = RunEditor("Phaser \"" + target + "\"");
    ASSERT_TRUE(refused.finished) << "the frame opened";
    EXPECT_EQ(refused.exitCode, 1u);
    EXPECT_NE(refused.output.find("cannot write"), std::string::npos) << refused.output;
  }
  EXPECT_EQ(Read(locked), record);
}

}  // namespace
}  // namespace orkv::test
