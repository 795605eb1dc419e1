// COM for the calling thread, for as long as the object lives: the render host
// joins the multithreaded apartment, the editor (whose frame has windows) a
// single-threaded one.
#pragma once

#include <objbase.h>

namespace orkv::render {

class ComApartment {
 public:
  explicit ComApartment(DWORD model = COINIT_MULTITHREADED) : hr_(CoInitializeEx(nullptr, model)) {}
  ~ComApartment() {
    if (SUCCEEDED(hr_)) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  HRESULT Result() const { return hr_; }

 private:
  HRESULT hr_;
};

}  // namespace orkv::render
