// An owning COM interface pointer: one reference per ComPtr, released when the
// ComPtr goes away. Copies AddRef, moves transfer the reference.
#pragma once

#include <unknwn.h>

#include <cstddef>
#include <utility>

namespace orkv::host {

template <class T>
class ComPtr {
 public:
  ComPtr() noexcept = default;
  ComPtr(std::nullptr_t) noexcept {}
  // Shares p: takes a new reference of its own.
  explicit ComPtr(T* p) noexcept : p_(p) { AddRefHeld(); }
  ComPtr(const ComPtr& other) noexcept : p_(other.p_) { AddRefHeld(); }
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ~ComPtr() { Reset(); }

  ComPtr& operator=(const ComPtr& other) noexcept {
    ComPtr(other).Swap(*this);
    return *this;
  }
  ComPtr& operator=(ComPtr&& other) noexcept {
    ComPtr(std::move(other)).Swap(*this);
    return *this;
  }
  // Shares p (AddRef), releasing whatever was held before.
  ComPtr& operator=(T* p) noexcept {
    ComPtr(p).Swap(*this);
    return *this;
  }
  ComPtr& operator=(std::nullptr_t) noexcept {
    Reset();
    return *this;
  }

  T* Get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }

  // Releases the held pointer (if any) and returns the slot for an out
  // parameter that delivers a new reference, e.g. CoCreateInstance.
  T** GetAddressOf() noexcept {
    Reset();
    return &p_;
  }
  void** GetVoidAddressOf() noexcept { return reinterpret_cast<void**>(GetAddressOf()); }

  // Takes over a reference the caller already owns (no AddRef).
  void Attach(T* p) noexcept {
    Reset();
    p_ = p;
  }
  // Gives the reference to the caller, who must Release it.
  [[nodiscard]] T* Detach() noexcept { return std::exchange(p_, nullptr); }

  void Reset() noexcept {
    if (T* old = std::exchange(p_, nullptr)) old->Release();
  }

  // Stores a new reference in *out (null if nothing is held). E_POINTER for a
  // null out.
  HRESULT CopyTo(T** out) const noexcept {
    if (out == nullptr) return E_POINTER;
    *out = p_;
    AddRefHeld();
    return S_OK;
  }

  // QueryInterface for U into out (released first).
  template <class U>
  HRESULT As(ComPtr<U>& out) const noexcept {
    if (p_ == nullptr) {
      out.Reset();
      return E_POINTER;
    }
    return p_->QueryInterface(__uuidof(U), out.GetVoidAddressOf());
  }

  void Swap(ComPtr& other) noexcept { std::swap(p_, other.p_); }

  friend bool operator==(const ComPtr& a, const ComPtr& b) noexcept { return a.p_ == b.p_; }
  friend bool operator==(const ComPtr& a, std::nullptr_t) noexcept { return a.p_ == nullptr; }

 private:
  void AddRefHeld() const noexcept {
    if (p_ != nullptr) p_->AddRef();
  }

  T* p_ = nullptr;
};

}  // namespace orkv::host
