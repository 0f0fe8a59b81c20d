// The walking primitives: stops only at character starts, ASCII-only case
// folding, and the two kinds of space.
#include <gtest/gtest.h>

#include <string>

#include "runtime/walking.h"
#include "tests/support/test_support.h"

namespace skinwall {
namespace {

using testing::Raw;
using testing::T;

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s.push_back(static_cast<char>(v));
  return s;
}

TEST(FindText, Table) {
  const FindOptions fold{.match = CaseMatch::kIgnoreCase};
  struct Case {
    const char* name;
    Text text, sought;
    FindOptions options;
    int32_t expected;
  } cases[] = {
      {"first occurrence", Text("abcabc"), Text("bc"), {}, 2},
      {"from start", Text("abcabc"), Text("bc"), {.start = 3}, 5},
      {"start 0 searches from the beginning", Text("abc"), Text("a"), {.start = 0}, 1},
      {"negative start", Text("abc"), Text("a"), {.start = -4}, 1},
      {"start past the end", Text("abc"), Text("c"), {.start = 4}, -1},
      {"empty sought past the end", Text("abc"), Text(), {.start = 4}, -1},
      {"empty sought from 3 gives 1", Text("abcd"), Text(), {.start = 3}, 1},
      {"empty sought in empty text", Text(), Text(), {}, -1},
      {"not found", Text("abc"), Text("x"), {}, -1},
      {"sought longer than the rest", Text("abc"), Text("bcd"), {}, -1},
      {"exact by default", Text("aBc"), Text("b"), {}, -1},
      {"folding", Text("aBc"), Text("b"), fold, 2},
      {"never on a second byte", Raw("\x81" "A" "A"), Text("A"), {}, 3},
      {"double-byte sought", T("甲乙甲"), T("甲"), {.start = 3}, 5},
      {"a start on a second byte shifts the walk", T("甲乙甲"), T("甲"), {.start = 2}, -1},
      {"start on a second byte walks from there", Raw("\x81" "AB"), Text("AB"), {.start = 2}, 2},
      {"folding second bytes", Raw("\x81\x41"), Raw("\x81\x61"), fold, 1},
      {"no folding beyond ASCII", T("Ａ"), T("ａ"), fold, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(FindText(c.text, c.sought, c.options), c.expected);
  }
}

TEST(FindText, StepsByTheHighBitOverEveryLeadByte) {
  for (int b = 1; b < 256; ++b) {
    if (b == 'A') continue;
    SCOPED_TRACE(b);
    const Text text(Bytes({b, 'A', 'A'}));
    EXPECT_EQ(FindText(text, Text("A")), b >= 0x80 ? 3 : 2);
  }
}

TEST(FindText, FoldsOnlyAsciiLettersOverAllBytePairs) {
  for (int x = 1; x < 256; ++x) {
    for (int y = 1; y < 256; ++y) {
      const bool same = x == y || ((x | 0x20) == (y | 0x20) && (x | 0x20) >= 'a' && (x | 0x20) <= 'z');
      // A second byte of a double-byte character folds like any other byte.
      const Text text(Bytes({0x81, x})), sought(Bytes({0x81, y}));
      if (FindText(text, sought, {.match = CaseMatch::kIgnoreCase}) != (same ? 1 : -1)) {
        ADD_FAILURE() << "bytes " << x << " and " << y;
        return;
      }
    }
  }
}

TEST(ReplaceText, Table) {
  struct Case {
    const char* name;
    Text text, sought;
    ReplaceOptions options;
    Text expected;
  } cases[] = {
      {"every occurrence deleted", Text("a-b-c"), Text("-"), {}, Text("abc")},
      {"with replacement", Text("a-b-c"), Text("-"), {.replacement = Text("+")}, Text("a+b+c")},
      {"count 2", Text("xxxx"), Text("x"), {.replacement = Text("y"), .count = 2}, Text("yyxx")},
      {"count -5 is unlimited", Text("xxxx"), Text("x"), {.replacement = Text("y"), .count = -5}, Text("yyyy")},
      {"count 0", Text("xxxx"), Text("x"), {.replacement = Text("y"), .count = 0}, Text("xxxx")},
      {"start past the end", Text("xx"), Text("x"), {.start = 3}, Text("xx")},
      {"empty sought", Text("xx"), Text(), {.replacement = Text("y")}, Text("xx")},
      {"empty text", Text(), Text("x"), {}, Text()},
      {"start 3 keeps position 1", Text("x-x-x"), Text("x"), {.replacement = Text("y"), .start = 3}, Text("x-y-y")},
      {"no overlap", Text("aaa"), Text("aa"), {.replacement = Text("b")}, Text("ba")},
      {"replacement not rescanned", Text("ab"), Text("a"), {.replacement = Text("aa")}, Text("aab")},
      {"folding rewrites every case", Text("Set-Cookie set-cookie SET-COOKIE"), Text("Set-Cookie"),
       {.replacement = Text("Set-Cookie"), .match = CaseMatch::kIgnoreCase}, Text("Set-Cookie Set-Cookie Set-Cookie")},
      {"exact keeps other cases", Text("aA"), Text("a"), {.replacement = Text("b")}, Text("bA")},
      {"never on a second byte", Raw("\x81" "AA"), Text("A"), {.replacement = Text("B")}, Raw("\x81" "AB")},
      {"marker to quote", T("a#引号b"), T("#引号"), {.replacement = Text("\"")}, Text("a\"b")},
      {"lead byte at the end", Raw("a\x81"), Text("a"), {.replacement = Text("b")}, Raw("b\x81")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ReplaceText(c.text, c.sought, c.options), c.expected);
  }
}

TEST(SplitText, Table) {
  struct Case {
    const char* name;
    Text text, delimiter;
    std::optional<int32_t> limit;
    TextArray expected;
  } cases[] = {
      {"middle empty", Text("a;;b"), Text(";"), {}, {Text("a"), Text(), Text("b")}},
      {"no empty last", Text("a;"), Text(";"), {}, {Text("a")}},
      {"delimiter alone", Text(";"), Text(";"), {}, {Text()}},
      {"leading delimiter", Text("|a"), Text("|"), {}, {Text(), Text("a")}},
      {"default comma", Text("a,b"), Text(","), {}, {Text("a"), Text("b")}},
      {"no delimiter", Text("abc"), Text("|"), {}, {Text("abc")}},
      {"empty text", Text(), Text("|"), {}, {}},
      {"empty delimiter", Text("a|b"), Text(), {}, {Text("a|b")}},
      {"limit 1", Text("a|b|c"), Text("|"), 1, {Text("a")}},
      {"limit 1 without delimiter", Text("abc"), Text("|"), 1, {Text("abc")}},
      {"limit 0", Text("a|b"), Text("|"), 0, {}},
      {"two-byte delimiter", Text("a\r\nb\r\n"), Text("\r\n"), {}, {Text("a"), Text("b")}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SplitText(c.text, c.delimiter, c.limit), c.expected);
  }
  // 0x81 0x7C is one character, so its second byte never splits.
  EXPECT_EQ(SplitText(Raw("a\x81|b|c"), Text("|")), (TextArray{Raw("a\x81|b"), Text("c")}));
}

TEST(Trimming, Table) {
  const Text wide_space = T("　");  // A1 A1
  ASSERT_EQ(wide_space, Raw("\xA1\xA1"));
  struct Case {
    const char* name;
    Text text;
    Text trimmed, without_spaces;
  } cases[] = {
      {"both kinds at both ends", T("　 a b　 "), T("a b"), Text("ab")},
      {"control characters stay", Text("\t a\r\n "), Text("\t a\r\n"), Text("\ta\r\n")},
      {"spaces only", T(" 　 "), Text(), Text()},
      {"empty", Text(), Text(), Text()},
      {"A1 lead with another second byte stays whole", Raw("\xA1\xA2 \xA1\xA1"), Raw("\xA1\xA2"), Raw("\xA1\xA2")},
      {"space as a second byte is no space", Raw("\x81 x"), Raw("\x81 x"), Raw("\x81 x")},
      {"lone A1 at the end", Raw("a \xA1"), Raw("a \xA1"), Raw("a\xA1")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(TrimBothEnds(c.text), c.trimmed);
    EXPECT_EQ(RemoveSpaces(c.text), c.without_spaces);
  }
}

TEST(Trimming, FullWidthSpaceAfterEveryLeadByte) {
  for (int b = 1; b < 256; ++b) {
    if (b == 0x20 || b == 0xA1) continue;
    SCOPED_TRACE(b);
    const Text text(Bytes({b, 0xA1, 0xA1}));
    // After a lead byte, A1 is its second byte and the last A1 stands alone.
    EXPECT_EQ(TrimBothEnds(text), b >= 0x80 ? text : Text(Bytes({b})));
  }
}

}  // namespace
}  // namespace skinwall
