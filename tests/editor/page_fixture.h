// The property page as a host frame drives it: the plug-in library loaded,
// its filter and page created through its own class factory, a page site of
// our own, and the page activated in a shown parent window.
#pragma once

#include <ocidl.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/orkv_effects.h"
#include "editor/model/page_table.h"
#include "host/com_ptr.h"
#include "tests/plugins/plugin_library.h"

namespace orkv::test {

// Each plug-in's page table, in the order of kOrkvPlugins.
inline const page_model::PageTable* const kPageTables[] = {
    &page_model::kPhaserPage, &page_model::kChorusPage, &page_model::kFlangerPage,
    &page_model::kFilterPage, &page_model::kCDelayPage, &page_model::kTremoloPage,
};

// What the host frame answers the page: nothing to do, every call counted.
class TestPageSite final : public IPropertyPageSite {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override { return --references; }
  HRESULT STDMETHODCALLTYPE OnStatusChange(DWORD flags) override;
  HRESULT STDMETHODCALLTYPE GetLocaleID(LCID* locale) override;
  HRESULT STDMETHODCALLTYPE GetPageContainer(IUnknown** container) override;
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG* message) override;

  ULONG references = 0;
  std::vector<DWORD> statusChanges;
};

class PageTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override;
  void TearDown() override;

  const OrkvPluginInfo& Info() const { return kOrkvPlugins[GetParam()]; }
  const page_model::PageTable& Table() const { return *kPageTables[GetParam()]; }

  // A new page through the library's factory, given our site and the filter.
  host::ComPtr<IPropertyPage> NewPage();
  // Activates `page` over the parent's client area; the page window.
  HWND Activate(IPropertyPage* page);
  HWND Control(int id) const { return GetDlgItem(pageWindow_, id); }
  // Ticks the display until the page has enabled its controls (bounded);
  // whether it did.
  bool FinishIntro();
  // Where the page model puts the control for the filter's live parameters.
  int ModelPosition(int control);
  double Slot(std::size_t slot);
  // Dispatches what is queued, at most `count` messages.
  static void PumpQueued(int count = 1000);

  std::unique_ptr<PluginLibrary> library_;
  host::ComPtr<IUnknown> filter_;
  host::ComPtr<IEffectParameters> parameters_;
  host::ComPtr<IPropertyPage> page_;
  TestPageSite site_;
  HWND pageWindow_ = nullptr;
};

// Where the page model puts `control` for the filter's live parameters.
int ModelPosition(const page_model::PageTable& table, IEffectParameters* parameters,
                  const OrkvPluginInfo& info, int control);

// One shown parent for the whole run (Wine is slow to destroy top-level windows).
// It stands for the host's frame and counts the right-clicks that reach it.
HWND PageParent();
struct FrameCounts {
  static inline int contextMenus = 0;
  static inline LPARAM lastContextPoint = 0;
};

// A help system of the test's own: a window of the class WinHelpA hands its
// requests to (by WM_COPYDATA), so that help requests are seen and no help
// viewer starts. Made once for the run by the page fixture.
struct HelpRequest {
  HWND window;
  UINT command;
  LONG data;
  std::string file;
};
struct FakeHelpSystem {
  static void Install();
  static inline std::vector<HelpRequest> requests;
};

inline std::string PageCaseName(const ::testing::TestParamInfo<int>& param) {
  return kOrkvPlugins[param.param].library;
}

}  // namespace orkv::test
