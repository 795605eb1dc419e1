#include "tests/editor/page_fixture.h"

#include "core/slot_access.h"
#include "editor/model/messages.h"
#include "editor/parameter_slots.h"

namespace orkv::test {
HRESULT TestPageSite::QueryInterface(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IPropertyPageSite) {
    *ppv = static_cast<IPropertyPageSite*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}
HRESULT TestPageSite::OnStatusChange(DWORD flags) {
  statusChanges.push_back(flags);
  return S_OK;
}
HRESULT TestPageSite::GetLocaleID(LCID* locale) {
  if (locale == nullptr) return E_POINTER;
  *locale = 0x0409;
  return S_OK;
}
HRESULT TestPageSite::GetPageContainer(IUnknown** container) {
  if (container != nullptr) *container = nullptr;
  return E_NOTIMPL;
}
HRESULT TestPageSite::TranslateAccelerator(MSG* /*message*/) { return S_FALSE; }

namespace {

LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CONTEXTMENU) {
    ++FrameCounts::contextMenus;
    FrameCounts::lastContextPoint = lParam;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// What WinHelpA sends the help system's window: a record tagged with a magic
// number, the command, its data and the file name behind it.
struct WinHelpRecord {
  WORD size;
  WORD command;
  LONG data;
  LONG reserved;
  WORD fileOffset;
  WORD dataOffset;
};
constexpr ULONG_PTR kWinHelpMagic = 0xA1DE505;

LRESULT CALLBACK HelpSystemProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_COPYDATA) return DefWindowProcA(window, message, wParam, lParam);
  const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
  if (copy == nullptr || copy->dwData != kWinHelpMagic || copy->cbData < sizeof(WinHelpRecord)) {
    return FALSE;
  }
  const auto* record = static_cast<const WinHelpRecord*>(copy->lpData);
  std::string file;
  if (record->fileOffset != 0 && record->fileOffset < copy->cbData) {
    file = static_cast<const char*>(copy->lpData) + record->fileOffset;
  }
  FakeHelpSystem::requests.push_back(
      {reinterpret_cast<HWND>(wParam), record->command, record->data, file});
  return TRUE;
}

}  // namespace

void FakeHelpSystem::Install() {
  static HWND window = [] {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = HelpSystemProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "MS_WINHELP";
    RegisterClassA(&windowClass);
    return CreateWindowExA(0, "MS_WINHELP", "help", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
  }();
  EXPECT_NE(window, nullptr);
}

HWND PageParent() {
  static HWND parent = [] {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = FrameProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "OrkvTestFrame";
    RegisterClassA(&windowClass);
    return CreateWindowExA(0, "OrkvTestFrame", "frame", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0,
                           0, 430, 110, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  }();
  return parent;
}

void PageTest::SetUp() {
  FakeHelpSystem::Install();
  library_ = std::make_unique<PluginLibrary>(Info());
  ASSERT_TRUE(library_->Loaded());
  filter_ = library_->Create<IUnknown>(IID_IUnknown);
  ASSERT_TRUE(filter_);
  ASSERT_EQ(filter_->QueryInterface(*Info().parametersIid, parameters_.GetVoidAddressOf()), S_OK);
  page_ = NewPage();
  ASSERT_TRUE(page_);
}

void PageTest::TearDown() {
  if (page_) {
    if (pageWindow_ != nullptr) {
      EXPECT_EQ(page_->Deactivate(), S_OK);
    }
    EXPECT_EQ(page_->SetObjects(0, nullptr), S_OK);
    EXPECT_EQ(page_->SetPageSite(nullptr), S_OK);
  }
  page_.Reset();
  parameters_.Reset();
  filter_.Reset();
  PumpQueued();
  EXPECT_EQ(site_.references, 0u);
  if (library_ && library_->Loaded()) {
    EXPECT_EQ(library_->CanUnloadNow(), S_OK);
  }
  library_.reset();
}

host::ComPtr<IPropertyPage> PageTest::NewPage() {
  host::ComPtr<IClassFactory> factory;
  host::ComPtr<IPropertyPage> page;
  if (FAILED(library_->GetClassObject(*Info().pageClsid, IID_IClassFactory,
                                      factory.GetVoidAddressOf()))) {
    return page;
  }
  factory->CreateInstance(nullptr, IID_IPropertyPage, page.GetVoidAddressOf());
  if (!page) return page;
  EXPECT_EQ(page->SetPageSite(&site_), S_OK);
  IUnknown* objects[] = {filter_.Get()};
  EXPECT_EQ(page->SetObjects(1, objects), S_OK);
  return page;
}

HWND PageTest::Activate(IPropertyPage* page) {
  const RECT area{0, 0, 430, 110};
  EXPECT_EQ(page->Activate(PageParent(), &area, FALSE), S_OK);
  // A new child window goes to the top of its siblings.
  HWND window = GetWindow(PageParent(), GW_CHILD);
  if (page == page_.Get()) pageWindow_ = window;
  return window;
}

bool PageTest::FinishIntro() {
  HWND display = Control(editor::kDisplay);
  for (int tick = 0; tick < 64; ++tick) {
    if (IsWindowEnabled(Control(editor::kLevelSlider))) return true;
    SendMessageA(display, WM_TIMER, 1, 0);
  }
  return IsWindowEnabled(Control(editor::kLevelSlider)) != FALSE;
}

int ModelPosition(const page_model::PageTable& table, IEffectParameters* parameters,
                  const OrkvPluginInfo& info, int control) {
  editor::ParameterSlots slots(parameters, static_cast<std::size_t>(info.slotCount));
  return page_model::PositionFromParameter(table, control, slots);
}

int PageTest::ModelPosition(int control) {
  return test::ModelPosition(Table(), parameters_.Get(), Info(), control);
}

double PageTest::Slot(std::size_t slot) {
  double value = 0;
  EXPECT_EQ(GetSlot(parameters_.Get(), static_cast<std::size_t>(Info().slotCount), slot, value),
            S_OK);
  return value;
}

void PageTest::PumpQueued(int count) {
  MSG message;
  for (int i = 0; i < count && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE); ++i) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

}  // namespace orkv::test
