// Each plug-in's page in the platform's own property frame
// (OleCreatePropertyFrame), the library registered as a host finds it: the
// frame creates the page by its class identifier, the page shows the live
// parameters, its intro enables the controls, and a timer closes the frame
// with OK. A frame that never closes fails the run within a bound.
#include <ocidl.h>
#include <olectl.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <map>

#include "core/slot_access.h"
#include "editor/model/messages.h"
#include "tests/editor/page_fixture.h"
#include "tests/plugins/hostile_neighbours.h"

namespace orkv::test {
namespace {

// What the timer saw of the open page before it pressed OK.
struct FrameVisit {
  static inline int ticks = 0;
  static inline HWND frame = nullptr;
  static inline HWND page = nullptr;
  static inline std::map<int, int> positions;
  static inline bool enabledAfterIntro = false;

  static BOOL CALLBACK FindFrame(HWND window, LPARAM) {
    if (!IsWindowVisible(window)) return TRUE;
    frame = window;
    return FALSE;
  }
  static BOOL CALLBACK FindPage(HWND window, LPARAM) {
    if (GetDlgItem(window, editor::kDisplay) == nullptr) return TRUE;
    page = window;
    return FALSE;
  }
  static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (++ticks > 200) PostQuitMessage(1);  // the frame never showed the page
    frame = nullptr;
    page = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &FindFrame, 0);
    if (frame == nullptr) return;
    EnumChildWindows(frame, &FindPage, 0);
    if (page == nullptr) return;
    for (int id = editor::kLevelSlider; id < editor::kDisplay; ++id) {
      if (HWND control = GetDlgItem(page, id)) {
        positions[id] = static_cast<int>(SendMessageA(control, editor::CTL_GET_VALUE, 0, 0));
      }
    }
    HWND display = GetDlgItem(page, editor::kDisplay);
    for (int tick = 0; tick < 64 && !IsWindowEnabled(GetDlgItem(page, editor::kRateKnob)); ++tick) {
      SendMessageA(display, WM_TIMER, 1, 0);
    }
    enabledAfterIntro = IsWindowEnabled(GetDlgItem(page, editor::kRateKnob)) != FALSE;
    PostMessageA(frame, WM_COMMAND, IDOK, 0);
  }
};

class PageFrameTest : public ::testing::TestWithParam<int> {
 protected:
  const OrkvPluginInfo& Info() const { return kOrkvPlugins[GetParam()]; }
};

TEST_P(PageFrameTest, ThePlatformFrameShowsThePageAndClosesWithOk) {
  RunWithin(std::chrono::seconds(60), "the property frame", [this] {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    {
      PluginLibrary library(Info());
      ASSERT_TRUE(library.Loaded());
      ASSERT_EQ(library.RegisterServer(), S_OK);
      host::ComPtr<IUnknown> filter = library.Create<IUnknown>(IID_IUnknown);
      ASSERT_TRUE(filter);
      host::ComPtr<IEffectParameters> parameters;
      ASSERT_EQ(filter->QueryInterface(*Info().parametersIid, parameters.GetVoidAddressOf()), S_OK);

      FrameVisit::ticks = 0;
      FrameVisit::positions.clear();
      FrameVisit::enabledAfterIntro = false;
      const UINT_PTR timer = SetTimer(nullptr, 0, 50, &FrameVisit::OnTimer);
      IUnknown* objects[] = {filter.Get()};
      CLSID pages[] = {*Info().pageClsid};
      EXPECT_EQ(
          OleCreatePropertyFrame(nullptr, 0, 0, L"Orvelt KV", 1, objects, 1, pages, 0, 0, nullptr),
          S_OK);
      KillTimer(nullptr, timer);

      const page_model::PageTable& table = *kPageTables[GetParam()];
      EXPECT_EQ(FrameVisit::positions.size(), table.bindings.size());
      EXPECT_TRUE(FrameVisit::enabledAfterIntro);
      for (const page_model::ControlBinding& binding : table.bindings) {
        EXPECT_EQ(FrameVisit::positions[binding.control],
                  ModelPosition(table, parameters.Get(), Info(), binding.control))
            << binding.control;
      }
      parameters.Reset();
      filter.Reset();
      CoFreeUnusedLibraries();
      EXPECT_EQ(library.CanUnloadNow(), S_OK);
      EXPECT_EQ(library.UnregisterServer(), S_OK);
    }
    CoUninitialize();
  });
}

INSTANTIATE_TEST_SUITE_P(Plugins, PageFrameTest, ::testing::Values(0, 1, 2, 3, 4, 5), PageCaseName);

}  // namespace
}  // namespace orkv::test
