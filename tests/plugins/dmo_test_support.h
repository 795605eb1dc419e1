// Driving a plug-in's DMO directly through IMediaObject, as DMO hosts do:
// media buffers of our own, types set from plain wave formats, and a loop
// that feeds one input buffer and drains it into output buffers of any size.
#pragma once

#include <windows.h>

#include <mediaerr.h>
#include <mediaobj.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <vector>

#include "host/media_type.h"
#include "tests/plugins/audio_test_filters.h"
#include "tests/plugins/plugin_library.h"

namespace orkv::test {

// A media buffer over a vector: capacity fixed at construction.
class TestBuffer final : public IMediaBuffer {
 public:
  explicit TestBuffer(DWORD capacity, DWORD length = 0) : bytes(capacity), length(length) {}
  explicit TestBuffer(const std::vector<std::uint8_t>& data)
      : bytes(data), length(static_cast<DWORD>(data.size())) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IMediaBuffer) {
      *ppv = static_cast<IMediaBuffer*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  HRESULT STDMETHODCALLTYPE SetLength(DWORD newLength) override {
    if (newLength > bytes.size()) return E_INVALIDARG;
    length = newLength;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetMaxLength(DWORD* max) override {
    if (max == nullptr) return E_POINTER;
    *max = static_cast<DWORD>(bytes.size());
    return S_OK;
  }
  // A buffer of no capacity still has an address (as the platform's do), so
  // that a DMO sees an empty buffer rather than a missing one.
  HRESULT STDMETHODCALLTYPE GetBufferAndLength(BYTE** data, DWORD* current) override {
    if (data != nullptr) *data = bytes.empty() ? reinterpret_cast<BYTE*>(this) : bytes.data();
    if (current != nullptr) *current = length;
    return S_OK;
  }

  std::vector<std::uint8_t> Data() const {
    return std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + length);
  }

  std::vector<std::uint8_t> bytes;
  DWORD length = 0;
  std::atomic<ULONG> refs{1};  // the test's own reference
};

inline const DMO_MEDIA_TYPE* AsDmoType(const AM_MEDIA_TYPE& type) {
  return reinterpret_cast<const DMO_MEDIA_TYPE*>(&type);
}

// The plug-in's DMO, created through its library's own class factory.
template <class Interface>
ComPtr<Interface> CreateDmo(const PluginLibrary& library, REFIID riid, IUnknown* outer = nullptr) {
  ComPtr<IClassFactory> factory;
  ComPtr<Interface> object;
  if (SUCCEEDED(library.GetClassObject(*library.Info().dmoClsid, IID_IClassFactory,
                                       factory.GetVoidAddressOf()))) {
    factory->CreateInstance(outer, riid, object.GetVoidAddressOf());
  }
  return object;
}

// Sets the input type and the output type the DMO proposes for it.
inline HRESULT SetStreamTypes(IMediaObject* dmo, const AM_MEDIA_TYPE& input) {
  HRESULT hr = dmo->SetInputType(0, AsDmoType(input), 0);
  if (FAILED(hr)) return hr;
  DMO_MEDIA_TYPE output{};
  hr = dmo->GetOutputType(0, 0, &output);
  if (FAILED(hr)) return hr;
  hr = dmo->SetOutputType(0, &output, 0);
  host::FreeMediaType(*reinterpret_cast<AM_MEDIA_TYPE*>(&output));
  return hr;
}

struct OutputChunk {
  std::vector<std::uint8_t> bytes;
  DWORD status = 0;
  REFERENCE_TIME time = 0, length = 0;
};

// Feeds one input buffer and drains it into output buffers of outBytes each.
// A drain that never ends (INCOMPLETE without progress) stops after `limit`.
inline std::vector<OutputChunk> Drain(IMediaObject* dmo, const std::vector<std::uint8_t>& input,
                                      DWORD outBytes, DWORD flags = 0, REFERENCE_TIME time = 0,
                                      REFERENCE_TIME length = 0, int limit = 100000) {
  std::vector<OutputChunk> chunks;
  TestBuffer in(input);
  if (dmo->ProcessInput(0, &in, flags, time, length) != S_OK) return chunks;
  for (int n = 0; n < limit; ++n) {
    TestBuffer out(outBytes);
    DMO_OUTPUT_DATA_BUFFER buffer{&out, 0, 0, 0};
    DWORD status = 0;
    if (dmo->ProcessOutput(0, 1, &buffer, &status) != S_OK) break;
    chunks.push_back({out.Data(), buffer.dwStatus, buffer.rtTimestamp, buffer.rtTimelength});
    if (!(buffer.dwStatus & DMO_OUTPUT_DATA_BUFFERF_INCOMPLETE)) break;
  }
  return chunks;
}

inline std::vector<std::uint8_t> Joined(const std::vector<OutputChunk>& chunks) {
  std::vector<std::uint8_t> all;
  for (const OutputChunk& c : chunks) all.insert(all.end(), c.bytes.begin(), c.bytes.end());
  return all;
}

// Deterministic noise-like audio: `bytes` bytes of 16-bit or float samples.
inline std::vector<std::uint8_t> TestAudio(std::size_t bytes, bool floats, std::uint32_t seed) {
  std::vector<std::uint8_t> data(bytes);
  std::uint32_t state = seed * 2654435761u + 1;
  for (std::size_t at = 0; at + (floats ? 4 : 2) <= bytes; at += floats ? 4 : 2) {
    state = state * 1664525u + 1013904223u;
    const int value = static_cast<int>(state >> 16) - 32768;
    if (floats) {
      const float f = static_cast<float>(value) / 40000.0f;
      std::memcpy(&data[at], &f, 4);
    } else {
      const auto s = static_cast<std::int16_t>(value / 2);
      std::memcpy(&data[at], &s, 2);
    }
  }
  return data;
}

}  // namespace orkv::test
