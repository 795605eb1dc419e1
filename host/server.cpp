#include "host/server.h"

#include <dmoreg.h>
#include <dshow.h>

#include <new>
#include <string>

#include "host/com_ptr.h"

namespace orkv::host {

namespace {

HINSTANCE g_module = nullptr;

constexpr HRESULT kNotRegisteredForSetup = static_cast<HRESULT>(0x80040202);

// "CLSID\{XXXXXXXX-...}"
std::wstring ClassKeyName(REFCLSID clsid) {
  WCHAR text[64] = {};
  StringFromGUID2(clsid, text, 64);
  return std::wstring(L"CLSID\\") + text;
}

LSTATUS SetStringValue(HKEY key, const WCHAR* name, const std::wstring& value) {
  return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>((value.size() + 1) * sizeof(WCHAR)));
}

// Creates (or opens) root\path and sets the given values; a Win32 error code.
// Wide throughout, so names and paths outside the ANSI code page survive.
LSTATUS WriteKey(HKEY root, const std::wstring& path, const WCHAR* name1,
                 const std::wstring& value1, const WCHAR* name2 = nullptr,
                 const std::wstring& value2 = {}) {
  HKEY key = nullptr;
  LSTATUS status = RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                   KEY_WRITE, nullptr, &key, nullptr);
  if (status != ERROR_SUCCESS) return status;
  status = SetStringValue(key, name1, value1);
  if (status == ERROR_SUCCESS && name2 != nullptr) status = SetStringValue(key, name2, value2);
  RegCloseKey(key);
  return status;
}

// Removes root\path and everything under it, children first.
void DeleteTree(HKEY root, const std::wstring& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | KEY_WRITE, &key) != ERROR_SUCCESS) return;
  for (;;) {
    WCHAR child[256];  // registry key names are at most 255 characters
    DWORD length = 256;
    if (RegEnumKeyExW(key, 0, child, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    DeleteTree(key, child);
    // A child that survived (no access) would be enumerated forever.
    HKEY survivor = nullptr;
    if (RegOpenKeyExW(key, child, 0, KEY_READ, &survivor) == ERROR_SUCCESS) {
      RegCloseKey(survivor);
      break;
    }
  }
  RegCloseKey(key);
  RegDeleteKeyW(root, path.c_str());
}

// The library's full path, however long; an error rather than a cut-off path.
HRESULT ModulePath(std::wstring& path) {
  constexpr DWORD kLongestPath = 32768;  // the longest path Windows can name
  for (DWORD capacity = MAX_PATH; capacity <= kLongestPath; capacity *= 2) {
    try {
      path.assign(capacity, L'\0');
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
    SetLastError(ERROR_SUCCESS);
    const DWORD length = GetModuleFileNameW(ModuleInstance(), path.data(), capacity);
    if (length == 0) return HRESULT_FROM_WIN32(GetLastError());
    if (length < capacity && GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
      path.resize(length);
      return S_OK;
    }
  }
  return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
}

// DMOUnregister of a DMO that has no record.
bool IsMissingDmoRecord(HRESULT hr) {
  return hr == S_FALSE || hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) ||
         hr == HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
}

HRESULT RegisterDmo(const DmoSetup& dmo) {
  return DMORegister(dmo.name, *dmo.clsid, *dmo.category, 0,
                     static_cast<DWORD>(dmo.inputTypes.size()), dmo.inputTypes.data(),
                     static_cast<DWORD>(dmo.outputTypes.size()), dmo.outputTypes.data());
}

HRESULT UnregisterDmo(const DmoSetup& dmo) {
  const HRESULT hr = DMOUnregister(*dmo.clsid, *dmo.category);
  return IsMissingDmoRecord(hr) ? S_OK : hr;
}

bool IsBenignSetupFailure(HRESULT hr) {
  return hr == E_NOINTERFACE || hr == kNotRegisteredForSetup;
}

// Creates the object of a template and refreshes (or removes) its mapper record.
HRESULT RunSetup(const CFactoryTemplate& entry, bool reg) {
  ComPtr<IAMovieSetup> setup;
  HRESULT hr = CoCreateInstance(*entry.clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IAMovieSetup,
                                setup.GetVoidAddressOf());
  if (FAILED(hr)) return IsBenignSetupFailure(hr) ? S_OK : hr;
  hr = setup->Unregister();
  if (reg && SUCCEEDED(hr)) hr = setup->Register();
  return hr;
}

// COM for the registration calls, undone at the end of the scope.
class ComScope {
 public:
  ComScope() : result_(CoInitialize(nullptr)) {}
  ~ComScope() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  HRESULT result_;
};

}  // namespace

