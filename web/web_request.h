// One complete HTTP or HTTPS exchange. The system's only way to the network.
#pragma once

#include "text/text.h"

// Returns the response body exactly as received, whatever the status, or empty
// Bytes when nothing was received. Every caller in the program passes the address
// alone; the other parameters post forms, carry cookies and headers, use a proxy
// and stop at redirects. Out parameters are written only when the exchange starts.
//   method: 0 GET, 1 POST, 2 HEAD, 3 PUT, 4 OPTIONS, 5 DELETE, 6 TRACE, 7 CONNECT;
//           anything else is GET.
//   headers: in and out; returns the whole header block that was sent.
//   returned_headers: the raw header block of the final response (status line and header
//           lines, each ended by CRLF, closed by an empty line), whatever its length; empty
//           when no response arrived (no such host, refused certificate, refused
//           connection, a server that never answers), so it never holds a line that no
//           server sent.
//   body_bytes: in and out; filled from body_text when it arrives empty (not for GET).
//   cookies: when empty, the request sends and keeps cookies in a store shared by the
//           whole process; when given, that store is neither used nor fed.
// Connecting gives up after 30 s and a transfer that moves nothing for 60 s ends
// (web/web_settings.h); certificates are always verified.
Bytes web_request(const Text& address, int method = 0, const Text& body_text = {},
                  const Text& cookies = {}, Text* returned_cookies = nullptr,
                  Text* headers = nullptr, Text* returned_headers = nullptr,
                  bool no_redirect = false, Bytes* body_bytes = nullptr, const Text& proxy = {},
                  bool merge_cookies = true);
