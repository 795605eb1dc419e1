// An IStream over memory for the persistence tests: reads that come up short
// (with success, the case a filter must catch) or fail, writes that fail.
#pragma once

#include <objidl.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace orkv::test {

// A memory stream whose reads can come up short or fail and whose writes can fail.
class TestStream final : public IStream {
 public:
  explicit TestStream(std::vector<BYTE> bytes = {}) : data(std::move(bytes)) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (riid == IID_IUnknown || riid == IID_IStream || riid == IID_ISequentialStream) {
      *ppv = this;
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE Read(void* out, ULONG size, ULONG* read) override {
    if (failReads) return STG_E_READFAULT;
    ULONG n = std::min<ULONG>(size, static_cast<ULONG>(data.size() - position));
    if (shortReadAfter != SIZE_MAX && position + n > shortReadAfter) {
      n = static_cast<ULONG>(shortReadAfter - std::min(position, shortReadAfter));
    }
    std::memcpy(out, data.data() + position, n);
    position += n;
    if (read != nullptr) *read = n;
    return S_OK;  // success even when short: the case a filter must catch
  }
  HRESULT STDMETHODCALLTYPE Write(const void* in, ULONG size, ULONG* written) override {
    if (failWrites) return STG_E_WRITEFAULT;
    const BYTE* bytes = static_cast<const BYTE*>(in);
    data.insert(data.end(), bytes, bytes + size);
    if (written != nullptr) *written = size;
    return S_OK;
  }
  // clang-format off
  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER, DWORD, ULARGE_INTEGER*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Revert() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Stat(STATSTG*, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }
  // clang-format on

  std::vector<BYTE> data;
  size_t position = 0;
  size_t shortReadAfter = SIZE_MAX;
  bool failReads = false;
  bool failWrites = false;
};

}  // namespace orkv::test
