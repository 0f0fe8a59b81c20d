// The primitives that walk a text character by character: a byte of 0x80 or
// above and the byte after it are one character, and a match, delimiter or
// space is only recognised where the walk stands, never on a second byte.
#pragma once

#include <cstdint>
#include <optional>

#include "runtime/text.h"

namespace skinwall {

// How two stretches compare: exactly, or with the ASCII letters A-Z taken as
// a-z, byte by byte over the whole stretch (second bytes included).
enum class CaseMatch { kExact, kIgnoreCase };

struct FindOptions {
  int32_t start = 1;  // below 1 counts as 1
  CaseMatch match = CaseMatch::kExact;
};
// Position of the first occurrence at or after start, or -1. An empty sought
// text gives 1 (not start) when the searched stretch is not empty.
int32_t FindText(const Text& text, const Text& sought, const FindOptions& options = {});

struct ReplaceOptions {
  Text replacement;                     // empty: occurrences are deleted
  int32_t start = 1;                    // below 1 counts as 1; bytes before it are kept
  int32_t count = -1;                   // negative: no limit; 0: nothing replaced
  CaseMatch match = CaseMatch::kExact;
};
// Occurrences never overlap: replaced bytes and the replacement are not looked at again.
Text ReplaceText(const Text& text, const Text& sought, const ReplaceOptions& options = {});

// Pieces between exact occurrences of delimiter. A delimiter at the start
// gives an empty first piece; one at the very end gives no empty last piece.
// A limit of 0 or below gives no pieces; reaching the limit drops the rest.
TextArray SplitText(const Text& text, const Text& delimiter = Text(","),
                    std::optional<int32_t> limit = std::nullopt);

// Spaces are the byte 0x20 and the full-width space A1 A1; tabs, CR and LF are not.
Text TrimBothEnds(const Text& text);
Text RemoveSpaces(const Text& text);

}  // namespace skinwall
