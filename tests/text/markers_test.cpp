#include "text/markers.h"

#include <gtest/gtest.h>

#include "text/literal.h"

namespace {

TEST(TextBetween, CutsBetweenTheFirstLeftAndTheNextRight) {
  const struct {
    Text source, left, right;
    Text expected;
  } cases[] = {
      {"x[a][b]", "[", "]", "a"},  // the first left marker counts
      {"<b>1</b>2</b>", "<b>", "</b>", "1"},
      {"[]", "[", "]", ""},    // right follows left directly
      {"abc[", "[", "]", ""},  // left ends the source
      {"abc", "", "c", "ab"},  // an empty left marker is found at 1
      {"abc", "a", "", ""},    // an empty right marker gives nothing
      {"abc", "x", "c", ""},
      {"abc", "a", "x", ""},
      {"]a[", "[", "]", ""},  // right only before left
      {"", "a", "b", ""},
      {"aXa", "aXa", "a", ""},                          // the right marker never overlaps the left
      {"<TITLE>t</title>", "<title>", "</title>", ""},  // exact by default
      {"name=\"v\"", "name=#引号"_gbk, "#引号"_gbk, "v"},
      {"a#引号b#引号"_gbk, "a#引号"_gbk, "#引号"_gbk,
       ""},  // the placeholder's own bytes never match
      {"<title>漫画-HH</title>"_gbk, "<title>", "</title>", "漫画-HH"_gbk},
      {"?s=7&", "?s=", "&", "7"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(text_between(c.source, c.left, c.right), c.expected)
        << c.source.str() << " | " << c.left.str() << " | " << c.right.str();
  }
}

TEST(TextBetween, OptionalStartAndCase) {
  EXPECT_EQ(text_between("[a][b]", "[", "]", 2), Text("b"));
  EXPECT_EQ(text_between("[a][b]", "[", "]", 0), Text("a"));
  EXPECT_EQ(text_between("<TITLE>t</Title>", "<title>", "</title>", 1, true), Text("t"));
}

TEST(ReplaceText, AppliesPairsInOrderIgnoringCaseByDefault) {
  EXPECT_EQ(replace_text("a", {{"a", "b"}, {"b", "c"}}), Text("c"));
  EXPECT_EQ(replace_text("x-hh漫画汗汗酷漫"_gbk, "-HH漫画汗汗酷漫"_gbk, ""), Text("x"));
  EXPECT_EQ(replace_text("aXa", "x", "_"), Text("a_a"));
  EXPECT_EQ(replace_text("aXa", "x", "_", {.case_sensitive = true}), Text("aXa"));
  EXPECT_EQ(replace_text("a;a;a", {{"a", "b"}, {";", ""}}, {.count = 1}), Text("ba;a"));
  EXPECT_EQ(replace_text("a;a;a", ";", "", {.start = 3}), Text("a;aa"));
  EXPECT_EQ(replace_text("a;a;a", ";", "", {.start = -4}), Text("aaa"));
  EXPECT_EQ(replace_text("abc", "", "x"), Text("abc"));  // an empty search text changes nothing
  EXPECT_EQ(replace_text("a\r\nb c\td", {{"\r\n", ""}, {" ", ""}, {"\t", ""}}), Text("abcd"));
}

}  // namespace
