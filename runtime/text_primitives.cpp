#include "runtime/text_primitives.h"

#include <algorithm>
#include <charconv>

namespace skinwall {

int32_t CompareTexts(const Text& a, const Text& b) {
  const int c = a.view().compare(b.view());  // char_traits<char> compares as unsigned char
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

Text TextLeft(const Text& text, int32_t count) {
  if (count <= 0) return Text();
  return Text(text.view().substr(0, static_cast<std::size_t>(count)));
}

Text TextRight(const Text& text, int32_t count) {
  if (count <= 0) return Text();
  if (count >= text.size()) return text;
  return Text(text.view().substr(static_cast<std::size_t>(text.size() - count)));
}

Text TextMiddle(const Text& text, int32_t start, int32_t count) {
  if (start < 1 || start > text.size() || count <= 0) return Text();
  return Text(text.view().substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(count)));
}

int32_t CharCode(const Text& text, int32_t position) {
  if (position < 1 || position > text.size()) return 0;
  return static_cast<int8_t>(text.byte(position));
}

Text BlankText(int32_t count) {
  if (count < 1) return Text();
  return Text(std::string(static_cast<std::size_t>(count), ' '));
}

ByteSet BlankBytes(int32_t count) {
  ByteSet bytes;
  bytes.Resize(count);
  return bytes;
}

ByteSet TextToBytes(const Text& text) { return ByteSet(text.view()); }

Text BytesToText(const ByteSet& bytes) { return Text(bytes.view()); }

Text IntegerToText(int32_t value) {
  char digits[16];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  return Text(std::string_view(digits, static_cast<std::size_t>(result.ptr - digits)));
}

}  // namespace skinwall
