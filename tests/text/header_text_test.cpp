#include <gtest/gtest.h>

#include "text/header_text.h"
#include "tests/support/test_support.h"

namespace skinwall {
namespace {

using testing::T;

TEST(HeaderLine, NameAndValue) {
  struct Case {
    const char* line;
    const char* name;
    const char* value;
  } cases[] = {
      {"Accept: */*", "Accept", "*/*"},
      {"no colon", "", ""},
      {"Referer: http://host:8080/a?t=10:30", "Referer", "http://host:8080/a?t=10:30"},
      {"  Name  :  value  ", "Name", "value"},
      {"Name:\tvalue", "Name", "\tvalue"},
      {": value", "", "value"},
      {"Name:", "Name", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(HeaderName(Text(c.line)), Text(c.name));
    EXPECT_EQ(HeaderValue(Text(c.line)), Text(c.value));
  }
  EXPECT_EQ(HeaderValue(T("名称:　值　")), T("值")) << "full-width spaces are trimmed";
}

TEST(TextBetween, Table) {
  struct Case {
    const char* name;
    Text text, left, right;
    TextBetweenOptions options;
    Text expected;
  } cases[] = {
      {"cookie", Text("Set-Cookie: a=1; path=/"), Text("Set-Cookie:"), Text(";"), {}, Text(" a=1")},
      {"right directly after left", Text("[]"), Text("["), Text("]"), {}, Text()},
      {"right only before left", Text("]x["), Text("["), Text("]"), {}, Text()},
      {"left at the very end", Text("ab["), Text("["), Text("]"), {}, Text()},
      {"left missing", Text("ab]"), Text("["), Text("]"), {}, Text()},
      {"first left counts", Text("[a][b]"), Text("["), Text("]"), {}, Text("a")},
      {"start skips the first", Text("[a][b]"), Text("["), Text("]"), {.start = 2}, Text("b")},
      {"marker is a quote", Text("x\"v\"y"), T("#引号"), T("#引号"), {}, Text("v")},
      {"marker in the text is plain", T("#引号v#引号"), T("#引号"), T("#引号"), {}, Text()},
      {"empty right", Text("abc"), Text("a"), Text(), {}, Text()},
      {"empty left", Text("ab;c"), Text(), Text(";"), {}, Text("ab")},
      {"case counts", Text("A=1;"), Text("a="), Text(";"), {}, Text()},
      {"ignoring case", Text("A=1;"), Text("a="), Text(";"), {.match = CaseMatch::kIgnoreCase}, Text("1")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(TextBetween(c.text, c.left, c.right, c.options), c.expected);
  }
}

}  // namespace
}  // namespace skinwall
