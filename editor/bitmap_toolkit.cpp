#include "editor/bitmap_toolkit.h"

#include <cstddef>

#include "editor/gdi_handles.h"
#include "editor/resource_ids.h"

namespace orkv::editor {
namespace {

// Movable, zero-filled global memory, freed at the end.
class GlobalBlock {
 public:
  explicit GlobalBlock(SIZE_T bytes) : memory_(GlobalAlloc(GHND, bytes)) {}
  GlobalBlock(const GlobalBlock&) = delete;
  GlobalBlock& operator=(const GlobalBlock&) = delete;
  ~GlobalBlock() {
    if (memory_ != nullptr) GlobalFree(memory_);
  }
  HGLOBAL Get() const { return memory_; }

 private:
  HGLOBAL memory_;
};

int ColourCount(const BITMAPINFOHEADER& header) {
  return header.biBitCount <= 8 ? 1 << header.biBitCount : 0;
}

// The locked bytes of a bitmap resource, when they hold at least its header
// and whole colour table.
const BITMAPINFOHEADER* FindBitmapResource(HINSTANCE module, int id) {
  HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2));
  if (resource == nullptr) return nullptr;
  HGLOBAL loaded = LoadResource(module, resource);
  const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
  const DWORD size = SizeofResource(module, resource);
  if (bytes == nullptr || size < sizeof(BITMAPINFOHEADER)) return nullptr;
  const auto* header = static_cast<const BITMAPINFOHEADER*>(bytes);
  const std::size_t tableEnd = std::size_t{header->biSize} + sizeof(RGBQUAD) * ColourCount(*header);
  if (header->biSize < sizeof(BITMAPINFOHEADER) || tableEnd > size) return nullptr;
  return header;
}

}  // namespace

SIZE BitmapSize(HBITMAP bitmap) {
  BITMAP description{};
  if (bitmap == nullptr || GetObjectA(bitmap, sizeof description, &description) == 0) {
    return {0, 0};
  }
  return {description.bmWidth, description.bmHeight};
}

void DrawKeyed(HDC dc, HBITMAP bitmap, int x, int y) {
  const SIZE size = BitmapSize(bitmap);
  MemoryDc source(dc);
  Selection selected(source.Get(), bitmap);
  SetBkColor(dc, kKeyColour);
  BlitTransparent(dc, x, y, size.cx, size.cy, source.Get(), 0, 0);
}

Offscreen::Offscreen(HDC window, int width, int height, HBITMAP background)
    : width_(width),
      height_(height),
      bitmap_(CreateCompatibleBitmap(window, width, height)),
      memory_(window),
      selected_(memory_.Get(), bitmap_.Get()) {
  if (*this) CopyBitmap(memory_.Get(), background, width, height);
}

void Offscreen::Show(HDC window) const {
  BitBlt(window, 0, 0, width_, height_, memory_.Get(), 0, 0, SRCCOPY);
}

HINSTANCE ResourceModule(HWND window) {
  return reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
}

HPALETTE CreateDibPalette(const BITMAPINFOHEADER* header, int* colourCount) {
  const int count = ColourCount(*header);
  if (colourCount != nullptr) *colourCount = count;
  if (count == 0) return nullptr;
  GlobalBlock block(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * count);
  auto* palette = static_cast<LOGPALETTE*>(GlobalLock(block.Get()));
  if (palette == nullptr) return nullptr;
  const auto* table =
      reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const BYTE*>(header) + header->biSize);
  palette->palVersion = 0x300;
  palette->palNumEntries = static_cast<WORD>(count);
  for (int i = 0; i < count; ++i) {
    palette->palPalEntry[i] = {table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, 0};
  }
  HPALETTE made = CreatePalette(palette);
  GlobalUnlock(block.Get());
  return made;
}

