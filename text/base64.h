// Base64 of RFC 4648 (standard alphabet, "=" padding) on one unbroken line.
#pragma once

#include "runtime/text.h"

namespace skinwall {

// The empty byte set gives the empty text.
Text Base64Encode(const ByteSet& bytes);

}  // namespace skinwall
