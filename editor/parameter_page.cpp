#include "editor/parameter_page.h"

#include <ocidl.h>
#include <olectl.h>

#include <array>
#include <cstring>
#include <new>

#include "editor/display_control.h"
#include "editor/knob_control.h"
#include "editor/model/messages.h"
#include "editor/page_help.h"
#include "editor/slider_control.h"
#include "host/com_ptr.h"
#include "host/server.h"

namespace orkv::editor {
namespace {

using host::ComPtr;

constexpr int kPageWidth = page_model::kPageWidth;
constexpr int kPageHeight = page_model::kPageHeight;
constexpr std::size_t kPathCapacity = MAX_PATH;
constexpr int kTitleCapacity = 256;

struct ControlClass {
  const char* name;
  ATOM (*registerClass)(HINSTANCE);
  bool stopsCreation;  // a failure ends the registration at once
};
constexpr ControlClass kControlClasses[] = {{kSliderClass, &RegisterSliderClass, false},
                                            {kKnobClass, &RegisterKnobClass, false},
                                            {kDisplayClass, &RegisterDisplayClass, true}};

// The module the control classes were registered on; they go with it. A class
// left behind would keep a window procedure in a library no longer loaded, and
// a later load of the library at another address would find it and use it.
class ControlClassRegistration {
 public:
  ~ControlClassRegistration() {
    if (module_ == nullptr) return;
    for (const ControlClass& entry : kControlClasses) UnregisterClassA(entry.name, module_);
  }
  void Remember(HINSTANCE module) { module_ = module; }

 private:
  HINSTANCE module_ = nullptr;
};
ControlClassRegistration g_registration;

// The three control classes, registered once per load of the module.
HRESULT RegisterControlClasses(HINSTANCE module) {
  HRESULT result = S_OK;
  g_registration.Remember(module);
  for (const ControlClass& entry : kControlClasses) {
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
  ParameterPage(const PageSetup& setup, IUnknown* outer)
      : CUnknown(outer), setup_(setup), window_(setup) {}

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
    if (!objectSet_ || window_.Handle() != nullptr) return E_UNEXPECTED;
    if (!window_.Create(parent, parameters_.Get())) return E_OUTOFMEMORY;
    HWND window = window_.Handle();
    SetWindowLongPtrA(window, GWL_EXSTYLE,
                      GetWindowLongPtrA(window, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
    Move(rect);
    ShowWindow(window, SW_SHOWNORMAL);
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE Deactivate() override {
    HWND window = window_.Handle();
    if (window == nullptr) return E_UNEXPECTED;
    SetWindowLongPtrA(window, GWL_EXSTYLE,
                      GetWindowLongPtrA(window, GWL_EXSTYLE) & ~WS_EX_CONTROLPARENT);
    window_.Destroy();
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
    MultiByteToWideChar(CP_ACP, 0,
                        HelpFilePath(host::ModuleInstance(), setup_.table->helpFile).data(), -1,
                        helpFile, kPathCapacity);
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
    HWND window = window_.Handle();
    if (window == nullptr) return E_UNEXPECTED;
    if (command != SW_HIDE && command != SW_SHOWNORMAL && command != SW_SHOW) return E_INVALIDARG;
    ShowWindow(window, static_cast<int>(command));
    InvalidateRect(window, nullptr, TRUE);
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE Move(LPCRECT rect) override {
    if (rect == nullptr) return E_POINTER;
    if (window_.Handle() == nullptr) return E_UNEXPECTED;
    MoveWindow(window_.Handle(), rect->left, rect->top, rect->right - rect->left,
               rect->bottom - rect->top, TRUE);
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
  HRESULT Connect(IUnknown* object) {
    if (object == nullptr) return E_POINTER;
    if (parameters_) Disconnect();
    ComPtr<IEffectParameters> parameters;
    if (FAILED(object->QueryInterface(*setup_.parametersIid, parameters.GetVoidAddressOf())) ||
        !parameters) {
      return E_NOINTERFACE;
    }
    parameters_ = std::move(parameters);
    window_.Retarget(parameters_.Get());
    return S_OK;
  }

  HRESULT Disconnect() {
    if (!parameters_) return E_UNEXPECTED;
    window_.Retarget(nullptr);
    parameters_.Reset();
    return S_OK;
  }

  const PageSetup setup_;
  ComPtr<IEffectParameters> parameters_;
  // Declared after the interface it uses: destroyed (with its window) first.
  PageWindow window_;
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

}  // namespace orkv::editor
