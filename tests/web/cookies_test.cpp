#include "web/cookies.h"

#include <gtest/gtest.h>

#include "runtime/source_text.h"

namespace skinwall {
namespace {

TEST(MergeCookiesTest, MergesSentAndReceivedCookies) {
  struct Row {
    const char* name;
    Text sent;
    Text received;
    Text merged;
  };
  const Row rows[] = {
      {"received replaces sent of the same name, the rest follows", Text("a=1; b=2"), Text("b=3; c=4"),
       Text("b=3; c=4; a=1")},
      {"received wins whatever the order", Text("c=9; b=2"), Text("b=3"), Text("b=3; c=9")},
      {"a deleted cookie takes the sent one with it", Text("a=1; b=2"), Text("a=deleted"), Text("b=2")},
      {"of two sent with one name the first survives", Text("a=1;a=2"), Text(), Text("a=1")},
      {"exact repeats received are dropped", Text(), Text("x=1; x=1"), Text("x=1")},
      {"two received with one name both survive", Text("x=1"), Text("x=1; x=2"), Text("x=1; x=2")},
      {"spaces inside values go too", Text("a = hello world"), Text(), Text("a=helloworld")},
      {"nothing gives nothing", Text(), Text(), Text()},
      {"deleted is case-sensitive", Text("a=1"), Text("a=DELETED"), Text("a=DELETED")},
      {"a value keeps its own equals signs", Text("t=x=y"), Text("u=1"), Text("u=1; t=x=y")},
      {"a received deletion of an unknown cookie leaves nothing", Text(), Text("z=deleted"), Text()},
      {"an entry without value is its own name", Text("flag; a=1"), Text("flag"), Text("flag; a=1")},
      {"the full-width space is a space", TextFromUtf8("名=值;\u3000b=2"), Text(), TextFromUtf8("名=值; b=2")},
      {"Chinese names compare exactly", TextFromUtf8("名=旧; 姓=张"), TextFromUtf8("名=新"),
       TextFromUtf8("名=新; 姓=张")},
      {"semicolons without space are separators", Text("a=1;b=2"), Text("c=3;d=4"), Text("c=3; d=4; a=1; b=2")},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Text sent = row.sent;
    const Text merged = MergeCookies(sent, row.received);
    EXPECT_EQ(std::string(merged.view()), std::string(row.merged.view()));
    EXPECT_EQ(std::string(sent.view()), std::string(row.merged.view())) << "the sent variable holds the merge";
  }
}

TEST(MergeCookiesTest, HelpersFollowTheirRules) {
  EXPECT_EQ(CookieName(Text(" a = 1 ")), Text("a"));
  EXPECT_EQ(CookieName(Text("  flag ")), Text("flag"));
  EXPECT_EQ(CookieName(Text("=x")), Text());
  EXPECT_EQ(CookieName(Text("t=x=y")), Text("t"));

  const TextArray entries{Text("a=1"), Text("Bb=2")};
  EXPECT_TRUE(HasCookieName(entries, Text("Bb")));
  EXPECT_FALSE(HasCookieName(entries, Text("bb"))) << "names compare case-sensitively";
  EXPECT_FALSE(HasCookieName(TextArray(), Text("")));

  EXPECT_EQ(IndexOfText(TextArray{Text("x"), Text("y"), Text("y")}, Text("y")), 2);
  EXPECT_EQ(IndexOfText(TextArray{Text("x")}, Text("X")), -1);
  EXPECT_EQ(IndexOfText(TextArray(), Text()), -1);

  EXPECT_EQ(JoinDistinct(Text("a; b; a; c; b"), Text("; ")), Text("a; b; c"));
  EXPECT_EQ(JoinDistinct(Text("a,,a,"), Text(",")), Text("a,")) << "an inner empty element is an element";
  EXPECT_EQ(JoinDistinct(Text(), Text("; ")), Text());
}

}  // namespace
}  // namespace skinwall
