#include <gtest/gtest.h>

#include <random>
#include <string>

#include "text/base64.h"

namespace skinwall {
namespace {

TEST(Base64Encode, Rfc4648Vectors) {
  struct Case {
    std::string_view input, expected;
  } cases[] = {
      {"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
      {std::string_view("\0\0\xFF", 3), "AAD/"},  {"user:", "dXNlcjo="},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    EXPECT_EQ(Base64Encode(ByteSet(c.input)).view(), c.expected);
  }
}

// Checked against a bit-by-bit encoder written independently of the one above.
TEST(Base64Encode, MatchesABitwiseEncoderOnOneLine) {
  std::mt19937 random(7);
  for (int n = 0; n < 200; ++n) {
    std::string input(static_cast<std::size_t>(n), '\0');
    for (char& c : input) c = static_cast<char>(random());
    std::string bits;
    for (unsigned char c : input) {
      for (int b = 7; b >= 0; --b) bits.push_back(((c >> b) & 1) ? '1' : '0');
    }
    std::string expected;
    for (std::size_t i = 0; i < bits.size(); i += 6) {
      std::string six = bits.substr(i, 6);
      six.resize(6, '0');
      expected.push_back("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"[std::stoi(six, nullptr, 2)]);
    }
    while (expected.size() % 4 != 0) expected.push_back('=');
    SCOPED_TRACE(n);
    ASSERT_EQ(Base64Encode(ByteSet(input)).view(), expected);
  }
}

}  // namespace
}  // namespace skinwall
