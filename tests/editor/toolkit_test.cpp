// The drawing routines on the real GDI, checked on named pixels: the
// transparent copy keeps the destination under the key, a control gets the
// page pixels under it, a short colour-used field still reads 256 colours.
#include "tests/editor/editor_fixture.h"

namespace orkv::test {
namespace {

using editor::Bitmap;
using editor::MemoryDc;
using editor::Selection;

class ToolkitTest : public EditorTest {};

constexpr COLORREF kGround = RGB(10, 200, 30);

TEST_P(ToolkitTest, TransparentCopyKeepsTheDestinationUnderEveryKeyPixel) {
  Bitmap face(LoadBitmapA(Module(), MAKEINTRESOURCEA(107)));
  ASSERT_TRUE(face);
  const Pixels source = Pixels::OfBitmap(face.Get());

  editor::WindowDc screen(nullptr);
  Bitmap canvas(CreateCompatibleBitmap(screen.Get(), 60, 60));
  MemoryDc destination(screen.Get());
  MemoryDc faceDc(screen.Get());
  {
    Selection target(destination.Get(), canvas.Get());
    Selection selected(faceDc.Get(), face.Get());
    editor::Brush ground(CreateSolidBrush(kGround));
    const RECT all{0, 0, 60, 60};
    FillRect(destination.Get(), &all, ground.Get());
    SetBkColor(destination.Get(), editor::kKeyColour);
    SetTextColor(destination.Get(), RGB(1, 2, 3));
    SetBkColor(faceDc.Get(), RGB(4, 5, 6));
    ASSERT_TRUE(editor::BlitTransparent(destination.Get(), 5, 5, 50, 50, faceDc.Get(), 0, 0));
    // The callers' colours are back.
    EXPECT_EQ(GetBkColor(destination.Get()), editor::kKeyColour);
    EXPECT_EQ(GetTextColor(destination.Get()), RGB(1, 2, 3));
    EXPECT_EQ(GetBkColor(faceDc.Get()), RGB(4, 5, 6));
  }
  const Pixels drawn = Pixels::OfBitmap(canvas.Get());
  int kept = 0;
  for (int y = 0; y < 50; ++y) {
    for (int x = 0; x < 50; ++x) {
      const COLORREF face = source.At(x, y);
      const bool key = face == editor::kKeyColour;
      kept += key;
      ASSERT_EQ(drawn.At(x + 5, y + 5), key ? kGround : face) << x << "," << y;
    }
  }
  EXPECT_GT(kept, 0);
  EXPECT_EQ(drawn.At(0, 0), kGround);  // outside the copied rectangle
  EXPECT_EQ(drawn.At(59, 59), kGround);
}

TEST_P(ToolkitTest, ControlGetsExactlyThePagePixelsUnderIt) {
  const Pixels page = Page();
  const POINT places[] = {{9, 8}, {382, 14}, {185, 32}, {0, 0}, {420, 100}};
  for (const POINT at : places) {
    SCOPED_TRACE(std::to_string(at.x) + "," + std::to_string(at.y));
    HWND child = CreateChild("STATIC", "", 200, at.x, at.y, 40, 40);
    ASSERT_NE(child, nullptr);
    Bitmap piece(editor::CaptureParentBackground(child));
    ASSERT_TRUE(piece);
    const Pixels got = Pixels::OfBitmap(piece.Get());
    ASSERT_EQ(got.Width(), 40);
    ASSERT_EQ(got.Height(), 40);
    // Beyond the page's right or bottom edge there is no image to copy.
    const int width = std::min(40, 430 - static_cast<int>(at.x));
    const int height = std::min(40, 110 - static_cast<int>(at.y));
    EXPECT_EQ(got.Crop(0, 0, width, height), page.Crop(at.x, at.y, width, height));
    DestroyWindow(child);
  }
}

TEST_P(ToolkitTest, PaintingAResourceFillsOnlyWhatFitsFromTheOrigin) {
  HWND small = CreateChild("STATIC", "", 201, 100, 20, 60, 30);
  ShowWindow(small, SW_SHOWNORMAL);
  editor::PaintResourceBitmap(small, 106);
  EXPECT_EQ(Pixels::OfWindow(small), Page().Crop(0, 0, 60, 30));
  editor::PaintResourceBitmap(small, 999);  // missing: paints nothing, harms nothing
  EXPECT_EQ(Pixels::OfWindow(small), Page().Crop(0, 0, 60, 30));
}

TEST_P(ToolkitTest, MissingResourceLeavesThePaletteOutputAlone) {
  HPALETTE palette = reinterpret_cast<HPALETTE>(0x1234);
  EXPECT_EQ(editor::LoadResourceDib(Module(), 999, &palette), nullptr);
  EXPECT_EQ(palette, reinterpret_cast<HPALETTE>(0x1234));
  EXPECT_EQ(editor::CaptureParentBackground(nullptr), nullptr);
}

INSTANTIATE_TEST_SUITE_P(AllPlugins, ToolkitTest, ::testing::Range(0, 6), EditorCaseName);

// A header saying 16 colours used, followed by a whole table of 256.
TEST(DibPalette, ReadsAllEntriesOfAnEightBitTableWhateverTheColourUsedField) {
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD table[256];
  } dib{};
  dib.header.biSize = sizeof(BITMAPINFOHEADER);
  dib.header.biBitCount = 8;
  dib.header.biClrUsed = 16;
  for (int i = 0; i < 256; ++i) {
    dib.table[i] = {static_cast<BYTE>(i), static_cast<BYTE>(255 - i), static_cast<BYTE>(i / 2), 0};
  }
  int count = 0;
  editor::Palette palette(editor::CreateDibPalette(&dib.header, &count));
  ASSERT_TRUE(palette);
  EXPECT_EQ(count, 256);
  PALETTEENTRY entries[256] = {};
  ASSERT_EQ(GetPaletteEntries(palette.Get(), 0, 256, entries), 256u);
  EXPECT_EQ(entries[200].peRed, 100);  // red from the table's red byte
  EXPECT_EQ(entries[200].peGreen, 55);
  EXPECT_EQ(entries[200].peBlue, 200);
  EXPECT_EQ(entries[200].peFlags, 0);

  dib.header.biBitCount = 24;
  EXPECT_EQ(editor::CreateDibPalette(&dib.header, &count), nullptr);
  EXPECT_EQ(count, 0);
}

}  // namespace
}  // namespace orkv::test
