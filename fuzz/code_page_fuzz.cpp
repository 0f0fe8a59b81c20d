// The code-page conversions over malformed input: arbitrary bytes in and out
// of the wide form, supported and unsupported code pages, wide texts of odd
// length and without a zero unit.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>

#include "fuzz/fuzz_check.h"
#include "text/code_page.h"

using namespace skinwall;

namespace {

std::optional<uint32_t> PickCodePage(FuzzedDataProvider& input) {
  static constexpr uint32_t kPages[] = {0, 936, 65001, 1252, 437, 20127, 54936, 65000, 0xFFFFFFFF};
  switch (input.ConsumeIntegralInRange(0, 2)) {
    case 0: return std::nullopt;
    case 1: return input.PickValueInArray(kPages);
    default: return input.ConsumeIntegral<uint32_t>();
  }
}

bool IsAscii(std::string_view bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<uint8_t>(c) < 0x80; });
}

// A wide text as TextToWide makes it: empty, or whole units ending in the
// only zero unit (the text it came from holds no zero byte).
void CheckWide(const ByteSet& wide) {
  if (wide.empty()) return;
  FUZZ_CHECK(wide.size() % 2 == 0);
  const int32_t units = wide.size() / 2;
  for (int32_t i = 0; i < units; ++i) {
    const bool zero = wide.data()[2 * i] == 0 && wide.data()[2 * i + 1] == 0;
    FUZZ_CHECK(zero == (i == units - 1));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const std::optional<uint32_t> from = PickCodePage(input);
  const std::optional<uint32_t> to = PickCodePage(input);
  const std::string bytes = input.ConsumeRemainingBytesAsString();
  const Text text(bytes);

  const ByteSet wide = TextToWide(text, from);
  CheckWide(wide);
  const Text back = WideToText(wide, to);
  FUZZ_CHECK(back.size() == static_cast<int32_t>(back.view().size()));

  // The raw bytes as a wide text: odd lengths, zero units anywhere or none.
  const ByteSet raw(bytes);
  const Text from_raw = WideToText(raw, to);
  FUZZ_CHECK(from_raw.view().find('\0') == std::string_view::npos);

  const Text ansi = Utf8ToAnsi(text);
  if (IsAscii(text.view())) {
    FUZZ_CHECK(ansi == text);
    if (to.value_or(0) == 0 || *to == 936 || *to == 65001) {
      FUZZ_CHECK(WideToText(TextToWide(text), to) == text);
    }
  }

  // Whatever UTF-8 comes out of a conversion converts back to itself.
  const Text utf8 = WideToText(TextToWide(text, from), 65001);
  FUZZ_CHECK(WideToText(TextToWide(utf8), 65001) == utf8);
  return 0;
}
