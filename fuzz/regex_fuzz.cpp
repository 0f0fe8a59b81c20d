// RegexObject with arbitrary patterns, subjects, flags and replacements;
// every read after a run, for match and group numbers in and out of range.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_check.h"
#include "regex/regex_object.h"
#include "runtime/walking.h"
#include "text/header_text.h"

using namespace skinwall;

namespace {

uint8_t Fold(uint8_t b) { return (b >= 'A' && b <= 'Z') ? static_cast<uint8_t>(b + 32) : b; }

// A position is -2 or a 0-based offset at which text lies in the subject,
// compared as the position search compares: exactly when the engine ignores
// case, folding case when it does not.
void CheckPosition(const Text& subject, const Text& text, int32_t position, bool case_sensitive) {
  if (position == -2) return;
  FUZZ_CHECK(position >= 0 && position <= subject.size());
  FUZZ_CHECK(int64_t{position} + text.size() <= subject.size());
  for (int32_t i = 0; i < text.size(); ++i) {
    const uint8_t a = subject.byte(position + 1 + i);
    const uint8_t b = text.byte(1 + i);
    FUZZ_CHECK(case_sensitive ? Fold(a) == Fold(b) : a == b);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const RegexCreateOptions options{.case_sensitive = input.ConsumeBool(),
                                   .multi_line = input.ConsumeBool(),
                                   .global = input.ConsumeBool(),
                                   .quote_markers = input.ConsumeBool()};
  const Text pattern(input.ConsumeRandomLengthString(48));
  const Text replacement(input.ConsumeRandomLengthString(12));
  const Text subject(input.ConsumeRemainingBytesAsString());

  RegexObject regex;
  const bool created = regex.Create(pattern, subject, options);
  const Text expected_pattern =
      options.quote_markers ? ReplaceText(pattern, QuoteMarker(), {.replacement = Text("\"")}) : pattern;
  FUZZ_CHECK(regex.GetPattern() == expected_pattern);

  const int32_t count = regex.MatchCount();
  FUZZ_CHECK(count >= 0);
  if (!created) FUZZ_CHECK(count == 0);
  if (!options.global) FUZZ_CHECK(count <= 1);
  const int32_t groups = regex.SubmatchCount();
  FUZZ_CHECK(groups >= 0);
  if (count == 0) FUZZ_CHECK(groups == 0);

  const int32_t numbers[] = {-1, 0, 1, 2, count, count + 1};
  for (int32_t n : numbers) {
    int32_t position = 0;
    const Text match = regex.MatchText(n, &position);
    if (n < 1 || n > count) FUZZ_CHECK(match.empty() && position == -2);
    CheckPosition(subject, match, position, options.case_sensitive);
    FUZZ_CHECK(regex.MatchText(n) == match);
    for (int32_t k : {0, 1, groups, groups + 1}) {
      const Text group = regex.SubmatchText(n, k, &position);
      if (n < 1 || n > count || k < 1 || k > groups) FUZZ_CHECK(group.empty() && position == -2);
      CheckPosition(subject, group, position, options.case_sensitive);
    }
  }

  // In plain ASCII a character index is a byte offset, so a match is always
  // found where the engine reports it.
  bool ascii = true;
  for (char c : subject.view()) ascii = ascii && static_cast<uint8_t>(c) < 0x80;
  if (ascii) {
    for (int32_t n = 1; n <= std::min(count, 3); ++n) {
      int32_t position = 0;
      if (!regex.MatchText(n, &position).empty()) FUZZ_CHECK(position >= 0);
    }
  }

  const Text replaced = regex.Replace(replacement);
  if (!created) FUZZ_CHECK(replaced.empty());
  // Without a match the subject comes back whole.
  if (created && count == 0 && ascii) FUZZ_CHECK(replaced == subject);
  return 0;
}
