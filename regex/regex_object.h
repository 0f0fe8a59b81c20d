// RegexObject runs one pattern over one subject through the platform's
// engine and hands out matches and submatches by number, counted from 1.
// It keeps the engine, the match collection of the last Create and the
// subject, so that any number of reads can follow one run. Every failure
// gives an empty result (0, the empty text, false) and leaves the object
// usable.
#pragma once

#include <cstdint>
#include <memory>

#include "regex/regex_engine.h"
#include "runtime/text.h"

namespace skinwall {

struct RegexCreateOptions {
  bool case_sensitive = false;
  bool multi_line = true;
  bool global = true;
  // Whether "#引号" in the pattern stands for a double quote.
  bool quote_markers = false;
};

class RegexObject {
 public:
  // Initialises the component library for the calling thread.
  RegexObject();
  // Destroys the object as Destroy does, unless Destroy has run already.
  ~RegexObject();
  RegexObject(const RegexObject&) = delete;
  RegexObject& operator=(const RegexObject&) = delete;

  // Releases the engine and the match collection, clears the subject and
  // uninitialises the component library. Only the first call does anything;
  // afterwards every read gives its empty result and Create gives false.
  void Destroy();

  // A new object (with its own initialisation of the component library)
  // sharing this one's engine and match collection, with a copy of its subject.
  RegexObject Copy() const;

  // Creates a fresh engine with IgnoreCase = !case_sensitive, Multiline,
  // Global and the pattern, stores the subject and runs "Execute" over it.
  // True when a match collection came back, also an empty one; false for an
  // invalid pattern or when no engine could be made.
  bool Create(const Text& pattern, const Text& subject, const RegexCreateOptions& options = {});

  // Has no effect.
  void DoNothing() const {}

  // The engine's pattern, after the marker replacement; empty without engine.
  Text GetPattern() const;

  // The subject of the last Create with every match (global) or the first
  // replaced; "$1", "$&" and the like as the engine reads them.
  Text Replace(const Text& replacement) const;

  int32_t MatchCount() const;

  // The text of match n. When position is given it receives a 0-based byte
  // offset: the returned text searched for in the subject from the byte
  // offset equal to the match's character index, exactly when the engine
  // ignores case and folding case when it does not; -2 when that search
  // finds nothing or there is no match n.
  Text MatchText(int32_t n, int32_t* position = nullptr) const;

  // The text of group k in match n; empty when that group took no part.
  // position as for MatchText, searched from the whole match's index.
  Text SubmatchText(int32_t n, int32_t k, int32_t* position = nullptr) const;

  // The number of groups, read from the first match; 0 without a match.
  int32_t SubmatchCount() const;

 private:
  RegexObject(std::shared_ptr<RegexEngine> engine, std::shared_ptr<RegexMatchCollection> matches, Text subject);

  std::shared_ptr<RegexMatch> MatchAt(int32_t n) const;
  int32_t PositionOf(const Text& text, const RegexMatch& match) const;

  std::shared_ptr<RegexEngine> engine_;
  std::shared_ptr<RegexMatchCollection> matches_;
  Text subject_;
  bool destroyed_ = false;
};

}  // namespace skinwall
