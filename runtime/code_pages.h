// Conversions between a code page and UTF-16, supplied by each platform
// (iconv on POSIX, the system's own conversion on Windows). Used by text
// constants, at the platform seams and by the built-in conversion library.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace skinwall {

inline constexpr uint32_t kCodePageUtf8 = 65001;
inline constexpr uint32_t kCodePageGbk = 936;

// Whether this layer converts the code page (65001 and 936 at least).
bool IsSupportedCodePage(uint32_t code_page);
// A byte sequence that is not valid in the code page becomes U+FFFD.
std::u16string CodePageToUtf16(uint32_t code_page, std::string_view bytes);
// A character the code page lacks becomes one "?".
std::string Utf16ToCodePage(uint32_t code_page, std::u16string_view units);

}  // namespace skinwall