void ServerProcessAttach(HINSTANCE module, FactoryTemplates templates) {
  DisableThreadLibraryCalls(module);
  g_module = module;
  for (const CFactoryTemplate& entry : templates) {
    if (entry.init != nullptr) entry.init(TRUE, entry.clsid);
  }
}

void ServerProcessDetach(FactoryTemplates templates) {
  for (const CFactoryTemplate& entry : templates) {
    if (entry.init != nullptr) entry.init(FALSE, entry.clsid);
  }
}

HINSTANCE ModuleInstance() { return g_module; }

HRESULT ServerGetClassObject(FactoryTemplates templates, REFCLSID clsid, REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  if (riid != IID_IUnknown && riid != IID_IClassFactory) return E_NOINTERFACE;
  for (const CFactoryTemplate& entry : templates) {
    if (*entry.clsid != clsid) continue;
    auto* factory = new (std::nothrow) CClassFactory(&entry);
    if (factory == nullptr) return E_OUTOFMEMORY;
    factory->AddRef();
    *ppv = static_cast<IClassFactory*>(factory);
    return S_OK;
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT ServerCanUnloadNow() {
  return (ServerLockCount() > 0 || ActiveObjectCount() != 0) ? S_FALSE : S_OK;
}

HRESULT RegisterClassKey(REFCLSID clsid, const WCHAR* name, const WCHAR* modulePath) {
  if (name == nullptr || modulePath == nullptr) return E_POINTER;
  const std::wstring key = ClassKeyName(clsid);
  LSTATUS status = WriteKey(HKEY_CLASSES_ROOT, key, nullptr, name);
  if (status == ERROR_SUCCESS) {
    status = WriteKey(HKEY_CLASSES_ROOT, key + L"\\InprocServer32", nullptr, modulePath,
                      L"ThreadingModel", L"Both");
  }
  return HRESULT_FROM_WIN32(status);
}

HRESULT UnregisterClassKey(REFCLSID clsid) {
  DeleteTree(HKEY_CLASSES_ROOT, ClassKeyName(clsid));
  return S_OK;
}

HRESULT ServerRegister(FactoryTemplates templates, DmoSetups dmos) {
  std::wstring path;
  HRESULT hr = ModulePath(path);
  if (FAILED(hr)) return hr;
  ComScope com;
  for (const CFactoryTemplate& entry : templates) {
    hr = RegisterClassKey(*entry.clsid, entry.name, path.c_str());
    if (FAILED(hr)) return hr;
    if (entry.setup != nullptr) hr = RunSetup(entry, true);
    if (FAILED(hr)) return hr;
  }
  for (const DmoSetup& dmo : dmos) {
    hr = RegisterDmo(dmo);
    if (FAILED(hr)) {
      ServerUnregister(templates, dmos);
      return hr;
    }
  }
  return hr;
}

HRESULT ServerUnregister(FactoryTemplates templates, DmoSetups dmos) {
  ComScope com;
  HRESULT hr = S_OK;
  for (const DmoSetup& dmo : dmos) {
    hr = UnregisterDmo(dmo);
    if (FAILED(hr)) return hr;
  }
  for (auto entry = templates.rbegin(); entry != templates.rend(); ++entry) {
    hr = entry->setup != nullptr ? RunSetup(*entry, false) : S_OK;
    if (SUCCEEDED(hr)) hr = UnregisterClassKey(*entry->clsid);
    if (FAILED(hr)) return hr;
  }
  return hr;
}

}  // namespace orkv::host
