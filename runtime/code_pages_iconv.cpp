// Code pages through glibc iconv. A sequence the source lacks or cannot hold
// is replaced (U+FFFD going to UTF-16, "?" going out of it) and the
// conversion goes on after it.
#include <errno.h>
#include <iconv.h>

#include <cstring>
#include <memory>

#include "runtime/code_pages.h"

namespace skinwall {
namespace {

const char* IconvName(uint32_t code_page) {
  switch (code_page) {
    case kCodePageUtf8: return "UTF-8";
    case kCodePageGbk: return "CP936";
    default: return nullptr;
  }
}

struct IconvCloser {
  void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};
using IconvHandle = std::unique_ptr<void, IconvCloser>;

// Runs cd over in, calling on_bad(in_left) at each invalid or incomplete
// sequence; it returns how many input bytes to skip and appends a substitute.
template <class OnBad>
std::string Convert(iconv_t cd, std::string_view in, OnBad on_bad) {
  std::string out;
  char buffer[4096];
  char* src = const_cast<char*>(in.data());
  size_t src_left = in.size();
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  while (src_left > 0) {
    char* dst = buffer;
    size_t dst_left = sizeof buffer;
    const size_t r = iconv(cd, &src, &src_left, &dst, &dst_left);
    out.append(buffer, static_cast<size_t>(dst - buffer));
    if (r != static_cast<size_t>(-1)) continue;
    if (errno == E2BIG) continue;
    const size_t skip = std::min(src_left, on_bad(out, src, src_left));
    src += skip;
    src_left -= skip;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  return out;
}

iconv_t Open(const char* to, const char* from) {
  return iconv_open(to, from);
}

}  // namespace

bool IsSupportedCodePage(uint32_t code_page) { return IconvName(code_page) != nullptr; }

std::u16string CodePageToUtf16(uint32_t code_page, std::string_view bytes) {
  const char* from = IconvName(code_page);
  if (from == nullptr || bytes.empty()) return {};
  IconvHandle cd(Open("UTF-16LE", from));
  if (cd.get() == reinterpret_cast<void*>(-1)) return {};
  const std::string raw = Convert(static_cast<iconv_t>(cd.get()), bytes,
                                  [](std::string& out, const char*, size_t) -> size_t {
                                    out.append("\xFD\xFF", 2);  // U+FFFD, little-endian
                                    return 1;
                                  });
  std::u16string units(raw.size() / 2, u'\0');
  std::memcpy(units.data(), raw.data(), units.size() * 2);
  return units;
}

std::string Utf16ToCodePage(uint32_t code_page, std::u16string_view units) {
  const char* to = IconvName(code_page);
  if (to == nullptr || units.empty()) return {};
  IconvHandle cd(Open(to, "UTF-16LE"));
  if (cd.get() == reinterpret_cast<void*>(-1)) return {};
  const std::string_view raw(reinterpret_cast<const char*>(units.data()), units.size() * 2);
  return Convert(static_cast<iconv_t>(cd.get()), raw, [](std::string& out, const char* at, size_t left) -> size_t {
    out.push_back('?');
    if (left < 2) return left;
    const uint16_t unit = static_cast<uint8_t>(at[0]) | static_cast<uint16_t>(static_cast<uint8_t>(at[1]) << 8);
    const bool pair = unit >= 0xD800 && unit <= 0xDBFF && left >= 4 &&
                      (static_cast<uint8_t>(at[3]) & 0xFC) == 0xDC;
    return pair ? 4 : 2;
  });
}

}  // namespace skinwall
