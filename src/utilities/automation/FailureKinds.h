// The failure codes (EXCEPINFO's scode) by which an application tells what
// kind of failure it raised, where the converter's callers tell those kinds
// apart: a protected source whose password is missing or wrong, a source
// that is no document, a format the application does not have, software it
// needs that is not installed. They lie in
// the range of the applications' own run-time errors (0x800A....); the
// stand-ins raise them, and an application that raises other codes for the
// same failures reads as an automation failure.
//
// Thread-safety: constant data; any thread.
#pragma once

#include <cstdint>

#include "platform/error.h"

namespace quillet::ole {

inline constexpr int32_t kPasswordIncorrect = static_cast<int32_t>(0x800A1520);
inline constexpr int32_t kFileCorrupt = static_cast<int32_t>(0x800A16A0);
inline constexpr int32_t kFormatNotAvailable = static_cast<int32_t>(0x800A1066);
inline constexpr int32_t kNotInstalled = static_cast<int32_t>(0x800A0001);

// The kind of an application's described failure by its code.
constexpr ErrorCode KindOfFailure(int32_t scode) {
  switch (scode) {
    case kPasswordIncorrect:
      return ErrorCode::Password;
    case kFileCorrupt:
      return ErrorCode::Corrupt;
    case kFormatNotAvailable:
      return ErrorCode::UnsupportedFormat;
    case kNotInstalled:
      return ErrorCode::NotInstalled;
    default:
      return ErrorCode::Automation;
  }
}

}  // namespace quillet::ole
