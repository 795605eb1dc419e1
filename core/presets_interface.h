// The hosts' preset interface over the plug-in's constant PresetTable. A mixin
// of the filter object, which supplies IUnknown and `Store()`.
#pragma once

#include <windows.h>

#include <algorithm>
#include <array>

#include "core/orkv_effects.h"
#include "core/parameter_store.h"

namespace orkv {

template <class Derived, class Effect>
class PresetsInterface : public IEffectPresets {
 public:
  static constexpr LONG kPresetCount = static_cast<LONG>(Effect::kPresets.size());

  HRESULT STDMETHODCALLTYPE GetPresetCount(LONG* count) override {
    if (count == nullptr) return E_POINTER;
    *count = kPresetCount;
    return S_OK;
  }

  // Converts the row's ANSI name to wide characters. A buffer too small for the
  // whole name receives as much as fits, zero-terminated, and the call still
  // succeeds: hosts rely on S_OK here.
  HRESULT STDMETHODCALLTYPE GetPresetName(LONG index, WCHAR* name, LONG capacity) override {
    if (!IsValid(index)) return E_INVALIDARG;
    if (name == nullptr) return E_POINTER;
    if (capacity <= 0) return E_INVALIDARG;
    std::array<WCHAR, sizeof(Effect::kPresets[0].name) + 1> wide{};
    const int written = MultiByteToWideChar(CP_ACP, 0, Effect::kPresets[index].name, -1,
                                            wide.data(), static_cast<int>(wide.size()));
    const LONG length = written > 0 ? written - 1 : 0;  // without the terminator
    const LONG copied = std::min(length, capacity - 1);
    std::copy_n(wide.data(), copied, name);
    name[copied] = L'\0';
    return S_OK;
  }

  // Sets the whole block (clamped, both dirty flags raised); editors are not told.
  HRESULT STDMETHODCALLTYPE ApplyPreset(LONG index) override {
    if (!IsValid(index)) return E_INVALIDARG;
    static_cast<Derived*>(this)->Store().SetParameters(Effect::kPresets[index].values);
    return S_OK;
  }

 private:
  static bool IsValid(LONG index) { return index >= 0 && index < kPresetCount; }
};

}  // namespace orkv
