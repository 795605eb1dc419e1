// Saving and restoring the settings through a host's stream, as one record:
// size, the plug-in's parameter-interface identifier, the block. A mixin of the
// filter object, which supplies IUnknown, `Store()` and the identifiers.
#pragma once

#include <windows.h>

#include <objidl.h>

#include <cstring>

#include "core/parameter_store.h"
#include "core/settings_record.h"

namespace orkv {

template <class Derived, std::size_t N>
class PersistInterface : public IPersistStream {
 public:
  static constexpr ULONG kRecordSize = RecordSize(N);
  // A stream that reports success but delivers or takes fewer bytes than asked.
  static constexpr HRESULT kShortRead = HRESULT_FROM_WIN32(ERROR_HANDLE_EOF);
  static constexpr HRESULT kShortWrite = STG_E_MEDIUMFULL;

  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* id) override {
    if (id == nullptr) return E_POINTER;
    *id = Self().FilterClassId();
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE IsDirty() override {
    return Self().Store().IsPersistenceDirty() ? S_OK : S_FALSE;
  }

  // Everything is read and checked before the settings change, so a refused or
  // short record leaves settings, flags and editors untouched.
  HRESULT STDMETHODCALLTYPE Load(IStream* stream) override {
    if (stream == nullptr) return E_POINTER;
    RecordHeader header;
    HRESULT hr = ReadExactly(stream, header.data(), header.size());
    if (FAILED(hr)) return hr;
    if (CheckRecordHeader<N>(header, ParametersId()) != RecordCheck::kOk) return E_FAIL;
    std::array<std::uint8_t, 8 * N> block;
    hr = ReadExactly(stream, block.data(), block.size());
    if (FAILED(hr)) return hr;
    Self().Store().SetParameters(DecodeRecordBlock<N>(block));
    Self().Store().NotifyEditors(kEventSettingsLoaded);
    return S_OK;
  }

  // A save that does not clear marks the settings dirty, even if they were
  // clean; a failed save leaves the flag as it was; a change made while saving
  // stays dirty.
  HRESULT STDMETHODCALLTYPE Save(IStream* stream, BOOL clearDirty) override {
    if (stream == nullptr) return E_POINTER;
    const auto saved = Self().Store().GetParameters();
    const RecordHeader header = EncodeRecordHeader<N>(ParametersId());
    HRESULT hr = WriteExactly(stream, header.data(), header.size());
    if (FAILED(hr)) return hr;
    const auto block = EncodeRecordBlock<N>(saved);
    hr = WriteExactly(stream, block.data(), block.size());
    if (FAILED(hr)) return hr;
    if (clearDirty) {
      Self().Store().MarkSaved(saved);
    } else {
      Self().Store().SetPersistenceDirty(true);
    }
    return hr;
  }

  HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* size) override {
    if (size == nullptr) return E_POINTER;
    size->QuadPart = kRecordSize;
    return S_OK;
  }

 private:
  Derived& Self() { return *static_cast<Derived*>(this); }

  Guid ParametersId() {
    Guid id;
    static_assert(sizeof(Guid) == sizeof(GUID));
    std::memcpy(&id, &Self().ParametersInterfaceId(), sizeof(id));
    return id;
  }

  static HRESULT ReadExactly(IStream* stream, void* data, ULONG size) {
    ULONG read = 0;
    const HRESULT hr = stream->Read(data, size, &read);
    if (FAILED(hr)) return hr;
    return read == size ? S_OK : kShortRead;
  }

  static HRESULT WriteExactly(IStream* stream, const void* data, ULONG size) {
    ULONG written = 0;
    const HRESULT hr = stream->Write(data, size, &written);
    if (FAILED(hr)) return hr;
    return written == size ? hr : kShortWrite;
  }
};

}  // namespace orkv
