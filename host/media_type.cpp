#include "host/media_type.h"

#include <cstring>
#include <utility>

namespace orkv::host {

namespace {

void ClearFields(AM_MEDIA_TYPE& type) {
  std::memset(&type, 0, sizeof(type));
  type.bFixedSizeSamples = TRUE;
  type.lSampleSize = 1;
}

}  // namespace

void FreeMediaType(AM_MEDIA_TYPE& type) {
  if (type.cbFormat != 0 || type.pbFormat != nullptr) CoTaskMemFree(type.pbFormat);
  type.cbFormat = 0;
  type.pbFormat = nullptr;
  if (type.pUnk != nullptr) {
    type.pUnk->Release();
    type.pUnk = nullptr;
  }
}

void DeleteMediaType(AM_MEDIA_TYPE* type) {
  if (type == nullptr) return;
  FreeMediaType(*type);
  CoTaskMemFree(type);
}

HRESULT CopyMediaType(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE* source) {
  if (target == nullptr || source == nullptr) return E_POINTER;
  *target = *source;
  if (source->cbFormat != 0 && source->pbFormat != nullptr) {
    target->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(source->cbFormat));
    if (target->pbFormat == nullptr) {
      target->cbFormat = 0;
      target->pUnk = nullptr;
      return E_OUTOFMEMORY;
    }
    std::memcpy(target->pbFormat, source->pbFormat, source->cbFormat);
  } else {
    target->cbFormat = 0;
    target->pbFormat = nullptr;
  }
  if (target->pUnk != nullptr) target->pUnk->AddRef();
  return S_OK;
}

AM_MEDIA_TYPE* CreateMediaTypeCopy(const AM_MEDIA_TYPE& source) {
  auto* copy = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
  if (copy == nullptr) return nullptr;
  if (FAILED(CopyMediaType(copy, &source))) {
    CoTaskMemFree(copy);
    return nullptr;
  }
  return copy;
}

CMediaType::CMediaType() : AM_MEDIA_TYPE{} { ClearFields(*this); }

CMediaType::CMediaType(const GUID* majorType) : CMediaType() { majortype = *majorType; }

CMediaType::CMediaType(const AM_MEDIA_TYPE& other) : CMediaType() { Set(other); }

CMediaType::CMediaType(const CMediaType& other) : CMediaType() { Set(other); }

CMediaType::CMediaType(CMediaType&& other) noexcept : AM_MEDIA_TYPE(other) { ClearFields(other); }

CMediaType& CMediaType::operator=(const AM_MEDIA_TYPE& other) {
  if (&other != this) Set(other);
  return *this;
}

CMediaType& CMediaType::operator=(const CMediaType& other) {
  return *this = static_cast<const AM_MEDIA_TYPE&>(other);
}

CMediaType& CMediaType::operator=(CMediaType&& other) noexcept {
  if (&other != this) {
    FreeMediaType(*this);
    static_cast<AM_MEDIA_TYPE&>(*this) = other;
    ClearFields(other);
  }
  return *this;
}

CMediaType::~CMediaType() { FreeMediaType(*this); }

HRESULT CMediaType::Set(const AM_MEDIA_TYPE& other) {
  FreeMediaType(*this);
  const HRESULT hr = CopyMediaType(this, &other);
  if (FAILED(hr)) InitMediaType();
  return hr;
}

bool CMediaType::operator==(const CMediaType& other) const {
  return majortype == other.majortype && subtype == other.subtype &&
         formattype == other.formattype && cbFormat == other.cbFormat &&
         (cbFormat == 0 || std::memcmp(pbFormat, other.pbFormat, cbFormat) == 0);
}

void CMediaType::SetSampleSize(ULONG size) {
  if (size == 0) {
    bFixedSizeSamples = FALSE;
  } else {
    bFixedSizeSamples = TRUE;
    lSampleSize = size;
  }
}

BOOL CMediaType::SetFormat(const BYTE* format, ULONG length) {
  if (length != 0 && format == nullptr) return FALSE;
  BYTE* block = nullptr;
  if (length != 0) {
    block = static_cast<BYTE*>(CoTaskMemAlloc(length));
    if (block == nullptr) return FALSE;
    std::memcpy(block, format, length);
  }
  ResetFormatBuffer();
  pbFormat = block;
  cbFormat = length;
  return TRUE;
}

BYTE* CMediaType::ReallocFormatBuffer(ULONG length) {
  if (length == cbFormat && pbFormat != nullptr) return pbFormat;
  auto* block = static_cast<BYTE*>(CoTaskMemAlloc(length == 0 ? 1 : length));
  if (block == nullptr) return nullptr;
  if (pbFormat != nullptr) std::memcpy(block, pbFormat, length < cbFormat ? length : cbFormat);
  if (length > cbFormat) std::memset(block + cbFormat, 0, length - cbFormat);
  CoTaskMemFree(pbFormat);
  pbFormat = block;
  cbFormat = length;
  return block;
}

void CMediaType::ResetFormatBuffer() {
  CoTaskMemFree(pbFormat);
  pbFormat = nullptr;
  cbFormat = 0;
}

void CMediaType::InitMediaType() {
  FreeMediaType(*this);
  ClearFields(*this);
}

}  // namespace orkv::host
