// The platform's regular-expression engine as RegexObject drives it: flags
// and a pattern written by member name, "Execute" giving a collection of
// matches, "Replace". Our own engine over PCRE2 on POSIX, the system's
// automation object on Windows; CreateRegexEngine is defined once per platform.
//
// Texts go in and come out in code page 936. Positions count UTF-16 units
// from 0, so a double-byte character counts once. Nothing here throws: a
// call that cannot be made gives the empty value of its result.
// Engines and collections are shared by reference; a collection stays
// readable after its engine has been released.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "runtime/text.h"

namespace skinwall {

class RegexSubmatches {
 public:
  virtual ~RegexSubmatches() = default;
  // The number of capturing groups of the pattern.
  virtual int32_t Count() const = 0;
  // The text of group index + 1; empty when that group took no part in the
  // match or index is outside 0..Count()-1.
  virtual Text Item(int32_t index) const = 0;
};

class RegexMatch {
 public:
  virtual ~RegexMatch() = default;
  virtual Text Value() const = 0;
  // UTF-16 units before the match.
  virtual int32_t FirstIndex() const = 0;
  virtual std::shared_ptr<RegexSubmatches> SubMatches() const = 0;
};

class RegexMatchCollection {
 public:
  virtual ~RegexMatchCollection() = default;
  virtual int32_t Count() const = 0;
  // Match index (from 0); nullptr outside 0..Count()-1.
  virtual std::shared_ptr<RegexMatch> Item(int32_t index) const = 0;
};

class RegexEngine {
 public:
  virtual ~RegexEngine() = default;

  // Writes a true/false property by its member name: "IgnoreCase",
  // "Multiline" or "Global". Any other name (such as "Singleline", which the
  // engine does not have) is refused: the result is false and nothing changes.
  virtual bool PutProperty(std::string_view name, bool value) = 0;
  virtual bool IgnoreCase() const = 0;

  // The pattern is only compiled by Execute and Replace, so an invalid one
  // is accepted here and read back unchanged.
  virtual void SetPattern(const Text& pattern) = 0;
  virtual Text Pattern() const = 0;

  // Every match when "Global" is true, else the first; an empty match moves
  // the next search one character on. An empty collection when nothing
  // matches; nullptr when the pattern is invalid.
  virtual std::shared_ptr<RegexMatchCollection> Execute(const Text& subject) = 0;

  // The subject with every match ("Global") or the first replaced. In the
  // replacement "$1".."$99" stand for a group, "$&" for the match, "$`" and
  // "$'" for the text before and after it, "$$" for "$"; a "$" that starts
  // none of these stays. Empty when the pattern is invalid.
  virtual Text Replace(const Text& subject, const Text& replacement) = 0;
};

// A fresh engine (IgnoreCase, Multiline and Global false, empty pattern), or
// nullptr when the platform cannot supply one. On Windows the calling thread
// has initialised the component library.
std::shared_ptr<RegexEngine> CreateRegexEngine();

}  // namespace skinwall
