// The page window: the dialog the property page shows, its controls made
// from the plug-in's page table and attached to their binding rows, and its
// messages (painting, the filter's notifications, the context menu, help, the
// end of the intro). Runs on the host's user-interface thread.
#pragma once

#include <windows.h>

#include <array>
#include <cstddef>

#include "core/orkv_effects.h"
#include "editor/control_attachment.h"
#include "editor/display_control.h"
#include "editor/model/page_table.h"

namespace orkv::editor {

// What a plug-in hands its page: its page table and its parameter interface.
struct PageSetup {
  const page_model::PageTable* table;
  const GUID* parametersIid;
  std::size_t slotCount;
};

class PageWindow {
 public:
  explicit PageWindow(const PageSetup& setup);
  ~PageWindow();
  PageWindow(const PageWindow&) = delete;
  PageWindow& operator=(const PageWindow&) = delete;

  // Creates the dialog as a child of `parent`; its controls are handed
  // `parameters` (which may be none). False when it cannot be made.
  bool Create(HWND parent, IEffectParameters* parameters);
  void Destroy();
  HWND Handle() const { return window_; }

  // The page's parameter interface changed (none: given back): the window's
  // notification registration and its controls' target follow it, and a new
  // one moves every control to its values.
  void Retarget(IEffectParameters* parameters);

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR OnInitDialog(HWND window);
  INT_PTR OnCommand(WPARAM wParam);
  INT_PTR OnContextMenu(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR OnHelp(HWND window, const HELPINFO* request);
  INT_PTR OnIntroDone();
  INT_PTR OnDestroy(HWND window);

  void CreateControls();
  void InitControls();
  // Selector 0 or PAGE_NOTIFY_ID: every control to the live parameters.
  void RefreshControls(int selector);
  void SendTargetToControls();
  std::array<char, MAX_PATH> HelpPath() const;
  const ControlAttachment* AttachmentOf(int control) const;

  static constexpr int kFirstControl = page_model::kLevelSlider;
  static constexpr int kLastControl = page_model::kFeedKnob;

  const PageSetup setup_;
  // One per slider or knob id, made from the table's rows; a control gets a
  // copy when it is created and both move it through the same row.
  std::array<ControlAttachment, kLastControl - kFirstControl + 1> attachments_{};
  DisplayIdentity display_;
  HWND window_ = nullptr;
  IEffectParameters* parameters_ = nullptr;  // the page's, not owned
};

}  // namespace orkv::editor
