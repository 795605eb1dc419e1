// Real windows for the editor's controls under Wine and Xvfb: a plug-in
// library loaded for its resources, the control classes registered on it, a
// visible page-sized parent that records what its children send it, and
// pixel read-back from window DCs.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/orkv_effects.h"
#include "editor/bitmap_toolkit.h"
#include "editor/control_attachment.h"
#include "editor/display_control.h"
#include "editor/gdi_handles.h"
#include "editor/knob_control.h"
#include "editor/model/messages.h"
#include "editor/model/page_table.h"
#include "editor/slider_control.h"
#include "host/com_ptr.h"

namespace orkv::test {

// What each plug-in's page gives its controls, written out as published.
struct EditorFacts {
  const char* effectName;
  const char* productLine;  // trailing spaces included
  std::size_t slotCount;
  std::size_t levelSlot;
};

struct EditorCase {
  int plugin;  // row of kOrkvPlugins
  EditorFacts facts;
  const page_model::PageTable* page;  // the binding rows the page attaches
};

inline const EditorCase kEditorCases[] = {
    {0, {"PHASER", "KV Phaser v.1.0    ", 8, 7}, &page_model::kPhaserPage},
    {1, {"CHORUS", "KV Chorus v.1.0    ", 8, 7}, &page_model::kChorusPage},
    {2, {"FLANGER", "KV Flanger v.1.0    ", 8, 7}, &page_model::kFlangerPage},
    {3, {"FILTER", "KV Filter v.1.0      ", 7, 6}, &page_model::kFilterPage},
    {4, {"C-DELAY", "KV C-Delay v.1.0   ", 7, 6}, &page_model::kCDelayPage},
    {5, {"TREMOLO", "KV Tremolo v.1.0   ", 4, 3}, &page_model::kTremoloPage},
};

// A message a child sent its parent.
struct Sent {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  bool operator==(const Sent&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Sent& s) {
  return out << "{0x" << std::hex << s.message << ", " << std::dec << s.wParam << ", 0x" << std::hex
             << s.lParam << std::dec << "}";
}

// 32-bit top-down pixels of a window's client area or of a bitmap, read back
// through a DIB section.
class Pixels {
 public:
  static Pixels OfWindow(HWND window);
  static Pixels OfBitmap(HBITMAP bitmap);
  Pixels Crop(int x, int y, int width, int height) const;

  int Width() const { return width_; }
  int Height() const { return height_; }
  // As a COLORREF (0x00BBGGRR).
  COLORREF At(int x, int y) const;
  bool operator==(const Pixels&) const = default;
  // How many pixels differ from `other` inside the rectangle.
  int Differences(const Pixels& other, const RECT& area) const;

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<DWORD> bgrx_;
};

// The library, its classes, its published page facts and a shown parent window.
class EditorTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override;
  void TearDown() override;

  const EditorCase& Case() const { return kEditorCases[GetParam()]; }
  const OrkvPluginInfo& Plugin() const { return kOrkvPlugins[Case().plugin]; }
  HINSTANCE Module() const { return module_; }
  HWND Parent() const { return parent_; }

  // A child of the parent, created hidden like the page creates it, with the
  // creation parameter the page would hand it (none: unattached).
  HWND CreateChild(const char* className, const char* text, int id, int x, int y, int width,
                   int height, const void* creation = nullptr);
  // The attachment the page makes for control `id` of the plug-in.
  editor::ControlAttachment AttachmentOf(int id) const;
  // A knob or slider as the page sets it up: created with its attachment,
  // handed the filter's parameter interface, shown (background prepared) and
  // painted.
  HWND ShowControl(const char* className, const char* text, int id, int x, int y, int width,
                   int height);
  // The display at its place, shown (background captured, intro timer on)
  // and painted.
  HWND ShowDisplay();

  // Everything the children sent the parent since the last call.
  std::vector<Sent> TakeSent();
  // Dispatches queued messages for at most `ms` milliseconds.
  void Pump(DWORD ms);
  // Dispatches queued messages until a child has sent `message`, for at most
  // `ms` milliseconds; whether it came.
  bool PumpUntil(UINT message, DWORD ms);

  // The filter's parameter interface, as the page would hand it over.
  IEffectParameters* Target();
  double Slot(std::size_t slot);

  // Pixels of the page image (resource 106).
  Pixels Page() const;

  EditorFacts facts_{};

 private:
  HMODULE module_ = nullptr;
  HWND parent_ = nullptr;
  host::ComPtr<IEffectParameters> target_;
};

inline std::string EditorCaseName(const ::testing::TestParamInfo<int>& param) {
  return kOrkvPlugins[kEditorCases[param.param].plugin].library;
}

}  // namespace orkv::test
