#include "regex/regex_object.h"

#include <utility>

#include "runtime/system_functions.h"
#include "runtime/walking.h"
#include "text/header_text.h"

namespace skinwall {
namespace {

constexpr int32_t kNoPosition = -2;

}  // namespace

RegexObject::RegexObject() { system_function::CoInitialize(nullptr); }

RegexObject::RegexObject(std::shared_ptr<RegexEngine> engine, std::shared_ptr<RegexMatchCollection> matches,
                         Text subject)
    : RegexObject() {
  engine_ = std::move(engine);
  matches_ = std::move(matches);
  subject_ = std::move(subject);
}

RegexObject::~RegexObject() { Destroy(); }

void RegexObject::Destroy() {
  if (destroyed_) return;
  destroyed_ = true;
  engine_.reset();
  matches_.reset();
  subject_ = Text();
  system_function::CoUninitialize();
}

RegexObject RegexObject::Copy() const { return RegexObject(engine_, matches_, subject_); }

bool RegexObject::Create(const Text& pattern, const Text& subject, const RegexCreateOptions& options) {
  if (destroyed_) return false;
  matches_.reset();
  engine_.reset();
  engine_ = CreateRegexEngine();
  subject_ = subject;
  if (!engine_) return false;

  // The engine has no "Singleline": that write is refused and changes nothing.
  engine_->PutProperty("IgnoreCase", !options.case_sensitive);
  engine_->PutProperty("Multiline", options.multi_line);
  engine_->PutProperty("Singleline", true);
  engine_->PutProperty("Global", options.global);
  engine_->SetPattern(options.quote_markers
                          ? ReplaceText(pattern, QuoteMarker(), {.replacement = Text("\"")})
                          : pattern);
  matches_ = engine_->Execute(subject_);
  return matches_ != nullptr;
}

Text RegexObject::GetPattern() const { return engine_ ? engine_->Pattern() : Text(); }

Text RegexObject::Replace(const Text& replacement) const {
  return engine_ ? engine_->Replace(subject_, replacement) : Text();
}

int32_t RegexObject::MatchCount() const { return matches_ ? matches_->Count() : 0; }

std::shared_ptr<RegexMatch> RegexObject::MatchAt(int32_t n) const {
  if (!matches_ || n < 1) return nullptr;
  return matches_->Item(n - 1);
}

// The match's character index is taken as a byte offset: the text lies at
// or after it, as a double-byte character takes two bytes. The search walks
// by characters from there even when that offset is a second byte. Its case
// rule is the opposite of the engine's: a text found ignoring case is found
// as it stands in the subject.
int32_t RegexObject::PositionOf(const Text& text, const RegexMatch& match) const {
  const bool engine_ignores_case = engine_ && engine_->IgnoreCase();
  const int32_t found =
      FindText(subject_, text,
               {.start = match.FirstIndex() + 1,
                .match = engine_ignores_case ? CaseMatch::kExact : CaseMatch::kIgnoreCase});
  return found == -1 ? kNoPosition : found - 1;
}

Text RegexObject::MatchText(int32_t n, int32_t* position) const {
  const std::shared_ptr<RegexMatch> match = MatchAt(n);
  if (!match) {
    if (position != nullptr) *position = kNoPosition;
    return Text();
  }
  Text value = match->Value();
  if (position != nullptr) *position = PositionOf(value, *match);
  return value;
}

Text RegexObject::SubmatchText(int32_t n, int32_t k, int32_t* position) const {
  const std::shared_ptr<RegexMatch> match = MatchAt(n);
  const std::shared_ptr<RegexSubmatches> submatches = match ? match->SubMatches() : nullptr;
  if (!submatches || k < 1 || k > submatches->Count()) {
    if (position != nullptr) *position = kNoPosition;
    return Text();
  }
  Text value = submatches->Item(k - 1);
  if (position != nullptr) *position = PositionOf(value, *match);
  return value;
}

int32_t RegexObject::SubmatchCount() const {
  const std::shared_ptr<RegexMatch> first = MatchAt(1);
  const std::shared_ptr<RegexSubmatches> submatches = first ? first->SubMatches() : nullptr;
  return submatches ? submatches->Count() : 0;
}

}  // namespace skinwall
