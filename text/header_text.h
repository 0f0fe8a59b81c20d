// Splitting a header line into name and value, and taking the text between
// two markers.
#pragma once

#include <cstdint>

#include "runtime/text.h"
#include "runtime/walking.h"

namespace skinwall {

// The trimmed part before the first ":"; empty when the line has none.
Text HeaderName(const Text& line);
// The trimmed part after the first ":" (later colons kept); empty when the line has none.
Text HeaderValue(const Text& line);

struct TextBetweenOptions {
  int32_t start = 0;  // 1 or less searches from the beginning
  CaseMatch match = CaseMatch::kExact;
};
// The text after the first left marker at or after start, up to the first
// right marker behind it; empty when either is missing. "#引号" in a marker
// stands for a double quote.
Text TextBetween(const Text& text, const Text& left, const Text& right, const TextBetweenOptions& options = {});

// The marker that stands for a double quote in patterns and markers.
const Text& QuoteMarker();

}  // namespace skinwall
