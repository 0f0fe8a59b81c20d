// Text constants: source files are UTF-8, a Text holds code page 936, so a
// constant is converted where it is made.
#pragma once

#include <string>
#include <string_view>

#include "runtime/text.h"

namespace skinwall {

Text TextFromUtf8(std::string_view utf8);
std::string TextToUtf8(const Text& text);

}  // namespace skinwall
