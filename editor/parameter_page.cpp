#include "editor/parameter_page.h"

#include <ocidl.h>
#include <olectl.h>

#include <array>
#include <cstring>
#include <new>
#include <string>

#include "editor/about_box.h"
#include "editor/bitmap_toolkit.h"
#include "editor/display_control.h"
#include "editor/gdi_handles.h"
#include "editor/knob_control.h"
#include "editor/model/messages.h"
#include "editor/parameter_slots.h"
#include "editor/plugin_editor_info.h"
#include "editor/resource_ids.h"
#include "editor/slider_control.h"
#include "host/com_ptr.h"
#include "host/server.h"

namespace orkv::editor {
namespace {

using host::ComPtr;
using page_model::PageTable;

constexpr int kPageWidth = page_model::kPageWidth;
constexpr int kPageHeight = page_model::kPageHeight;
constexpr std::size_t kPathCapacity = MAX_PATH;
constexpr int kTitleCapacity = 256;
constexpr UINT kHelpPopup = HELP_WM_HELP;  // pop-up topic of the control, from a context table

// The module's plug-in: every page of a library serves the same one.
PageSetup g_setup{};
PluginEditorInfo g_info{};
// The context menu all page windows of the module share, and how many page
// windows use it; the last one to go frees it.
HMENU g_contextMenu = nullptr;
int g_pageWindows = 0;

const page_model::ControlBinding* BindingOf(int control) {
  return g_setup.table != nullptr ? page_model::FindBinding(*g_setup.table, control) : nullptr;
}

void ApplyHook(IEffectParameters* target, int control, int position) {
  const page_model::ControlBinding* binding = BindingOf(control);
  if (binding == nullptr || target == nullptr) return;
  ParameterSlots slots(target, g_setup.slotCount);
  page_model::ApplyPosition(*binding, position, slots);
}

const char* LabelHook(int control) {
  const page_model::ControlBinding* binding = BindingOf(control);
  return binding != nullptr ? binding->label : nullptr;
}

std::string ValueTextHook(IEffectParameters* target, int control, int position) {
  const page_model::ControlBinding* binding = BindingOf(control);
  if (binding == nullptr || target == nullptr) return std::to_string(position);
  return page_model::ValueText(*binding, position, ParameterSlots(target, g_setup.slotCount));
}

void UseSetup(const PageSetup& setup) {
  g_setup = setup;
  const page_model::ControlBinding* level =
      page_model::FindBinding(*setup.table, page_model::kLevelSlider);
  g_info = {setup.table->effectName,
            setup.table->productLine,
            setup.slotCount,
            level != nullptr ? level->slot : 0,
            {&ApplyHook, &LabelHook, &ValueTextHook}};
  SetPluginEditorInfo(&g_info);
}

const char* ClassOf(int control) {
  if (control == page_model::kLevelSlider) return kSliderClass;
  return control == page_model::kDisplay ? kDisplayClass : kKnobClass;
}

// The three control classes, registered once per process on the module.
HRESULT RegisterControlClasses(HINSTANCE module) {
  struct ClassEntry {
    const char* name;
    ATOM (*registerClass)(HINSTANCE);
    bool stopsCreation;
  };
  static constexpr ClassEntry kClasses[] = {{kSliderClass, &RegisterSliderClass, false},
                                            {kKnobClass, &RegisterKnobClass, false},
                                            {kDisplayClass, &RegisterDisplayClass, true}};
  HRESULT result = S_OK;
  for (const ClassEntry& entry : kClasses) {
    WNDCLASSA existing{};
    if (GetClassInfoA(module, entry.name, &existing)) continue;
    if (entry.registerClass(module) != 0) continue;
    result = REGDB_E_CLASSNOTREG;
    if (entry.stopsCreation) break;
  }
  return result;
}

LPOLESTR TaskMemoryCopy(const WCHAR* text) {
  const std::size_t bytes = (lstrlenW(text) + 1) * sizeof(WCHAR);
  auto* copy = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
  if (copy != nullptr) std::memcpy(copy, text, bytes);
  return copy;
}

class ParameterPage final : public host::CUnknown, public IPropertyPage {
 public:
  ParameterPage(const PageSetup& setup, IUnknown* outer) : CUnknown(outer), setup_(setup) {}
  ~ParameterPage() override {
    if (window_ != nullptr) DestroyWindow(window_);
  }

  ORKV_DECLARE_IUNKNOWN

  HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    if (riid == IID_IPropertyPage)
      return host::GetInterface(static_cast<IPropertyPage*>(this), ppv);
    return CUnknown::NonDelegatingQueryInterface(riid, ppv);
  }

