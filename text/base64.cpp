#include "text/base64.h"

#include <string>

namespace skinwall {

Text Base64Encode(const ByteSet& bytes) {
  static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  const int32_t n = bytes.size();
  if (n < 1) return Text();
  std::string out;
  out.reserve(static_cast<std::size_t>((n + 2) / 3) * 4);
  for (int32_t i = 0; i < n; i += 3) {
    const uint32_t b0 = bytes.data()[i];
    const uint32_t b1 = i + 1 < n ? bytes.data()[i + 1] : 0;
    const uint32_t b2 = i + 2 < n ? bytes.data()[i + 2] : 0;
    out.push_back(kAlphabet[b0 >> 2]);
    out.push_back(kAlphabet[((b0 & 3) << 4) | (b1 >> 4)]);
    out.push_back(i + 1 < n ? kAlphabet[((b1 & 15) << 2) | (b2 >> 6)] : '=');
    out.push_back(i + 2 < n ? kAlphabet[b2 & 63] : '=');
  }
  return Text(out);
}

}  // namespace skinwall
