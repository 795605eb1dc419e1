// The artwork as every library carries it: sizes, storage and colour tables
// of the four bitmaps, the key colour only where it is meant, and the about
// image under its published id.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "core/orkv_effects.h"
#include "editor/bitmap_toolkit.h"
#include "editor/gdi_handles.h"
#include "tests/editor/editor_fixture.h"

namespace orkv::test {
namespace {

struct ExpectedBitmap {
  const char* name;
  int id;
  int width, height;
  DWORD compression;  // BI_RGB or BI_RLE8
  DWORD coloursUsed;  // the header's colour-used field
};

// Ids 106 to 108 in every library; the about image by plug-in.
constexpr ExpectedBitmap kShared[] = {
    {"page", 106, 430, 110, BI_RGB, 256},
    {"knob face", 107, 50, 50, BI_RLE8, 256},
    {"slider thumb", 108, 50, 50, BI_RGB, 0},
};
constexpr int kAboutIds[] = {112, 115, 112, 115, 115, 112};  // rows of kOrkvPlugins

class LibraryResources : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    module_ = LoadLibraryExA((std::string(Info().library) + ".dll").c_str(), nullptr,
                             LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module_, nullptr);
  }
  void TearDown() override { FreeLibrary(module_); }
  const OrkvPluginInfo& Info() const { return kOrkvPlugins[GetParam()]; }

  const BITMAPINFOHEADER* Header(int id, DWORD* size) const {
    HRSRC found = FindResourceA(module_, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2));
    if (found == nullptr) return nullptr;
    *size = SizeofResource(module_, found);
    return static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(module_, found)));
  }

  void ExpectContainer(const ExpectedBitmap& expected) const {
    SCOPED_TRACE(expected.name);
    DWORD size = 0;
    const BITMAPINFOHEADER* header = Header(expected.id, &size);
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->biSize, 40u);
    EXPECT_EQ(header->biWidth, expected.width);
    EXPECT_EQ(header->biHeight, expected.height);
    EXPECT_EQ(header->biBitCount, 8);
    EXPECT_EQ(header->biCompression, expected.compression);
    EXPECT_EQ(header->biClrUsed, expected.coloursUsed);
    const DWORD table = 40 + 256 * 4;
    const DWORD stride = (static_cast<DWORD>(expected.width) + 3) & ~3u;
    const DWORD bits =
        expected.compression == BI_RGB ? stride * expected.height : header->biSizeImage;
    EXPECT_EQ(size, table + bits);
  }

  HMODULE module_ = nullptr;
};

TEST_P(LibraryResources, BitmapsAreEightBitWithFullColourTables) {
  for (const ExpectedBitmap& expected : kShared) ExpectContainer(expected);
  ExpectContainer({"about image", kAboutIds[GetParam()], 220, 220, BI_RGB, 256});
}

// The library's pixels as the screen gets them.
Pixels Decoded(HMODULE module, int id) {
  HPALETTE palette = nullptr;
  editor::Bitmap bitmap(editor::LoadResourceDib(module, id, &palette));
  editor::Palette owned(palette);
  return Pixels::OfBitmap(bitmap.Get());
}

// No edge blended towards the key: blue never far above red and green.
bool LooksBlue(COLORREF c) {
  return GetBValue(c) > 96 && GetBValue(c) > GetRValue(c) + 48 && GetBValue(c) > GetGValue(c) + 48;
}

TEST_P(LibraryResources, KnobFaceIsARoundKnobOnKeyColourGround) {
  const Pixels face = Decoded(module_, 107);
  ASSERT_EQ(face.Width(), 50);
  for (POINT corner : {POINT{0, 0}, POINT{49, 0}, POINT{0, 49}, POINT{49, 49}, POINT{7, 7}}) {
    EXPECT_EQ(face.At(corner.x, corner.y), editor::kKeyColour) << corner.x << "," << corner.y;
  }
  int visible = 0;
  for (int y = 0; y < 50; ++y) {
    for (int x = 0; x < 50; ++x) {
      const COLORREF c = face.At(x, y);
      if (c == editor::kKeyColour) continue;
      ++visible;
      EXPECT_FALSE(LooksBlue(c)) << x << "," << y;
      // Inside a circle of radius 20 around the middle.
      EXPECT_LE((x - 24.5) * (x - 24.5) + (y - 24.5) * (y - 24.5), 20.5 * 20.5) << x << "," << y;
    }
  }
  EXPECT_GT(visible, 1000);  // a knob, not a speck
  EXPECT_NE(face.At(25, 25), editor::kKeyColour);
}

TEST_P(LibraryResources, SliderThumbIsVisibleOnlyInsideItsBox) {
  const Pixels thumb = Decoded(module_, 108);
  ASSERT_EQ(thumb.Width(), 50);
  for (int y = 0; y < 50; ++y) {
    for (int x = 0; x < 50; ++x) {
      const bool inside = x >= 14 && x <= 34 && y >= 14 && y <= 35;
      const COLORREF c = thumb.At(x, y);
      if (inside) {
        EXPECT_NE(c, editor::kKeyColour) << x << "," << y;
        EXPECT_FALSE(LooksBlue(c)) << x << "," << y;
      } else {
        EXPECT_EQ(c, editor::kKeyColour) << x << "," << y;
      }
    }
  }
}

TEST_P(LibraryResources, PageHasNoKeyColour) {
  const Pixels page = Decoded(module_, 106);
  ASSERT_EQ(page.Width(), 430);
  ASSERT_EQ(page.Height(), 110);
  int blue = 0;
  for (int y = 0; y < 110; ++y) {
    for (int x = 0; x < 430; ++x) blue += page.At(x, y) == editor::kKeyColour;
  }
  EXPECT_EQ(blue, 0);
}

INSTANTIATE_TEST_SUITE_P(AllPlugins, LibraryResources, ::testing::Range(0, 6),
                         [](const auto& info) {
                           return std::string(kOrkvPlugins[info.param].library);
                         });

}  // namespace
}  // namespace orkv::test
