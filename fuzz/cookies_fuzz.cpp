// Cookie merging and its helpers over arbitrary cookie texts. Where the
// texts are plain ASCII the merged result is checked entry by entry.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "runtime/text_primitives.h"
#include "runtime/walking.h"
#include "web/cookies.h"

using namespace skinwall;

namespace {

bool IsAscii(const Text& text) {
  return std::all_of(text.view().begin(), text.view().end(), [](char c) { return static_cast<uint8_t>(c) < 0x80; });
}

std::vector<Text> Elements(const TextArray& array) {
  std::vector<Text> out;
  for (int32_t i = 1; i <= ElementCount(array); ++i) out.push_back(array.At(i));
  return out;
}

bool EndsWithDeleted(const Text& entry) { return entry.view().ends_with("=deleted"); }

bool Contains(const std::vector<Text>& list, const Text& text) {
  return std::find(list.begin(), list.end(), text) != list.end();
}

void CheckMerge(const Text& sent_text, const Text& received_text) {
  Text sent = sent_text;
  const Text merged = MergeCookies(sent, received_text);
  FUZZ_CHECK(sent == merged);
  if (!IsAscii(sent_text) || !IsAscii(received_text)) return;

  const std::vector<Text> old_entries = Elements(SplitText(RemoveSpaces(sent_text), Text(";")));
  const std::vector<Text> new_entries = Elements(SplitText(RemoveSpaces(received_text), Text(";")));
  const std::vector<Text> result = Elements(SplitText(merged, Text("; ")));

  std::vector<Text> seen;
  for (const Text& entry : result) {
    FUZZ_CHECK(!Contains(seen, entry));
    seen.push_back(entry);
    FUZZ_CHECK(!EndsWithDeleted(entry));
    FUZZ_CHECK(entry.view().find(' ') == std::string_view::npos);
    if (Contains(new_entries, entry)) continue;
    // A sent entry survives only when the response did not name it.
    FUZZ_CHECK(Contains(old_entries, entry));
    TextArray received;
    for (const Text& e : new_entries) AppendText(received, e);
    FUZZ_CHECK(!HasCookieName(received, CookieName(entry)));
  }
  for (const Text& entry : new_entries) {
    if (!EndsWithDeleted(entry) && !entry.empty()) FUZZ_CHECK(Contains(result, entry));
  }
}

void CheckHelpers(const Text& entry, const Text& separator, const Text& text) {
  const Text name = CookieName(entry);
  FUZZ_CHECK(TrimBothEnds(name) == name);
  FUZZ_CHECK(entry.view().find(name.view()) != std::string_view::npos);
  const int32_t equals = FindText(entry, Text("="));
  if (equals != -1) FUZZ_CHECK(name.size() < equals);

  const TextArray list = SplitText(text, separator);
  const int32_t index = IndexOfText(list, entry);
  if (index == -1) {
    for (int32_t i = 1; i <= ElementCount(list); ++i) FUZZ_CHECK(!(list.At(i) == entry));
  } else {
    FUZZ_CHECK(index >= 1 && index <= ElementCount(list) && list.At(index) == entry);
    for (int32_t i = 1; i < index; ++i) FUZZ_CHECK(!(list.At(i) == entry));
  }
  bool named = false;
  for (int32_t i = 1; i <= ElementCount(list); ++i) named = named || CookieName(list.At(i)) == name;
  FUZZ_CHECK(HasCookieName(list, name) == named);

  const Text distinct = JoinDistinct(text, separator);
  FUZZ_CHECK(distinct.size() <= text.size());
  if (IsAscii(text) && IsAscii(separator) && !separator.empty()) {
    const std::vector<Text> kept = Elements(SplitText(distinct, separator));
    for (std::size_t i = 0; i < kept.size(); ++i) {
      FUZZ_CHECK(std::find(kept.begin() + static_cast<std::ptrdiff_t>(i) + 1, kept.end(), kept[i]) == kept.end());
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const Text separator(input.ConsumeRandomLengthString(4));
  const Text entry(input.ConsumeRandomLengthString(24));
  const Text sent(input.ConsumeRandomLengthString(200));
  const Text received(input.ConsumeRemainingBytesAsString());
  CheckMerge(sent, received);
  CheckHelpers(entry, separator, sent);
  return 0;
}
