#include "text/extraction.h"

#include <gtest/gtest.h>

#include <string>

#include "text/literal.h"

namespace {

TEST(EscapePattern, EscapesRepeatsGroupsAndClassesOnly) {
  const struct {
    Text marker, expected;
  } cases[] = {
      {"a?b*c+d[e]f(g)h{i}j", "a\\?b\\*c\\+d\\[e\\]f\\(g\\)h\\{i\\}j"},
      {"[[", "\\[\\["},
      {". ^ $ | \\", ". ^ $ | \\"},  // keep their pattern meaning
      {"<a href=#引号"_gbk, "<a href=\""},
      {"a\r\nb\nc\rd", "a\\nb\nc\rd"},  // only CR LF pairs become the escape
      {"", ""},
      // Trail bytes that equal [ \ | are part of a Chinese character, not pattern characters.
      {"乕誠纜(?"_gbk, "乕誠纜\\(\\?"_gbk},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(escape_pattern(c.marker), c.expected) << c.marker.str();
  }
}

struct ExtractCase {
  const char* name;
  Text source, left, right;
  ExtractOptions options;
  TextList expected;
};

TEST(ExtractAllBetween, Cases) {
  const ExtractCase cases[] = {
      {"three items in source order",
       "<ul><li>a</li> <li>bb</li>\n<li>c</li></ul>",
       "<li>",
       "</li>",
       {},
       {"a", "bb", "c"}},
      {"markers ignore ASCII case", "<LI>a</LI><Li>b</lI>", "<li>", "</li>", {}, {"a", "b"}},
      {"line breaks stay in the item", "<li>a\r\nb\n</li>", "<li>", "</li>", {}, {"a\r\nb\n"}},
      {"a repeated left marker stays in the item",
       "<li>a<li>b</li>",
       "<li>",
       "</li>",
       {},
       {"a<li>b"}},
      {"the shortest item wins", "[a][b]]", "[", "]", {}, {"a", "b"}},
      {"no match", "<p>a</p>", "<li>", "</li>", {}, {}},
      {"left without right", "<li>a", "<li>", "</li>", {}, {}},
      {"empty source", "", "<li>", "</li>", {}, {}},
      {"empty item", "<li></li>", "<li>", "</li>", {}, {""}},
      {"max length keeps five bytes and drops six",
       "<li>12345</li><li>123456</li><li>中文</li>"_gbk,
       "<li>",
       "</li>",
       {.max_length = 5},
       {"12345", "中文"_gbk}},
      {"negative max length drops every item",
       "<li>1</li><li></li>",
       "<li>",
       "</li>",
       {.max_length = -1},
       {}},
      {"prefix and suffix",
       "<li>a</li><li>b</li>",
       "<li>",
       "</li>",
       {.prefix = "P", .suffix = "S"},
       {"PaS", "PbS"}},
      {"markers included exactly as passed",
       "<LI>a</LI>",
       "<li>",
       "</li>",
       {.prefix = "P", .suffix = "S", .include_left = true, .include_right = true},
       {"<li>PaS</li>"}},
      {"left marker only", "<li>a</li>", "<li>", "</li>", {.include_left = true}, {"<li>a"}},
      {"a full stop in a marker matches any character but a line break",
       "<\n>no</x><\r>no</x><y>yes</y><中>文</文>"_gbk,
       "<.>",
       "</.>",
       {},
       {"yes", "文"_gbk}},
      {"a CR LF marker matches only a bare line feed",
       "<p>\r\none</p><p>\ntwo</p>",
       "<p>\r\n",
       "</p>",
       {},
       {"two"}},
      {"quote placeholder in the markers",
       "<a href=\"1.html\">x</a><a href=\"2.html\">"_gbk,
       "href=#引号"_gbk,
       "#引号>"_gbk,
       {},
       {"1.html", "2.html"}},
      {"Chinese items and markers",
       "章节：第一话。章节：第二话 上。"_gbk,
       "章节："_gbk,
       "。"_gbk,
       {},
       {"第一话"_gbk, "第二话 上"_gbk}},
      {"Chinese characters whose trail bytes look like pattern characters",
       "<b>誠纜乕</b><b>a</b>"_gbk,
       "<b>",
       "</b>",
       {},
       {"誠纜乕"_gbk, "a"}},
      {"empty markers give one empty item per position and end", "ab", "", "", {}, {"", "", ""}},
      {"a marker that breaks the pattern gives nothing", "a\\(b)", "a\\", ")", {}, {}},
  };
  for (const auto& c : cases) {
    TextList items = {"left over from before"};
    const int count = extract_all_between(c.source, c.left, c.right, items, c.options);
    EXPECT_EQ(items, c.expected) << c.name;
    EXPECT_EQ(count, static_cast<int>(items.size())) << c.name;
  }
}

TEST(ExtractAllBetween, OneHugeItemInAFiveMegabytePage) {
  // The item is far longer than any backtracking stack; the run must still finish
  // with the whole item, not fail on a limit.
  const Text chinese = "漫画第一话，图片加载中。"_gbk;
  std::string item;
  while (item.size() < 4'000'000) item += chinese.str() + "<p>line</p>\r\n";
  std::string filler;
  while (filler.size() < 500'000) filler += chinese.str() + "\n";
  const Text page(filler + "<ul><LI>" + item + "</li></ul>" + filler);
  ASSERT_GT(page.size(), 5'000'000u);

  TextList items;
  ASSERT_EQ(extract_all_between(page, "<li>", "</li>", items), 1);
  EXPECT_EQ(items[0].size(), item.size());
  EXPECT_TRUE(items[0] == Text(item));
}

}  // namespace
