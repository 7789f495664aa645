#include "text/primitives.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>

#include "text/literal.h"

namespace {

// A two-byte character whose trail byte is the ASCII letter b, and one whose trail is ;
const Text kLeadB = "\x81\x62";
const Text kLeadSemicolon = "\x81\x3B";

struct FindCase {
  Text text;
  Text sought;
  Position start;
  bool ignore_case;
  Position expected;
};

TEST(FindInText, FindsOnlyWhereACharacterBegins) {
  const FindCase cases[] = {
      {"abcb", "b", 3, false, 4},
      {"abcb", "b", 5, false, -1},
      {"abcb", "b", 0, false, 2},
      {"abcb", "b", -7, false, 2},
      {"abcb", "", 1, false, 1},
      {"abcb", "", 3, false, 1},  // an empty sought text answers 1 from any start inside
      {"abcb", "", 5, false, -1},
      {"", "", 1, false, -1},
      {"", "a", 1, false, -1},
      {"ab", "abc", 1, false, -1},
      {kLeadB, "b", 1, false, -1},                     // b is the trail byte of a character
      {"a" + kLeadB + "b", "b", 1, false, 4},          // the real b after it
      {kLeadB + kLeadB + "xb", "b", 1, false, 6},      // long runs of high bytes
      {"\xB0\x81\x62", "\x81\x62", 1, false, -1},      // the pair straddles two characters
      {"\xB0\xB0\x81\x62", "\x81\x62", 1, false, 3},   // the same bytes, aligned
      {"\xB0\xB0\x81\x62", "\x81\x62", 2, false, -1},  // a walk from 2 pairs B0 81
      {"ABC", "b", 1, true, 2},
      {"abc", "B", 1, true, 2},
      {"abc", "B", 1, false, -1},
      {"\x81\x42", "\x81\x62", 1, true, -1},  // trail bytes never fold
      {"x\x81", "\x81", 1, false, 2},         // a lead byte at the very end
  };
  for (const FindCase& c : cases) {
    EXPECT_EQ(find_in_text(c.text, c.sought, c.start, c.ignore_case), c.expected)
        << "text=" << c.text.str() << " sought=" << c.sought.str() << " start=" << c.start;
  }
}

TEST(FindInText, HandlesAManyCandidateWorstCase) {
  // Every byte offset is a raw candidate; only even ones are characters.
  std::string page(200000, '\xB0');
  page += "x";
  EXPECT_EQ(find_in_text(Text(page), "\xB0x"), -1);
  EXPECT_EQ(find_in_text(Text(page), "\xB0\xB0x"), static_cast<Position>(page.size()) - 2);
}

TEST(FindLastInText, KeepsTheLastAlignedMatch) {
  EXPECT_EQ(find_last_in_text("abcb", "b"), 4);
  EXPECT_EQ(find_last_in_text("aaa", "aa"), 2);  // overlapping matches count
  EXPECT_EQ(find_last_in_text("b" + kLeadB, "b"), 1);
  EXPECT_EQ(find_last_in_text("ABab", "AB", true), 3);
  EXPECT_EQ(find_last_in_text("abc", ""), 1);
  EXPECT_EQ(find_last_in_text("", ""), -1);
  EXPECT_EQ(find_last_in_text("abc", "x"), -1);
}

TEST(Cutting, CountsBytesAndClampsToTheText) {
  EXPECT_EQ(middle_part("abc", 3, 5), Text("c"));
  EXPECT_EQ(middle_part("abc", 4, 1), Text());
  EXPECT_EQ(middle_part("abc", 0, 1), Text());
  EXPECT_EQ(middle_part("abc", 2, 0), Text());
  EXPECT_EQ(middle_part("abc", 2, std::numeric_limits<Position>::max()), Text("bc"));
  EXPECT_EQ(left_part("abc", 2), Text("ab"));
  EXPECT_EQ(left_part("abc", 9), Text("abc"));
  EXPECT_EQ(left_part("abc", -1), Text());
  EXPECT_EQ(right_part("abc", 2), Text("bc"));
  EXPECT_EQ(right_part("abc", 9), Text("abc"));
  EXPECT_EQ(right_part("abc", 0), Text());
  EXPECT_EQ(byte_count("漫画"_gbk), 4);
  EXPECT_EQ(byte_count(Text()), 0);
}

struct SubstituteCase {
  Text text, sought, replacement;
  Position start;
  std::optional<Position> count;
  bool case_sensitive;
  Text expected;
};

TEST(Substitute, ReplacesAlignedOccurrencesFromStart) {
  const SubstituteCase cases[] = {
      {"a;b;c", ";", "", 1, 1, false, "ab;c"},
      {"a;b;c", ";", "", 3, std::nullopt, false, "a;bc"},
      {"a;b;c", ";", "--", 1, std::nullopt, false, "a--b--c"},
      {"a;b;c", ";", "", 1, 0, false, "a;b;c"},
      {"a;b;c", ";", "", 9, std::nullopt, false, "a;b;c"},
      {"a;b;c", "", "x", 1, std::nullopt, false, "a;b;c"},
      {"", ";", "x", 1, std::nullopt, false, ""},
      {"Hello HELLO hello", "hello", "x", 1, std::nullopt, false, "x x x"},
      {"Hello HELLO hello", "hello", "x", 1, std::nullopt, true, "Hello HELLO x"},
      {"aaa", "a", "aa", 1, std::nullopt, true, "aaaaaa"},  // inserted text is not searched again
      {"aaaa", "aa", "b", 1, std::nullopt, true, "bb"},     // occurrences never overlap
      {kLeadSemicolon + ";", ";", "", 1, std::nullopt, true, kLeadSemicolon},
      {"a-hh漫画汗汗酷漫"_gbk, "-HH漫画汗汗酷漫"_gbk, "", 1, std::nullopt, false, "a"},
  };
  for (const SubstituteCase& c : cases) {
    EXPECT_EQ(substitute(c.text, c.sought, c.replacement, c.start, c.count, c.case_sensitive),
              c.expected)
        << "text=" << c.text.str() << " sought=" << c.sought.str();
  }
}

TEST(SplitBy, KeepsInnerEmptyPiecesAndDropsATrailingOne) {
  const struct {
    Text text, separator;
    TextList expected;
  } cases[] = {
      {"a;;b", ";", {"a", "", "b"}},
      {";a", ";", {"", "a"}},
      {"a;b;", ";", {"a", "b"}},
      {"", ";", {}},
      {"abc", ";", {"abc"}},
      {"abc", "", {"abc"}},
      {"a\r\nb\r\n\r\n", "\r\n", {"a", "b", ""}},
      {"x" + kLeadSemicolon + ";y", ";", {"x" + kLeadSemicolon, "y"}},
  };
  for (const auto& c : cases) EXPECT_EQ(split_by(c.text, c.separator), c.expected) << c.text.str();
}

TEST(TrimAndCase, BlanksAreSpacesAndFullWidthSpaces) {
  const Text wide = "\xA1\xA1";
  EXPECT_EQ(trim_blanks(" " + wide + " a b" + wide + " "), Text("a b"));
  EXPECT_EQ(trim_blanks("\tab\r\n"), Text("\tab\r\n"));
  EXPECT_EQ(trim_blanks("   "), Text());
  EXPECT_EQ(trim_blanks(Text()), Text());
  // A1 A1 at the end that belongs to two characters is no full-width space.
  EXPECT_EQ(trim_blanks("\xB0\xA1\xA1\xB0"), Text("\xB0\xA1\xA1\xB0"));
  EXPECT_EQ(lower_ascii("AbC" + kLeadB + "\x81\x42Z"), Text("abc" + kLeadB + "\x81\x42z"));
}

TEST(Numbers, ParseLikeTheCLibraryAfterFoldingFullWidthForms) {
  const struct {
    Text text;
    std::int32_t expected;
  } ints[] = {
      {"８０"_gbk, 80},
      {"80abc", 80},
      {"abc", 0},
      {"  -12x", -12},
      {"+7", 7},
      {"\t\n 42", 42},
      {"－３"_gbk, -3},
      {"　１２"_gbk, 12},  // a full-width blank is skipped like a blank
      {"20181106", 20181106},
      {"99999999999", 2147483647},  // saturates, as strtol does
      {"-99999999999", -2147483647 - 1},
      {"", 0},
      {"\xA3", 0},  // a lone lead byte
  };
  for (const auto& c : ints) EXPECT_EQ(parse_int(c.text), c.expected) << c.text.str();

  EXPECT_DOUBLE_EQ(parse_number("2.5e7"), 25000000.0);
  EXPECT_DOUBLE_EQ(parse_number("20181106.9xyz"), 20181106.9);
  EXPECT_DOUBLE_EQ(parse_number("１．５"_gbk), 1.5);
  EXPECT_DOUBLE_EQ(parse_number("nothing"), 0.0);
  EXPECT_DOUBLE_EQ(parse_number(" -0.25"), -0.25);
}

TEST(Numbers, FormatLikePrintf) {
  EXPECT_EQ(format_int(0), Text("0"));
  EXPECT_EQ(format_int(-42), Text("-42"));
  EXPECT_EQ(format_int(2147483647), Text("2147483647"));
  const struct {
    double value;
    Text expected;
  } numbers[] = {
      {0.1, "0.1"},
      {20181106, "20181106"},
      {1.0 / 3, "0.3333333333333"},
      {1e20, "1e+20"},
      {1.5e-7, "1.5e-07"},
      {-2.5, "-2.5"},
      {1234567890123.0, "1234567890123"},
      {12345678901234.0, "1.234567890123e+13"},
  };
  for (const auto& c : numbers) EXPECT_EQ(format_number(c.value), c.expected) << c.value;
}

TEST(Buffers, ConvertBetweenBytesAndText) {
  EXPECT_EQ(bytes_to_text(Bytes(std::string("a\0b", 3))), Text("a"));
  EXPECT_EQ(bytes_to_text(Bytes()), Text());
  EXPECT_EQ(text_to_bytes("ab"), Bytes(std::string("ab")));
  EXPECT_EQ(space_text(3), Text("   "));
  EXPECT_EQ(space_text(0), Text());
  EXPECT_EQ(zero_bytes(2), Bytes(std::string(2, '\0')));
  EXPECT_EQ(zero_bytes(-1), Bytes());
  EXPECT_EQ(bytes_head(Bytes(std::string("abc")), 2), Bytes(std::string("ab")));
  EXPECT_EQ(bytes_head(Bytes(std::string("abc")), -1), Bytes());
  EXPECT_EQ(bytes_size(Bytes(std::string("abc"))), 3);
  EXPECT_EQ(char_text(9), Text("\t"));
  EXPECT_EQ(char_text(0), Text());
  EXPECT_EQ(char_text(256), Text());
  // A Text never holds a zero byte, however it is made.
  EXPECT_EQ(Text(std::string("x\0y", 3)).size(), 1u);
}

}  // namespace
