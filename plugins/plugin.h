// A plug-in is an Effect (engine, slot table, presets), its identity row in
// the public table and its page table; everything else (filter, factory templates, registration
// data) is generated from those two here, identically for all six libraries.
#pragma once

#include <cstddef>
#include <iterator>
#include <string_view>

#include "core/effect_dmo.h"
#include "core/effect_filter.h"
#include "core/orkv_effects.h"
#include "editor/model/page_table.h"
#include "editor/parameter_page.h"
#include "host/class_factory.h"
#include "host/server.h"

namespace orkv {

// The row of the public table whose effect word is `effect`; past the end
// when there is none, which makes any use of it fail to compile.
consteval std::size_t IdentityRowOf(std::string_view effect) {
  std::size_t row = 0;
  while (row < std::size(kOrkvPlugins) && std::string_view(kOrkvPlugins[row].effect) != effect) {
    ++row;
  }
  return row;
}

// The effect names its own identity row (Effect::kName), and its page table is
// typed by it, so no plug-in can be paired with another's identifiers or page.
template <class EffectT, const page_model::PageTableOf<EffectT>& kPageTable>
struct Plugin {
  using Effect = EffectT;
  static constexpr const page_model::PageTable& kPage = kPageTable;
  static constexpr std::size_t kRow = IdentityRowOf(EffectT::kName);
  static_assert(kRow < std::size(kOrkvPlugins), "the effect has no identity row");
  static constexpr const OrkvPluginInfo& kInfo = kOrkvPlugins[kRow];
  static_assert(static_cast<int>(EffectT::kSlotCount) == kInfo.slotCount);
};

// The property page's creation function: the page over the plug-in's table
// and parameter interface.
template <class P>
host::CUnknown* CreatePropertyPage(IUnknown* outer, HRESULT* status) {
  return editor::CreateParameterPage({&P::kPage, P::kInfo.parametersIid, P::Effect::kSlotCount},
                                     outer, status);
}

// Entry 0 the filter, entry 1 its page, entry 2 the effect as a DMO (named
// like the filter: hosts list it among their DMO effects by that name).
template <class P>
inline constexpr host::CFactoryTemplate kFactoryTemplates[3] = {
    {P::kInfo.filterName, P::kInfo.filterClsid, &EffectFilter<P>::Create, nullptr,
     &EffectFilter<P>::kSetupFilter},
    {P::kInfo.pageName, P::kInfo.pageClsid, &CreatePropertyPage<P>, nullptr, nullptr},
    {P::kInfo.filterName, P::kInfo.dmoClsid, &EffectDmo<P>::Create, nullptr, nullptr},
};

// Defined once per library (plugins/<name>/plugin.cpp): its template table.
host::FactoryTemplates PluginTemplates();

// The library's DMO record: an audio effect taking and giving 16-bit PCM or
// 32-bit float. Found through the identity row of the library's filter.
host::DmoSetup PluginMediaObject();

}  // namespace orkv
