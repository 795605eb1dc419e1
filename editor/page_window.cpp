#include "editor/page_window.h"

#include "editor/about_box.h"
#include "editor/bitmap_toolkit.h"
#include "editor/gdi_handles.h"
#include "editor/model/messages.h"
#include "editor/page_context_menu.h"
#include "editor/page_help.h"
#include "editor/resource_ids.h"
#include "host/server.h"

namespace orkv::editor {
namespace {

const char* ClassOf(int control) {
  if (control == page_model::kLevelSlider) return kSliderClass;
  return control == page_model::kDisplay ? kDisplayClass : kKnobClass;
}

}  // namespace

PageWindow::PageWindow(const PageSetup& setup)
    : setup_(setup), display_{setup.table->effectName, setup.table->productLine} {
  for (const page_model::ControlBinding& binding : setup.table->bindings) {
    if (binding.control < kFirstControl || binding.control > kLastControl) continue;
    attachments_[static_cast<std::size_t>(binding.control - kFirstControl)] = {
        &binding, setup.slotCount, setup.table->effectName};
  }
}

PageWindow::~PageWindow() { Destroy(); }

bool PageWindow::Create(HWND parent, IEffectParameters* parameters) {
  parameters_ = parameters;
  HWND window = CreateDialogParamA(host::ModuleInstance(), MAKEINTRESOURCEA(IDD_PAGE), parent,
                                   &PageWindow::DialogProc, reinterpret_cast<LPARAM>(this));
  return window != nullptr;
}

void PageWindow::Destroy() {
  if (window_ != nullptr) DestroyWindow(window_);
  window_ = nullptr;
}

void PageWindow::Retarget(IEffectParameters* parameters) {
  if (window_ != nullptr && parameters_ != nullptr) parameters_->SetNotifyWindow(window_, 0);
  parameters_ = parameters;
  if (window_ == nullptr) return;
  if (parameters_ != nullptr) parameters_->SetNotifyWindow(window_, PAGE_NOTIFY_ID);
  SendTargetToControls();
  RefreshControls(0);
}

INT_PTR CALLBACK PageWindow::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) SetWindowLongPtrA(window, DWLP_USER, lParam);
  auto* page = reinterpret_cast<PageWindow*>(GetWindowLongPtrA(window, DWLP_USER));
  return page != nullptr ? page->OnMessage(window, message, wParam, lParam) : 0;
}

INT_PTR PageWindow::OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog(window);
    case WM_PAINT: {
      PaintScope paint(window);
      PaintResourceBitmap(window, IDB_PAGE);
      return 1;
    }
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

INT_PTR PageWindow::OnInitDialog(HWND window) {
  window_ = window;
  if (parameters_ != nullptr) parameters_->SetNotifyWindow(window_, PAGE_NOTIFY_ID);
  AcquireContextMenu(host::ModuleInstance(), setup_.table->contextMenuResource);
  CreateControls();
  InitControls();
  RefreshControls(0);
  return 1;
}

// Only the filter's notification refreshes, whatever its code; a command id
// of 0 from elsewhere is not taken for one.
INT_PTR PageWindow::OnCommand(WPARAM wParam) {
  if (parameters_ == nullptr) return 1;
  const int id = LOWORD(wParam);
  if (id == IDM_HELP) CallHelpSystem(window_, HelpPath().data(), HELP_FORCEFILE, 0);
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
INT_PTR PageWindow::OnContextMenu(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const int x = static_cast<short>(LOWORD(lParam));
  const int y = static_cast<short>(HIWORD(lParam));
  if (!ShowSharedContextMenu(window, x, y)) DefWindowProcA(window, message, wParam, lParam);
  return 1;
}

INT_PTR PageWindow::OnHelp(HWND window, const HELPINFO* request) {
  ShowHelp(window, request, setup_.table->helpContexts, HelpPath().data(), &CallHelpSystem);
  return 1;
}

INT_PTR PageWindow::OnIntroDone() {
  for (const page_model::ControlPlacement& placement : setup_.table->layout) {
    EnableWindow(GetDlgItem(window_, placement.control), TRUE);
  }
  return 1;
}

INT_PTR PageWindow::OnDestroy(HWND window) {
  if (parameters_ != nullptr) parameters_->SetNotifyWindow(window, 0);
  OnHelp(window, nullptr);
  ReleaseContextMenu();
  SetWindowLongPtrA(window, DWLP_USER, 0);
  window_ = nullptr;
  return 0;
}

std::array<char, MAX_PATH> PageWindow::HelpPath() const {
  return HelpFilePath(host::ModuleInstance(), setup_.table->helpFile);
}

const ControlAttachment* PageWindow::AttachmentOf(int control) const {
  if (control < kFirstControl || control > kLastControl) return nullptr;
  const ControlAttachment& attachment =
      attachments_[static_cast<std::size_t>(control - kFirstControl)];
  return attachment.binding != nullptr ? &attachment : nullptr;
}

// Slider first, the knobs, the display last; each control is handed its
// attachment (or the display its texts) as it is created, and its target.
void PageWindow::CreateControls() {
  for (const page_model::ControlPlacement& placement : setup_.table->layout) {
    const ControlAttachment* attachment = AttachmentOf(placement.control);
    const void* creation = placement.control == page_model::kDisplay
                               ? static_cast<const void*>(&display_)
                               : static_cast<const void*>(attachment);
    HWND control = CreateWindowExA(0, ClassOf(placement.control), placement.windowText,
                                   page_model::kControlStyle, placement.x, placement.y,
                                   placement.width, placement.height, window_,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(placement.control)),
                                   host::ModuleInstance(), const_cast<void*>(creation));
    if (control != nullptr && placement.control != page_model::kDisplay) {
      SendMessageA(control, CTL_SET_TARGET, reinterpret_cast<WPARAM>(parameters_), 0);
    }
  }
}

void PageWindow::InitControls() {
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
}

// In the table's order: the knobs by id, then the slider.
void PageWindow::RefreshControls(int selector) {
  if (parameters_ == nullptr || window_ == nullptr) return;
  if (selector != 0 && selector != PAGE_NOTIFY_ID) return;
  for (const page_model::ControlBinding& binding : setup_.table->bindings) {
    const ControlAttachment* attachment = AttachmentOf(binding.control);
    const int position = attachment != nullptr
                             ? attachment->Position(parameters_).value_or(page_model::kNoPosition)
                             : page_model::kNoPosition;
    SendDlgItemMessageA(window_, binding.control, CTL_SET_VALUE,
                        static_cast<WPARAM>(position & 0xFFFF), 0);
  }
}

// The controls follow the page's interface, so none keeps one the page gave back.
void PageWindow::SendTargetToControls() {
  for (const page_model::ControlBinding& binding : setup_.table->bindings) {
    SendDlgItemMessageA(window_, binding.control, CTL_SET_TARGET,
                        reinterpret_cast<WPARAM>(parameters_), 0);
  }
}

}  // namespace orkv::editor
