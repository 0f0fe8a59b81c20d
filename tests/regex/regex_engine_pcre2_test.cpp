// Our own engine: the owners of its PCRE2 resources, and where its dialect
// is decided here rather than taken from the platform's engine.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>

#include "regex/pcre2_owners_pcre2.h"
#include "regex/regex_engine.h"
#include "runtime/source_text.h"

namespace skinwall {
namespace {

// Counts the blocks PCRE2 holds through a general context.
struct Allocations {
  int live = 0;
};

void* CountingMalloc(PCRE2_SIZE size, void* data) {
  ++static_cast<Allocations*>(data)->live;
  return std::malloc(size);
}

void CountingFree(void* block, void* data) {
  if (block != nullptr) --static_cast<Allocations*>(data)->live;
  std::free(block);
}

// make(general) gives an owner of one resource allocated through general.
template <class Owner, class Make>
void CheckOwner(Make make) {
  Allocations allocations;
  pcre2::GeneralContext general(pcre2_general_context_create_16(&CountingMalloc, &CountingFree, &allocations));
  ASSERT_TRUE(general);
  const int baseline = allocations.live;
  {
    Owner owner = make(general.get());
    ASSERT_TRUE(owner);
    EXPECT_GT(allocations.live, baseline);
    Owner moved = std::move(owner);
    EXPECT_FALSE(owner);
    EXPECT_TRUE(moved);
    Owner assigned;
    assigned = std::move(moved);
    EXPECT_FALSE(moved);
    EXPECT_TRUE(assigned);
    EXPECT_GT(allocations.live, baseline);
  }
  EXPECT_EQ(allocations.live, baseline);
}

TEST(Pcre2OwnersTest, EachOwnerReleasesItsResourceOnceAndMovesOut) {
  {
    SCOPED_TRACE("compile context");
    CheckOwner<pcre2::CompileContext>(
        [](pcre2_general_context_16* g) { return pcre2::CompileContext(pcre2_compile_context_create_16(g)); });
  }
  {
    SCOPED_TRACE("code");
    CheckOwner<pcre2::Code>([](pcre2_general_context_16* g) {
      pcre2::CompileContext context(pcre2_compile_context_create_16(g));
      int error = 0;
      PCRE2_SIZE offset = 0;
      const char16_t pattern[] = u"(a)b";
      return pcre2::Code(pcre2_compile_16(reinterpret_cast<PCRE2_SPTR16>(pattern), PCRE2_ZERO_TERMINATED,
                                          PCRE2_UTF, &error, &offset, context.get()));
    });
  }
  {
    SCOPED_TRACE("match data");
    CheckOwner<pcre2::MatchData>(
        [](pcre2_general_context_16* g) { return pcre2::MatchData(pcre2_match_data_create_16(4, g)); });
  }
  {
    SCOPED_TRACE("match context");
    CheckOwner<pcre2::MatchContext>(
        [](pcre2_general_context_16* g) { return pcre2::MatchContext(pcre2_match_context_create_16(g)); });
  }
  {
    SCOPED_TRACE("JIT stack");
    CheckOwner<pcre2::JitStack>(
        [](pcre2_general_context_16* g) { return pcre2::JitStack(pcre2_jit_stack_create_16(4096, 65536, g)); });
  }
}

std::string Describe(const std::shared_ptr<RegexMatchCollection>& matches) {
  if (!matches) return "none";
  std::string out;
  for (int32_t i = 0; i < matches->Count(); ++i) {
    if (i > 0) out += "|";
    out += TextToUtf8(matches->Item(i)->Value()) + "@" + std::to_string(matches->Item(i)->FirstIndex());
  }
  return out;
}

std::shared_ptr<RegexEngine> GlobalEngine(const char* pattern) {
  auto engine = CreateRegexEngine();
  EXPECT_TRUE(engine->PutProperty("Global", true));
  engine->SetPattern(TextFromUtf8(pattern));
  return engine;
}

TEST(Pcre2EngineTest, DotStopsOnlyAtLineFeed) {
  EXPECT_EQ(Describe(GlobalEngine("a.b")->Execute(Text("a\rb a\nb"))), "a\rb@0");
}

TEST(Pcre2EngineTest, EmptyMatchesMoveOnByOneCharacter) {
  struct Case {
    const char* pattern;
    const char* subject;
    const char* expected;
  };
  const Case cases[] = {
      {"x*", "axb", "@0|x@1|@2|@3"},
      {"|a", "a", "@0|@1"},
      {"", "中文", "@0|@1|@2"},
      {"x*", "", "@0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.pattern) + " over " + c.subject);
    EXPECT_EQ(Describe(GlobalEngine(c.pattern)->Execute(TextFromUtf8(c.subject))), c.expected);
  }
  EXPECT_EQ(TextToUtf8(GlobalEngine("x*")->Replace(TextFromUtf8("a中"), Text("-"))), "-a-中-");
}

TEST(Pcre2EngineTest, MatchLimitEndsTheRunKeepingWhatWasFound) {
  // From the second character on, the nested repetition backtracks
  // exponentially and hits the match limit before "b" could be found.
  const auto engine = GlobalEngine("x|(a+)+$|b");
  const auto matches = engine->Execute(Text("x" + std::string(40, 'a') + "b"));
  ASSERT_NE(matches, nullptr);
  EXPECT_EQ(Describe(matches), "x@0");
}

}  // namespace
}  // namespace skinwall
