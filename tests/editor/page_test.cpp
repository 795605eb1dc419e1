// The property page through a page site of our own, as a host frame drives
// it: page information, the controls disabled until the display's intro ends,
// the controls at the live parameters, drags writing the filter, the filter's
// notifications moving the controls, help, the context menu and the about box,
// and a hundred pages leaving nothing behind.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "core/slot_access.h"
#include "editor/display_control.h"
#include "editor/gdi_handles.h"
#include "editor/model/messages.h"
#include "editor/model/value_mapping.h"
#include "editor/parameter_slots.h"
#include "tests/editor/object_counts.h"
#include "tests/editor/page_fixture.h"
#include "tests/plugins/test_stream.h"

namespace orkv::test {
namespace {

using editor::CTL_GET_VALUE;
using editor::PAGE_NOTIFY_ID;

int ValueOf(HWND control) { return static_cast<int>(SendMessageA(control, CTL_GET_VALUE, 0, 0)); }

LPARAM At(int x, int y) {
  return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)),
                    static_cast<WORD>(static_cast<short>(y)));
}

// Presses the knob at the point of `position` on its arc, then releases.
void TurnKnob(HWND knob, int lower, int upper, int position) {
  const editor::Point p = editor::KnobValueToPoint(lower, upper, position, 20, 20, 18);
  SendMessageA(knob, WM_LBUTTONDOWN, MK_LBUTTON, At(p.x, p.y));
  SendMessageA(knob, WM_MOUSEMOVE, MK_LBUTTON, At(p.x, p.y));
  SendMessageA(knob, WM_LBUTTONUP, 0, At(p.x, p.y));
}

