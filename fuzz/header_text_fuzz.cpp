// The header-line helpers and TextBetween over arbitrary lines, markers,
// start positions and case rules.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "runtime/text_primitives.h"
#include "runtime/walking.h"
#include "text/header_text.h"

using namespace skinwall;

namespace {

void CheckHeader(const Text& line) {
  const Text name = HeaderName(line);
  const Text value = HeaderValue(line);
  const int32_t colon = FindText(line, Text(":"));
  if (colon == -1) {
    FUZZ_CHECK(name.empty() && value.empty());
    return;
  }
  FUZZ_CHECK(TrimBothEnds(name) == name);
  FUZZ_CHECK(TrimBothEnds(value) == value);
  const std::string_view before = line.view().substr(0, static_cast<std::size_t>(colon - 1));
  const std::string_view after = line.view().substr(static_cast<std::size_t>(colon));
  FUZZ_CHECK(before.find(name.view()) != std::string_view::npos);
  FUZZ_CHECK(after.find(value.view()) != std::string_view::npos);
  // The name is what is left of the part before the colon once its ends are trimmed.
  FUZZ_CHECK(name == TrimBothEnds(Text(before)));
  FUZZ_CHECK(value == TrimBothEnds(Text(after)));
}

void CheckBetween(const Text& text, const Text& left, const Text& right, int32_t start, CaseMatch match) {
  const Text between = TextBetween(text, left, right, {.start = start, .match = match});
  if (between.empty()) return;
  const ReplaceOptions unquote{.replacement = Text("\"")};
  const Text left_marker = ReplaceText(left, QuoteMarker(), unquote);
  const Text right_marker = ReplaceText(right, QuoteMarker(), unquote);
  FUZZ_CHECK(!right_marker.empty());
  const int32_t p = FindText(text, left_marker, {.start = start, .match = match});
  FUZZ_CHECK(p != -1);
  const int32_t from = p + left_marker.size();
  FUZZ_CHECK(from >= 1 && from - 1 + between.size() <= text.size());
  FUZZ_CHECK(text.view().substr(static_cast<std::size_t>(from - 1), static_cast<std::size_t>(between.size())) ==
             between.view());
  FUZZ_CHECK(FindText(text, right_marker, {.start = from, .match = match}) == from + between.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const CaseMatch match = input.ConsumeBool() ? CaseMatch::kIgnoreCase : CaseMatch::kExact;
  const int32_t start = input.ConsumeBool() ? input.ConsumeIntegral<int32_t>() : input.ConsumeIntegralInRange(-2, 40);
  const Text left(input.ConsumeRandomLengthString(10));
  const Text right(input.ConsumeRandomLengthString(10));
  const Text text(input.ConsumeRemainingBytesAsString());
  CheckHeader(text);
  CheckBetween(text, left, right, start, match);
  return 0;
}
