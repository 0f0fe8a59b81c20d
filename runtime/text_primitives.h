// Measuring, joining, comparing, cutting, building and converting values.
// Counts and positions are bytes from 1; out-of-range arguments give the
// empty value, never an error. Cuts may fall inside a double-byte character.
#pragma once

#include <concepts>
#include <cstdint>
#include <string_view>

#include "runtime/text.h"

namespace skinwall {

inline int32_t TextLength(const Text& text) { return text.size(); }
inline int32_t ByteSetLength(const ByteSet& bytes) { return bytes.size(); }

template <class... Parts>
  requires(std::same_as<Parts, Text> && ...)
Text JoinTexts(const Parts&... parts) {
  std::string joined;
  joined.reserve((static_cast<std::size_t>(parts.size()) + ... + 0));
  (joined.append(parts.view()), ...);
  return Text(joined);
}

template <class... Parts>
  requires(std::same_as<Parts, ByteSet> && ...)
ByteSet JoinByteSets(const Parts&... parts) {
  ByteSet joined;
  (joined.Append(parts.view()), ...);
  return joined;
}

// -1, 0 or 1 by unsigned byte values; a proper beginning sorts first.
int32_t CompareTexts(const Text& a, const Text& b);
inline bool CompareByteSets(const ByteSet& a, const ByteSet& b) { return a == b; }

Text TextLeft(const Text& text, int32_t count);
Text TextRight(const Text& text, int32_t count);
// Start below 1 or past the end gives the empty text; start is not moved to 1.
Text TextMiddle(const Text& text, int32_t start, int32_t count);
// The byte at position as a signed 8-bit value; 0 outside the text.
int32_t CharCode(const Text& text, int32_t position = 1);

Text BlankText(int32_t count);
ByteSet BlankBytes(int32_t count);
ByteSet TextToBytes(const Text& text);
// The bytes before the first zero byte.
Text BytesToText(const ByteSet& bytes);
Text IntegerToText(int32_t value);
inline uint8_t ToByte(int32_t value) { return static_cast<uint8_t>(value & 0xFF); }

}  // namespace skinwall
