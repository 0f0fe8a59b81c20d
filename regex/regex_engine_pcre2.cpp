// Our own engine over PCRE2 with 16-bit code units, so that positions come
// out in UTF-16 units as the platform's engine reports them. The dialect is
// kept as close to that engine's as PCRE2 allows: "." stops only at "\n",
// "$" without Multiline matches only at the very end, "\uXXXX" and "\xXX"
// escapes, a back reference to a group that took no part matches the empty
// text, "[]" matches nothing and "[^]" any character.
#include <algorithm>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "regex/pcre2_owners_pcre2.h"
#include "regex/regex_engine.h"
#include "runtime/code_pages.h"

namespace skinwall {
namespace {

constexpr uint32_t kCompileOptions = PCRE2_UTF | PCRE2_ALT_BSUX | PCRE2_MATCH_UNSET_BACKREF |
                                     PCRE2_ALLOW_EMPTY_CLASS | PCRE2_DOLLAR_ENDONLY |
                                     // \C could stop a match inside a surrogate pair.
                                     PCRE2_NEVER_BACKSLASH_C;

constexpr PCRE2_SIZE kJitStackStart = 32 * 1024;
constexpr PCRE2_SIZE kJitStackMax = 4 * 1024 * 1024;

std::u16string ToUnits(const Text& text) { return CodePageToUtf16(kCodePageGbk, text.view()); }

Text FromUnits(std::u16string_view units) { return Text(Utf16ToCodePage(kCodePageGbk, units)); }

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }

// Where the next search starts after a match [begin, end): at its end, or
// one character further when it was empty (never inside a surrogate pair).
PCRE2_SIZE NextStart(std::u16string_view subject, PCRE2_SIZE begin, PCRE2_SIZE end, PCRE2_SIZE start) {
  PCRE2_SIZE next = end;
  if (end <= begin || next <= start) {
    next = std::max(end, start);
    const bool pair = next + 1 < subject.size() && IsHighSurrogate(subject[next]);
    next += pair ? 2 : 1;
  }
  return next;
}

// Runs code over subject and hands each match's offset vector to found:
// every match when global, else the first. Any result other than a match
// (no match, the match limit, lack of memory) ends the run; what was found
// before it stands.
template <class Found>
void Scan(const pcre2_code_16* code, std::u16string_view subject, bool global, Found found) {
  pcre2::MatchData data(pcre2_match_data_create_from_pattern_16(code, nullptr));
  pcre2::MatchContext context(pcre2_match_context_create_16(nullptr));
  if (!data || !context) return;
  pcre2::JitStack stack(pcre2_jit_stack_create_16(kJitStackStart, kJitStackMax, nullptr));
  if (stack) pcre2_jit_stack_assign_16(context.get(), nullptr, stack.get());

  const auto* units = reinterpret_cast<PCRE2_SPTR16>(subject.data());
  // The subject is checked for valid UTF-16 once, at the first call; checking
  // it again at every start would make a global run quadratic.
  uint32_t options = 0;
  for (PCRE2_SIZE start = 0; start <= subject.size();) {
    const int rc = pcre2_match_16(code, units, subject.size(), start, options, data.get(), context.get());
    if (rc < 0) return;
    options = PCRE2_NO_UTF_CHECK;
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer_16(data.get());
    found(ovector);
    if (!global) return;
    start = NextStart(subject, ovector[0], ovector[1], start);
  }
}

uint32_t CaptureCount(const pcre2_code_16* code) {
  uint32_t count = 0;
  pcre2_pattern_info_16(code, PCRE2_INFO_CAPTURECOUNT, &count);
  return count;
}

// The text of group (0: the whole match) from an offset vector; empty when unset.
std::u16string_view Group(std::u16string_view subject, const PCRE2_SIZE* ovector, uint32_t group) {
  const PCRE2_SIZE begin = ovector[2 * group];
  const PCRE2_SIZE end = ovector[2 * group + 1];
  if (begin == PCRE2_UNSET || end < begin || end > subject.size()) return {};
  return subject.substr(begin, end - begin);
}

// What a run found: the subject and, per match, its offset vector.
struct MatchRecords {
  std::u16string subject;
  uint32_t groups = 0;
  std::vector<PCRE2_SIZE> offsets;  // (groups + 1) * 2 per match

  std::size_t Stride() const { return (static_cast<std::size_t>(groups) + 1) * 2; }
  int32_t Count() const { return static_cast<int32_t>(offsets.size() / Stride()); }
  const PCRE2_SIZE* Match(int32_t index) const { return offsets.data() + Stride() * static_cast<std::size_t>(index); }
};

class Pcre2Submatches final : public RegexSubmatches {
 public:
  Pcre2Submatches(std::shared_ptr<const MatchRecords> records, int32_t match)
      : records_(std::move(records)), match_(match) {}

  int32_t Count() const override { return static_cast<int32_t>(records_->groups); }

  Text Item(int32_t index) const override {
    if (index < 0 || index >= Count()) return Text();
    return FromUnits(Group(records_->subject, records_->Match(match_), static_cast<uint32_t>(index) + 1));
  }

 private:
  std::shared_ptr<const MatchRecords> records_;
  int32_t match_;
};

class Pcre2Match final : public RegexMatch {
 public:
  Pcre2Match(std::shared_ptr<const MatchRecords> records, int32_t match)
      : records_(std::move(records)), match_(match) {}

  Text Value() const override { return FromUnits(Group(records_->subject, records_->Match(match_), 0)); }
  int32_t FirstIndex() const override { return static_cast<int32_t>(records_->Match(match_)[0]); }
  std::shared_ptr<RegexSubmatches> SubMatches() const override {
    return std::make_shared<Pcre2Submatches>(records_, match_);
  }

