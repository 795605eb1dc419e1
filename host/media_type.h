// CMediaType: an AM_MEDIA_TYPE that owns its format block (task memory) and its
// pUnk reference. It derives from AM_MEDIA_TYPE, so the platform fields
// (majortype, subtype, bFixedSizeSamples, bTemporalCompression, lSampleSize,
// formattype, pUnk, cbFormat, pbFormat) are read directly and a CMediaType* can
// be passed wherever an AM_MEDIA_TYPE* is expected. Change the format only
// through SetFormat / ReallocFormatBuffer / ResetFormatBuffer.
#pragma once

#include <strmif.h>

namespace orkv::host {

class CMediaType : public AM_MEDIA_TYPE {
 public:
  // An empty type: null GUIDs, no format, fixed-size samples of size 1.
  CMediaType();
  explicit CMediaType(const GUID* majorType);
  // Deep copy. If the format block cannot be allocated the copy has none
  // (cbFormat 0); use Set() to see that failure.
  CMediaType(const AM_MEDIA_TYPE& other);
  CMediaType(const CMediaType& other);
  CMediaType(CMediaType&& other) noexcept;
  CMediaType& operator=(const AM_MEDIA_TYPE& other);
  CMediaType& operator=(const CMediaType& other);
  CMediaType& operator=(CMediaType&& other) noexcept;
  ~CMediaType();

  // Deep copy with a result: E_OUTOFMEMORY if the format cannot be copied
  // (this type is then left empty).
  HRESULT Set(const AM_MEDIA_TYPE& other);

  // Same GUIDs and an identical format block.
  bool operator==(const CMediaType& other) const;
  bool IsValid() const { return majortype != GUID_NULL; }

  const GUID* Type() const { return &majortype; }
  const GUID* Subtype() const { return &subtype; }
  const GUID* FormatType() const { return &formattype; }
  void SetType(const GUID* type) { majortype = *type; }
  void SetSubtype(const GUID* type) { subtype = *type; }
  void SetFormatType(const GUID* type) { formattype = *type; }
  void SetSampleSize(ULONG size);
  void SetVariableSize() { bFixedSizeSamples = FALSE; }
  void SetTemporalCompression(BOOL compressed) { bTemporalCompression = compressed; }
  BOOL IsTemporalCompressed() const { return bTemporalCompression; }
  BOOL IsFixedSize() const { return bFixedSizeSamples; }
  ULONG GetSampleSize() const { return bFixedSizeSamples ? lSampleSize : 0; }

  ULONG FormatLength() const { return cbFormat; }
  BYTE* Format() const { return pbFormat; }
  // Replaces the format block with a copy of length bytes. FALSE if out of memory.
  BOOL SetFormat(const BYTE* format, ULONG length);
  // Resizes the format block keeping its leading bytes; null if out of memory
  // (the old block is then kept).
  BYTE* ReallocFormatBuffer(ULONG length);
  // Frees the format block.
  void ResetFormatBuffer();
  // Empties the whole type (and releases pUnk).
  void InitMediaType();
};

// Frees the format block and pUnk of a platform media type (not the struct).
void FreeMediaType(AM_MEDIA_TYPE& type);
// Frees a task-memory media type and its contents; null is ignored.
void DeleteMediaType(AM_MEDIA_TYPE* type);
// Deep copy into target (whose old contents are not freed). E_OUTOFMEMORY on failure,
// leaving target without a format block.
HRESULT CopyMediaType(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE* source);
// A task-memory deep copy, as IEnumMediaTypes hands out; null if out of memory.
// The receiver frees it with DeleteMediaType.
AM_MEDIA_TYPE* CreateMediaTypeCopy(const AM_MEDIA_TYPE& source);

}  // namespace orkv::host