HBITMAP LoadResourceDib(HINSTANCE module, int id, HPALETTE* palette) {
  const BITMAPINFOHEADER* header = FindBitmapResource(module, id);
  if (header == nullptr) return nullptr;
  WindowDc screen(nullptr);
  int colours = 0;
  HPALETTE made = CreateDibPalette(header, &colours);
  if (palette != nullptr) {
    *palette = made;
  } else if (made != nullptr) {
    DeleteObject(made);
    made = nullptr;
  }
  PaletteSelection realised(screen.Get(), made);
  const BYTE* bits =
      reinterpret_cast<const BYTE*>(header) + header->biSize + sizeof(RGBQUAD) * colours;
  return CreateDIBitmap(screen.Get(), header, CBM_INIT, bits,
                        reinterpret_cast<const BITMAPINFO*>(header), DIB_RGB_COLORS);
}

void PaintResourceBitmap(HWND window, int id) {
  WindowDc dc(window);
  Palette palette;
  HPALETTE loadedPalette = nullptr;
  Bitmap bitmap(LoadResourceDib(ResourceModule(window), id, &loadedPalette));
  palette.Reset(loadedPalette);
  if (!bitmap || !dc) return;
  MemoryDc memory(dc.Get());
  PaletteSelection windowPalette(dc.Get(), palette.Get());
  PaletteSelection memoryPalette(memory.Get(), palette.Get());
  Selection selected(memory.Get(), bitmap.Get());
  const SIZE size = BitmapSize(bitmap.Get());
  BitBlt(dc.Get(), 0, 0, size.cx, size.cy, memory.Get(), 0, 0, SRCCOPY);
}

HBITMAP CaptureParentBackground(HWND control) {
  RECT client{};
  GetClientRect(control, &client);
  Bitmap page(LoadBitmapA(ResourceModule(control), MAKEINTRESOURCEA(IDB_PAGE)));
  if (!page || client.right <= 0 || client.bottom <= 0) return nullptr;
  BITMAP description{};
  GetObjectA(page.Get(), sizeof description, &description);
  description.bmWidth = client.right;
  description.bmHeight = client.bottom;
  description.bmWidthBytes = (client.right * description.bmBitsPixel + 15) / 16 * 2;
  description.bmBits = nullptr;
  Bitmap piece(CreateBitmapIndirect(&description));
  if (!piece) return nullptr;

  POINT origin{0, 0};
  ClientToScreen(control, &origin);
  ScreenToClient(GetParent(control), &origin);
  MemoryDc from(nullptr);
  MemoryDc to(nullptr);
  {
    Selection source(from.Get(), page.Get());
    Selection target(to.Get(), piece.Get());
    BitBlt(to.Get(), 0, 0, client.right, client.bottom, from.Get(), origin.x, origin.y, SRCCOPY);
  }
  return piece.Release();
}

void CopyBitmap(HDC dc, HBITMAP bitmap, int width, int height) {
  MemoryDc source(dc);
  Selection selected(source.Get(), bitmap);
  BitBlt(dc, 0, 0, width, height, source.Get(), 0, 0, SRCCOPY);
}

bool BlitTransparent(HDC destination, int x, int y, int width, int height, HDC source, int sourceX,
                     int sourceY) {
  const COLORREF key = GetBkColor(destination);
  const COLORREF destinationText = GetTextColor(destination);
  const COLORREF sourceBackground = GetBkColor(source);
  SetTextColor(destination, RGB(0, 0, 0));

  MemoryDc maskDc(source);
  Bitmap mask(CreateBitmap(width, height, 1, 1, nullptr));
  if (!maskDc || !mask) {
    SetTextColor(destination, destinationText);
    return false;
  }
  {
    // Key pixels become 1 in the mask, all others 0.
    Selection selected(maskDc.Get(), mask.Get());
    SetBkColor(source, key);
    BitBlt(maskDc.Get(), 0, 0, width, height, source, sourceX, sourceY, SRCCOPY);
    // d ^ s, then & mask (1 white, 0 black), then ^ s: key pixels keep the
    // destination, all others take the source.
    SetBkColor(destination, RGB(255, 255, 255));
    BitBlt(destination, x, y, width, height, source, sourceX, sourceY, SRCINVERT);
    BitBlt(destination, x, y, width, height, maskDc.Get(), 0, 0, SRCAND);
    BitBlt(destination, x, y, width, height, source, sourceX, sourceY, SRCINVERT);
  }
  SetBkColor(destination, key);
  SetTextColor(destination, destinationText);
  SetBkColor(source, sourceBackground);
  return true;
}

}  // namespace orkv::editor
