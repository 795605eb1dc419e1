#include "tests/editor/editor_fixture.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "core/slot_access.h"

namespace orkv::test {
namespace {

constexpr const char* kParentClass = "OrkvTestPage";
std::vector<Sent> g_sent;

bool IsFromChild(UINT message) {
  return message == editor::CTL_VALUE_CHANGED || message == editor::CTL_DRAG_ENDED ||
         message == editor::PAGE_INTRO_DONE;
}

// Paints the page image like the property page does, and records what the
// controls send.
LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (IsFromChild(message)) {
    g_sent.push_back({message, wParam, lParam});
    return 0;
  }
  if (message == WM_PAINT) {
    editor::PaintScope paint(window);
    editor::PaintResourceBitmap(window, 106);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void RegisterParentClass() {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = ParentProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = kParentClass;
  RegisterClassA(&windowClass);  // fails harmlessly when registered already
}

// One page window for the whole run: Wine takes seconds to destroy a shown
// top-level window, so tests destroy only the controls they made on it. A
// borderless popup at the screen's origin: client and window coincide.
HWND SharedParent() {
  static HWND parent = [] {
    RegisterParentClass();
    return CreateWindowExA(0, kParentClass, "page", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                           430, 110, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  }();
  return parent;
}

// A window-enumeration callback: the platform calls it by its own convention
// (stdcall on x86), which a lambda cannot be given.
BOOL CALLBACK CollectChild(HWND child, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
  return TRUE;
}

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> children;
  EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&children));
  return children;
}

DWORD AsColorref(DWORD bgrx) { return RGB((bgrx >> 16) & 0xFF, (bgrx >> 8) & 0xFF, bgrx & 0xFF); }

BITMAPINFO TopDown32(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

}  // namespace

Pixels Pixels::OfWindow(HWND window) {
  Pixels p;
  RECT client{};
  GetClientRect(window, &client);
  p.width_ = client.right;
  p.height_ = client.bottom;
  p.bgrx_.assign(static_cast<std::size_t>(p.width_ * p.height_), 0);
  editor::WindowDc dc(window);
  BITMAPINFO info = TopDown32(p.width_, p.height_);
  void* bits = nullptr;
  editor::Bitmap section(CreateDIBSection(dc.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  editor::MemoryDc memory(dc.Get());
  if (!section || !memory) return p;
  {
    editor::Selection selected(memory.Get(), section.Get());
    BitBlt(memory.Get(), 0, 0, p.width_, p.height_, dc.Get(), 0, 0, SRCCOPY);
    GdiFlush();
    std::memcpy(p.bgrx_.data(), bits, p.bgrx_.size() * sizeof(DWORD));
  }
  return p;
}

Pixels Pixels::OfBitmap(HBITMAP bitmap) {
  Pixels p;
  BITMAP description{};
  GetObjectA(bitmap, sizeof description, &description);
  p.width_ = description.bmWidth;
  p.height_ = description.bmHeight;
  p.bgrx_.assign(static_cast<std::size_t>(p.width_ * p.height_), 0);
  BITMAPINFO info = TopDown32(p.width_, p.height_);
  editor::WindowDc screen(nullptr);
  GetDIBits(screen.Get(), bitmap, 0, static_cast<UINT>(p.height_), p.bgrx_.data(), &info,
            DIB_RGB_COLORS);
  return p;
}

Pixels Pixels::Crop(int x, int y, int width, int height) const {
  Pixels p;
  p.width_ = width;
  p.height_ = height;
  for (int row = 0; row < height; ++row) {
    for (int column = 0; column < width; ++column) {
      p.bgrx_.push_back(bgrx_[static_cast<std::size_t>((y + row) * width_ + x + column)]);
    }
  }
  return p;
}

COLORREF Pixels::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return CLR_INVALID;
  return AsColorref(bgrx_[static_cast<std::size_t>(y * width_ + x)]);
}

int Pixels::Differences(const Pixels& other, const RECT& area) const {
  int count = 0;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) count += At(x, y) != other.At(x, y);
  }
  return count;
}

