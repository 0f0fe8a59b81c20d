// Code pages through the system's own conversion (MultiByteToWideChar,
// WideCharToMultiByte). A sequence the source lacks or cannot hold is
// replaced (U+FFFD going to UTF-16, one "?" per character going out of it)
// and the conversion goes on after it.
#include <windows.h>

#include <algorithm>
#include <climits>

#include "runtime/code_pages.h"

namespace skinwall {
namespace {

constexpr char16_t kReplacement = u'\xFFFD';

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }
bool IsSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDFFF; }

// Appends the conversion of bytes to out; false when the system refuses it
// (with MB_ERR_INVALID_CHARS: when any sequence is invalid or unassigned).
bool AppendWide(uint32_t code_page, DWORD flags, std::string_view bytes, std::u16string& out) {
  if (bytes.empty()) return true;
  if (bytes.size() > INT_MAX) return false;
  const int in = static_cast<int>(bytes.size());
  const int needed = MultiByteToWideChar(code_page, flags, bytes.data(), in, nullptr, 0);
  if (needed <= 0) return false;
  const std::size_t at = out.size();
  out.resize(at + static_cast<std::size_t>(needed));
  const int written =
      MultiByteToWideChar(code_page, flags, bytes.data(), in, reinterpret_cast<wchar_t*>(out.data() + at), needed);
  out.resize(at + static_cast<std::size_t>(written > 0 ? written : 0));
  return written > 0;
}

// A double-byte code page maps what it lacks to its own default character,
// not to U+FFFD: the text is walked by characters instead, and each lead
// byte that does not start a valid pair becomes U+FFFD on its own, the byte
// after it being read afresh.
std::u16string WidenByCharacters(uint32_t code_page, std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  std::size_t i = 0;
  while (i < bytes.size()) {
    const bool lead = IsDBCSLeadByteEx(code_page, static_cast<BYTE>(bytes[i])) != 0;
    const std::size_t length = lead && i + 1 < bytes.size() ? 2 : 1;
    if (AppendWide(code_page, MB_ERR_INVALID_CHARS, bytes.substr(i, length), out)) {
      i += length;
    } else {
      out.push_back(kReplacement);
      ++i;
    }
  }
  return out;
}

}  // namespace

bool IsSupportedCodePage(uint32_t code_page) { return code_page == kCodePageUtf8 || code_page == kCodePageGbk; }

std::u16string CodePageToUtf16(uint32_t code_page, std::string_view bytes) {
  if (!IsSupportedCodePage(code_page) || bytes.empty()) return {};
  std::u16string out;
  // UTF-8 turns each invalid sequence into U+FFFD by itself.
  if (code_page == kCodePageUtf8) {
    AppendWide(code_page, 0, bytes, out);
    return out;
  }
  if (AppendWide(code_page, MB_ERR_INVALID_CHARS, bytes, out)) return out;
  return WidenByCharacters(code_page, bytes);
}

std::string Utf16ToCodePage(uint32_t code_page, std::u16string_view units) {
  if (!IsSupportedCodePage(code_page) || units.empty() || units.size() > INT_MAX) return {};
  // The system would give a "?" per unit of a pair the code page lacks and
  // U+FFFD for a lone surrogate: both become one "?" first. Code page 936
  // has no character beyond the first plane, so every pair is one "?" there.
  std::u16string cleaned;
  if (std::ranges::any_of(units, IsSurrogate)) {
    cleaned.reserve(units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
      if (!IsSurrogate(units[i])) {
        cleaned.push_back(units[i]);
        continue;
      }
      const bool pair = IsHighSurrogate(units[i]) && i + 1 < units.size() && IsLowSurrogate(units[i + 1]);
      if (pair && code_page == kCodePageUtf8) {
        cleaned.append(units.substr(i, 2));
      } else {
        cleaned.push_back(u'?');
      }
      if (pair) ++i;
    }
  }
  const std::u16string_view source = cleaned.empty() ? units : std::u16string_view(cleaned);
  const auto* wide = reinterpret_cast<const wchar_t*>(source.data());
  const int in = static_cast<int>(source.size());
  // Without best fit, a character the code page lacks becomes its default
  // character, "?", rather than a look-alike.
  const DWORD flags = code_page == kCodePageUtf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  const int needed = WideCharToMultiByte(code_page, flags, wide, in, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return {};
  std::string out(static_cast<std::size_t>(needed), '\0');
  const int written = WideCharToMultiByte(code_page, flags, wide, in, out.data(), needed, nullptr, nullptr);
  out.resize(static_cast<std::size_t>(written > 0 ? written : 0));
  return out;
}

}  // namespace skinwall