 private:
  std::shared_ptr<const MatchRecords> records_;
  int32_t match_;
};

class Pcre2Collection final : public RegexMatchCollection {
 public:
  explicit Pcre2Collection(std::shared_ptr<const MatchRecords> records) : records_(std::move(records)) {}

  int32_t Count() const override { return records_->Count(); }
  std::shared_ptr<RegexMatch> Item(int32_t index) const override {
    if (index < 0 || index >= Count()) return nullptr;
    return std::make_shared<Pcre2Match>(records_, index);
  }

 private:
  std::shared_ptr<const MatchRecords> records_;
};

// Appends replacement to out with its "$" forms expanded for one match.
void AppendExpansion(std::u16string& out, std::u16string_view replacement, std::u16string_view subject,
                     const PCRE2_SIZE* ovector, uint32_t groups) {
  const auto digit = [&](std::size_t at) -> int {
    if (at >= replacement.size() || replacement[at] < u'0' || replacement[at] > u'9') return -1;
    return replacement[at] - u'0';
  };
  for (std::size_t i = 0; i < replacement.size();) {
    if (replacement[i] != u'$' || i + 1 == replacement.size()) {
      out.push_back(replacement[i++]);
      continue;
    }
    const char16_t next = replacement[i + 1];
    if (next == u'$') {
      out.push_back(u'$');
      i += 2;
    } else if (next == u'&') {
      out.append(Group(subject, ovector, 0));
      i += 2;
    } else if (next == u'`') {
      out.append(subject.substr(0, ovector[0]));
      i += 2;
    } else if (next == u'\'') {
      out.append(subject.substr(std::min<PCRE2_SIZE>(ovector[1], subject.size())));
      i += 2;
    } else if (const int first = digit(i + 1); first >= 0) {
      // Two digits when they name a group, else one digit when it does.
      const int second = digit(i + 2);
      const int both = second >= 0 ? first * 10 + second : 0;
      if (both >= 1 && static_cast<uint32_t>(both) <= groups) {
        out.append(Group(subject, ovector, static_cast<uint32_t>(both)));
        i += 3;
      } else if (first >= 1 && static_cast<uint32_t>(first) <= groups) {
        out.append(Group(subject, ovector, static_cast<uint32_t>(first)));
        i += 2;
      } else {
        out.push_back(replacement[i++]);
      }
    } else {
      out.push_back(replacement[i++]);
    }
  }
}

class Pcre2Engine final : public RegexEngine {
 public:
  bool PutProperty(std::string_view name, bool value) override {
    bool* flag = name == "IgnoreCase" ? &ignore_case_
                 : name == "Multiline" ? &multiline_
                 : name == "Global"    ? &global_
                                       : nullptr;
    if (flag == nullptr) return false;
    if (*flag != value) code_.reset();
    *flag = value;
    return true;
  }

  bool IgnoreCase() const override { return ignore_case_; }

  void SetPattern(const Text& pattern) override {
    pattern_ = pattern;
    code_.reset();
  }

  Text Pattern() const override { return pattern_; }

  std::shared_ptr<RegexMatchCollection> Execute(const Text& subject) override {
    const pcre2_code_16* code = Compiled();
    if (code == nullptr) return nullptr;
    auto records = std::make_shared<MatchRecords>();
    records->subject = ToUnits(subject);
    records->groups = CaptureCount(code);
    const std::size_t stride = records->Stride();
    Scan(code, records->subject, global_, [&](const PCRE2_SIZE* ovector) {
      records->offsets.insert(records->offsets.end(), ovector, ovector + stride);
    });
    return std::make_shared<Pcre2Collection>(std::move(records));
  }

  Text Replace(const Text& subject, const Text& replacement) override {
    const pcre2_code_16* code = Compiled();
    if (code == nullptr) return Text();
    const std::u16string units = ToUnits(subject);
    const std::u16string with = ToUnits(replacement);
    const uint32_t groups = CaptureCount(code);
    std::u16string out;
    PCRE2_SIZE copied = 0;
    Scan(code, units, global_, [&](const PCRE2_SIZE* ovector) {
      if (ovector[0] < copied || ovector[1] < ovector[0]) return;
      out.append(units, copied, ovector[0] - copied);
      AppendExpansion(out, with, units, ovector, groups);
      copied = ovector[1];
    });
    out.append(units, copied);
    return FromUnits(out);
  }

 private:
  // The pattern compiled for the current flags; nullptr when it is invalid.
  const pcre2_code_16* Compiled() {
    if (code_) return code_.get();
    pcre2::CompileContext context(pcre2_compile_context_create_16(nullptr));
    if (!context) return nullptr;
    pcre2_set_newline_16(context.get(), PCRE2_NEWLINE_LF);
    uint32_t options = kCompileOptions;
    if (ignore_case_) options |= PCRE2_CASELESS;
    if (multiline_) options |= PCRE2_MULTILINE;
    const std::u16string units = ToUnits(pattern_);
    int error = 0;
    PCRE2_SIZE error_offset = 0;
    code_.reset(pcre2_compile_16(reinterpret_cast<PCRE2_SPTR16>(units.data()), units.size(), options, &error,
                                 &error_offset, context.get()));
    // Without JIT (an unsupported machine, no executable memory) the
    // interpreter runs the same pattern.
    if (code_) pcre2_jit_compile_16(code_.get(), PCRE2_JIT_COMPLETE);
    return code_.get();
  }

  bool ignore_case_ = false;
  bool multiline_ = false;
  bool global_ = false;
  Text pattern_;
  pcre2::Code code_;
};

}  // namespace

std::shared_ptr<RegexEngine> CreateRegexEngine() { return std::make_shared<Pcre2Engine>(); }

}  // namespace skinwall
