// A library with two faults the release check must catch, built for its test:
// an export with a decorated name and imports from the compiler's runtime DLLs
// (linked without -static). Never shipped, never loaded, never called.
#define WIN32_LEAN_AND_MEAN  // declares the exports itself, not as the COM headers do
#include <windows.h>

#include <string>

namespace {

long NoClass(void** object) {
  // Uses the shared C++ runtime, so that the library imports it.
  static const std::string unused = std::to_string(GetCurrentProcessId());
  *object = nullptr;
  return CLASS_E_CLASSNOTAVAILABLE;
}

}  // namespace

// Exported as "DllGetClassObject@12", the compiler's own name for the stdcall
// function on x86 (given explicitly on x64, which does not decorate), which
// regsvr32 and hosts do not look up.
#if defined(__i386__)
extern "C" __declspec(dllexport) long __stdcall DllGetClassObject(const void*, const void*,
                                                                  void** object) {
  return NoClass(object);
}
#else
extern "C" __declspec(dllexport) long DecoratedGetClassObject(
    const void*, const void*, void** object) __asm__("DllGetClassObject@12");
extern "C" long DecoratedGetClassObject(const void*, const void*, void** object) {
  return NoClass(object);
}
#endif

// The other three under their plain names.
extern "C" __declspec(dllexport) long DllCanUnloadNow() { return S_FALSE; }
extern "C" __declspec(dllexport) long DllRegisterServer() { return E_NOTIMPL; }
extern "C" __declspec(dllexport) long DllUnregisterServer() { return E_NOTIMPL; }
