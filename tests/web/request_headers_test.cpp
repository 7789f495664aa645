#include "web/request_headers.h"

#include <gtest/gtest.h>

namespace {

TEST(UserAgentFor, TakesTheAgentOutOfTheHeaderBlock) {
  const struct {
    const char* headers;
    const char* agent;
  } cases[] = {
      {"", default_user_agent},
      {"Accept: */*", default_user_agent},
      {"User-Agent: Foo/1.0", "Foo/1.0"},
      {"Accept: */*\r\nUser-Agent:   Bar 2  \r\nReferer: x", "Bar 2"},
      // Another letter case: whatever follows the block's first colon.
      {"user-agent: Baz", "Baz"},
      {"Accept: text/html\r\nuser-agent: Baz", "text/html\r\nuser-agent: Baz"},
      {"User-Agent:", ""},
      {"X-Note: says User-Agent: Spoof", "Spoof"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(user_agent_for(c.headers), Text(c.agent)) << c.headers;
  }
}

TEST(CompleteHeaders, AddsTheMissingDefaultLines) {
  const Text address = "http://example.com/a?b=1";
  const struct {
    const char* headers;
    int method;
    const char* cookies;
    const char* completed;
  } cases[] = {
      {"", 0, "", "Accept: */*\r\nReferer: http://example.com/a?b=1\r\nAccept-Language: zh-cn"},
      {"Accept: text/html", 0, "",
       "Accept: text/html\r\nReferer: http://example.com/a?b=1\r\nAccept-Language: zh-cn"},
      // Lower case does not count as the line being there.
      {"accept: text/html", 0, "",
       "accept: text/html\r\nAccept: */*\r\nReferer: http://example.com/a?b=1\r\n"
       "Accept-Language: zh-cn"},
      {"Referer: http://r/\r\nAccept-Language: en\r\nAccept: */*", 0, "",
       "Referer: http://r/\r\nAccept-Language: en\r\nAccept: */*"},
      {"", 1, "",
       "Accept: */*\r\nReferer: http://example.com/a?b=1\r\nAccept-Language: zh-cn\r\n"
       "Content-Type: application/x-www-form-urlencoded"},
      {"Content-Type: text/plain", 1, "",
       "Content-Type: text/plain\r\nAccept: */*\r\nReferer: http://example.com/a?b=1\r\n"
       "Accept-Language: zh-cn"},
      {"", 3, "", "Accept: */*\r\nReferer: http://example.com/a?b=1\r\nAccept-Language: zh-cn"},
      {"", 0, "a=1; b=2",
       "Accept: */*\r\nReferer: http://example.com/a?b=1\r\nAccept-Language: zh-cn\r\n"
       "Cookie: a=1; b=2"},
      // A whole Cookie line of the caller's goes after a bare CRLF.
      {"", 0, "Cookie: a=1",
       "Accept: */*\r\nReferer: http://example.com/a?b=1\r\nAccept-Language: zh-cn\r\n"
       "Cookie: a=1"},
  };
  for (const auto& c : cases) {
    Text headers = c.headers;
    complete_headers(headers, address, c.method, c.cookies);
    EXPECT_EQ(headers, Text(c.completed)) << c.headers << " / method " << c.method;
  }
}

}  // namespace
