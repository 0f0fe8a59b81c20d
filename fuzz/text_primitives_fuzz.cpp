// Cutting, comparing and converting primitives with counts and positions
// anywhere in the 32-bit range.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_check.h"
#include "runtime/text_primitives.h"

using namespace skinwall;

namespace {

int32_t PickNumber(FuzzedDataProvider& input, int32_t length) {
  switch (input.ConsumeIntegralInRange(0, 2)) {
    case 0: return input.ConsumeIntegral<int32_t>();
    case 1: return length + input.ConsumeIntegralInRange(-2, 2);
    default: return input.ConsumeIntegralInRange(-2, 8);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const Text other(input.ConsumeRandomLengthString(16));
  const int32_t count = PickNumber(input, 0);
  const int32_t start = PickNumber(input, 0);
  const std::string bytes = input.ConsumeRemainingBytesAsString();
  const Text text(bytes);
  const int32_t length = TextLength(text);
  FUZZ_CHECK(length == static_cast<int32_t>(bytes.find('\0') == std::string::npos ? bytes.size() : bytes.find('\0')));

  const int32_t kept = std::clamp(count, 0, length);
  const Text left = TextLeft(text, count);
  const Text right = TextRight(text, count);
  FUZZ_CHECK(left.view() == text.view().substr(0, static_cast<std::size_t>(kept)));
  FUZZ_CHECK(right.view() == text.view().substr(static_cast<std::size_t>(length - kept)));

  const Text middle = TextMiddle(text, start, count);
  if (start < 1 || start > length || count <= 0) {
    FUZZ_CHECK(middle.empty());
  } else {
    const int64_t available = int64_t{length} - start + 1;
    FUZZ_CHECK(middle.size() == std::min<int64_t>(count, available));
    FUZZ_CHECK(middle.view() == text.view().substr(static_cast<std::size_t>(start - 1), middle.view().size()));
  }

  const int32_t code = CharCode(text, start);
  FUZZ_CHECK(code >= -128 && code <= 127);
  if (start < 1 || start > length) FUZZ_CHECK(code == 0);
  else FUZZ_CHECK(static_cast<uint8_t>(code) == text.byte(start));

  const int32_t order = CompareTexts(text, other);
  FUZZ_CHECK(order == -CompareTexts(other, text));
  FUZZ_CHECK((order == 0) == (text == other));
  FUZZ_CHECK(CompareTexts(JoinTexts(text, other), text) == (other.empty() ? 0 : 1));

  FUZZ_CHECK(BytesToText(TextToBytes(text)) == text);
  FUZZ_CHECK(BytesToText(ByteSet(bytes)) == text);

  const Text number = IntegerToText(count);
  int32_t parsed = 0;
  const auto result = std::from_chars(number.view().data(), number.view().data() + number.size(), parsed);
  FUZZ_CHECK(result.ec == std::errc() && result.ptr == number.view().data() + number.size() && parsed == count);

  const int32_t blanks = std::clamp(count, -4, 4096);
  FUZZ_CHECK(BlankText(blanks).view() == std::string(static_cast<std::size_t>(std::max(blanks, 0)), ' '));
  FUZZ_CHECK(BlankBytes(blanks).size() == std::max(blanks, 0));
  return 0;
}
