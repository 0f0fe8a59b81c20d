#include "text/header_text.h"

#include "runtime/source_text.h"
#include "runtime/text_primitives.h"

namespace skinwall {

const Text& QuoteMarker() {
  static const Text marker = TextFromUtf8("#引号");
  return marker;
}

Text HeaderName(const Text& line) {
  const int32_t colon = FindText(line, Text(":"));
  return colon == -1 ? Text() : TrimBothEnds(TextLeft(line, colon - 1));
}

Text HeaderValue(const Text& line) {
  const int32_t colon = FindText(line, Text(":"));
  return colon == -1 ? Text() : TrimBothEnds(TextRight(line, TextLength(line) - colon));
}

Text TextBetween(const Text& text, const Text& left, const Text& right, const TextBetweenOptions& options) {
  const ReplaceOptions unquote{.replacement = Text("\"")};
  const Text left_marker = ReplaceText(left, QuoteMarker(), unquote);
  const Text right_marker = ReplaceText(right, QuoteMarker(), unquote);
  int32_t p = FindText(text, left_marker, {.start = options.start, .match = options.match});
  if (p == -1) return Text();
  p += TextLength(left_marker);
  const int32_t q = FindText(text, right_marker, {.start = p, .match = options.match});
  if (q == -1) return Text();
  return TextMiddle(text, p, q - p);
}

}  // namespace skinwall
