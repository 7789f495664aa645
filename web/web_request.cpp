#include "web/web_request.h"

#include <array>

#include "text/primitives.h"
#include "web/address.h"
#include "web/cookies.h"
#include "web/http_exchange.h"
#include "web/request_headers.h"

namespace {

constexpr std::array<const char*, 8> verbs = {"GET",     "POST",   "HEAD",  "PUT",
                                              "OPTIONS", "DELETE", "TRACE", "CONNECT"};

}  // namespace

Bytes web_request(const Text& address, int method, const Text& body_text, const Text& cookies,
                  Text* returned_cookies, Text* headers, Text* returned_headers, bool no_redirect,
                  Bytes* body_bytes, const Text& proxy, bool merge_with_callers) {
  // The caller's cookies variable may also be its returned-cookies variable.
  const Text cookies_copy = cookies;
  if (method < 0 || method > 7) method = 0;

  Text header_block = headers ? *headers : Text{};
  ExchangeTarget target;
  target.secure = lower_ascii(left_part(address, 8)) == "https://";
  target.host = host_of(address);
  target.port = port_of(address);
  target.path = path_of(address);
  target.method = method;
  target.verb = verbs[static_cast<std::size_t>(method)];
  target.agent = user_agent_for(header_block);
  target.proxy = proxy;
  // A request carrying its own cookies neither takes from nor feeds the shared store.
  target.shared_cookies = cookies_copy.empty();
  target.follow_redirects = !no_redirect;

  HttpExchange exchange(target);
  if (!exchange.is_open()) return {};  // nothing started: the caller's variables stay

  complete_headers(header_block, address, method, cookies_copy);
  Bytes body = body_bytes ? *body_bytes : Bytes{};
  if (method != 0 && body.empty()) body = text_to_bytes(body_text);
  ExchangeResponse response = exchange.send(header_block, method == 0 ? nullptr : &body);

  Text new_cookies = harvest_cookies(response.header_block);
  if (merge_with_callers && !cookies_copy.empty()) {
    new_cookies = merge_cookies(cookies_copy, new_cookies);
  }
  if (headers) *headers = header_block;
  if (returned_headers) *returned_headers = response.header_block;
  if (returned_cookies) *returned_cookies = new_cookies;
  if (body_bytes) *body_bytes = std::move(body);
  return std::move(response.body);
}
