#include "runtime/walking.h"

#include <string>

namespace skinwall {
namespace {

// Width of the character that starts at 1-based position.
int32_t CharWidth(const Text& text, int32_t position) { return text.byte(position) >= 0x80 ? 2 : 1; }

uint8_t Fold(uint8_t b) { return (b >= 'A' && b <= 'Z') ? static_cast<uint8_t>(b + 32) : b; }

// Whether sought occurs at 1-based position; the caller checks that enough bytes remain.
bool MatchesAt(const Text& text, int32_t position, const Text& sought, CaseMatch match) {
  const std::string_view here = text.view().substr(static_cast<std::size_t>(position - 1), sought.view().size());
  if (match == CaseMatch::kExact) return here == sought.view();
  for (std::size_t i = 0; i < here.size(); ++i) {
    if (Fold(static_cast<uint8_t>(here[i])) != Fold(static_cast<uint8_t>(sought.view()[i]))) return false;
  }
  return true;
}

bool Remains(const Text& text, int32_t position, const Text& sought) {
  return text.size() - position + 1 >= sought.size();
}

// Width of the space at position (1 or 2), or 0 when none stands there.
int32_t SpaceWidth(const Text& text, int32_t position) {
  if (text.byte(position) == 0x20) return 1;
  if (text.byte(position) == 0xA1 && position < text.size() && text.byte(position + 1) == 0xA1) return 2;
  return 0;
}

// Bytes from 1-based position, at most count of them (clipped at the end).
std::string_view Bytes(const Text& text, int32_t position, int32_t count) {
  if (position > text.size()) return {};
  return text.view().substr(static_cast<std::size_t>(position - 1), static_cast<std::size_t>(count));
}

}  // namespace

int32_t FindText(const Text& text, const Text& sought, const FindOptions& options) {
  const int32_t start = options.start < 1 ? 1 : options.start;
  if (start > text.size()) return -1;
  if (sought.empty()) return 1;
  for (int32_t pos = start; pos <= text.size() && Remains(text, pos, sought); pos += CharWidth(text, pos)) {
    if (MatchesAt(text, pos, sought, options.match)) return pos;
  }
  return -1;
}

Text ReplaceText(const Text& text, const Text& sought, const ReplaceOptions& options) {
  const int32_t start = options.start < 1 ? 1 : options.start;
  if (text.empty() || sought.empty() || start > text.size() || options.count == 0) return text;
  std::string out(text.view().substr(0, static_cast<std::size_t>(start - 1)));
  int32_t replaced = 0;
  int32_t pos = start;
  while (pos <= text.size() && Remains(text, pos, sought)) {
    if (MatchesAt(text, pos, sought, options.match)) {
      out.append(options.replacement.view());
      pos += sought.size();
      if (++replaced == options.count) break;
    } else {
      const int32_t width = CharWidth(text, pos);
      out.append(Bytes(text, pos, width));
      pos += width;
    }
  }
  out.append(Bytes(text, pos, text.size()));
  return Text(out);
}

TextArray SplitText(const Text& text, const Text& delimiter, std::optional<int32_t> limit) {
  TextArray pieces;
  if ((limit && *limit <= 0) || text.empty()) return pieces;
  if (delimiter.empty()) {
    AppendText(pieces, text);
    return pieces;
  }
  int32_t piece_start = 1;
  int32_t pos = 1;
  while (pos <= text.size() && Remains(text, pos, delimiter)) {
    if (MatchesAt(text, pos, delimiter, CaseMatch::kExact)) {
      AppendText(pieces, Text(Bytes(text, piece_start, pos - piece_start)));
      pos += delimiter.size();
      piece_start = pos;
      if (limit && ElementCount(pieces) == *limit) return pieces;
    } else {
      pos += CharWidth(text, pos);
    }
  }
  if (piece_start <= text.size()) AppendText(pieces, Text(Bytes(text, piece_start, text.size())));
  return pieces;
}

Text TrimBothEnds(const Text& text) {
  int32_t pos = 1;
  for (int32_t width; pos <= text.size() && (width = SpaceWidth(text, pos)) > 0;) pos += width;
  const int32_t begin = pos;
  int32_t run_start = 0;  // where the current run of spaces began, 0 when none
  while (pos <= text.size()) {
    const int32_t space = SpaceWidth(text, pos);
    if (space > 0) {
      if (run_start == 0) run_start = pos;
      pos += space;
    } else {
      run_start = 0;
      pos += CharWidth(text, pos);
    }
  }
  const int32_t end = run_start == 0 ? text.size() + 1 : run_start;
  return Text(Bytes(text, begin, end - begin));
}

Text RemoveSpaces(const Text& text) {
  std::string out;
  out.reserve(static_cast<std::size_t>(text.size()));
  for (int32_t pos = 1; pos <= text.size();) {
    const int32_t space = SpaceWidth(text, pos);
    if (space > 0) {
      pos += space;
      continue;
    }
    const int32_t width = CharWidth(text, pos);
    out.append(Bytes(text, pos, width));
    pos += width;
  }
  return Text(out);
}

}  // namespace skinwall
