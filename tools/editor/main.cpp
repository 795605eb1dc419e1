// orkv-editor: opens a plug-in's page in the platform's property frame over a
// settings file, and writes the settings back when the frame closes with OK.
//
//   orkv-editor <plug-in name or DLL path> <settings file> [--screenshot <file.bmp>]
//
// The settings file is loaded when it exists, and must be writable before the
// frame opens; OK writes a new file beside it that then takes its place. With
// --screenshot the frame is photographed once the page's intro has played and
// the first knob shows its label and value in the display, and closed with OK.
#include <objbase.h>
#include <olectl.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "editor/gdi_handles.h"
#include "editor/model/messages.h"
#include "host/com_ptr.h"
#include "tools/common/com_apartment.h"
#include "tools/common/effect_controls.h"
#include "tools/common/plugin_module.h"
#include "tools/common/program_exit.h"
#include "tools/common/settings_file.h"

namespace orkv::editor_tool {
namespace {

using host::ComPtr;
using render::EffectControls;
using render::FailWith;
using render::kExitFailure;
using render::kExitOk;
using render::kExitUsage;
using render::PluginModule;

constexpr UINT kFramePollMs = 50;
constexpr int kIntroTicksBound = 64;

int Fail(const std::string& message) { return FailWith("orkv-editor", message); }

// What the frame's thread saw: whether OK closed it, and what to photograph.
struct FrameWatch {
  static inline bool okPressed = false;
  static inline std::string screenshot;
  static inline bool screenshotWritten = false;
  static inline HHOOK hook = nullptr;

