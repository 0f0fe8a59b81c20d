// UTF-8 to code page 936 and the folder test, through the system functions
// MultiByteToWideChar, WideCharToMultiByte and PathIsDirectoryA.
#pragma once

#include <cstdint>
#include <optional>

#include "runtime/text.h"

namespace skinwall {

// UTF-16LE units with a final zero unit; empty when the conversion fails.
// The code page defaults to 65001 (UTF-8).
ByteSet TextToWide(const Text& text, std::optional<uint32_t> code_page = std::nullopt);
// Reads up to the first zero unit (or the end, when there is none). The code
// page defaults to 0, the system's ANSI code page. A character the code page
// lacks becomes a substitute.
Text WideToText(const ByteSet& wide, std::optional<uint32_t> code_page = std::nullopt);
// UTF-8 bytes to code page 936, whatever the system's ANSI code page is.
Text Utf8ToAnsi(const Text& utf8);
// True exactly when PathIsDirectoryA gives the directory attribute (16).
bool IsDirectory(const Text& path);

}  // namespace skinwall
