#include <gtest/gtest.h>

#include "app/plain_name.h"
#include "tests/support/test_support.h"

namespace skinwall {
namespace {

using testing::Raw;
using testing::T;

TEST(IsPlainName, Table) {
  struct Case {
    const char* name;
    Text text;
    bool plain;
  } cases[] = {
      {"Chinese", T("岚珀"), true},
      {"empty", Text(), true},
      {"dots inside", Text("a.b.c"), true},
      {"second byte 0x5C", T("乗"), true},
      {"second byte 0x7C", Raw("\x81|"), true},
      {"dot", Text("."), false},
      {"dot dot", Text(".."), false},
      {"backslash", Text("a\\b"), false},
      {"slash", Text("a/b"), false},
      {"drive", Text("C:"), false},
      {"star", Text("a*"), false},
      {"question mark", Text("a?"), false},
      {"quote", Text("a\""), false},
      {"angle", Text("<a>"), false},
      {"bar", Text("a|b"), false},
      {"tab", Text("\ta"), false},
      {"delete", Text("a\x7F"), false},
      {"device", Text("con"), false},
      {"device with extension", Text("NUL.jpg"), false},
      {"numbered device", Text("lpt3"), false},
      {"not a device", Text("COM10"), true},
      {"device inside a name", Text("console"), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(IsPlainName(c.text), c.plain);
  }
}

}  // namespace
}  // namespace skinwall
