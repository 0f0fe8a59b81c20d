// The engine contract, run against whichever engine this platform supplies:
// our own on POSIX, the system's automation object on Windows.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>

#include "regex/regex_engine.h"
#include "runtime/source_text.h"
#include "runtime/system_functions.h"

namespace skinwall {
namespace {

class RegexEngineTest : public ::testing::Test {
 protected:
  RegexEngineTest() { system_function::CoInitialize(nullptr); }
  ~RegexEngineTest() override {
    engine_.reset();
    system_function::CoUninitialize();
  }

  RegexEngine& Engine() {
    if (!engine_) engine_ = CreateRegexEngine();
    return *engine_;
  }

  std::shared_ptr<RegexEngine> engine_;
};

struct Flags {
  bool ignore_case = false;
  bool multiline = false;
  bool global = false;
};

// "value@index|value@index..." in UTF-8, or "none" when there is no collection.
std::string Describe(const std::shared_ptr<RegexMatchCollection>& matches) {
  if (!matches) return "none";
  std::string out;
  for (int32_t i = 0; i < matches->Count(); ++i) {
    const auto match = matches->Item(i);
    if (!match) return out + "<missing item>";
    if (i > 0) out += "|";
    out += TextToUtf8(match->Value()) + "@" + std::to_string(match->FirstIndex());
  }
  return out;
}

std::shared_ptr<RegexMatchCollection> Execute(RegexEngine& engine, std::string_view pattern, std::string_view subject,
                                              const Flags& flags) {
  EXPECT_TRUE(engine.PutProperty("IgnoreCase", flags.ignore_case));
  EXPECT_TRUE(engine.PutProperty("Multiline", flags.multiline));
  EXPECT_TRUE(engine.PutProperty("Global", flags.global));
  engine.SetPattern(TextFromUtf8(pattern));
  return engine.Execute(TextFromUtf8(subject));
}

TEST_F(RegexEngineTest, MatchesInTheDialectTheSystemRelies) {
  struct Case {
    const char* name;
    const char* pattern;
    const char* subject;
    Flags flags;
    const char* expected;
  };
  const Case cases[] = {
      {"lazy repetition stops early", "<.*?>", "<a><b>", {.global = true}, "<a>@0|<b>@3"},
      {"groups and lazy repetition", "\"n\":\"(.*?)\"", "{\"n\":\"x\"},{\"n\":\"y\"}", {.global = true},
       "\"n\":\"x\"@1|\"n\":\"y\"@11"},
      {"without Global only the first", "a", "aaa", {}, "a@0"},
      {"IgnoreCase folds letters", "ABC", "xabc", {.ignore_case = true}, "abc@1"},
      {"case kept by default", "ABC", "abc", {}, ""},
      {"Multiline: ^ after a line feed", "^b", "a\nb", {.multiline = true}, "b@2"},
      {"without Multiline ^ only at the start", "^b", "a\nb", {}, ""},
      {"without Multiline $ only at the very end", "a$", "a\n", {}, ""},
      {"Multiline: $ before a line feed", "a$", "a\nb", {.multiline = true}, "a@0"},
      {"dot stops at a line feed", "a.b", "a\nb", {.global = true}, ""},
      {"\\u and \\x escapes", "\\u0041\\x42", "AB", {}, "AB@0"},
      {"back reference to an unset group is empty", "(a)?b\\1", "b", {}, "b@0"},
      {"empty class matches nothing", "[]a", "a", {}, ""},
      {"negated empty class matches any character", "a[^]b", "a\nb", {}, "a\nb@0"},
      {"lookahead", "a(?=b)", "ac ab", {.global = true}, "a@3"},
      {"index counts a double-byte character once", "x", "中文x", {}, "x@2"},
      {"double-byte characters in pattern and subject", "文(.)", "中文x文字", {.global = true}, "文x@1|文字@3"},
      {"nothing matches: an empty collection", "q", "abc", {.global = true}, ""},
      {"invalid pattern: no collection", "(", "abc", {}, "none"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    engine_ = CreateRegexEngine();
    ASSERT_NE(engine_, nullptr);
    EXPECT_EQ(Describe(Execute(*engine_, c.pattern, c.subject, c.flags)), c.expected);
  }
}

TEST_F(RegexEngineTest, RefusesSinglelineAndChangesNothing) {
  RegexEngine& engine = Engine();
  ASSERT_TRUE(engine.PutProperty("IgnoreCase", true));
  EXPECT_FALSE(engine.PutProperty("Singleline", true));
  EXPECT_FALSE(engine.PutProperty("Singleline", false));
  EXPECT_TRUE(engine.IgnoreCase());
  engine.SetPattern(Text("A.B"));
  EXPECT_EQ(Describe(engine.Execute(Text("a\nb a-b"))), "a-b@4");
  EXPECT_EQ(TextToUtf8(engine.Pattern()), "A.B");
}

TEST_F(RegexEngineTest, StartsWithEveryFlagOffAndReadsIgnoreCaseBack) {
  RegexEngine& engine = Engine();
  EXPECT_FALSE(engine.IgnoreCase());
  EXPECT_TRUE(engine.Pattern().empty());
  engine.SetPattern(Text("^a"));
  EXPECT_EQ(Describe(engine.Execute(Text("A\na"))), "");
  ASSERT_TRUE(engine.PutProperty("IgnoreCase", true));
  EXPECT_TRUE(engine.IgnoreCase());
  ASSERT_TRUE(engine.PutProperty("IgnoreCase", false));
  EXPECT_FALSE(engine.IgnoreCase());
}

TEST_F(RegexEngineTest, InvalidPatternShowsOnlyWhenUsed) {
  RegexEngine& engine = Engine();
  engine.SetPattern(Text("a("));
  EXPECT_EQ(TextToUtf8(engine.Pattern()), "a(");
  EXPECT_EQ(engine.Execute(Text("a(")), nullptr);
  EXPECT_TRUE(engine.Replace(Text("a("), Text("x")).empty());
  engine.SetPattern(Text("a\\("));
  EXPECT_EQ(Describe(engine.Execute(Text("a("))), "a(@0");
}

TEST_F(RegexEngineTest, SubmatchesGiveEachGroupAndEmptyForOneThatTookNoPart) {
  RegexEngine& engine = Engine();
  const auto matches = Execute(engine, "(a)|(中)", "中", {});
  ASSERT_NE(matches, nullptr);
  ASSERT_EQ(matches->Count(), 1);
  EXPECT_EQ(matches->Item(-1), nullptr);
  EXPECT_EQ(matches->Item(1), nullptr);
  const auto submatches = matches->Item(0)->SubMatches();
  ASSERT_NE(submatches, nullptr);
  EXPECT_EQ(submatches->Count(), 2);
  EXPECT_TRUE(submatches->Item(0).empty());
  EXPECT_EQ(TextToUtf8(submatches->Item(1)), "中");
  EXPECT_TRUE(submatches->Item(-1).empty());
  EXPECT_TRUE(submatches->Item(2).empty());
}

TEST_F(RegexEngineTest, CollectionOutlivesItsEngineAndTheNextRun) {
  RegexEngine& engine = Engine();
  const auto first = Execute(engine, "(b)", "abcb", {.global = true});
  const auto second = Execute(engine, "c", "c", {.global = true});
  engine_.reset();
  EXPECT_EQ(Describe(first), "b@1|b@3");
  EXPECT_EQ(TextToUtf8(first->Item(1)->SubMatches()->Item(0)), "b");
  EXPECT_EQ(Describe(second), "c@0");
}

TEST_F(RegexEngineTest, ReplaceExpandsDollarForms) {
  struct Case {
    const char* name;
    const char* pattern;
    bool global;
    const char* subject;
    const char* replacement;
    const char* expected;
  };
  const Case cases[] = {
      {"every form, every match", "(a)(b)?", true, "ab a", "[$1|$2|$&|$$|$`|$'|$3|$0|$11|$01]",
       "[a|b|ab|$|| a|$3|$0|a1|a] [a||a|$|ab ||$3|$0|a1|a]"},
      {"without Global only the first", "(a)", false, "ab a", "<$1>", "<a>b a"},
      {"a dollar at the end stays", "a", true, "ba", "x$", "bx$"},
      {"double-byte text around the match", "文", true, "中文字", "[$&]", "中[文]字"},
      {"nothing matches: the subject", "q", true, "中文", "x", "中文"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    engine_ = CreateRegexEngine();
    ASSERT_NE(engine_, nullptr);
    ASSERT_TRUE(engine_->PutProperty("Global", c.global));
    engine_->SetPattern(TextFromUtf8(c.pattern));
    EXPECT_EQ(TextToUtf8(engine_->Replace(TextFromUtf8(c.subject), TextFromUtf8(c.replacement))), c.expected);
  }
}

}  // namespace
}  // namespace skinwall
