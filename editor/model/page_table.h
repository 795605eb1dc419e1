// Everything that makes one plug-in's page its own: texts, resource ids,
// layout, help contexts and the control bindings. One constant table per
// plug-in; the page code reads whichever its module was built with.
#pragma once

#include <span>

#include "editor/model/control_binding.h"
#include "editor/model/layout.h"

namespace orkv {
struct Phaser;
struct Chorus;
struct Flanger;
struct Filter;
struct CDelay;
struct Tremolo;
}  // namespace orkv

namespace orkv::page_model {

struct PageTable {
  // From the plug-in's own <name>_page.h, which its resource script reads too:
  // ORKV_PAGE_RESOURCES below fills them.
  const char* title;  // string 1, the page's title
  const char* aboutMenuText;
  int contextMenuResource;
  int aboutDialogResource;
  int aboutBitmapResource;

  const char* effectName;   // top left of the display
  const char* productLine;  // the intro's first line, trailing spaces included
  const char* helpFile;     // looked for beside the plug-in's library
  std::span<const ControlPlacement> layout = kStandardLayout;
  std::span<const HelpContextPair> helpContexts = kStandardHelpContexts;  // ends with a zero pair
  // The knobs in id order, then the slider: the order the page refreshes them.
  std::span<const ControlBinding> bindings;
};

// The fields a page table takes from its plug-in's <name>_page.h, which the
// page's source includes: the texts and resource ids written once for both.
#define ORKV_PAGE_RESOURCES                                                  \
  .title = ORKV_PAGE_TITLE, .aboutMenuText = ORKV_ABOUT_MENU_TEXT,           \
  .contextMenuResource = IDR_CONTEXT_MENU, .aboutDialogResource = IDD_ABOUT, \
  .aboutBitmapResource = IDB_ABOUT

// A page table tied to its effect by type, as a plug-in names both together:
// a page whose bindings index another effect's slots does not fit.
template <class Effect>
struct PageTableOf : PageTable {};

extern const PageTableOf<Phaser> kPhaserPage;
extern const PageTableOf<Chorus> kChorusPage;
extern const PageTableOf<Flanger> kFlangerPage;
extern const PageTableOf<Filter> kFilterPage;
extern const PageTableOf<CDelay> kCDelayPage;
extern const PageTableOf<Tremolo> kTremoloPage;

// Null when the plug-in lacks the control (or it is the display).
const ControlBinding* FindBinding(const PageTable& page, int control);

// The position of the control for the live parameters; 0xFFFF for a control
// without a binding.
inline constexpr int kNoPosition = 0xFFFF;
int PositionFromParameter(const PageTable& page, int control, const SlotAccess& slots);

}  // namespace orkv::page_model
