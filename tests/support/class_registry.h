// Reading HKEY_CLASSES_ROOT in tests: what registration left behind.
#pragma once

#include <windows.h>

#include <objbase.h>

#include <cwchar>
#include <string>

namespace orkv::test {

// "{XXXXXXXX-...}" as the registry spells class identifiers.
inline std::string GuidString(const GUID& id) {
  wchar_t wide[40] = {};
  StringFromGUID2(id, wide, 40);
  return std::string(wide, wide + std::wcslen(wide));
}

inline bool KeyExists(const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(key);
  return true;
}

// A string value (name null: the default value), or "<missing>".
inline std::string StringValue(const std::string& path, const char* name) {
  char value[MAX_PATH] = {};
  DWORD size = sizeof(value);
  if (RegGetValueA(HKEY_CLASSES_ROOT, path.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size) !=
      ERROR_SUCCESS) {
    return "<missing>";
  }
  return value;
}

// A DWORD value, or 0xFFFFFFFF when missing.
inline DWORD DwordValue(const std::string& path, const char* name) {
  DWORD value = 0xFFFFFFFF;
  DWORD size = sizeof(value);
  RegGetValueA(HKEY_CLASSES_ROOT, path.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size);
  return value;
}

}  // namespace orkv::test
