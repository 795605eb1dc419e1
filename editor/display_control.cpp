#include "editor/display_control.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "editor/bitmap_toolkit.h"
#include "editor/gdi_handles.h"
#include "editor/model/messages.h"
#include "editor/model/value_mapping.h"
#include "editor/window_class.h"

namespace orkv::editor {
namespace {

constexpr UINT_PTR kIntroTimer = 1;
constexpr UINT kIntroPeriodMs = 100;
constexpr const char* kMakerLine = "     Orvelt";
constexpr COLORREF kTextColour = RGB(55, 90, 55);  // 0x375A37

struct DisplayState {
  std::uint16_t mode = 1;
  Bitmap background;
  char name[16] = {};        // DISPLAY_SET_NAME: stored, not drawn
  DisplayIdentity identity;  // the creation parameter, copied at WM_CREATE
};

// Shared by every display of this module: the first paint of any display is
// bare, and the intro counters advance for all pages together.
struct DisplayProcessState {
  bool firstPaint = true;
  IntroCounters intro;
  bool introDone = false;
};
DisplayProcessState g_process;

// The display's own class: a window of another class has other extra data.
DisplayState* DisplayStateOf(HWND window) {
  char name[32] = {};
  if (window == nullptr || GetClassNameA(window, name, sizeof name) == 0) return nullptr;
  if (std::strcmp(name, kDisplayClass) != 0) return nullptr;
  return StateOf<DisplayState>(window);
}

RECT InnerRectangle(const RECT& client) {
  return {client.left + 11, client.top + 6, client.right - 9, client.bottom - 8};
}

void DrawBare(HWND window) {
  DrawDisplayText(window, {{{"", kNoFormat}, {"", kNoFormat}, {"", kNoFormat}, {"", kNoFormat}}});
}

void DrawEffectName(HWND window, const DisplayState& state) {
  DrawDisplayText(
      window,
      {{{state.identity.effectName, kTopLeft}, {"", kNoFormat}, {"", kNoFormat}, {"", kNoFormat}}});
}

LRESULT OnCreate(HWND window, const CREATESTRUCTA* creation) {
  auto* state = AttachNewState<DisplayState>(window);
  if (state == nullptr) return -1;
  if (creation != nullptr && creation->lpCreateParams != nullptr) {
    state->identity = *static_cast<const DisplayIdentity*>(creation->lpCreateParams);
  }
  return 0;
}

void OnDestroy(HWND window) {
  KillTimer(window, kIntroTimer);
  FreeState<DisplayState>(window);
}

void OnPaint(HWND window, const DisplayState& state) {
  PaintScope paint(window);
  if (g_process.firstPaint) {
    DrawBare(window);
  } else {
    DrawEffectName(window, state);
  }
  g_process.firstPaint = false;
}

// Every show, in either direction, (re)starts the intro's timer.
void OnShowWindow(HWND window, DisplayState& state) {
  if (!state.background) {
    state.background.Reset(CaptureParentBackground(window));
    DrawBare(window);
  }
  SetTimer(window, kIntroTimer, kIntroPeriodMs, nullptr);
}

void OnIntroTick(HWND window, const DisplayState& state) {
  const std::string product = state.identity.productLine;
  const std::string maker = kMakerLine;
  const IntroFrame frame = IntroTick(g_process.intro, product.size(), maker.size());
  const std::string productShown = product.substr(0, frame.productShown);
  const std::string makerShown = maker.substr(0, frame.makerShown);
  DrawDisplayText(window, {{{productShown.c_str(), kTopRight},
                            {makerShown.c_str(), kBottomLeft},
                            {"", kNoFormat},
                            {"", kNoFormat}}});
  if (!frame.finished) return;
  KillTimer(window, kIntroTimer);
  g_process.introDone = true;
  SendMessageA(GetParent(window), PAGE_INTRO_DONE, 0, 0);
}

void OnSetMode(HWND window, DisplayState& state, WPARAM mode) {
  state.mode = static_cast<std::uint16_t>(mode);
  DrawBare(window);
}

LRESULT Dispatch(HWND window, DisplayState& state, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      OnPaint(window, state);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_SHOWWINDOW:
      OnShowWindow(window, state);
      return 0;
    case WM_TIMER:
      if (wParam == kIntroTimer) OnIntroTick(window, state);
      return 0;
    case WM_COMMAND:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
      return 0;
    case DISPLAY_SET_MODE:
      OnSetMode(window, state, wParam);
      return 0;
    case DISPLAY_GET_MODE:
      return state.mode;
    case DISPLAY_SET_NAME:
      CopyText(state.name, lParam);
      return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

// Normal weight, default character set, TrueType only, Swiss family.
HFONT CreateDisplayFont() {
  return CreateFontA(15, 6, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                     OUT_TT_ONLY_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, FF_SWISS,
                     "Arial");
}

void DrawDisplayText(HWND display, const DisplayTexts& texts) {
  const DisplayState* state = DisplayStateOf(display);
  if (state == nullptr || !state->background) return;
  RECT client{};
  GetClientRect(display, &client);
  RECT inner = InnerRectangle(client);
  WindowDc dc(display);
  if (!dc) return;
  Offscreen image(dc.Get(), client.right, client.bottom, state->background.Get());
  if (!image) return;
  SetBkMode(image.Get(), TRANSPARENT);
  SetTextColor(image.Get(), kTextColour);
  Font font(CreateDisplayFont());
  {
    Selection selectedFont(image.Get(), font.Get());
    for (const DisplayText& t : texts) {
      DrawTextA(image.Get(), t.text != nullptr ? t.text : "", -1, &inner, t.format);
    }
  }
  image.Show(dc.Get());
}

LRESULT CALLBACK DisplayWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CREATE) return OnCreate(window, reinterpret_cast<const CREATESTRUCTA*>(lParam));
  DisplayState* state = StateOf<DisplayState>(window);
  if (state == nullptr) return DefWindowProcA(window, message, wParam, lParam);
  if (message == WM_DESTROY) {
    OnDestroy(window);
    return 0;
  }
  return Dispatch(window, *state, message, wParam, lParam);
}

ATOM RegisterDisplayClass(HINSTANCE module) {
  return RegisterEditorClass(module, kDisplayClass, 0, DisplayWindowProc);
}

bool IntroDone() { return g_process.introDone; }

void ResetDisplayProcessState() { g_process = DisplayProcessState{}; }

}  // namespace orkv::editor