void EditorTest::SetUp() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  module_ = LoadLibraryA((std::string(Plugin().library) + ".dll").c_str());
  ASSERT_NE(module_, nullptr);
  ASSERT_NE(editor::RegisterKnobClass(module_), 0);
  ASSERT_NE(editor::RegisterSliderClass(module_), 0);
  ASSERT_NE(editor::RegisterDisplayClass(module_), 0);
  facts_ = Case().facts;
  editor::ResetDisplayProcessState();
  parent_ = SharedParent();
  ASSERT_NE(parent_, nullptr);
  // The page paints resource 106 of the plug-in module it was made with.
  SetWindowLongPtrA(parent_, GWLP_HINSTANCE, reinterpret_cast<LONG_PTR>(module_));
  InvalidateRect(parent_, nullptr, FALSE);
  UpdateWindow(parent_);
  g_sent.clear();
}

void EditorTest::TearDown() {
  for (HWND child : Children(parent_)) DestroyWindow(child);
  target_ = nullptr;
  for (const char* name : {editor::kKnobClass, editor::kSliderClass, editor::kDisplayClass}) {
    UnregisterClassA(name, module_);
  }
  if (module_ != nullptr) FreeLibrary(module_);
  CoUninitialize();
}

HWND EditorTest::CreateChild(const char* className, const char* text, int id, int x, int y,
                             int width, int height, const void* creation) {
  return CreateWindowExA(0, className, text, WS_CHILD | WS_DISABLED, x, y, width, height, parent_,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), module_,
                         const_cast<void*>(creation));
}

editor::ControlAttachment EditorTest::AttachmentOf(int id) const {
  return {page_model::FindBinding(*Case().page, id), facts_.slotCount, facts_.effectName};
}

HWND EditorTest::ShowControl(const char* className, const char* text, int id, int x, int y,
                             int width, int height) {
  const editor::ControlAttachment attachment = AttachmentOf(id);
  HWND control = CreateChild(className, text, id, x, y, width, height, &attachment);
  SendMessageA(control, editor::CTL_SET_TARGET, reinterpret_cast<WPARAM>(Target()), 0);
  ShowWindow(control, SW_SHOWNORMAL);
  UpdateWindow(control);
  return control;
}

HWND EditorTest::ShowDisplay() {
  const editor::DisplayIdentity identity{facts_.effectName, facts_.productLine};
  HWND display =
      CreateChild(editor::kDisplayClass, "Display", editor::kDisplay, 185, 32, 150, 50, &identity);
  ShowWindow(display, SW_SHOWNORMAL);
  UpdateWindow(display);  // the show draws while still hidden; its paint shows
  return display;
}

std::vector<Sent> EditorTest::TakeSent() { return std::exchange(g_sent, {}); }

void EditorTest::Pump(DWORD ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= ms) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - elapsed, QS_ALLINPUT);
  }
}

bool EditorTest::PumpUntil(UINT message, DWORD ms) {
  auto arrived = [message] {
    return std::any_of(g_sent.begin(), g_sent.end(),
                       [message](const Sent& s) { return s.message == message; });
  };
  const DWORD start = GetTickCount();
  while (!arrived()) {
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= ms) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - elapsed, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  return true;
}

IEffectParameters* EditorTest::Target() {
  if (target_) return target_.Get();
  using GetClassObjectFn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
  auto getClassObject = reinterpret_cast<GetClassObjectFn>(
      reinterpret_cast<void*>(GetProcAddress(module_, "DllGetClassObject")));
  host::ComPtr<IClassFactory> factory;
  if (getClassObject == nullptr || FAILED(getClassObject(*Plugin().filterClsid, IID_IClassFactory,
                                                         factory.GetVoidAddressOf()))) {
    return nullptr;
  }
  factory->CreateInstance(nullptr, *Plugin().parametersIid, target_.GetVoidAddressOf());
  return target_.Get();
}

double EditorTest::Slot(std::size_t slot) {
  double value = -999;
  GetSlot(Target(), facts_.slotCount, slot, value);
  return value;
}

Pixels EditorTest::Page() const {
  HPALETTE palette = nullptr;
  editor::Bitmap page(editor::LoadResourceDib(module_, 106, &palette));
  editor::Palette owned(palette);
  return Pixels::OfBitmap(page.Get());
}

}  // namespace orkv::test
