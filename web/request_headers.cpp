#include "web/request_headers.h"

#include "text/markers.h"
#include "text/primitives.h"

Text user_agent_for(const Text& headers) {
  if (find_in_text(headers, "User-Agent:", 1, true) == -1) return default_user_agent;

  const Text agent = trim_blanks(text_between(headers + "\r\n", "User-Agent:", "\r\n"));
  if (!agent.empty()) return agent;

  // The name was written in another letter case, or its value is empty: fall back to
  // whatever follows the block's first colon.
  const Position colon = find_in_text(headers, ":");
  if (colon == -1) return {};
  return trim_blanks(middle_part(headers, colon + 1, byte_count(headers)));
}

void complete_headers(Text& headers, const Text& address, int method, const Text& cookies) {
  if (headers.empty()) {
    headers = "Accept: */*";
  } else if (find_in_text(headers, "Accept:") == -1) {
    headers += "\r\nAccept: */*";
  }
  if (find_in_text(headers, "Referer:") == -1) headers += "\r\nReferer: " + address;
  if (find_in_text(headers, "Accept-Language:") == -1) headers += "\r\nAccept-Language: zh-cn";
  if (method == 1 && find_in_text(headers, "Content-Type:") == -1) {
    headers += "\r\nContent-Type: application/x-www-form-urlencoded";
  }
  if (!cookies.empty()) {
    // A cookies text holding "Cookie:" is a whole header line of the caller's.
    headers += (find_in_text(cookies, "Cookie:") != -1 ? "\r\n" : "\r\nCookie: ") + cookies;
  }
}
