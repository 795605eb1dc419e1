// The plug-in's parameter interface over its ParameterStore. A mixin of the
// filter object: the filter supplies IUnknown (one identity, one reference
// count) and `Store()`. Every plug-in implements the eight-slot vtable; the
// published interfaces for fewer slots are prefixes of it, so a Tremolo client
// never reaches past slot 3 (and such a call would get E_INVALIDARG).
#pragma once

#include <windows.h>

#include <vfwmsgs.h>

#include <cstring>

#include "core/orkv_effects.h"
#include "core/parameter_store.h"

namespace orkv {

template <class Derived, std::size_t N>
class ParametersInterface : public IEffectParameters8 {
 public:
  HRESULT STDMETHODCALLTYPE GetParameters(double* block) override {
    if (block == nullptr) return E_POINTER;
    const auto live = Store().GetParameters();
    std::memcpy(block, live.data(), sizeof(live));
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE SetParameters(const double* block) override {
    if (block == nullptr) return E_POINTER;
    ParameterBlock<N> copy;
    std::memcpy(copy.data(), block, sizeof(copy));
    Store().SetParameters(copy);
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE GetPinFormat(LONG pin, WAVEFORMATEX* format) override {
    if (format == nullptr) return E_POINTER;
    const WaveFormat* stored = Store().PinFormat(pin);
    if (stored == nullptr) return VFW_E_NOT_CONNECTED;
    static_assert(sizeof(WAVEFORMATEX) == sizeof(WaveFormat));
    std::memcpy(format, stored, sizeof(WaveFormat));
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE SetNotifyWindow(HWND window, LONG identifier) override {
    const bool registered = Store().SetNotifyWindow(reinterpret_cast<std::uintptr_t>(window),
                                                    static_cast<std::uint32_t>(identifier));
    return registered ? S_OK : E_OUTOFMEMORY;
  }

  // clang-format off
  HRESULT STDMETHODCALLTYPE GetParam0(double* v) override { return GetSlot(0, v); }
  HRESULT STDMETHODCALLTYPE SetParam0(double v) override { return SetSlot(0, v); }
  HRESULT STDMETHODCALLTYPE GetParam1(double* v) override { return GetSlot(1, v); }
  HRESULT STDMETHODCALLTYPE SetParam1(double v) override { return SetSlot(1, v); }
  HRESULT STDMETHODCALLTYPE GetParam2(double* v) override { return GetSlot(2, v); }
  HRESULT STDMETHODCALLTYPE SetParam2(double v) override { return SetSlot(2, v); }
  HRESULT STDMETHODCALLTYPE GetParam3(double* v) override { return GetSlot(3, v); }
  HRESULT STDMETHODCALLTYPE SetParam3(double v) override { return SetSlot(3, v); }
  HRESULT STDMETHODCALLTYPE GetParam4(double* v) override { return GetSlot(4, v); }
  HRESULT STDMETHODCALLTYPE SetParam4(double v) override { return SetSlot(4, v); }
  HRESULT STDMETHODCALLTYPE GetParam5(double* v) override { return GetSlot(5, v); }
  HRESULT STDMETHODCALLTYPE SetParam5(double v) override { return SetSlot(5, v); }
  HRESULT STDMETHODCALLTYPE GetParam6(double* v) override { return GetSlot(6, v); }
  HRESULT STDMETHODCALLTYPE SetParam6(double v) override { return SetSlot(6, v); }
  HRESULT STDMETHODCALLTYPE GetParam7(double* v) override { return GetSlot(7, v); }
  HRESULT STDMETHODCALLTYPE SetParam7(double v) override { return SetSlot(7, v); }
  // clang-format on

 private:
  ParameterStore<N>& Store() { return static_cast<Derived*>(this)->Store(); }

  HRESULT GetSlot(std::size_t slot, double* value) {
    if (value == nullptr) return E_POINTER;
    if (slot >= N) return E_INVALIDARG;
    *value = Store().GetParam(slot);
    return S_OK;
  }

  HRESULT SetSlot(std::size_t slot, double value) {
    if (slot >= N) return E_INVALIDARG;
    Store().SetParam(slot, value);
    return S_OK;
  }
};

}  // namespace orkv