// The display's pixels, read back from its window DC.
std::vector<DWORD> PixelsOf(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = client.right;
  info.bmiHeader.biHeight = -client.bottom;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<DWORD> pixels(static_cast<std::size_t>(client.right * client.bottom));
  editor::WindowDc dc(window);
  void* bits = nullptr;
  editor::Bitmap section(CreateDIBSection(dc.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  editor::MemoryDc memory(dc.Get());
  if (!section || !memory) return pixels;
  editor::Selection selected(memory.Get(), section.Get());
  BitBlt(memory.Get(), 0, 0, client.right, client.bottom, dc.Get(), 0, 0, SRCCOPY);
  GdiFlush();
  std::memcpy(pixels.data(), bits, pixels.size() * sizeof(DWORD));
  return pixels;
}

// Whether the display shows exactly the effect name, label and value text as
// the controls draw them (and not a bare display).
void ExpectDisplayShows(HWND display, const char* name, const std::string& label,
                        const std::string& value) {
  const std::vector<DWORD> shown = PixelsOf(display);
  editor::DrawDisplayText(display, {{{"", editor::kNoFormat},
                                     {"", editor::kNoFormat},
                                     {"", editor::kNoFormat},
                                     {"", editor::kNoFormat}}});
  const std::vector<DWORD> bare = PixelsOf(display);
  editor::DrawDisplayText(display, {{{name, editor::kTopLeft},
                                     {"", editor::kNoFormat},
                                     {label.c_str(), editor::kBottomLeft},
                                     {value.c_str(), editor::kBottomRight}}});
  const std::vector<DWORD> expected = PixelsOf(display);
  EXPECT_NE(expected, bare);
  EXPECT_TRUE(shown == expected) << "the display does not show " << name << " / " << label << " / "
                                 << value;
}

// Published per plug-in, in kOrkvPlugins order: the display's effect name.
constexpr const char* kEffectNames[] = {"PHASER", "CHORUS",  "FLANGER",
                                        "FILTER", "C-DELAY", "TREMOLO"};

// The label the display gives a control: its window text, but "Delay" for
// knob 102 of the Chorus, Flanger and C-Delay.
std::string PublishedLabel(int plugin, int control) {
  if (control == 102 && (plugin == 1 || plugin == 2 || plugin == 4)) return "Delay";
  constexpr const char* kWindowTexts[] = {"Volume", "Freq",   "Depth", "Rate",
                                          "Mix",    "Degree", "Feed"};
  return kWindowTexts[control - 101];
}

// The published page titles (string 1 of each library), in kOrkvPlugins order.
constexpr const char* kTitles[] = {"ORKVPhaser", "ORKVChorus",  "ORKVFlanger",
                                   "ORKVFilter", "ORKVC-Delay", "ORKVTremolo"};
constexpr const char* kHelpFiles[] = {"ORKVPhaser.HLP", "ORKVChorus.HLP", "ORKVFlanger.HLP",
                                      "ORKVFilter.HLP", "ORKVCDelay.HLP", "ORKVTremolo.HLP"};

// The help file beside the plug-in's library.
std::string ExpectedHelpPath(const OrkvPluginInfo& info, int plugin) {
  char library[MAX_PATH] = {};
  GetModuleFileNameA(GetModuleHandleA((std::string(info.library) + ".dll").c_str()), library,
                     MAX_PATH);
  const std::string path = library;
  return path.substr(0, path.find_last_of("\\:") + 1) + kHelpFiles[plugin];
}

HELPINFO ForControl(int id, HWND item) {
  HELPINFO request{};
  request.cbSize = sizeof request;
  request.iContextType = HELPINFO_WINDOW;
  request.iCtrlId = id;
  request.hItemHandle = item;
  return request;
}

TEST_P(PageTest, PageInfoNamesTitleSizeAndHelpFileBesideTheLibrary) {
  PROPPAGEINFO info{};
  ASSERT_EQ(page_->GetPageInfo(&info), S_OK);
  EXPECT_EQ(info.cb, sizeof(PROPPAGEINFO));
  char title[64] = {};
  WideCharToMultiByte(CP_ACP, 0, info.pszTitle, -1, title, sizeof title, nullptr, nullptr);
  EXPECT_STREQ(title, kTitles[GetParam()]);
  EXPECT_EQ(info.size.cx, 430);
  EXPECT_EQ(info.size.cy, 110);
  EXPECT_EQ(info.pszDocString, nullptr);
  char help[MAX_PATH] = {};
  WideCharToMultiByte(CP_ACP, 0, info.pszHelpFile, -1, help, sizeof help, nullptr, nullptr);
  EXPECT_EQ(std::string(help), ExpectedHelpPath(Info(), GetParam()));
  EXPECT_EQ(info.dwHelpContext, 1u);
  CoTaskMemFree(info.pszTitle);
  CoTaskMemFree(info.pszHelpFile);
  EXPECT_EQ(page_->GetPageInfo(nullptr), E_POINTER);
}

TEST_P(PageTest, HookRulesOfTheFrame) {
  const RECT area{0, 0, 430, 110};
  EXPECT_EQ(page_->SetPageSite(&site_), E_UNEXPECTED);  // one is kept already
  EXPECT_EQ(page_->Show(SW_SHOW), E_UNEXPECTED);        // no window yet
  EXPECT_EQ(page_->Move(&area), E_UNEXPECTED);
  EXPECT_EQ(page_->IsPageDirty(), S_FALSE);
  EXPECT_EQ(page_->Apply(), S_OK);
  EXPECT_EQ(page_->Help(nullptr), E_NOTIMPL);
  EXPECT_EQ(page_->TranslateAccelerator(nullptr), E_NOTIMPL);
  IUnknown* two[] = {filter_.Get(), filter_.Get()};
  EXPECT_EQ(page_->SetObjects(2, two), E_INVALIDARG);
  IUnknown* stranger[] = {static_cast<IPropertyPageSite*>(&site_)};
  EXPECT_EQ(page_->SetObjects(1, stranger), E_NOINTERFACE);
  IUnknown* objects[] = {filter_.Get()};
  EXPECT_EQ(page_->SetObjects(1, objects), S_OK);
  Activate(page_.Get());
  EXPECT_EQ(page_->Activate(PageParent(), &area, FALSE), E_UNEXPECTED);  // the window exists
  EXPECT_EQ(page_->Show(SW_MAXIMIZE), E_INVALIDARG);
  EXPECT_EQ(page_->Show(SW_HIDE), S_OK);
  EXPECT_FALSE(IsWindowVisible(pageWindow_));
  EXPECT_EQ(page_->Show(SW_SHOWNORMAL), S_OK);
  EXPECT_TRUE(IsWindowVisible(pageWindow_));
  const RECT moved{10, 0, 440, 110};
  EXPECT_EQ(page_->Move(&moved), S_OK);
  RECT placed{};
  GetWindowRect(pageWindow_, &placed);
  MapWindowPoints(nullptr, PageParent(), reinterpret_cast<POINT*>(&placed), 2);
  EXPECT_EQ(placed.left, 10);
  EXPECT_EQ(placed.right - placed.left, 430);
  EXPECT_TRUE(GetWindowLongPtrA(pageWindow_, GWL_EXSTYLE) & WS_EX_CONTROLPARENT);
}

TEST_P(PageTest, ControlsFollowTheLayoutDisabledUntilTheIntroEnds) {
  Activate(page_.Get());
  ASSERT_NE(pageWindow_, nullptr);
  for (const page_model::ControlPlacement& placement : Table().layout) {
    SCOPED_TRACE(placement.control);
    HWND control = Control(placement.control);
    ASSERT_NE(control, nullptr);
    EXPECT_TRUE(IsWindowVisible(control));
    EXPECT_FALSE(IsWindowEnabled(control));
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, pageWindow_, reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(rect.left, placement.x);
    EXPECT_EQ(rect.top, placement.y);
    EXPECT_EQ(rect.right - rect.left, placement.width);
    EXPECT_EQ(rect.bottom - rect.top, placement.height);
  }
  EXPECT_EQ(GetDlgItem(pageWindow_, editor::kFreqKnob) != nullptr, Info().slotCount != 4);
  ASSERT_TRUE(FinishIntro());
  for (const page_model::ControlPlacement& placement : Table().layout) {
    EXPECT_TRUE(IsWindowEnabled(Control(placement.control))) << placement.control;
  }
}

TEST_P(PageTest, ControlsOpenAtTheLiveParameters) {
  Activate(page_.Get());
  for (const page_model::ControlBinding& binding : Table().bindings) {
    EXPECT_EQ(ValueOf(Control(binding.control)), ModelPosition(binding.control)) << binding.control;
  }
}

TEST_P(PageTest, ANotificationOfAnyCodeMovesEveryControlOtherCommandsNothing) {
  Activate(page_.Get());
  ComPtr<IEffectPresets> presets;
  ASSERT_EQ(filter_->QueryInterface(IID_IEffectPresets, presets.GetVoidAddressOf()), S_OK);
  ASSERT_EQ(presets->ApplyPreset(1), S_OK);
  std::vector<int> before;
  for (const page_model::ControlBinding& binding : Table().bindings) {
    before.push_back(ValueOf(Control(binding.control)));
  }
  for (WPARAM other :
       {MAKEWPARAM(1234, 0), MAKEWPARAM(PAGE_NOTIFY_ID - 1, 100), WPARAM{0}, MAKEWPARAM(0, 100)}) {
    SendMessageA(pageWindow_, WM_COMMAND, other, 0);
  }
  std::size_t row = 0;
  for (const page_model::ControlBinding& binding : Table().bindings) {
    EXPECT_EQ(ValueOf(Control(binding.control)), before[row++]) << binding.control;
  }
  for (WORD code : {0, 1, 100}) {
    ASSERT_EQ(presets->ApplyPreset(code == 100 ? 2 : 1 + code), S_OK);
    SendMessageA(pageWindow_, WM_COMMAND, MAKEWPARAM(PAGE_NOTIFY_ID, code), 0);
    for (const page_model::ControlBinding& binding : Table().bindings) {
      EXPECT_EQ(ValueOf(Control(binding.control)), ModelPosition(binding.control))
          << "code " << code << " control " << binding.control;
    }
  }
}

// A real Load: the filter posts its notification to the page window, whose
// queue moves the controls to the loaded settings.
TEST_P(PageTest, LoadedSettingsReachTheControlsThroughTheQueue) {
  Activate(page_.Get());
  ComPtr<IEffectPresets> presets;
  ComPtr<IPersistStream> persist;
  ASSERT_EQ(filter_->QueryInterface(IID_IEffectPresets, presets.GetVoidAddressOf()), S_OK);
  ASSERT_EQ(filter_->QueryInterface(IID_IPersistStream, persist.GetVoidAddressOf()), S_OK);
  ASSERT_EQ(presets->ApplyPreset(2), S_OK);
  TestStream stream;
  ASSERT_EQ(persist->Save(&stream, TRUE), S_OK);
  ASSERT_EQ(presets->ApplyPreset(0), S_OK);
  SendMessageA(pageWindow_, WM_COMMAND, MAKEWPARAM(PAGE_NOTIFY_ID, 100), 0);
  std::vector<int> defaults;
  for (const page_model::ControlBinding& binding : Table().bindings) {
    defaults.push_back(ValueOf(Control(binding.control)));
  }
  ASSERT_EQ(persist->Load(&stream), S_OK);
  PumpQueued();
  bool moved = false;
  std::size_t row = 0;
  for (const page_model::ControlBinding& binding : Table().bindings) {
    EXPECT_EQ(ValueOf(Control(binding.control)), ModelPosition(binding.control)) << binding.control;
    moved = moved || ValueOf(Control(binding.control)) != defaults[row++];
  }
  EXPECT_TRUE(moved);
}

TEST_P(PageTest, DraggingAKnobWritesItsBindingAndTheDisplay) {
  Activate(page_.Get());
  ASSERT_TRUE(FinishIntro());
  const editor::ParameterSlots slots(parameters_.Get(), static_cast<std::size_t>(Info().slotCount));
  for (const page_model::ControlBinding& binding : Table().bindings) {
    if (binding.control == editor::kLevelSlider) continue;
    SCOPED_TRACE(binding.control);
    const page_model::ControlRange* range = page_model::FindRange(binding.control);
    const int target = (range->lower + range->upper) / 3;
    TurnKnob(Control(binding.control), range->lower, range->upper, target);
    const int reached = ValueOf(Control(binding.control));
    EXPECT_LE(std::abs(reached - target), 1);
    // The slot holds what the row writes for the position reached (clamped by the store).
    const double written = binding.write(reached);
    EXPECT_NEAR(Slot(binding.slot), written, 1e-9 * std::max(1.0, std::fabs(written)));
    ExpectDisplayShows(Control(editor::kDisplay), kEffectNames[GetParam()],
                       PublishedLabel(GetParam(), binding.control),
                       page_model::ValueText(binding, reached, slots));
  }
}

TEST_P(PageTest, TheSliderWritesTheLevelSlot) {
  Activate(page_.Get());
  ASSERT_TRUE(FinishIntro());
  HWND slider = Control(editor::kLevelSlider);
  const std::size_t level = page_model::FindBinding(Table(), editor::kLevelSlider)->slot;
  SendMessageA(slider, WM_LBUTTONDOWN, MK_LBUTTON, At(11, 20));
  SendMessageA(slider, WM_LBUTTONUP, 0, At(11, 20));
  EXPECT_NE(Slot(level), 0.0);
  SendMessageA(slider, WM_LBUTTONDBLCLK, MK_LBUTTON, At(11, 20));
  EXPECT_EQ(Slot(level), 0.0);  // a double-click resets to 0 dB
  ExpectDisplayShows(Control(editor::kDisplay), kEffectNames[GetParam()], "Volume", "0.00");
}

// Menus and modal boxes run their own loops; a thread timer acts inside them.
struct ModalProbe {
  static inline bool menuSeen = false;
  static inline HWND box = nullptr;
  static inline RECT boxClient{};
  static inline bool survivedLoneRelease = false;

  static void CALLBACK CloseMenu(HWND, UINT, UINT_PTR, DWORD) {
    HWND menu = FindWindowA("#32768", nullptr);
    if (menu != nullptr && IsWindowVisible(menu)) menuSeen = true;
    EndMenu();
  }
  static BOOL CALLBACK FindBox(HWND window, LPARAM) {
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    if (std::strcmp(name, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
    if ((GetWindowLongA(window, GWL_STYLE) & WS_CHILD) != 0) return TRUE;
    box = window;
    return FALSE;
  }
  // A release alone leaves the box open; a press and a release inside close it.
  static void CALLBACK ClickBox(HWND, UINT, UINT_PTR, DWORD) {
    box = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &FindBox, 0);
    if (box == nullptr) return;
    GetClientRect(box, &boxClient);
    MapWindowPoints(box, nullptr, reinterpret_cast<POINT*>(&boxClient), 2);
    SendMessageA(box, WM_LBUTTONUP, 0, At(10, 10));
    survivedLoneRelease = IsWindowVisible(box) != FALSE;
    SendMessageA(box, WM_LBUTTONDOWN, MK_LBUTTON, At(10, 10));
    SendMessageA(box, WM_LBUTTONUP, 0, At(10, 10));
  }
};

TEST_P(PageTest, ContextMenuOpensOnlyInsideAndAfterAnIntro) {
  Activate(page_.Get());
  RECT window{};
  GetWindowRect(pageWindow_, &window);
  const LPARAM inside = MAKELPARAM(window.left + 200, window.top + 5);
  const UINT_PTR timer = SetTimer(nullptr, 0, 20, &ModalProbe::CloseMenu);
  ModalProbe::menuSeen = false;
  SendMessageA(pageWindow_, WM_CONTEXTMENU, 0, inside);
  EXPECT_FALSE(ModalProbe::menuSeen);
  ASSERT_TRUE(FinishIntro());
  SendMessageA(pageWindow_, WM_CONTEXTMENU, 0, MAKELPARAM(window.left + 500, window.top + 5));
  EXPECT_FALSE(ModalProbe::menuSeen);
  SendMessageA(pageWindow_, WM_CONTEXTMENU, 0, inside);
  EXPECT_TRUE(ModalProbe::menuSeen);
  KillTimer(nullptr, timer);
}

TEST_P(PageTest, ResourcesThePageTableNamesAreInTheLibrary) {
  HMODULE module = GetModuleHandleA((std::string(Info().library) + ".dll").c_str());
  HMENU menu = LoadMenuA(module, MAKEINTRESOURCEA(Table().contextMenuResource));
  ASSERT_NE(menu, nullptr);
  HMENU popup = GetSubMenu(menu, 0);
  ASSERT_EQ(GetMenuItemCount(popup), 2);
  char text[64] = {};
  GetMenuStringA(popup, 40001, text, sizeof text, MF_BYCOMMAND);
  EXPECT_STREQ(text, "&Help");
  GetMenuStringA(popup, 40002, text, sizeof text, MF_BYCOMMAND);
  EXPECT_STREQ(text, Table().aboutMenuText);
  DestroyMenu(menu);
  EXPECT_NE(FindResourceA(module, MAKEINTRESOURCEA(101), MAKEINTRESOURCEA(5)),
            nullptr);  // RT_DIALOG
  // The about dialog: pop-up, modal frame, set-font, and the 3-D look but for
  // the Tremolo's.
  HRSRC about =
      FindResourceA(module, MAKEINTRESOURCEA(Table().aboutDialogResource), MAKEINTRESOURCEA(5));
  ASSERT_NE(about, nullptr);
  const auto* aboutTemplate =
      static_cast<const DLGTEMPLATE*>(LockResource(LoadResource(module, about)));
  ASSERT_NE(aboutTemplate, nullptr);
  EXPECT_EQ(aboutTemplate->style, Info().slotCount == 4 ? 0x800000C0u : 0x800000C4u);
  HBITMAP image = LoadBitmapA(module, MAKEINTRESOURCEA(Table().aboutBitmapResource));
  ASSERT_NE(image, nullptr);
  BITMAP size{};
  GetObjectA(image, sizeof size, &size);
  EXPECT_EQ(size.bmWidth, 220);
  EXPECT_EQ(size.bmHeight, 220);
  DeleteObject(image);
}

TEST_P(PageTest, AboutBoxIsCentredAndClosesOnPressAndRelease) {
  Activate(page_.Get());
  ModalProbe::box = nullptr;
  ModalProbe::survivedLoneRelease = false;
  const UINT_PTR timer = SetTimer(nullptr, 0, 20, &ModalProbe::ClickBox);
  SendMessageA(pageWindow_, WM_COMMAND, editor::IDM_ABOUT, 0);
  KillTimer(nullptr, timer);
  ASSERT_NE(ModalProbe::box, nullptr);
  EXPECT_TRUE(ModalProbe::survivedLoneRelease);
  EXPECT_FALSE(IsWindow(ModalProbe::box));
  const int left = GetSystemMetrics(SM_CXSCREEN) / 2 - 110;
  const int top = GetSystemMetrics(SM_CYSCREEN) / 2 - 110;
  EXPECT_EQ(ModalProbe::boxClient.left, left);
  EXPECT_EQ(ModalProbe::boxClient.top, top);
  EXPECT_EQ(ModalProbe::boxClient.right, left + 220);
  EXPECT_EQ(ModalProbe::boxClient.bottom, top + 220);
  if (GetSystemMetrics(SM_CXSCREEN) == 1024 && GetSystemMetrics(SM_CYSCREEN) == 768) {
    EXPECT_EQ(ModalProbe::boxClient.left, 402);
    EXPECT_EQ(ModalProbe::boxClient.top, 274);
    EXPECT_EQ(ModalProbe::boxClient.right, 622);
    EXPECT_EQ(ModalProbe::boxClient.bottom, 494);
  }
}

// Help goes to the help system whether or not the help file lies beside the
// library (the system also looks in its own folders); the test's own help
// system receives it, so no viewer starts.
TEST_P(PageTest, HelpReachesTheHelpSystemAlsoWithoutAHelpFile) {
  Activate(page_.Get());
  const std::string path = ExpectedHelpPath(Info(), GetParam());
  ASSERT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
  HELPINFO display = ForControl(editor::kDisplay, Control(editor::kDisplay));
  HELPINFO page = ForControl(0, pageWindow_);
  for (HELPINFO* request : {&display, &page}) {
    FakeHelpSystem::requests.clear();
    SendMessageA(pageWindow_, WM_HELP, 0, reinterpret_cast<LPARAM>(request));
    ASSERT_EQ(FakeHelpSystem::requests.size(), 1u) << request->iCtrlId;
    EXPECT_EQ(FakeHelpSystem::requests[0].command, static_cast<UINT>(HELP_CONTEXT));
    EXPECT_EQ(FakeHelpSystem::requests[0].data, 2);
    EXPECT_EQ(FakeHelpSystem::requests[0].window, pageWindow_);
    EXPECT_EQ(FakeHelpSystem::requests[0].file, path);
  }
  FakeHelpSystem::requests.clear();
  SendMessageA(pageWindow_, WM_COMMAND, editor::IDM_HELP, 0);
  ASSERT_EQ(FakeHelpSystem::requests.size(), 1u);
  EXPECT_EQ(FakeHelpSystem::requests[0].command, static_cast<UINT>(HELP_FORCEFILE));
  EXPECT_EQ(FakeHelpSystem::requests[0].file, path);
  // Closing the page closes the help file.
  FakeHelpSystem::requests.clear();
  ASSERT_EQ(page_->Deactivate(), S_OK);
  pageWindow_ = nullptr;
  ASSERT_EQ(FakeHelpSystem::requests.size(), 1u);
  EXPECT_EQ(FakeHelpSystem::requests[0].command, static_cast<UINT>(HELP_QUIT));
  EXPECT_EQ(FakeHelpSystem::requests[0].file, path);
}

// A right-click the page does not take (outside its client area, or the
// keyboard's menu key with no point) goes on to the frame exactly once, also
// when it started at one of the page's controls.
TEST_P(PageTest, ARightClickThePageDoesNotTakeReachesTheFrameOnce) {
  Activate(page_.Get());
  ASSERT_TRUE(FinishIntro());
  RECT window{};
  GetWindowRect(pageWindow_, &window);
  const LPARAM outside = MAKELPARAM(window.left + 500, window.top + 5);
  const LPARAM keyboard = -1;
  for (HWND source : {pageWindow_, Control(editor::kRateKnob)}) {
    for (LPARAM point : {outside, keyboard}) {
      FrameCounts::contextMenus = 0;
      SendMessageA(source, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(source), point);
      EXPECT_EQ(FrameCounts::contextMenus, 1) << "point " << point;
      EXPECT_EQ(FrameCounts::lastContextPoint, point);
    }
  }
  // One it takes stays with the page.
  const UINT_PTR timer = SetTimer(nullptr, 0, 20, &ModalProbe::CloseMenu);
  FrameCounts::contextMenus = 0;
  SendMessageA(pageWindow_, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(pageWindow_),
               MAKELPARAM(window.left + 200, window.top + 5));
  KillTimer(nullptr, timer);
  EXPECT_EQ(FrameCounts::contextMenus, 0);
}

TEST_P(PageTest, AHundredPagesTwoAtATimeLeaveNothingBehind) {
  Activate(page_.Get());
  PumpQueued();
  // Warm up what the system creates once (fonts, class data, caches).
  for (int warm = 0; warm < 2; ++warm) {
    ComPtr<IPropertyPage> page = NewPage();
    ASSERT_TRUE(page);
    Activate(page.Get());
    ASSERT_EQ(page->Deactivate(), S_OK);
    ASSERT_EQ(page->SetObjects(0, nullptr), S_OK);
    ASSERT_EQ(page->SetPageSite(nullptr), S_OK);
  }
  PumpQueued();
  const ObjectCounts before = Counts();
  for (int round = 0; round < 100; ++round) {
    ComPtr<IPropertyPage> page = NewPage();
    ASSERT_TRUE(page);
    HWND window = Activate(page.Get());
    SendMessageA(GetDlgItem(window, editor::kDisplay), WM_TIMER, 1, 0);
    ASSERT_EQ(page->Deactivate(), S_OK);
    ASSERT_EQ(page->SetObjects(0, nullptr), S_OK);
    ASSERT_EQ(page->SetPageSite(nullptr), S_OK);
  }
  PumpQueued();
  const ObjectCounts after = Counts();
  EXPECT_EQ(after.gdi, before.gdi);
  EXPECT_EQ(after.user, before.user);
}

INSTANTIATE_TEST_SUITE_P(Plugins, PageTest, ::testing::Values(0, 1, 2, 3, 4, 5), PageCaseName);

// The published worked examples.
using PhaserPageTest = PageTest;

TEST_P(PhaserPageTest, DefaultsPutTheControlsAtThePublishedPositions) {
  Activate(page_.Get());
  EXPECT_EQ(ValueOf(Control(editor::kFreqKnob)), 52);
  EXPECT_EQ(ValueOf(Control(editor::kRateKnob)), 15);
  EXPECT_EQ(ValueOf(Control(editor::kMixKnob)), 200);
  EXPECT_EQ(ValueOf(Control(editor::kDegreeKnob)), 90);
  EXPECT_EQ(ValueOf(Control(editor::kFeedKnob)), 50);
  EXPECT_EQ(ValueOf(Control(editor::kDepthKnob)), 49);
  EXPECT_EQ(ValueOf(Control(editor::kLevelSlider)), 49);
}

// Below the centre, right of it: the dead zone folds to the arc's upper end;
// left of it, to the lower end.
constexpr int kUpperX = 25, kLowerX = 15, kBelowY = 40;

void PressAndRelease(HWND knob, int x, int y) {
  SendMessageA(knob, WM_LBUTTONDOWN, MK_LBUTTON, At(x, y));
  SendMessageA(knob, WM_LBUTTONUP, 0, At(x, y));
}

TEST_P(PhaserPageTest, DepthAt100WritesThePercentThenTheDeviation) {
  Activate(page_.Get());
  ASSERT_TRUE(FinishIntro());
  PressAndRelease(Control(editor::kDepthKnob), kUpperX, kBelowY);
  EXPECT_EQ(ValueOf(Control(editor::kDepthKnob)), 100);
  EXPECT_EQ(Slot(6), 100.0);
  EXPECT_EQ(Slot(1), Slot(0));
}

// Knob 102 at its lower end: 100 Hz, shown under its window text.
TEST_P(PhaserPageTest, FreqAtItsLowerEndShowsItsFrequency) {
  Activate(page_.Get());
  ASSERT_TRUE(FinishIntro());
  PressAndRelease(Control(editor::kFreqKnob), kLowerX, kBelowY);
  EXPECT_EQ(Slot(0), 100.0);
  ExpectDisplayShows(Control(editor::kDisplay), "PHASER", "Freq", "100 Hz");
}

INSTANTIATE_TEST_SUITE_P(Phaser, PhaserPageTest, ::testing::Values(0), PageCaseName);

using ChorusPageTest = PageTest;

TEST_P(ChorusPageTest, DegreeEndsWriteThePublishedValues) {
  Activate(page_.Get());
  ASSERT_TRUE(FinishIntro());
  PressAndRelease(Control(editor::kDegreeKnob), kLowerX, kBelowY);
  EXPECT_EQ(ValueOf(Control(editor::kDegreeKnob)), 0);
  EXPECT_NEAR(Slot(2), 0.4890275, 1e-9);
  PressAndRelease(Control(editor::kDegreeKnob), kUpperX, kBelowY);
  EXPECT_EQ(ValueOf(Control(editor::kDegreeKnob)), 180);
  EXPECT_EQ(std::round(Slot(2) * 1000) / 1000, 179.986);
}

// The Chorus's knob 102 sets the delay and the display calls it "Delay".
TEST_P(ChorusPageTest, TheDelayKnobIsLabelledDelayInTheDisplay) {
  Activate(page_.Get());
  ASSERT_TRUE(FinishIntro());
  PressAndRelease(Control(editor::kFreqKnob), kLowerX, kBelowY);
  EXPECT_EQ(Slot(0), 8.0);
  ExpectDisplayShows(Control(editor::kDisplay), "CHORUS", "Delay", "8.00 ms");
}

INSTANTIATE_TEST_SUITE_P(Chorus, ChorusPageTest, ::testing::Values(1), PageCaseName);

}  // namespace
}  // namespace orkv::test

namespace orkv::test {
namespace {

// The control classes go with the library that registered them: a class left
// behind would keep a window procedure of an unloaded library, which a later
// load of the library (at another address) would find and call.
TEST(PageClasses, LeaveWithTheLibrary) {
  HMODULE module = nullptr;
  {
    PluginLibrary library(kOrkvPlugins[0]);
    ASSERT_TRUE(library.Loaded());
    module = GetModuleHandleA("ORKVPhaser.dll");
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(library.GetClassObject(*kOrkvPlugins[0].pageClsid, IID_IClassFactory,
                                     factory.GetVoidAddressOf()),
              S_OK);
    ComPtr<IPropertyPage> page;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IPropertyPage, page.GetVoidAddressOf()), S_OK);
    WNDCLASSA registered{};
    EXPECT_TRUE(GetClassInfoA(module, "OR_KNOB_CONTROL", &registered));
  }
  ASSERT_EQ(GetModuleHandleA("ORKVPhaser.dll"), nullptr) << "the library stayed loaded";
  for (const char* name : {"OR_SLIDER_CONTROL", "OR_KNOB_CONTROL", "OR_DISPLAY_CONTROL"}) {
    WNDCLASSA left{};
    EXPECT_FALSE(GetClassInfoA(module, name, &left)) << name;
  }
}

}  // namespace
}  // namespace orkv::test
