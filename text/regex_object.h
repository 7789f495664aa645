// A regular expression run over the UTF-16 form of a code page 936 text, with
// its match collection. The only unit that talks to PCRE2.
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
  // False when the pattern does not compile or the run fails.
  virtual bool match_all(const Text& pattern, const Text& source, bool case_sensitive = false,
                         bool multiline = true, bool global = true,
                         bool quote_placeholder = false);
  virtual Text pattern_text() const;
  virtual Text replace_matches(const Text& replacement) const;
  virtual int match_count() const;
  // Indexes count from 1; out of range gives the empty text. `position`, when given,
  // receives the 0-based byte offset of the result in the source.
  virtual Text match_text(int index, Position* position = nullptr) const;
  virtual Text group_text(int index, int group, Position* position = nullptr) const;
  virtual int group_count() const;

 private:
  struct State;
  std::shared_ptr<const State> state_;  // shared by copies, like the component's references
};
