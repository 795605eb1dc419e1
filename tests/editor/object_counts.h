// The process's GDI and USER object counts, for tests that check a piece of
// the editor leaves them where they were.
#pragma once

#include <windows.h>
#include <winternl.h>

#include <cstring>

namespace orkv::test {

struct ObjectCounts {
  DWORD gdi;
  DWORD user;
  bool operator==(const ObjectCounts&) const = default;
};

// Wine answers GetGuiResources with 0. Its GDI handle table, like the
// system's, hangs off the process environment block: 24-byte entries, the
// owning process id (0 for Wine's and for stock objects) at byte 8, the
// object type (0 when free) at byte 14.
inline DWORD GdiObjectsInHandleTable() {
  PROCESS_BASIC_INFORMATION process{};
  if (NtQueryInformationProcess(GetCurrentProcess(), ProcessBasicInformation, &process,
                                sizeof process, nullptr) != 0) {
    return 0;
  }
  const auto* peb = reinterpret_cast<const BYTE*>(process.PebBaseAddress);
  // GdiSharedHandleTable: the entries have the same layout for 32-bit processes.
#ifdef _WIN64
  constexpr int kHandleTableOffset = 0xF8;
#else
  constexpr int kHandleTableOffset = 0x94;
#endif
  const auto* table = *reinterpret_cast<const BYTE* const*>(peb + kHandleTableOffset);
  if (table == nullptr) return 0;
  const auto self = static_cast<USHORT>(GetCurrentProcessId());
  DWORD count = 0;
  for (int i = 0; i < 0x10000; ++i) {
    const BYTE* entry = table + i * 24;
    USHORT owner = 0;
    std::memcpy(&owner, entry + 8, sizeof owner);
    count += entry[14] != 0 && (owner == 0 || owner == self);
  }
  return count;
}

inline ObjectCounts Counts() {
  DWORD gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  if (gdi == 0) gdi = GdiObjectsInHandleTable();
  return {gdi, GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS)};
}

// False where neither the system nor the handle table tells (Wine's 32-bit
// side leaves the table out of the process block): the counts would be 0
// before and after, so the tests that compare them skip, saying why.
inline bool CanCountGdiObjects() { return Counts().gdi != 0; }

inline constexpr const char* kCannotCountGdiObjects =
    "this process cannot count its GDI objects here (no handle table in its process block); "
    "the 64-bit build checks the same code";

}  // namespace orkv::test
