// One setting by its slot index through a plug-in's parameter interface: the
// per-slot methods GetParamN / SetParamN as a table, for callers that hold a
// slot number rather than a method (the render tool, the page's controls).
#pragma once

#include <windows.h>

#include <cstddef>
#include <iterator>

#include "core/orkv_effects.h"

namespace orkv {

struct SlotMethods {
  HRESULT (STDMETHODCALLTYPE IEffectParameters8::*get)(double*);
  HRESULT (STDMETHODCALLTYPE IEffectParameters8::*set)(double);
};

// Every plug-in's interface is a prefix of the eight-slot one, so a slot below
// the plug-in's count is always reached through its own vtable entry.
inline constexpr SlotMethods kSlotMethods[] = {
    {&IEffectParameters8::GetParam0, &IEffectParameters8::SetParam0},
    {&IEffectParameters8::GetParam1, &IEffectParameters8::SetParam1},
    {&IEffectParameters8::GetParam2, &IEffectParameters8::SetParam2},
    {&IEffectParameters8::GetParam3, &IEffectParameters8::SetParam3},
    {&IEffectParameters8::GetParam4, &IEffectParameters8::SetParam4},
    {&IEffectParameters8::GetParam5, &IEffectParameters8::SetParam5},
    {&IEffectParameters8::GetParam6, &IEffectParameters8::SetParam6},
    {&IEffectParameters8::GetParam7, &IEffectParameters8::SetParam7},
};

// E_INVALIDARG for a slot at or past `slotCount`, the plug-in's own count.
inline HRESULT GetSlot(IEffectParameters* parameters, std::size_t slotCount, std::size_t slot,
                       double& value) {
  if (parameters == nullptr) return E_POINTER;
  if (slot >= slotCount || slot >= std::size(kSlotMethods)) return E_INVALIDARG;
  return (static_cast<IEffectParameters8*>(parameters)->*kSlotMethods[slot].get)(&value);
}

inline HRESULT SetSlot(IEffectParameters* parameters, std::size_t slotCount, std::size_t slot,
                       double value) {
  if (parameters == nullptr) return E_POINTER;
  if (slot >= slotCount || slot >= std::size(kSlotMethods)) return E_INVALIDARG;
  return (static_cast<IEffectParameters8*>(parameters)->*kSlotMethods[slot].set)(value);
}

}  // namespace orkv
