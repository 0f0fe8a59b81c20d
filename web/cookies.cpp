#include "web/cookies.h"

#include <string>

#include "runtime/text_primitives.h"
#include "runtime/walking.h"

namespace skinwall {
namespace {

const Text kEntrySeparator(";");
const Text kJoinSeparator("; ");
const Text kDeletedSuffix("=deleted");

bool IsDeleted(const Text& entry) { return TextRight(entry, TextLength(kDeletedSuffix)) == kDeletedSuffix; }

// The text without its last count bytes; shorter texts become empty.
Text DropLast(const Text& text, int32_t count) { return TextLeft(text, TextLength(text) - count); }

}  // namespace

Text CookieName(const Text& entry) {
  const int32_t equals = FindText(entry, Text("="));
  return equals == -1 ? TrimBothEnds(entry) : TrimBothEnds(TextLeft(entry, equals - 1));
}

bool HasCookieName(const TextArray& entries, const Text& name) {
  for (int32_t i = 1; i <= ElementCount(entries); ++i) {
    if (CookieName(entries.At(i)) == name) return true;
  }
  return false;
}

int32_t IndexOfText(const TextArray& list, const Text& text) {
  for (int32_t i = 1; i <= ElementCount(list); ++i) {
    if (CompareTexts(list.At(i), text) == 0) return i;
  }
  return -1;
}

Text JoinDistinct(const Text& text, const Text& separator) {
  const TextArray elements = SplitText(text, separator);
  TextArray seen;
  std::string out;
  for (int32_t i = 1; i <= ElementCount(elements); ++i) {
    const Text& element = elements.At(i);
    if (IndexOfText(seen, element) != -1) continue;
    AppendText(seen, element);
    out.append(element.view());
    out.append(separator.view());
  }
  return DropLast(Text(out), TextLength(separator));
}

Text MergeCookies(Text& sent, const Text& received) {
  const TextArray old_entries = SplitText(RemoveSpaces(sent), kEntrySeparator);
  TextArray entries = SplitText(RemoveSpaces(received), kEntrySeparator);
  // The name check sees the old entries appended so far, so of two sent
  // entries with one name only the first survives.
  for (int32_t i = 1; i <= ElementCount(old_entries); ++i) {
    const Text& entry = old_entries.At(i);
    if (!HasCookieName(entries, CookieName(entry))) AppendText(entries, entry);
  }
  std::string joined;
  for (int32_t i = 1; i <= ElementCount(entries); ++i) {
    const Text& entry = entries.At(i);
    if (IsDeleted(entry)) continue;
    joined.append(entry.view());
    joined.append(kJoinSeparator.view());
  }
  Text merged = JoinDistinct(DropLast(Text(joined), TextLength(kJoinSeparator)), kJoinSeparator);
  sent = merged;
  return merged;
}

}  // namespace skinwall
