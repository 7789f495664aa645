#include "text/regex_object.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/codepage.h"
#include "text/markers.h"

namespace {

struct CodeFree {
  void operator()(pcre2_code* p) const { pcre2_code_free(p); }
};
struct CompileContextFree {
  void operator()(pcre2_compile_context* p) const { pcre2_compile_context_free(p); }
};
struct MatchContextFree {
  void operator()(pcre2_match_context* p) const { pcre2_match_context_free(p); }
};
struct MatchDataFree {
  void operator()(pcre2_match_data* p) const { pcre2_match_data_free(p); }
};
using CodePtr = std::unique_ptr<pcre2_code, CodeFree>;
using CompileContextPtr = std::unique_ptr<pcre2_compile_context, CompileContextFree>;
using MatchContextPtr = std::unique_ptr<pcre2_match_context, MatchContextFree>;
using MatchDataPtr = std::unique_ptr<pcre2_match_data, MatchDataFree>;

// Limits for the interpreter when the JIT (or the default limits) gave up. A page of
// several megabytes with one long item between the markers must still match; the
// caps keep a runaway pattern from taking all memory or running for minutes.
constexpr std::uint32_t kMatchLimit = 100'000'000;
constexpr std::uint32_t kDepthLimit = 100'000'000;
constexpr std::uint32_t kHeapLimitKib = 1024 * 1024;  // 1 GiB of backtracking frames

bool is_limit_error(int rc) {
  return rc == PCRE2_ERROR_JIT_STACKLIMIT || rc == PCRE2_ERROR_MATCHLIMIT ||
         rc == PCRE2_ERROR_DEPTHLIMIT || rc == PCRE2_ERROR_HEAPLIMIT;
}

PCRE2_SPTR16 units(std::u16string_view s) { return reinterpret_cast<PCRE2_SPTR16>(s.data()); }

// One capture span in code units; `begin` is PCRE2_UNSET for a group that took no part.
struct Span {
  PCRE2_SIZE begin = PCRE2_UNSET;
  PCRE2_SIZE end = PCRE2_UNSET;
  bool set() const { return begin != PCRE2_UNSET; }
};

}  // namespace

struct RegexObject::State {
  Text pattern;
  bool ran = false;  // the last run produced a match collection
  std::u16string source;
  int groups = 0;           // capture groups of the pattern
  std::vector<Span> spans;  // per match: the whole match, then each group

  std::size_t stride() const { return static_cast<std::size_t>(groups) + 1; }
  int count() const { return ran ? static_cast<int>(spans.size() / stride()) : 0; }

  // The span of group `group` (0: the whole match) of match `index` (from 1), if any.
  std::optional<Span> span(int index, int group) const {
    if (index < 1 || index > count() || group < 0 || group > groups) return std::nullopt;
    const Span s = spans[(static_cast<std::size_t>(index) - 1) * stride() + group];
    if (!s.set()) return std::nullopt;
    return s;
  }

  std::u16string_view slice(Span s) const {
    const std::u16string_view all = source;
    const PCRE2_SIZE begin = std::min<PCRE2_SIZE>(s.begin, all.size());
    const PCRE2_SIZE end = std::min<PCRE2_SIZE>(std::max(s.end, begin), all.size());
    return all.substr(begin, end - begin);
  }

  // The 0-based byte offset of a code unit offset in the source as code page 936 text.
  Position byte_offset(PCRE2_SIZE unit) const {
    const std::u16string_view all = source;
    return byte_count(utf16_to_local(all.substr(0, std::min<PCRE2_SIZE>(unit, all.size()))));
  }

  Text text_of(std::optional<Span> s, Position* position) const {
    if (position) *position = s ? byte_offset(s->begin) : -1;
    return s ? utf16_to_local(slice(*s)) : Text();
  }

  bool run(const pcre2_code* code, bool global);
};

RegexObject::RegexObject() = default;
RegexObject::~RegexObject() = default;
RegexObject::RegexObject(const RegexObject& other) : state_(other.state_) {}

bool RegexObject::match_all(const Text& pattern, const Text& source, bool case_sensitive,
                            bool multiline, bool global, bool quote_placeholder) {
  auto next = std::make_shared<State>();
  next->pattern = quote_placeholder
                      ? substitute(pattern, ::quote_placeholder(), "\"", 1, std::nullopt, true)
                      : pattern;
  next->source = local_to_utf16(source);
  state_ = next;  // the earlier run is gone even when this one fails

  CompileContextPtr context(pcre2_compile_context_create(nullptr));
  if (!context) return false;
  // Line breaks are CR, LF and CR LF, as in the script dialects: a full stop matches
  // neither CR nor LF, whatever PCRE2 was built with.
  pcre2_set_newline(context.get(), PCRE2_NEWLINE_ANYCRLF);
  // Code units, not code points: a code page 936 text never holds a surrogate, and
  // without UTF mode case folding is left to the ASCII letters.
  std::uint32_t options = PCRE2_NEVER_UTF;
  if (!case_sensitive) options |= PCRE2_CASELESS;
  // Without multiline, $ is the end of the source only, not also before a last line break.
  options |= multiline ? PCRE2_MULTILINE : PCRE2_DOLLAR_ENDONLY;
  const std::u16string pattern16 = local_to_utf16(next->pattern);
  int error = 0;
  PCRE2_SIZE error_offset = 0;
  CodePtr code(pcre2_compile(units(pattern16), pattern16.size(), options, &error, &error_offset,
                             context.get()));
  if (!code) return false;
  // Without a JIT (or when it refuses the pattern) pcre2_match interprets.
  pcre2_jit_compile(code.get(), PCRE2_JIT_COMPLETE);

  std::uint32_t groups = 0;
  pcre2_pattern_info(code.get(), PCRE2_INFO_CAPTURECOUNT, &groups);
  next->groups = static_cast<int>(groups);
  next->ran = next->run(code.get(), global);
  if (!next->ran) next->spans.clear();
  return next->ran;
}