  // OK of the frame arrives as WM_COMMAND IDOK, sent by its button or by Enter.
  static LRESULT CALLBACK OnSentMessage(int code, WPARAM wParam, LPARAM lParam) {
    const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && sent->message == WM_COMMAND && LOWORD(sent->wParam) == IDOK &&
        GetParent(sent->hwnd) == nullptr) {
      okPressed = true;
    }
    return CallNextHookEx(hook, code, wParam, lParam);
  }
};

BOOL CALLBACK FindVisible(HWND window, LPARAM found) {
  if (!IsWindowVisible(window)) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

BOOL CALLBACK FindPage(HWND window, LPARAM found) {
  if (GetDlgItem(window, editor::kDisplay) == nullptr) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

// The whole window's DC (frame and client): what the window itself holds,
// read before the system has brought it to the screen.
class WholeWindowDc {
 public:
  explicit WholeWindowDc(HWND window) : window_(window), dc_(GetWindowDC(window)) {}
  WholeWindowDc(const WholeWindowDc&) = delete;
  WholeWindowDc& operator=(const WholeWindowDc&) = delete;
  ~WholeWindowDc() {
    if (dc_ != nullptr) ReleaseDC(window_, dc_);
  }
  HDC Get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// The window's pixels as a 24-bit BMP file.
bool WriteScreenshot(HWND window, const std::string& path) {
  RECT rect{};
  GetWindowRect(window, &rect);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  WholeWindowDc source(window);
  editor::MemoryDc memory(source.Get());
  editor::Bitmap bitmap(CreateCompatibleBitmap(source.Get(), width, height));
  if (source.Get() == nullptr || !memory || !bitmap) return false;
  {
    editor::Selection selected(memory.Get(), bitmap.Get());
    BitBlt(memory.Get(), 0, 0, width, height, source.Get(), 0, 0, SRCCOPY);
  }
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
  std::vector<BYTE> bits(stride * static_cast<DWORD>(height));
  GetDIBits(memory.Get(), bitmap.Get(), 0, static_cast<UINT>(height), bits.data(),
            reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof header;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(bits.size());
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) return false;
  const bool written = std::fwrite(&file, sizeof file, 1, out) == 1 &&
                       std::fwrite(&header, sizeof header, 1, out) == 1 &&
                       std::fwrite(bits.data(), 1, bits.size(), out) == bits.size();
  return std::fclose(out) == 0 && written;
}

// The pointer over the page's first knob, as a user's hover: the display shows
// the effect name, the knob's label and its value.
void HoverFirstKnob(HWND page) {
  for (int id = editor::kFreqKnob; id <= editor::kFeedKnob; ++id) {
    HWND knob = GetDlgItem(page, id);
    if (knob == nullptr) continue;
    RECT client{};
    GetClientRect(knob, &client);
    SendMessageA(knob, WM_MOUSEMOVE, 0, MAKELPARAM(client.right / 2, client.bottom / 2));
    return;
  }
}

// Once the page shows: play its intro, hover over the first knob, photograph
// the frame, press OK.
void CALLBACK PhotographWhenShown(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND frame = nullptr;
  HWND page = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), &FindVisible, reinterpret_cast<LPARAM>(&frame));
  if (frame == nullptr) return;
  EnumChildWindows(frame, &FindPage, reinterpret_cast<LPARAM>(&page));
  if (page == nullptr) return;
  KillTimer(nullptr, timer);
  HWND display = GetDlgItem(page, editor::kDisplay);
  HWND slider = GetDlgItem(page, editor::kLevelSlider);
  for (int tick = 0; tick < kIntroTicksBound && !IsWindowEnabled(slider); ++tick) {
    SendMessageA(display, WM_TIMER, 1, 0);
  }
  UpdateWindow(frame);  // pending paints first: they would clear the display's texts
  HoverFirstKnob(page);
  FrameWatch::screenshotWritten = WriteScreenshot(frame, FrameWatch::screenshot);
  SendMessageA(frame, WM_COMMAND, IDOK, 0);
}

// The library's page class, made known to COM for this process only, so the
// frame can create the page without the library being registered.
class PageClassRegistration {
 public:
  explicit PageClassRegistration(const PluginModule& module) {
    ComPtr<IUnknown> factory;
    hr_ = module.GetClassObject(*module.Info().pageClsid, IID_IUnknown, factory.GetVoidAddressOf());
    if (SUCCEEDED(hr_)) {
      hr_ = CoRegisterClassObject(*module.Info().pageClsid, factory.Get(), CLSCTX_INPROC_SERVER,
                                  REGCLS_MULTIPLEUSE, &cookie_);
    }
  }
  ~PageClassRegistration() {
    if (SUCCEEDED(hr_)) CoRevokeClassObject(cookie_);
  }
  PageClassRegistration(const PageClassRegistration&) = delete;
  PageClassRegistration& operator=(const PageClassRegistration&) = delete;
  HRESULT Result() const { return hr_; }

 private:
  HRESULT hr_ = E_FAIL;
  DWORD cookie_ = 0;
};

int Run(const std::string& plugin, const std::string& settings, const std::string& screenshot) {
  render::ComApartment apartment(COINIT_APARTMENTTHREADED);
  if (FAILED(apartment.Result())) return Fail("COM is not available");
  std::string error;
  std::optional<PluginModule> module = PluginModule::Load(plugin, error);
  if (!module) return Fail(error);
  {
    ComPtr<IBaseFilter> filter;
    HRESULT hr = module->CreateFilter(filter);
    if (FAILED(hr)) return Fail("cannot create the filter: " + render::DescribeHresult(hr));
    std::optional<EffectControls> controls =
        EffectControls::Attach(filter.Get(), module->Info(), error);
    if (!controls) return Fail(error);
    if (GetFileAttributesA(settings.c_str()) != INVALID_FILE_ATTRIBUTES &&
        !controls->LoadSettings(settings, error)) {
      return Fail(error);
    }
    // Found now, not after the user's edits.
    if (!render::CheckSettingsTarget(settings, error)) return Fail(error);
    PageClassRegistration page(*module);
    if (FAILED(page.Result())) {
      return Fail("cannot offer the page: " + render::DescribeHresult(page.Result()));
    }
    FrameWatch::screenshot = screenshot;
    FrameWatch::hook = SetWindowsHookExA(WH_CALLWNDPROC, &FrameWatch::OnSentMessage, nullptr,
                                         GetCurrentThreadId());
    const UINT_PTR timer =
        screenshot.empty() ? 0 : SetTimer(nullptr, 0, kFramePollMs, &PhotographWhenShown);
    IUnknown* objects[] = {filter.Get()};
    CLSID pages[] = {*module->Info().pageClsid};
    const std::wstring caption(module->Info().filterName);
    hr =
        OleCreatePropertyFrame(nullptr, 0, 0, caption.c_str(), 1, objects, 1, pages, 0, 0, nullptr);
    if (timer != 0) KillTimer(nullptr, timer);
    if (FrameWatch::hook != nullptr) UnhookWindowsHookEx(FrameWatch::hook);
    if (FAILED(hr)) return Fail("the property frame failed: " + render::DescribeHresult(hr));
    if (!screenshot.empty() && !FrameWatch::screenshotWritten) {
      return Fail("could not write the screenshot '" + screenshot + "'");
    }
    if (FrameWatch::okPressed && !controls->SaveSettings(settings, error)) {
      return Fail(error);
    }
    std::printf("%s\n", FrameWatch::okPressed ? ("saved " + settings).c_str() : "not saved");
  }
  return kExitOk;
}

}  // namespace
}  // namespace orkv::editor_tool

int main(int argc, char** argv) {
  std::vector<std::string> positional;
  std::string screenshot;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--screenshot") == 0 && i + 1 < argc) {
      screenshot = argv[++i];
    } else {
      positional.emplace_back(argv[i]);
    }
  }
  if (positional.size() != 2) {
    std::fprintf(stderr,
                 "usage: orkv-editor <plug-in name or DLL path> <settings file> "
                 "[--screenshot <file.bmp>]\n  plug-ins: %s\n",
                 orkv::render::KnownPluginNames().c_str());
    return orkv::editor_tool::kExitUsage;
  }
  return orkv::editor_tool::Run(positional[0], positional[1], screenshot);
}
