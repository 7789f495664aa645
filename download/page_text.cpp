#include "download/page_text.h"

#include "text/codepage.h"
#include "text/literal.h"
#include "text/markers.h"
#include "text/primitives.h"
#include "web/web_request.h"

Text clean_page_text(const Bytes& body) {
  Text page = utf8_to_local(bytes_to_text(body));
  page = replace_text(page, "\r\n", "");
  page = replace_text(page, " ", "");
  page = replace_text(page, "\t", "");
  return replace_text(page, "-HH漫画汗汗酷漫"_gbk, "");
}

Text fetch_page_text(const Text& address) { return clean_page_text(web_request(address)); }
