#include "runtime/source_text.h"

#include "runtime/code_pages.h"

namespace skinwall {

Text TextFromUtf8(std::string_view utf8) {
  return Text(Utf16ToCodePage(kCodePageGbk, CodePageToUtf16(kCodePageUtf8, utf8)));
}

std::string TextToUtf8(const Text& text) {
  return Utf16ToCodePage(kCodePageUtf8, CodePageToUtf16(kCodePageGbk, text.view()));
}

}  // namespace skinwall
