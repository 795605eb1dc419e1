// Loading a plug-in library directly (no registration needed) and creating its
// filter through the library's own class factory.
#pragma once

#include <strmif.h>
#include <windows.h>

#include <optional>
#include <string>

#include "core/orkv_effects.h"
#include "host/com_ptr.h"

namespace orkv::render {

// The plug-in whose effect word ("Phaser", "C-Delay" or "CDelay") or library
// name ("ORKVPhaser") matches `name`, ignoring case; null if none does.
const OrkvPluginInfo* FindPluginByName(const std::string& name);

// "Phaser, Chorus, ..." for messages.
std::string KnownPluginNames();

// Owns the loaded library. Everything created from it must be released before
// the module goes (declare the module first so it is destroyed last).
class PluginModule {
 public:
  // `nameOrPath`: a plug-in name (the library is looked for beside this
  // program) or a path to a plug-in DLL.
  static std::optional<PluginModule> Load(const std::string& nameOrPath, std::string& error);

  PluginModule(PluginModule&& other) noexcept;
  PluginModule& operator=(PluginModule&&) = delete;
  PluginModule(const PluginModule&) = delete;
  ~PluginModule();

  const OrkvPluginInfo& Info() const { return *info_; }
  const std::string& Path() const { return path_; }

  // A new instance of the plug-in's filter.
  HRESULT CreateFilter(host::ComPtr<IBaseFilter>& filter) const;

  // The library's class object for `clsid` (its filter or its page).
  HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** object) const {
    return getClassObject_(clsid, riid, object);
  }

 private:
  using GetClassObjectFn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);

  PluginModule(HMODULE module, GetClassObjectFn getClassObject, const OrkvPluginInfo* info,
               std::string path);

  HMODULE module_ = nullptr;
  GetClassObjectFn getClassObject_ = nullptr;
  const OrkvPluginInfo* info_ = nullptr;
  std::string path_;
};

// "0x80004005" and, when the system knows it, its description, with `subject`
// for what the description leaves open ("Bad EXE format for %1.").
std::string DescribeHresult(HRESULT hr, const std::string& subject = "it");

}  // namespace orkv::render
