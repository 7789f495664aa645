// Limits and trust settings of every exchange, process-wide.
//
// The defaults keep a dead or stalled server from hanging the program while large images
// on slow links still arrive: there is no overall limit. Tests shorten the limits and name
// the certificate file of their test server.
#pragma once

#include <chrono>
#include <string>

struct WebSettings {
  // Giving up on connecting (name lookup and TLS handshake included).
  std::chrono::milliseconds connect_limit{30000};
  // Ending a transfer that has moved no byte, in either direction, for this long.
  std::chrono::milliseconds stall_limit{60000};
  // A PEM file of certificates to trust instead of the system's; empty: the system's.
  // Certificates are verified either way.
  std::string ca_file;
};

WebSettings web_settings();
void set_web_settings(const WebSettings& settings);
