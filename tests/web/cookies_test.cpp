#include "web/cookies.h"

#include <gtest/gtest.h>

namespace {

TEST(HarvestCookies, TakesThePairsOfSetCookieLinesOnly) {
  const struct {
    const char* block;
    const char* cookies;
  } cases[] = {
      {"HTTP/1.1 200 OK\r\nSet-Cookie: b=3; path=/\r\nSet-Cookie: c=4\r\n\r\n", "b=3; c=4"},
      {"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", ""},
      {"", ""},
      {"HTTP/1.1 200 OK\r\nset-cookie: a=1\r\n\r\n", ""},
      {"HTTP/1.1 200 OK\r\nSet-Cookie:a=1\r\n\r\n", ""},
      {"HTTP/1.1 200 OK\r\nSet-Cookie: a=1\r\nSet-Cookie: a=1\r\n\r\n", "a=1; a=1"},
      {"HTTP/1.1 200 OK\r\nSet-Cookie: x=deleted; expires=Thu, 01 Jan 1970 00:00:00 GMT\r\n\r\n",
       "x=deleted"},
      // A value without attributes loses every "Set-Cookie:" in any letter case.
      {"HTTP/1.1 200 OK\r\nSet-Cookie:  v=SET-COOKIE:x \r\n\r\n", "v=x"},
      // No response at all leaves blanks, which hold no header line.
      {"                                        ", ""},
      // A line that sets nothing adds no empty pair.
      {"HTTP/1.1 200 OK\r\nSet-Cookie: a=1\r\nSet-Cookie: \r\nSet-Cookie:  ; path=/\r\n"
       "Set-Cookie: b=2\r\n\r\n",
       "a=1; b=2"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(harvest_cookies(c.block), Text(c.cookies)) << c.block;
  }
}

TEST(MergeCookies, NewerWinsOlderFillsInDeletedAndRepeatsGo) {
  const struct {
    const char* older;
    const char* newer;
    const char* merged;
  } cases[] = {
      {"a=1; b=2", "b=3; c=4", "b=3; c=4; a=1"},
      {"a=1; b=2", "b=deleted; c=4", "c=4; a=1"},
      {"", "a=1; x=deleted; a=1", "a=1"},
      {"SID=1", "sid=2", "sid=2; SID=1"},
      {"a=1", "", "a=1"},
      {"", "", ""},
      {"  a=1 ;b=2 ", "c=3", "c=3; a=1; b=2"},
      {"a=1", "a=1; a=1", "a=1"},
      // Of two older pairs with one name, the first is carried over.
      {"a=1; a=2", "", "a=1"},
      // Empty pairs are no cookies: the result never ends in a separator.
      {"", "z; ; z; ; z", "z"},
      {"a=1; ;  ; b=2", " ; ", "a=1; b=2"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(merge_cookies(c.older, c.newer), Text(c.merged)) << c.older << " + " << c.newer;
  }
}

TEST(CookieName, IsTheTrimmedTextBeforeTheFirstEquals) {
  EXPECT_EQ(cookie_name(" a =1=2"), Text("a"));
  EXPECT_EQ(cookie_name("flag"), Text("flag"));
  EXPECT_EQ(cookie_name("=v"), Text(""));
}

TEST(DedupeItems, KeepsTheFirstOfEachItem) {
  EXPECT_EQ(dedupe_items("a; b; a; c; b", "; "), Text("a; b; c"));
  EXPECT_EQ(dedupe_items("x,y,x", ","), Text("x,y"));
  EXPECT_EQ(dedupe_items("", "; "), Text(""));
  EXPECT_EQ(dedupe_items("A,a", ","), Text("A,a"));
}

}  // namespace
