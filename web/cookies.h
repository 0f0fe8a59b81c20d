// Merging the cookies a request sent with the cookies its response set into
// the Cookie text for the next request.
#pragma once

#include <cstdint>

#include "runtime/text.h"

namespace skinwall {

// Cookie texts are entries separated by ";", normally name=value; spaces
// carry no meaning anywhere in them. A received entry replaces every sent
// entry of its name; sent entries the response does not name follow the
// received ones; an entry ending in "=deleted" (case-sensitive) is dropped
// together with the sent entries of its name; exact repeats are dropped.
// The result, entries joined by "; ", is also stored in sent.
Text MergeCookies(Text& sent, const Text& received);

// The trimmed part before the first "="; an entry without "=" is its own name.
Text CookieName(const Text& entry);
// Whether some entry of the list has exactly that name (case-sensitive).
bool HasCookieName(const TextArray& entries, const Text& name);
// The text with every element that already occurred before dropped, the
// survivors joined by the separator in their order.
Text JoinDistinct(const Text& text, const Text& separator);
// The 1-based index of the first element equal to text, or -1.
int32_t IndexOfText(const TextArray& list, const Text& text);

}  // namespace skinwall
