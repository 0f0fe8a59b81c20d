// The walking primitives over arbitrary texts, with start, count, limit and
// case rule taken from the input.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "runtime/text_primitives.h"
#include "runtime/walking.h"

using namespace skinwall;

namespace {

uint8_t Fold(uint8_t b) { return (b >= 'A' && b <= 'Z') ? static_cast<uint8_t>(b + 32) : b; }

// Whether sought lies at the 1-based position, within the text.
bool OccursAt(const Text& text, int32_t position, const Text& sought, CaseMatch match) {
  if (position < 1 || position - 1 + sought.size() > text.size()) return false;
  for (int32_t i = 0; i < sought.size(); ++i) {
    const uint8_t a = text.byte(position + i);
    const uint8_t b = sought.byte(1 + i);
    if (match == CaseMatch::kExact ? a != b : Fold(a) != Fold(b)) return false;
  }
  return true;
}

// The positions a walk from start stands on.
std::vector<int32_t> Stops(const Text& text, int32_t start) {
  std::vector<int32_t> stops;
  for (int32_t pos = start < 1 ? 1 : start; pos <= text.size(); pos += text.byte(pos) >= 0x80 ? 2 : 1) {
    stops.push_back(pos);
  }
  return stops;
}

bool IsSpaceAt(const Text& text, int32_t position) {
  return text.byte(position) == 0x20 ||
         (text.byte(position) == 0xA1 && position < text.size() && text.byte(position + 1) == 0xA1);
}

void CheckFind(const Text& text, const Text& sought, int32_t start, CaseMatch match) {
  const int32_t found = FindText(text, sought, {.start = start, .match = match});
  const std::vector<int32_t> stops = Stops(text, start);
  if (sought.empty()) {
    FUZZ_CHECK(found == (stops.empty() ? -1 : 1));
    return;
  }
  int32_t expected = -1;
  for (int32_t stop : stops) {
    if (OccursAt(text, stop, sought, match)) {
      expected = stop;
      break;
    }
  }
  FUZZ_CHECK(found == expected);
}

void CheckReplace(const Text& text, const Text& sought, const Text& replacement, int32_t start, int32_t count,
                  CaseMatch match) {
  const ReplaceOptions options{.replacement = replacement, .start = start, .count = count, .match = match};
  const Text replaced = ReplaceText(text, sought, options);
  const int32_t kept = start < 1 ? 0 : std::min(start - 1, text.size());
  FUZZ_CHECK(replaced.view().substr(0, static_cast<std::size_t>(kept)) == text.view().substr(0, kept));
  FUZZ_CHECK(ReplaceText(text, sought, {.replacement = replacement, .start = start, .count = 0, .match = match}) ==
             text);
  if (match == CaseMatch::kExact) {
    FUZZ_CHECK(ReplaceText(text, sought, {.replacement = sought, .start = start, .count = count}) == text);
  }
  // The length tells how many occurrences were replaced.
  const int64_t grown = int64_t{replaced.size()} - text.size();
  const int64_t step = int64_t{replacement.size()} - sought.size();
  if (sought.empty() || step == 0) {
    FUZZ_CHECK(grown == 0);
  } else {
    FUZZ_CHECK(grown % step == 0);
    const int64_t times = grown / step;
    FUZZ_CHECK(times >= 0);
    if (count > 0) FUZZ_CHECK(times <= count);
    if (times == 0) FUZZ_CHECK(replaced == text);
  }
}

void CheckSplit(const Text& text, const Text& delimiter, std::optional<int32_t> limit) {
  const TextArray pieces = SplitText(text, delimiter, limit);
  const int32_t count = ElementCount(pieces);
  if (limit) FUZZ_CHECK(count <= std::max(*limit, 0));
  if (text.empty() || (limit && *limit <= 0)) {
    FUZZ_CHECK(count == 0);
    return;
  }
  std::string joined;
  for (int32_t i = 1; i <= count; ++i) {
    if (i > 1) joined.append(delimiter.view());
    joined.append(pieces.At(i).view());
    // A piece starts where the walk stood, so the walk never finds the delimiter inside it.
    if (!delimiter.empty()) FUZZ_CHECK(FindText(pieces.At(i), delimiter) == -1);
  }
  FUZZ_CHECK(text.view().substr(0, joined.size()) == joined);
  if (!limit || count < *limit) {
    // Nothing is dropped: at most a final delimiter is left out.
    const std::string with_end = joined + std::string(delimiter.view());
    FUZZ_CHECK(joined == text.view() || (!delimiter.empty() && with_end == text.view()));
  }
}

void CheckSpaces(const Text& text) {
  const Text trimmed = TrimBothEnds(text);
  FUZZ_CHECK(text.view().find(trimmed.view()) != std::string_view::npos);
  if (!trimmed.empty()) {
    const std::vector<int32_t> stops = Stops(trimmed, 1);
    FUZZ_CHECK(!IsSpaceAt(trimmed, stops.front()));
    FUZZ_CHECK(!IsSpaceAt(trimmed, stops.back()));
  }
  FUZZ_CHECK(TrimBothEnds(trimmed) == trimmed);

  const Text removed = RemoveSpaces(text);
  FUZZ_CHECK(removed.size() <= text.size());
  for (int32_t stop : Stops(removed, 1)) FUZZ_CHECK(!IsSpaceAt(removed, stop));
  FUZZ_CHECK(RemoveSpaces(removed) == removed);
  FUZZ_CHECK(RemoveSpaces(trimmed) == removed);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const CaseMatch match = input.ConsumeBool() ? CaseMatch::kIgnoreCase : CaseMatch::kExact;
  const int32_t start = input.ConsumeIntegralInRange<int32_t>(-2, 40);
  const int32_t count = input.ConsumeIntegralInRange<int32_t>(-2, 6);
  const bool limited = input.ConsumeBool();
  const std::optional<int32_t> limit =
      limited ? std::optional<int32_t>(input.ConsumeIntegralInRange<int32_t>(-1, 6)) : std::nullopt;
  const Text sought(input.ConsumeRandomLengthString(8));
  const Text replacement(input.ConsumeRandomLengthString(8));
  const Text text(input.ConsumeRemainingBytesAsString());

  CheckFind(text, sought, start, match);
  CheckReplace(text, sought, replacement, start, count, match);
  CheckSplit(text, sought, limit);
  CheckSpaces(text);
  return 0;
}
