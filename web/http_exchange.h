// One HTTP/1.1 exchange over libcurl: the only unit of the program that includes curl.
//
// Every exchange has an easy handle of its own. A process-wide share holds the cookie
// store, the name lookups and the open connections, so successive requests to one host
// reuse one TCP connection and cookie-less requests keep the cookies servers set.
#pragma once

#include <cstdint>
#include <memory>

#include "text/text.h"

struct ExchangeTarget {
  bool secure = false;
  Text host;              // lower case, without port
  std::int32_t port = 0;  // 0: the scheme's default
  Text path;              // begins with "/", query included
  int method = 0;         // 0 GET, 1 POST, 2 HEAD, 3..7 sent by their verb
  Text verb;
  Text agent;                  // announced when the header block has no User-Agent line
  Text proxy;                  // "host:port"; empty: a direct connection
  bool shared_cookies = true;  // send from and keep into the process-wide cookie store
  bool follow_redirects = true;
};

struct ExchangeResponse {
  Bytes body;  // whatever arrived, also when the transfer broke off
  // The final response's status line and header lines, each ended by CRLF, closed by an
  // empty line; empty when no response arrived.
  Text header_block;
};

class HttpExchange {
 public:
  explicit HttpExchange(const ExchangeTarget& target);
  ~HttpExchange();
  HttpExchange(const HttpExchange&) = delete;
  HttpExchange& operator=(const HttpExchange&) = delete;

  // False when the request could not be set up; nothing was sent then.
  bool is_open() const;

  // Sends the header block's lines as the request's headers, exactly (curl adds only
  // Host, the agent when the block names none, Content-Length for a body, and the
  // store's Cookie line), and the body unless it is null. Reads the whole response.
  // A failed exchange (no such host, refused certificate, broken connection, stall)
  // gives what arrived, usually nothing. A HEAD request with a body ends with the first
  // final response and so follows no redirect.
  ExchangeResponse send(const Text& header_block, const Bytes* body);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Empties the process-wide cookie store.
void forget_shared_cookies();
