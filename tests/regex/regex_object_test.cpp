#include "regex/regex_object.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/source_text.h"
#include "runtime/system_functions.h"

namespace skinwall {
namespace {

Text U(std::string_view utf8) { return TextFromUtf8(utf8); }
std::string Utf8(const Text& text) { return TextToUtf8(text); }

// Whether every initialisation of the component library on this thread has
// been balanced: only then does a new one report S_OK (0) rather than S_FALSE (1).
bool ComponentLibraryBalanced() {
  const int32_t result = system_function::CoInitialize(nullptr);
  system_function::CoUninitialize();
  return result == 0;
}

class RegexObjectTest : public ::testing::Test {
 protected:
  RegexObject regex_;
};

TEST_F(RegexObjectTest, ReadsBeforeAnyCreateAreEmpty) {
  int32_t position = 7;
  EXPECT_EQ(regex_.MatchCount(), 0);
  EXPECT_EQ(regex_.SubmatchCount(), 0);
  EXPECT_TRUE(regex_.MatchText(1, &position).empty());
  EXPECT_EQ(position, -2);
  EXPECT_TRUE(regex_.SubmatchText(1, 1).empty());
  EXPECT_TRUE(regex_.GetPattern().empty());
  EXPECT_TRUE(regex_.Replace(Text("x")).empty());
  regex_.DoNothing();
}

TEST_F(RegexObjectTest, CreateDefaultsIgnoreCaseMultilineGlobalAndNoDotAll) {
  struct Case {
    const char* name;
    const char* pattern;
    const char* subject;
    RegexCreateOptions options;
    int32_t count;
  };
  const Case cases[] = {
      {"case ignored by default", "A", "aA", {}, 2},
      {"case-sensitive when asked", "A", "aA", {.case_sensitive = true}, 1},
      {"multi-line by default", "^b", "a\nb\nb", {}, 2},
      {"single line when asked", "^b", "a\nb\nb", {.multi_line = false}, 0},
      {"global by default", "a", "aaa", {}, 3},
      {"first match only when asked", "a", "aaa", {.global = false}, 1},
      {"the Singleline write leaves the dot alone", "a.b", "a\nb", {}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(regex_.Create(Text(c.pattern), Text(c.subject), c.options));
    EXPECT_EQ(regex_.MatchCount(), c.count);
  }
}

TEST_F(RegexObjectTest, PositionSearchesTheSubjectFromTheMatchIndex) {
  struct Case {
    const char* name;
    const char* subject;
    const char* pattern;
    RegexCreateOptions options;
    int32_t count;
    int32_t n;
    const char* text;
    int32_t position;
  };
  const Case cases[] = {
      {"single-byte, matches at 0, 2 and 4", "a-a-a", "a", {}, 3, 2, "a", 2},
      {"two equal letters", "aa", "a", {}, 2, 2, "a", 1},
      {"other case, first", "aA", "A", {}, 2, 1, "a", 0},
      {"other case, second", "aA", "A", {}, 2, 2, "A", 1},
      {"case-sensitive: the capital only", "aA", "A", {.case_sensitive = true}, 1, 1, "A", 1},
      {"two double-byte characters before", "中文x", "x", {}, 1, 1, "x", 4},
      {"search starts on a second byte: not found", "中x", "x", {}, 1, 1, "x", -2},
      // An engine that ignores case gives an exact search, which passes the
      // small letter that a folding search would stop at.
      {"exact search after a double-byte character", "中aA", "a", {}, 2, 2, "A", 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(regex_.Create(U(c.pattern), U(c.subject), c.options));
    EXPECT_EQ(regex_.MatchCount(), c.count);
    int32_t position = 99;
    EXPECT_EQ(Utf8(regex_.MatchText(c.n, &position)), c.text);
    EXPECT_EQ(position, c.position);
  }
}

TEST_F(RegexObjectTest, SubmatchPositionSearchesFromTheWholeMatch) {
  ASSERT_TRUE(regex_.Create(Text("(a)(b)"), Text("ab-ab")));
  int32_t position = 99;
  EXPECT_EQ(Utf8(regex_.SubmatchText(2, 2, &position)), "b");
  EXPECT_EQ(position, 4);
  EXPECT_EQ(Utf8(regex_.SubmatchText(2, 1, &position)), "a");
  EXPECT_EQ(position, 3);
}

TEST_F(RegexObjectTest, QuoteMarkerBecomesADoubleQuoteOnlyWhenAsked) {
  ASSERT_TRUE(regex_.Create(U("a#引号b"), Text("a\"b"), {.quote_markers = true}));
  EXPECT_EQ(Utf8(regex_.GetPattern()), "a\"b");
  EXPECT_EQ(regex_.MatchCount(), 1);

  ASSERT_TRUE(regex_.Create(U("a#引号b"), Text("a\"b")));
  EXPECT_EQ(Utf8(regex_.GetPattern()), "a#引号b");
  EXPECT_EQ(regex_.MatchCount(), 0);
}

TEST_F(RegexObjectTest, InvalidPatternGivesFalseAndEmptyReads) {
  EXPECT_FALSE(regex_.Create(Text("a("), Text("a(")));
  EXPECT_EQ(regex_.MatchCount(), 0);
  EXPECT_EQ(regex_.SubmatchCount(), 0);
  EXPECT_TRUE(regex_.MatchText(1).empty());
  EXPECT_TRUE(regex_.SubmatchText(1, 1).empty());
  EXPECT_EQ(Utf8(regex_.GetPattern()), "a(");
}

TEST_F(RegexObjectTest, PatternThatMatchesNothingStillGivesACollection) {
  EXPECT_TRUE(regex_.Create(Text("q"), Text("abc")));
  EXPECT_EQ(regex_.MatchCount(), 0);
  EXPECT_EQ(regex_.SubmatchCount(), 0);
  int32_t position = 99;
  EXPECT_TRUE(regex_.MatchText(1, &position).empty());
  EXPECT_EQ(position, -2);
}

TEST_F(RegexObjectTest, NumbersOutsideTheCollectionGiveEmptyText) {
  ASSERT_TRUE(regex_.Create(Text("(a)(b)"), Text("ab ab")));
  ASSERT_EQ(regex_.MatchCount(), 2);
  for (const int32_t n : {0, -1, 3, INT_MIN, INT_MAX}) {
    SCOPED_TRACE("match " + std::to_string(n));
    int32_t position = 99;
    EXPECT_TRUE(regex_.MatchText(n, &position).empty());
    EXPECT_EQ(position, -2);
    EXPECT_TRUE(regex_.SubmatchText(n, 1).empty());
  }
  for (const int32_t k : {0, -1, 3, INT_MIN, INT_MAX}) {
    SCOPED_TRACE("submatch " + std::to_string(k));
    int32_t position = 99;
    EXPECT_TRUE(regex_.SubmatchText(1, k, &position).empty());
    EXPECT_EQ(position, -2);
  }
  EXPECT_EQ(Utf8(regex_.MatchText(2)), "ab");
  EXPECT_EQ(Utf8(regex_.SubmatchText(2, 2)), "b");
}

TEST_F(RegexObjectTest, GroupThatTookNoPartGivesEmptyText) {
  ASSERT_TRUE(regex_.Create(Text("(a)|(b)"), Text("b")));
  EXPECT_EQ(regex_.SubmatchCount(), 2);
  EXPECT_TRUE(regex_.SubmatchText(1, 1).empty());
  EXPECT_EQ(Utf8(regex_.SubmatchText(1, 2)), "b");
}

TEST_F(RegexObjectTest, SecondCreateReplacesTheFirstRun) {
  ASSERT_TRUE(regex_.Create(Text("(a)(b)(c)"), Text("abc abc abc")));
  ASSERT_EQ(regex_.MatchCount(), 3);
  ASSERT_EQ(regex_.SubmatchCount(), 3);

  ASSERT_TRUE(regex_.Create(Text("x(y)"), Text("xy")));
  EXPECT_EQ(regex_.MatchCount(), 1);
  EXPECT_EQ(regex_.SubmatchCount(), 1);
  EXPECT_EQ(Utf8(regex_.MatchText(1)), "xy");
  EXPECT_TRUE(regex_.MatchText(2).empty());
  EXPECT_TRUE(regex_.SubmatchText(1, 2).empty());
  EXPECT_EQ(Utf8(regex_.GetPattern()), "x(y)");
  EXPECT_EQ(Utf8(regex_.Replace(Text("[$1]"))), "[y]");

  EXPECT_FALSE(regex_.Create(Text("("), Text("xy")));
  EXPECT_EQ(regex_.MatchCount(), 0);
  EXPECT_TRUE(regex_.MatchText(1).empty());
}

TEST_F(RegexObjectTest, ReplaceWorksOnTheStoredSubject) {
  ASSERT_TRUE(regex_.Create(Text("(a)"), U("a中a")));
  EXPECT_EQ(Utf8(regex_.Replace(Text("[$1]"))), "[a]中[a]");
  ASSERT_TRUE(regex_.Create(Text("(a)"), U("a中a"), {.global = false}));
  EXPECT_EQ(Utf8(regex_.Replace(Text("[$1]"))), "[a]中a");
}

struct Hero {
  const char* ename;
  const char* cname;
  const char* title;
  const char* hero_type_fields;  // "hero_type" and what may follow it
  const char* skin_name;
};

std::string CatalogueRecord(const Hero& hero) {
  return std::string("{\"ename\":") + hero.ename + ",\"cname\":\"" + hero.cname + "\",\"title\":\"" + hero.title +
         "\",\"new_type\":0," + hero.hero_type_fields + ",\"skin_name\":\"" + hero.skin_name + "\"}";
}

constexpr const char* kCataloguePattern =
    R"re("ename":(.*?),"cname":"(.*?)","title":"(.*?)",.*?,"hero_type":(.*?),.*?"skin_name":"(.*?)"})re";

TEST_F(RegexObjectTest, CataloguePatternTakesEveryHeroApart) {
  const Hero heroes[] = {
      {"105", "青锋", "破晓之刃", "\"hero_type\":3", "林间|月下"},
      {"106", "白鹤", "云中客", "\"hero_type\":2,\"hero_type2\":5", "云中客|白羽|霜天"},
      {"107", "赤焰将军", "Lord of Ash", "\"hero_type\":1,\"hero_type2\":4,\"pay_type\":11", "烈火"},
      {"108", "Mira", "月影", "\"hero_type\":6,\"moss_id\":3627", ""},
      {"109", "墨竹", "听雨", "\"hero_type\":5", "A||B|"},
  };
  std::string catalogue = "[";
  for (const Hero& hero : heroes) {
    if (catalogue.size() > 1) catalogue += ",";
    catalogue += CatalogueRecord(hero);
  }
  catalogue += "]";
  const Text subject = U(catalogue);

  ASSERT_TRUE(regex_.Create(Text(kCataloguePattern), subject));
  ASSERT_EQ(regex_.MatchCount(), static_cast<int32_t>(std::size(heroes)));
  EXPECT_EQ(regex_.SubmatchCount(), 5);
  for (int32_t i = 1; i <= regex_.MatchCount(); ++i) {
    const Hero& hero = heroes[i - 1];
    SCOPED_TRACE(hero.ename);
    EXPECT_EQ(Utf8(regex_.SubmatchText(i, 1)), hero.ename);
    EXPECT_EQ(Utf8(regex_.SubmatchText(i, 2)), hero.cname);
    EXPECT_EQ(Utf8(regex_.SubmatchText(i, 5)), hero.skin_name);
  }

  // The first record: the search starts at the match and finds the name itself.
  int32_t position = 99;
  EXPECT_EQ(Utf8(regex_.SubmatchText(1, 2, &position)), "青锋");
  EXPECT_EQ(position, static_cast<int32_t>(subject.view().find(U("青锋").view())));
}

TEST_F(RegexObjectTest, CopySharesTheRunAndOutlivesTheNextCreate) {
  ASSERT_TRUE(regex_.Create(Text("(a)"), Text("xa")));
  RegexObject copy = regex_.Copy();
  ASSERT_TRUE(regex_.Create(Text("b"), Text("bbb")));
  EXPECT_EQ(copy.MatchCount(), 1);
  EXPECT_EQ(Utf8(copy.SubmatchText(1, 1)), "a");
  EXPECT_EQ(Utf8(copy.GetPattern()), "(a)");
  int32_t position = 99;
  EXPECT_EQ(Utf8(copy.MatchText(1, &position)), "a");
  EXPECT_EQ(position, 1);
  EXPECT_EQ(Utf8(copy.Replace(Text("-"))), "x-");
  EXPECT_EQ(regex_.MatchCount(), 3);
}

TEST(RegexObjectLifetimeTest, ConstructionAndDestructionBalanceTheComponentLibrary) {
  ASSERT_TRUE(ComponentLibraryBalanced());
  {
    RegexObject regex;
    ASSERT_TRUE(regex.Create(Text("a"), Text("a")));
    EXPECT_FALSE(ComponentLibraryBalanced());
    RegexObject copy = regex.Copy();
    regex.Destroy();
    EXPECT_FALSE(ComponentLibraryBalanced());
    EXPECT_EQ(copy.MatchCount(), 1);
  }
  EXPECT_TRUE(ComponentLibraryBalanced());
}

TEST(RegexObjectLifetimeTest, DestroyUninitialisesOnceAndEndsTheObject) {
  ASSERT_EQ(system_function::CoInitialize(nullptr), 0);  // the thread's own initialisation
  {
    RegexObject regex;
    ASSERT_TRUE(regex.Create(Text("a"), Text("aa")));
    regex.Destroy();
    regex.Destroy();
    EXPECT_EQ(regex.MatchCount(), 0);
    EXPECT_TRUE(regex.GetPattern().empty());
    EXPECT_TRUE(regex.MatchText(1).empty());
    EXPECT_FALSE(regex.Create(Text("a"), Text("aa")));
    EXPECT_EQ(regex.MatchCount(), 0);
  }
  // Destroy and the destructor together uninitialised once: the thread's own
  // initialisation is still there.
  EXPECT_EQ(system_function::CoInitialize(nullptr), 1);
  system_function::CoUninitialize();
  system_function::CoUninitialize();
  EXPECT_TRUE(ComponentLibraryBalanced());
}

}  // namespace
}  // namespace skinwall
