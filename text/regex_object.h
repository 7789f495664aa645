// A regular expression run over the UTF-16 form of a code page 936 text, with
// its match collection. The only unit that talks to PCRE2.
//
// The dialect is PCRE2's, matched on UTF-16 code units. A full stop matches any
// unit but CR and LF; ignoring case folds only the ASCII letters. Global
// runs report matches left to right without overlap; after an empty match the
// next search begins one unit further on.
#pragma once

#include <memory>

#include "text/primitives.h"

class RegexObject {
 public:
  RegexObject();
  virtual ~RegexObject();
  RegexObject(const RegexObject& other);
  RegexObject& operator=(const RegexObject&) = delete;

  // Compiles `pattern` and finds its matches in `source` (every match when global).
  // False when the pattern does not compile or the run fails; the object then holds
  // no matches. With `quote_placeholder`, every "#引号" in the pattern stands for a
  // double quote.
  virtual bool match_all(const Text& pattern, const Text& source, bool case_sensitive = false,
                         bool multiline = true, bool global = true, bool quote_placeholder = false);
  // The pattern of the last run; empty before the first.
  virtual Text pattern_text() const;
  // The last source with its matches replaced. In the replacement, $1 to $99 stand
  // for a group, $& for the match, $` and $' for the text before and after it, $$
  // for a dollar sign. Empty when the last run failed or there was none.
  virtual Text replace_matches(const Text& replacement) const;
  virtual int match_count() const;
  // Indexes count from 1; out of range gives the empty text. `position`, when given,
  // receives the 0-based byte offset of the result in the source, or -1 when there
  // is no such match or the group took no part in it.
  virtual Text match_text(int index, Position* position = nullptr) const;
  virtual Text group_text(int index, int group, Position* position = nullptr) const;
  // Capture groups of the pattern; 0 when the last run found no match.
  virtual int group_count() const;

 private:
  struct State;
  std::shared_ptr<const State> state_;  // shared by copies; every run makes a new one
};
