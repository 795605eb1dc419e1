#include "tools/common/plugin_module.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <utility>

namespace orkv::render {
namespace {

using GetClassObjectFn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
using CanUnloadNowFn = HRESULT(WINAPI*)();

// An exported function with its real signature (FARPROC is only a placeholder).
template <class Fn>
Fn Export(HMODULE module, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

std::string WithoutDashes(std::string s) {
  s.erase(std::remove(s.begin(), s.end(), '-'), s.end());
  return s;
}

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

bool LooksLikePath(const std::string& s) {
  return s.find_first_of("/\\:") != std::string::npos || EndsWith(Lower(s), ".dll");
}

// The file name without directory and extension.
std::string FileStem(const std::string& path) {
  const auto slash = path.find_last_of("/\\:");
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const auto dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string ProgramDirectory() {
  char buffer[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  std::string path(buffer, length);
  const auto slash = path.find_last_of("/\\");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string ProgramFileName() {
  char buffer[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return "this program";
  const std::string path(buffer, length);
  return path.substr(path.find_last_of("/\\") + 1);
}

// The machine a Windows executable file is built for (its PE header), or 0
// when the file is none.
WORD FileMachine(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  IMAGE_DOS_HEADER dos{};
  DWORD signature = 0;
  IMAGE_FILE_HEADER header{};
  DWORD read = 0;
  const bool ok =
      ReadFile(file, &dos, sizeof dos, &read, nullptr) && read == sizeof dos &&
      dos.e_magic == IMAGE_DOS_SIGNATURE &&
      SetFilePointer(file, dos.e_lfanew, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
      ReadFile(file, &signature, sizeof signature, &read, nullptr) && read == sizeof signature &&
      signature == IMAGE_NT_SIGNATURE && ReadFile(file, &header, sizeof header, &read, nullptr) &&
      read == sizeof header;
  CloseHandle(file);
  return ok ? header.Machine : 0;
}

const char* MachineWords(WORD machine) {
  switch (machine) {
    case IMAGE_FILE_MACHINE_I386:
      return "a 32-bit (x86)";
    case IMAGE_FILE_MACHINE_AMD64:
      return "a 64-bit (x64)";
    default:
      return "another kind of";
  }
}

#if defined(_WIN64)
constexpr WORD kOwnMachine = IMAGE_FILE_MACHINE_AMD64;
constexpr const char* kOtherFolder = "x86";
#else
constexpr WORD kOwnMachine = IMAGE_FILE_MACHINE_I386;
constexpr const char* kOtherFolder = "x64";
#endif

// Why `path` could not be loaded, in words a user can act on.
std::string WhyNotLoaded(const std::string& path, const OrkvPluginInfo* named, DWORD error) {
  const std::string quoted = "'" + path + "'";
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
      (error == ERROR_MOD_NOT_FOUND &&
       GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)) {
    std::string message = "cannot load " + quoted + ": there is no such file";
    if (named != nullptr) {
      message += std::string(" (the ") + named->effect + " library " + named->library +
                 ".dll belongs beside " + ProgramFileName() + ")";
    }
    return message;
  }
  const WORD machine = FileMachine(path);
  if (machine != 0 && machine != kOwnMachine) {
    return "cannot load " + quoted + ": it is " + MachineWords(machine) + " library and " +
           ProgramFileName() + " is " + MachineWords(kOwnMachine) +
           " program; a program loads only libraries of its own kind (use the programs of the " +
           kOtherFolder + " folder with this library)";
  }
  if (machine == 0 && GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
    return "cannot load " + quoted + ": it is not a Windows library; the system says " +
           DescribeHresult(HRESULT_FROM_WIN32(error), quoted);
  }
  return "cannot load " + quoted + ": " + DescribeHresult(HRESULT_FROM_WIN32(error), quoted);
}

// A library at an arbitrary path: named like one of ours, or else the first
// plug-in whose class the library can make.
const OrkvPluginInfo* IdentifyLibrary(const std::string& path, GetClassObjectFn getClassObject) {
  if (const OrkvPluginInfo* byName = FindPluginByName(FileStem(path))) return byName;
  for (const OrkvPluginInfo& info : kOrkvPlugins) {
    host::ComPtr<IClassFactory> factory;
    if (SUCCEEDED(
            getClassObject(*info.filterClsid, IID_IClassFactory, factory.GetVoidAddressOf()))) {
      return &info;
    }
  }
  return nullptr;
}

}  // namespace

const OrkvPluginInfo* FindPluginByName(const std::string& name) {
  const std::string wanted = Lower(name);
  for (const OrkvPluginInfo& info : kOrkvPlugins) {
    const std::string effect = Lower(info.effect);
    if (wanted == effect || wanted == WithoutDashes(effect) || wanted == Lower(info.library)) {
      return &info;
    }
  }
  return nullptr;
}

std::string KnownPluginNames() {
  std::string names;
  for (const OrkvPluginInfo& info : kOrkvPlugins) {
    names += (names.empty() ? "" : ", ") + WithoutDashes(info.effect);
  }
  return names;
}

std::optional<PluginModule> PluginModule::Load(const std::string& nameOrPath, std::string& error) {
  const OrkvPluginInfo* info = FindPluginByName(nameOrPath);
  std::string path;
  if (info != nullptr) {
    path = ProgramDirectory() + info->library + ".dll";
  } else if (LooksLikePath(nameOrPath)) {
    path = nameOrPath;
  } else {
    error = "unknown plug-in '" + nameOrPath + "' (known: " + KnownPluginNames() +
            ", or a path to a plug-in DLL)";
    return std::nullopt;
  }

  HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (module == nullptr) {
    error = WhyNotLoaded(path, info, GetLastError());
    return std::nullopt;
  }
  auto getClassObject = Export<GetClassObjectFn>(module, "DllGetClassObject");
  if (getClassObject == nullptr) {
    FreeLibrary(module);
    error = "'" + path + "' is not a plug-in library: it has no DllGetClassObject export";
    return std::nullopt;
  }
  if (info == nullptr) info = IdentifyLibrary(path, getClassObject);
  if (info == nullptr) {
    FreeLibrary(module);
    error = "'" + path + "' is not an Orvelt KV plug-in: it makes none of the six filters";
    return std::nullopt;
  }
  return PluginModule(module, getClassObject, info, path);
}

PluginModule::PluginModule(HMODULE module, GetClassObjectFn getClassObject,
                           const OrkvPluginInfo* info, std::string path)
    : module_(module), getClassObject_(getClassObject), info_(info), path_(std::move(path)) {}

PluginModule::PluginModule(PluginModule&& other) noexcept
    : module_(std::exchange(other.module_, nullptr)),
      getClassObject_(other.getClassObject_),
      info_(other.info_),
      path_(std::move(other.path_)) {}

PluginModule::~PluginModule() {
  if (module_ == nullptr) return;
  // A library that still has live objects stays loaded rather than pulling
  // code out from under them.
  auto canUnload = Export<CanUnloadNowFn>(module_, "DllCanUnloadNow");
  if (canUnload == nullptr || canUnload() == S_OK) FreeLibrary(module_);
}

HRESULT PluginModule::CreateFilter(host::ComPtr<IBaseFilter>& filter) const {
  host::ComPtr<IClassFactory> factory;
  HRESULT hr = getClassObject_(*info_->filterClsid, IID_IClassFactory, factory.GetVoidAddressOf());
  if (FAILED(hr)) return hr;
  return factory->CreateInstance(nullptr, IID_IBaseFilter, filter.GetVoidAddressOf());
}

namespace {

// The system's messages name their subject by inserts such as "%1" (left as
// they are, since the message is formatted without arguments).
std::string FillInserts(const std::string& message, const std::string& subject) {
  std::string filled;
  for (std::size_t i = 0; i < message.size(); ++i) {
    if (message[i] == '%' && i + 1 < message.size() &&
        std::isdigit(static_cast<unsigned char>(message[i + 1]))) {
      while (i + 1 < message.size() && std::isdigit(static_cast<unsigned char>(message[i + 1]))) {
        ++i;
      }
      filled += subject;
    } else {
      filled += message[i];
    }
  }
  return filled;
}

}  // namespace

std::string DescribeHresult(HRESULT hr, const std::string& subject) {
  char code[16];
  std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(hr));
  char* text = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string result = code;
  if (length > 0 && text != nullptr) {
    std::string message(text, length);
    while (!message.empty() && std::isspace(static_cast<unsigned char>(message.back()))) {
      message.pop_back();
    }
    result += " (" + FillInserts(message, subject) + ")";
  }
  if (text != nullptr) LocalFree(text);
  return result;
}

}  // namespace orkv::render
