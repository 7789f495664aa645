#include "text/regex_object.h"

#include <gtest/gtest.h>

#include <string>

#include "text/literal.h"

namespace {

TextList all_matches(const RegexObject& regex) {
  TextList found;
  for (int i = 1; i <= regex.match_count(); ++i) found.push_back(regex.match_text(i));
  return found;
}

struct MatchCase {
  const char* name;
  Text pattern, source;
  bool case_sensitive, multiline, global, quote_placeholder;
  TextList expected;
};

TEST(RegexObject, MatchAllWithItsOptions) {
  const MatchCase cases[] = {
      {"ignores ASCII case by default",
       "ab",
       "Ab aB ab",
       false,
       true,
       true,
       false,
       {"Ab", "aB", "ab"}},
      {"case sensitive", "ab", "Ab aB ab", true, true, true, false, {"ab"}},
      {"not global: the first match only", "a.", "a1 a2", false, true, false, false, {"a1"}},
      {"multiline: ^ after a line break",
       "^b.",
       "b1\nb2\r\nb3",
       false,
       true,
       true,
       false,
       {"b1", "b2", "b3"}},
      {"single line: ^ at the start only", "^b.", "b1\nb2", false, false, true, false, {"b1"}},
      {"multiline: $ before a line break", "a$", "a\na", false, true, true, false, {"a", "a"}},
      {"single line: $ at the end only", "a$", "a\na\n", false, false, true, false, {}},
      {"a full stop matches no line break",
       "a.b",
       "a\nb a\rb a-b",
       false,
       true,
       true,
       false,
       {"a-b"}},
      {"[\\s\\S] matches line breaks too",
       "a[\\s\\S]b",
       "a\nb a\rb",
       false,
       true,
       true,
       false,
       {"a\nb", "a\rb"}},
      {"quote placeholder on",
       "=#引号(.*?)#引号"_gbk,
       "a=\"1\" b=\"2\"",
       false,
       true,
       true,
       true,
       {"=\"1\"", "=\"2\""}},
      {"quote placeholder off: the pattern is literal",
       "=#引号"_gbk,
       "=\" =#引号"_gbk,
       false,
       true,
       true,
       false,
       {"=#引号"_gbk}},
      // Only ASCII letters fold: full-width and Greek letters of the code page stay apart.
      {"full-width letters keep their case",
       "Ａα"_gbk,
       "ａΑ Ａα"_gbk,
       false,
       true,
       true,
       false,
       {"Ａα"_gbk}},
      {"a full stop is one Chinese character",
       "第.话"_gbk,
       "第一话 第十二话"_gbk,
       false,
       true,
       true,
       false,
       {"第一话"_gbk}},
      {"Chinese with digits",
       "第\\d+话"_gbk,
       "第1话，第23话"_gbk,
       false,
       true,
       true,
       false,
       {"第1话"_gbk, "第23话"_gbk}},
      // After an empty match the next search starts one character on, so this ends.
      {"empty matches advance", "x*", "axb", false, true, true, false, {"", "x", "", ""}},
      {"empty matches advance over Chinese",
       "",
       "中文"_gbk,
       false,
       true,
       true,
       false,
       {"", "", ""}},
      {"no match", "z", "abc", false, true, true, false, {}},
  };
  for (const auto& c : cases) {
    RegexObject regex;
    EXPECT_TRUE(regex.match_all(c.pattern, c.source, c.case_sensitive, c.multiline, c.global,
                                c.quote_placeholder))
        << c.name;
    EXPECT_EQ(all_matches(regex), c.expected) << c.name;
  }
}

TEST(RegexObject, BeforeAnyRunEverythingIsEmpty) {
  const RegexObject regex;
  Position position = 7;
  EXPECT_EQ(regex.pattern_text(), Text());
  EXPECT_EQ(regex.match_count(), 0);
  EXPECT_EQ(regex.group_count(), 0);
  EXPECT_EQ(regex.replace_matches("x"), Text());
  EXPECT_EQ(regex.match_text(1, &position), Text());
  EXPECT_EQ(position, -1);
  EXPECT_EQ(regex.group_text(1, 1), Text());
}

TEST(RegexObject, MalformedPatternFailsAndDropsTheEarlierRun) {
  for (const Text pattern : {"a(", "[a", "a{2,1}", "(?<", "\\", "*a"}) {
    RegexObject regex;
    ASSERT_TRUE(regex.match_all("b", "abcb"));
    ASSERT_EQ(regex.match_count(), 2);

    EXPECT_FALSE(regex.match_all(pattern, "a(b")) << pattern.str();
    EXPECT_EQ(regex.match_count(), 0);
    EXPECT_EQ(regex.group_count(), 0);
    EXPECT_EQ(regex.match_text(1), Text());
    EXPECT_EQ(regex.replace_matches("x"), Text());
    EXPECT_EQ(regex.pattern_text(), pattern);  // the pattern was still written
  }
}

TEST(RegexObject, PatternTextIsThePatternRun) {
  RegexObject regex;
  regex.match_all("a=#引号"_gbk, "", false, true, true, true);
  EXPECT_EQ(regex.pattern_text(), Text("a=\""));
  regex.match_all("a=#引号"_gbk, "");
  EXPECT_EQ(regex.pattern_text(), "a=#引号"_gbk);
}

TEST(RegexObject, GroupsAndOutOfRangeIndexes) {
  RegexObject regex;
  ASSERT_TRUE(regex.match_all("(\\d)(x)?", "1x 2"));
  ASSERT_EQ(regex.match_count(), 2);
  EXPECT_EQ(regex.group_count(), 2);
  EXPECT_EQ(regex.group_text(1, 1), Text("1"));
  EXPECT_EQ(regex.group_text(1, 2), Text("x"));
  EXPECT_EQ(regex.group_text(2, 1), Text("2"));

  Position position = 7;
  EXPECT_EQ(regex.group_text(2, 2, &position), Text());  // took no part in the match
  EXPECT_EQ(position, -1);
  const struct { int index, group; } outside[] = {{0, 1}, {3, 1}, {-1, 1}, {1, 0}, {1, 3}, {1, -1}};
  for (const auto& o : outside) {
    position = 7;
    EXPECT_EQ(regex.group_text(o.index, o.group, &position), Text()) << o.index << "," << o.group;
    EXPECT_EQ(position, -1);
  }
  for (const int index : {0, 3, -5}) {
    position = 7;
    EXPECT_EQ(regex.match_text(index, &position), Text()) << index;
    EXPECT_EQ(position, -1);
  }

  // No match: the group count reads 0, as there is no first match to ask.
  ASSERT_TRUE(regex.match_all("(a)(b)", "xyz"));
  EXPECT_EQ(regex.group_count(), 0);
}

TEST(RegexObject, PositionsAreZeroBasedByteOffsets) {
  // Chinese characters are one UTF-16 unit and two bytes; positions count the bytes.
  const Text source = "AB中ab文文ab"_gbk;
  RegexObject regex;
  ASSERT_TRUE(regex.match_all("(a)(b)", source));
  ASSERT_EQ(regex.match_count(), 3);
  const struct {
    int index;
    Text match;
    Position match_at, second_group_at;
  } expected[] = {{1, "AB", 0, 1}, {2, "ab", 4, 5}, {3, "ab", 10, 11}};
  for (const auto& e : expected) {
    Position at = -2;
    EXPECT_EQ(regex.match_text(e.index, &at), e.match);
    EXPECT_EQ(at, e.match_at) << e.index;
    regex.group_text(e.index, 2, &at);
    EXPECT_EQ(at, e.second_group_at) << e.index;
  }

  // An empty match at the end of the source lies just past its last byte.
  ASSERT_TRUE(regex.match_all("$", "中文"_gbk, false, false));
  Position at = -2;
  EXPECT_EQ(regex.match_text(1, &at), Text());
  EXPECT_EQ(at, 4);
}

TEST(RegexObject, ReplaceMatchesInTheLastSource) {
  const struct {
    Text pattern, source, replacement;
    bool global;
    Text expected;
  } cases[] = {
      {"(\\d+)-(\\d+)", "1-2 and 30-40", "$2-$1", true, "2-1 and 40-30"},
      {"(\\d+)-(\\d+)", "1-2 and 30-40", "<$&>", true, "<1-2> and <30-40>"},
      {"(\\d+)-(\\d+)", "1-2 and 30-40", "$$", true, "$ and $"},
      {"(\\d+)-(\\d+)", "1-2 and 30-40", "$3$0$x$", true, "$3$0$x$ and $3$0$x$"},
      {"(\\d+)-(\\d+)", "1-2 and 30-40", "$12", true, "12 and 302"},  // no group 12: $1, then 2
      {"(\\d+)-(\\d+)", "1-2 and 30-40", "x", false, "x and 30-40"},
      {"b", "abc", "[$`|$']", true, "a[a|c]c"},
      {"(a)|(b)", "ab", "<$2>", true, "<><b>"},  // a group that took no part is empty
      {"z", "abc", "x", true, "abc"},            // nothing to replace
      {"b", "abcb", "", true, "ac"},
      {"", "ab", "-", true, "-a-b-"},
      {"第(\\d+)话"_gbk, "第1话，第23话"_gbk, "$1：章"_gbk, true, "1：章，23：章"_gbk},
      {"(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)", "abcdefghijk", "$11$10$1", true, "kja"},
  };
  for (const auto& c : cases) {
    RegexObject regex;
    ASSERT_TRUE(regex.match_all(c.pattern, c.source, false, true, c.global));
    EXPECT_EQ(regex.replace_matches(c.replacement), c.expected)
        << c.pattern.str() << " / " << c.replacement.str();
  }
}

TEST(RegexObject, CopySharesTheRunAndKeepsItWhenTheOriginalRunsAgain) {
  RegexObject original;
  const RegexObject blank_copy(original);
  ASSERT_TRUE(original.match_all("(b)", "abcb"));
  EXPECT_EQ(blank_copy.match_count(), 0);  // copied before the run

  const RegexObject copy(original);
  EXPECT_EQ(copy.match_count(), 2);
  EXPECT_EQ(copy.pattern_text(), Text("(b)"));

  ASSERT_TRUE(original.match_all("z", "xyz"));
  EXPECT_EQ(original.match_count(), 1);
  Position at = -2;
  EXPECT_EQ(copy.match_count(), 2);
  EXPECT_EQ(copy.group_text(2, 1, &at), Text("b"));
  EXPECT_EQ(at, 3);
  EXPECT_EQ(copy.replace_matches("$1$1"), Text("abbcbb"));
}

TEST(RegexObject, DeepBacktrackingStillMatches) {
  // Each repetition of the group leaves a backtracking point: far more than the JIT's
  // stack holds, so the run has to fall back to the interpreter.
  std::string many(200'000, 'a');
  RegexObject regex;
  ASSERT_TRUE(regex.match_all("(a|b)*c", Text(many + "c")));
  ASSERT_EQ(regex.match_count(), 1);
  EXPECT_EQ(regex.match_text(1).size(), many.size() + 1);
  EXPECT_EQ(regex.group_text(1, 1), Text("a"));
}

}  // namespace