// Collects the matches of `code` in the source. False when the run fails.
bool RegexObject::State::run(const pcre2_code* code, bool global) {
  MatchDataPtr data(pcre2_match_data_create_from_pattern(code, nullptr));
  MatchContextPtr generous(pcre2_match_context_create(nullptr));
  if (!data || !generous) return false;
  pcre2_set_match_limit(generous.get(), kMatchLimit);
  pcre2_set_depth_limit(generous.get(), kDepthLimit);
  pcre2_set_heap_limit(generous.get(), kHeapLimitKib);

  const std::u16string_view subject = source;
  PCRE2_SIZE start = 0;
  while (start <= subject.size()) {
    int rc = pcre2_match(code, units(subject), subject.size(), start, 0, data.get(), nullptr);
    if (is_limit_error(rc)) {
      // The JIT's stack or the default limits ran out: the interpreter keeps its
      // backtracking on the heap and may use more of it.
      rc = pcre2_match(code, units(subject), subject.size(), start, PCRE2_NO_JIT, data.get(),
                       generous.get());
    }
    if (rc == PCRE2_ERROR_NOMATCH) break;
    if (rc < 0) return false;

    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data.get());
    const std::uint32_t pairs = pcre2_get_ovector_count(data.get());
    for (std::size_t g = 0; g < stride(); ++g) {
      // Groups beyond the highest one that matched are unset.
      Span s;
      if (g < pairs && g < static_cast<std::size_t>(rc)) s = {ovector[2 * g], ovector[2 * g + 1]};
      spans.push_back(s);
    }
    if (!global) break;
    const PCRE2_SIZE begin = ovector[0];
    const PCRE2_SIZE end = ovector[1];
    // An empty match moves the next search on by one unit, so the loop always advances.
    start = end > begin ? end : begin + 1;
  }
  return true;
}

Text RegexObject::pattern_text() const { return state_ ? state_->pattern : Text(); }

Text RegexObject::replace_matches(const Text& replacement) const {
  if (!state_ || !state_->ran) return {};
  const State& s = *state_;
  const std::u16string_view source = s.source;
  const std::u16string with = local_to_utf16(replacement);
  std::u16string out;
  out.reserve(source.size());
  PCRE2_SIZE copied = 0;
  for (int i = 1; i <= s.count(); ++i) {
    const Span whole = *s.span(i, 0);
    const std::u16string_view match = s.slice(whole);
    // Matches come in order without overlap; the clamps only keep the cuts in range.
    const PCRE2_SIZE begin = std::clamp<PCRE2_SIZE>(whole.begin, copied, source.size());
    out.append(source.substr(copied, begin - copied));
    copied = std::clamp<PCRE2_SIZE>(whole.end, begin, source.size());

    for (std::size_t k = 0; k < with.size(); ++k) {
      const char16_t c = with[k];
      const char16_t n = k + 1 < with.size() ? with[k + 1] : u'\0';
      if (c != u'$' || k + 1 >= with.size()) {
        out.push_back(c);
      } else if (n == u'$') {
        out.push_back(u'$');
        ++k;
      } else if (n == u'&') {
        out.append(match);
        ++k;
      } else if (n == u'`') {
        out.append(source.substr(0, std::min<PCRE2_SIZE>(whole.begin, source.size())));
        ++k;
      } else if (n == u'\'') {
        out.append(source.substr(std::min<PCRE2_SIZE>(whole.end, source.size())));
        ++k;
      } else if (n >= u'0' && n <= u'9') {
        // Two digits when they name an existing group, else one; $0 and a group
        // beyond the pattern's stay as written.
        int group = n - u'0';
        std::size_t used = 1;
        if (k + 2 < with.size() && with[k + 2] >= u'0' && with[k + 2] <= u'9') {
          const int two = group * 10 + (with[k + 2] - u'0');
          if (two >= 1 && two <= s.groups) {
            group = two;
            used = 2;
          }
        }
        if (group >= 1 && group <= s.groups) {
          if (const auto g = s.span(i, group)) out.append(s.slice(*g));
          k += used;
        } else {
          out.push_back(c);
        }
      } else {
        out.push_back(c);
      }
    }
  }
  out.append(source.substr(std::min<PCRE2_SIZE>(copied, source.size())));
  return utf16_to_local(out);
}

int RegexObject::match_count() const { return state_ ? state_->count() : 0; }

Text RegexObject::match_text(int index, Position* position) const {
  if (!state_) {
    if (position) *position = -1;
    return {};
  }
  return state_->text_of(state_->span(index, 0), position);
}

Text RegexObject::group_text(int index, int group, Position* position) const {
  if (!state_ || group < 1) {
    if (position) *position = -1;
    return {};
  }
  return state_->text_of(state_->span(index, group), position);
}

int RegexObject::group_count() const { return state_ && state_->count() > 0 ? state_->groups : 0; }
