#include "text/code_page.h"

#include <string>

#include "runtime/system_functions.h"
#include "runtime/text_primitives.h"

namespace skinwall {

ByteSet TextToWide(const Text& text, std::optional<uint32_t> code_page) {
  const uint32_t cp = code_page.value_or(65001);
  const int32_t units = system_function::MultiByteToWideChar(cp, 0, text.c_str(), -1, nullptr, 0);
  ByteSet wide = BlankBytes(units * 2);
  if (units > 0) {
    system_function::MultiByteToWideChar(cp, 0, text.c_str(), -1, reinterpret_cast<char16_t*>(wide.data()), units);
  }
  return wide;
}

Text WideToText(const ByteSet& wide, std::optional<uint32_t> code_page) {
  const uint32_t cp = code_page.value_or(0);
  // Units up to the first zero unit, with a zero unit behind them whatever the input holds.
  std::u16string units(static_cast<std::size_t>(wide.size() / 2), u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    units[i] = static_cast<char16_t>(wide.data()[2 * i] | (wide.data()[2 * i + 1] << 8));
  }
  units.resize(std::char_traits<char16_t>::length(units.c_str()));
  const int32_t bytes = system_function::WideCharToMultiByte(cp, 0, units.c_str(), -1, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return Text();
  std::string out(static_cast<std::size_t>(bytes), '\0');
  system_function::WideCharToMultiByte(cp, 0, units.c_str(), -1, out.data(), bytes, nullptr, nullptr);
  return Text(out);
}

Text Utf8ToAnsi(const Text& utf8) { return WideToText(TextToWide(utf8), 936); }

bool IsDirectory(const Text& path) { return system_function::PathIsDirectoryA(path.c_str()) == kDirectoryAttribute; }

}  // namespace skinwall
