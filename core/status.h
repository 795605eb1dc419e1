// Status codes of the portable core. They carry the platform's HRESULT values,
// so the Windows layer passes them on unchanged.
#pragma once

#include <cstdint>

namespace orkv {

using Status = std::int32_t;

inline constexpr Status kOk = 0;
inline constexpr Status kFalse = 1;
inline constexpr Status kUnexpected = static_cast<Status>(0x8000FFFFu);
inline constexpr Status kInvalidArg = static_cast<Status>(0x80070057u);
inline constexpr Status kOutOfMemory = static_cast<Status>(0x8007000Eu);
inline constexpr Status kFail = static_cast<Status>(0x80004005u);
inline constexpr Status kNotConnected = static_cast<Status>(0x80040209u);

constexpr bool Failed(Status s) { return s < 0; }

}  // namespace orkv
