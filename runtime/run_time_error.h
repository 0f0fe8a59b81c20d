// The one convention for programming errors: a message box captioned "错误",
// then the end of the program with exit code -1, without the exit hooks.
#pragma once

#include <cstdint>

#include "runtime/text.h"

namespace skinwall {

// Codes of the run-time errors the system raises.
enum RunTimeErrorCode : int32_t {
  kErrorNone = 0,
  kErrorIndexAboveCount = 1,
  kErrorIndexBelowOne = 4,
  kErrorStackOutOfBalance = 6,
};

// Shows the message (with its code when the code is not 0) in an error box
// when a window runtime is up, else on standard error, and ends the process.
[[noreturn]] void RunTimeError(int32_t code, const Text& message);

// The exit code of a fatal end.
inline constexpr int kFatalExitCode = -1;

}  // namespace skinwall
