#include "app/plain_name.h"

#include <array>
#include <cctype>
#include <string>
#include <string_view>

namespace skinwall {
namespace {

bool IsDeviceName(std::string_view name) {
  const std::string_view stem = name.substr(0, name.find('.'));
  std::string upper(stem);
  while (!upper.empty() && upper.back() == ' ') upper.pop_back();
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (std::string_view device : {"CON", "PRN", "AUX", "NUL"}) {
    if (upper == device) return true;
  }
  return upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) && upper[3] >= '1' &&
         upper[3] <= '9';
}

}  // namespace

bool IsPlainName(const Text& name) {
  const std::string_view bytes = name.view();
  if (bytes == "." || bytes == "..") return false;
  for (std::size_t i = 0; i < bytes.size();) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b >= 0x80) {
      i += 2;
      continue;
    }
    if (b < 0x20 || b == 0x7F) return false;
    if (std::string_view("\\/:*?\"<>|").find(static_cast<char>(b)) != std::string_view::npos) return false;
    ++i;
  }
  return !IsDeviceName(bytes);
}

}  // namespace skinwall
