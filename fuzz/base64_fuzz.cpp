// Base64Encode checked against an encoder that takes the input six bits at a time.
#include <cstdint>
#include <string>

#include "fuzz/fuzz_check.h"
#include "text/base64.h"

using namespace skinwall;

namespace {

std::string BitwiseBase64(const uint8_t* data, size_t size) {
  static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  const size_t bits = size * 8;
  for (size_t bit = 0; bit < bits; bit += 6) {
    unsigned index = 0;
    for (size_t i = bit; i < bit + 6; ++i) {
      const unsigned b = i < bits ? (data[i / 8] >> (7 - i % 8)) & 1u : 0u;
      index = (index << 1) | b;
    }
    out.push_back(kAlphabet[index]);
  }
  while (out.size() % 4 != 0) out.push_back('=');
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const ByteSet bytes(std::string_view(reinterpret_cast<const char*>(data), size));
  const Text encoded = Base64Encode(bytes);
  FUZZ_CHECK(encoded.view() == BitwiseBase64(data, size));
  return 0;
}
