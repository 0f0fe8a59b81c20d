// Names taken from the catalogue are untrusted: one is used as a path
// component only when it is a plain name on every platform.
#pragma once

#include "runtime/text.h"

namespace skinwall {

// False for "." and "..", for a name holding "\", "/", ":", "*", "?", a
// double quote, "<", ">", "|" or a control character (checked by characters:
// a second byte of 0x5C or 0x7C belongs to its character), and for the
// device names CON, PRN, AUX, NUL, COM1-9 and LPT1-9 with or without an
// extension. The empty name is plain.
bool IsPlainName(const Text& name);

}  // namespace skinwall