  HRESULT STDMETHODCALLTYPE SetPageSite(IPropertyPageSite* site) override {
    if ((site != nullptr) == static_cast<bool>(site_)) return E_UNEXPECTED;
    site_ = site;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE Activate(HWND parent, LPCRECT rect, BOOL /*modal*/) override {
    if (rect == nullptr) return E_POINTER;
    if (!objectSet_ || window_ != nullptr) return E_UNEXPECTED;
    HWND window = CreateDialogParamA(host::ModuleInstance(), MAKEINTRESOURCEA(IDD_PAGE), parent,
                                     &ParameterPage::DialogProc, reinterpret_cast<LPARAM>(this));
    if (window == nullptr) return E_OUTOFMEMORY;
    SetWindowLongPtrA(window, GWL_EXSTYLE,
                      GetWindowLongPtrA(window, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
    Move(rect);
    ShowWindow(window, SW_SHOWNORMAL);
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE Deactivate() override {
    if (window_ == nullptr) return E_UNEXPECTED;
    SetWindowLongPtrA(window_, GWL_EXSTYLE,
                      GetWindowLongPtrA(window_, GWL_EXSTYLE) & ~WS_EX_CONTROLPARENT);
    DestroyWindow(window_);
    window_ = nullptr;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE GetPageInfo(PROPPAGEINFO* info) override {
    if (info == nullptr) return E_POINTER;
    WCHAR title[kTitleCapacity] = {};
    LoadStringW(host::ModuleInstance(), 1, title, kTitleCapacity);
    LPOLESTR titleCopy = TaskMemoryCopy(title);
    if (titleCopy == nullptr) return E_OUTOFMEMORY;
    auto* helpFile = static_cast<LPOLESTR>(CoTaskMemAlloc(sizeof(WCHAR[2 * kPathCapacity])));
    if (helpFile == nullptr) {
      CoTaskMemFree(titleCopy);
      return E_OUTOFMEMORY;
    }
    helpFile[0] = L'\0';
    MultiByteToWideChar(CP_ACP, 0, HelpPath().data(), -1, helpFile, kPathCapacity);
    *info = {};
    info->cb = sizeof(PROPPAGEINFO);
    info->pszTitle = titleCopy;
    info->size = {kPageWidth, kPageHeight};
    info->pszDocString = nullptr;
    info->pszHelpFile = helpFile;
    info->dwHelpContext = page_model::kPageHelpContext;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE SetObjects(ULONG count, IUnknown** objects) override {
    if (count == 1) {
      if (objects == nullptr) return E_POINTER;
      objectSet_ = true;
      return Connect(objects[0]);
    }
    if (count != 0) return E_INVALIDARG;
    objectSet_ = false;
    return Disconnect();
  }

  HRESULT STDMETHODCALLTYPE Show(UINT command) override {
    if (window_ == nullptr) return E_UNEXPECTED;
    if (command != SW_HIDE && command != SW_SHOWNORMAL && command != SW_SHOW) return E_INVALIDARG;
    ShowWindow(window_, static_cast<int>(command));
    InvalidateRect(window_, nullptr, TRUE);
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE Move(LPCRECT rect) override {
    if (rect == nullptr) return E_POINTER;
    if (window_ == nullptr) return E_UNEXPECTED;
    MoveWindow(window_, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top,
               TRUE);
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE IsPageDirty() override { return dirty_ ? S_OK : S_FALSE; }

  HRESULT STDMETHODCALLTYPE Apply() override {
    if (!objectSet_ || !site_) return E_UNEXPECTED;
    dirty_ = false;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE Help(LPCOLESTR /*helpDir*/) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG* /*message*/) override { return E_NOTIMPL; }

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) SetWindowLongPtrA(window, DWLP_USER, lParam);
    auto* page = reinterpret_cast<ParameterPage*>(GetWindowLongPtrA(window, DWLP_USER));
    return page != nullptr ? page->OnMessage(window, message, wParam, lParam) : 0;
  }

  INT_PTR OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
      case WM_INITDIALOG:
        return OnInitDialog(window);
      case WM_PAINT:
        return OnPaint(window);
      case WM_COMMAND:
        return OnCommand(wParam);
      case WM_CONTEXTMENU:
        return OnContextMenu(window, message, wParam, lParam);
      case WM_HELP:
        return OnHelp(window, reinterpret_cast<const HELPINFO*>(lParam));
      case PAGE_INTRO_DONE:
        return OnIntroDone();
      case WM_DESTROY:
        return OnDestroy(window);
      default:
        return 0;
    }
  }

  INT_PTR OnInitDialog(HWND window) {
    window_ = window;
    if (parameters_) parameters_->SetNotifyWindow(window_, PAGE_NOTIFY_ID);
    LoadContextMenu();
    UseSetup(setup_);
    CreateControls();
    InitControls();
    RefreshControls(0);
    return 1;
  }

  INT_PTR OnPaint(HWND window) {
    PaintScope paint(window);
    PaintResourceBitmap(window, IDB_PAGE);
    return 1;
  }

  // Only the filter's notification refreshes, whatever its code; a command
  // id of 0 from elsewhere is not taken for one.
  INT_PTR OnCommand(WPARAM wParam) {
    if (!parameters_) return 1;
    const int id = LOWORD(wParam);
    if (id == IDM_HELP) OpenHelp();
    if (id == IDM_ABOUT) {
      RunAboutBox(host::ModuleInstance(), setup_.table->aboutDialogResource,
                  setup_.table->aboutBitmapResource, window_);
    }
    if (id == PAGE_NOTIFY_ID) RefreshControls(0);
    return 1;
  }

  // A right-click the page does not take goes on to the frame through
  // DefWindowProcA, once: the message is then reported handled, or the dialog
  // manager would pass it to the frame a second time.
  INT_PTR OnContextMenu(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const int x = static_cast<short>(LOWORD(lParam));
    const int y = static_cast<short>(HIWORD(lParam));
    if (!ShowContextMenu(g_contextMenu, window, x, y)) {
      DefWindowProcA(window, message, wParam, lParam);
    }
    return 1;
  }

  INT_PTR OnHelp(HWND window, const HELPINFO* request) {
    ShowHelp(window, request, setup_.table->helpContexts, HelpPath().data(), &CallHelpSystem);
    return 1;
  }

  INT_PTR OnIntroDone() {
    for (const page_model::ControlPlacement& placement : setup_.table->layout) {
      EnableWindow(GetDlgItem(window_, placement.control), TRUE);
    }
    return 1;
  }

  INT_PTR OnDestroy(HWND window) {
    if (parameters_) parameters_->SetNotifyWindow(window, 0);
    OnHelp(window, nullptr);
    ReleaseContextMenu();
    SetWindowLongPtrA(window, DWLP_USER, 0);
    window_ = nullptr;
    return 0;
  }

  std::array<char, kPathCapacity> HelpPath() const {
    std::array<char, kPathCapacity> path{};
    GetHelpFilePath(host::ModuleInstance(), setup_.table->helpFile, path.data(), path.size());
    return path;
  }

  void OpenHelp() { CallHelpSystem(window_, HelpPath().data(), HELP_FORCEFILE, 0); }

  // Every page window loads the menu anew; the previous one is no longer
  // named by anyone once the shared handle moves on.
  void LoadContextMenu() {
    HMENU loaded =
        LoadMenuA(host::ModuleInstance(), MAKEINTRESOURCEA(setup_.table->contextMenuResource));
    if (g_contextMenu != nullptr) DestroyMenu(g_contextMenu);
    g_contextMenu = loaded;
    ++g_pageWindows;
  }

  void ReleaseContextMenu() {
    if (--g_pageWindows > 0 || g_contextMenu == nullptr) return;
    DestroyMenu(g_contextMenu);
    g_contextMenu = nullptr;
  }

  void CreateControls() {
    for (const page_model::ControlPlacement& placement : setup_.table->layout) {
      HWND control = CreateWindowExA(
          0, ClassOf(placement.control), placement.windowText, page_model::kControlStyle,
          placement.x, placement.y, placement.width, placement.height, window_,
          reinterpret_cast<HMENU>(static_cast<INT_PTR>(placement.control)), host::ModuleInstance(),
          nullptr);
      if (control != nullptr && placement.control != page_model::kDisplay) {
        SendMessageA(control, CTL_SET_TARGET, reinterpret_cast<WPARAM>(parameters_.Get()), 0);
      }
    }
  }

  bool InitControls() {
    for (const page_model::ControlRange& range : page_model::kControlRanges) {
      HWND control = GetDlgItem(window_, range.control);
      if (control == nullptr) continue;
      ShowWindow(control, SW_SHOWNORMAL);
      SendMessageA(control, CTL_SET_TAG, 0, reinterpret_cast<LPARAM>(range.tag));
      SendMessageA(control, CTL_SET_MIN, static_cast<WPARAM>(range.lower), 0);
      SendMessageA(control, CTL_SET_MAX, static_cast<WPARAM>(range.upper), 0);
    }
    HWND display = GetDlgItem(window_, page_model::kDisplay);
    ShowWindow(display, SW_SHOWNORMAL);
    SendMessageA(display, DISPLAY_SET_MODE, 0, 0);
    SendMessageA(display, DISPLAY_SET_NAME, 0, reinterpret_cast<LPARAM>(setup_.table->effectName));
    return true;
  }

  // Selector 0 or PAGE_NOTIFY_ID: every control to the live parameters.
  void RefreshControls(int selector) {
    if (!parameters_ || window_ == nullptr) return;
    if (selector != 0 && selector != PAGE_NOTIFY_ID) return;
    for (const page_model::ControlBinding& binding : setup_.table->bindings) {
      const int position = PositionFromParameter(binding.control);
      SendDlgItemMessageA(window_, binding.control, CTL_SET_VALUE,
                          static_cast<WPARAM>(position & 0xFFFF), 0);
    }
  }

  int PositionFromParameter(int control) const {
    return page_model::PositionFromParameter(*setup_.table, control,
                                             ParameterSlots(parameters_.Get(), setup_.slotCount));
  }

  // The controls follow the page's interface, so none keeps one the page gave back.
  void RetargetControls() {
    for (const page_model::ControlBinding& binding : setup_.table->bindings) {
      SendDlgItemMessageA(window_, binding.control, CTL_SET_TARGET,
                          reinterpret_cast<WPARAM>(parameters_.Get()), 0);
    }
  }

  HRESULT Connect(IUnknown* object) {
    if (object == nullptr) return E_POINTER;
    if (parameters_) Disconnect();
    ComPtr<IEffectParameters> parameters;
    if (FAILED(object->QueryInterface(*setup_.parametersIid, parameters.GetVoidAddressOf())) ||
        !parameters) {
      return E_NOINTERFACE;
    }
    parameters_ = std::move(parameters);
    if (window_ != nullptr) {
      parameters_->SetNotifyWindow(window_, PAGE_NOTIFY_ID);
      RetargetControls();
      RefreshControls(0);
    }
    return S_OK;
  }

  HRESULT Disconnect() {
    if (!parameters_) return E_UNEXPECTED;
    if (window_ != nullptr) {
      parameters_->SetNotifyWindow(window_, 0);
      parameters_.Reset();
      RetargetControls();
    }
    parameters_.Reset();
    return S_OK;
  }

  const PageSetup setup_;
  HWND window_ = nullptr;
  ComPtr<IEffectParameters> parameters_;
  ComPtr<IPropertyPageSite> site_;
  bool objectSet_ = false;
  bool dirty_ = false;
};

}  // namespace

host::CUnknown* CreateParameterPage(const PageSetup& setup, IUnknown* outer, HRESULT* status) {
  auto* page = new (std::nothrow) ParameterPage(setup, outer);
  if (page == nullptr) {
    *status = E_OUTOFMEMORY;
    return nullptr;
  }
  const HRESULT registered = RegisterControlClasses(host::ModuleInstance());
  if (FAILED(registered)) {
    delete page;
    *status = registered;
    return nullptr;
  }
  *status = S_OK;
  return page;
}

void GetHelpFilePath(HMODULE module, const char* helpFile, char* buffer, std::size_t capacity) {
  if (buffer == nullptr || capacity == 0) return;
  buffer[0] = '\0';
  const DWORD length = GetModuleFileNameA(module, buffer, static_cast<DWORD>(capacity));
  std::size_t start = 0;
  for (std::size_t i = 0; i < length && i < capacity && buffer[i] != '\0'; ++i) {
    if (buffer[i] == ':' || buffer[i] == '\\') start = i + 1;
  }
  if (start >= capacity) start = capacity - 1;
  lstrcpynA(buffer + start, helpFile, static_cast<int>(capacity - start));
}

BOOL CallHelpSystem(HWND window, const char* path, UINT command, ULONG_PTR data) {
  return WinHelpA(window, path, command, data);
}

void ShowHelp(HWND window, const HELPINFO* request,
              std::span<const page_model::HelpContextPair> table, const char* path, HelpCall call) {
  if (request == nullptr) {
    call(window, path, HELP_QUIT, 0);
    return;
  }
  const bool listed =
      request->iContextType == HELPINFO_WINDOW &&
      page_model::HelpContextFor(table, request->iCtrlId) != page_model::kGeneralHelpContext;
  if (listed) {
    call(static_cast<HWND>(request->hItemHandle), path, kHelpPopup,
         reinterpret_cast<ULONG_PTR>(table.data()));
    return;
  }
  call(window, path, HELP_CONTEXT, page_model::kGeneralHelpContext);
}

bool ShowContextMenu(HMENU menu, HWND window, int x, int y) {
  POINT point{x, y};
  ScreenToClient(window, &point);
  RECT client{};
  GetClientRect(window, &client);
  if (!PtInRect(&client, point)) return false;
  ClientToScreen(window, &point);
  if (IntroDone() && menu != nullptr) {
    TrackPopupMenu(GetSubMenu(menu, 0), TPM_RIGHTBUTTON, point.x, point.y, 0, window, nullptr);
  }
  return true;
}

}  // namespace orkv::editor
