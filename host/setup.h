// Filter-mapper registration data of a filter: its record, pins and media types.
#pragma once

#include <strmif.h>

namespace orkv::host {

// { const CLSID* clsMajorType; const CLSID* clsMinorType; }
using AMOVIESETUP_MEDIATYPE = REGPINTYPES;
// { strName, bRendered, bOutput, bZero, bMany, clsConnectsToFilter,
//   strConnectsToPin, nMediaTypes, lpMediaType } (null pointers mean "none")
using AMOVIESETUP_PIN = REGFILTERPINS;

struct AMOVIESETUP_FILTER {
  const CLSID* clsID;
  const WCHAR* strName;
  DWORD dwMerit;
  UINT nPins;
  const AMOVIESETUP_PIN* lpPin;
};

}  // namespace orkv::host
