// Test access to a plug-in library as a host sees it: loaded from the build's
// bin directory, its filter created through its own class factory.
#pragma once

#include <strmif.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "core/orkv_effects.h"
#include "host/com_ptr.h"

namespace orkv::test {

using host::ComPtr;

class PluginLibrary {
 public:
  explicit PluginLibrary(const OrkvPluginInfo& info) : info_(info) {
    const std::string file = std::string(info.library) + ".dll";
    module_ = LoadLibraryA(file.c_str());
  }
  ~PluginLibrary() {
    if (module_ != nullptr) FreeLibrary(module_);
  }
  PluginLibrary(const PluginLibrary&) = delete;
  PluginLibrary& operator=(const PluginLibrary&) = delete;

  bool Loaded() const { return module_ != nullptr; }
  const OrkvPluginInfo& Info() const { return info_; }

  template <class Fn>
  Fn* Export(const char* name) const {
    return reinterpret_cast<Fn*>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
  }

  HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** ppv) const {
    using Fn = HRESULT STDAPICALLTYPE(REFCLSID, REFIID, void**);
    return Export<Fn>("DllGetClassObject")(clsid, riid, ppv);
  }
  HRESULT CanUnloadNow() const {
    using Fn = HRESULT STDAPICALLTYPE();
    return Export<Fn>("DllCanUnloadNow")();
  }
  HRESULT RegisterServer() const {
    using Fn = HRESULT STDAPICALLTYPE();
    return Export<Fn>("DllRegisterServer")();
  }
  HRESULT UnregisterServer() const {
    using Fn = HRESULT STDAPICALLTYPE();
    return Export<Fn>("DllUnregisterServer")();
  }

  ComPtr<IClassFactory> FilterFactory() const {
    ComPtr<IClassFactory> factory;
    GetClassObject(*info_.filterClsid, IID_IClassFactory, factory.GetVoidAddressOf());
    return factory;
  }

  // A new, stand-alone filter asking for `Interface`.
  template <class Interface>
  ComPtr<Interface> Create(REFIID riid) const {
    ComPtr<Interface> object;
    ComPtr<IClassFactory> factory = FilterFactory();
    if (factory) factory->CreateInstance(nullptr, riid, object.GetVoidAddressOf());
    return object;
  }

 private:
  const OrkvPluginInfo& info_;
  HMODULE module_ = nullptr;
};

// Names the test after the plug-in's effect word.
inline std::string PluginName(const ::testing::TestParamInfo<int>& param) {
  std::string name = kOrkvPlugins[param.param].library;
  return name;
}

// COM for the test's thread.
class ComApartment {
 public:
  ComApartment() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  ~ComApartment() { CoUninitialize(); }
};

// A hidden window that collects the WM_COMMAND messages posted to it.
class NotifyWindow {
 public:
  NotifyWindow() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "OrkvTestNotifyWindow";
    RegisterClassA(&wc);  // fails harmlessly when already registered
    window_ = CreateWindowA(wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            wc.hInstance, nullptr);
  }
  ~NotifyWindow() {
    if (window_ != nullptr) DestroyWindow(window_);
  }
  NotifyWindow(const NotifyWindow&) = delete;
  NotifyWindow& operator=(const NotifyWindow&) = delete;

  HWND Handle() const { return window_; }
  void Destroy() { DestroyWindow(window_); }

  // The WPARAMs of all WM_COMMAND messages waiting in the queue.
  std::vector<WPARAM> TakeCommands() {
    std::vector<WPARAM> commands;
    MSG msg;
    while (PeekMessageA(&msg, window_, WM_COMMAND, WM_COMMAND, PM_REMOVE)) {
      commands.push_back(msg.wParam);
    }
    return commands;
  }

 private:
  HWND window_ = nullptr;
};

}  // namespace orkv::test
