#include "app/update_check.h"

#include <cmath>

#include "script/json_object.h"
#include "text/literal.h"
#include "text/markers.h"
#include "text/primitives.h"
#include "web/web_request.h"

std::int32_t version_number_of(double value) {
  if (!std::isfinite(value)) return 0;
  // fmod is exact, so this is the low 32 bits of the whole part even beyond 2^63.
  constexpr double two_to_32 = 4294967296.0;
  double low = std::fmod(std::trunc(value), two_to_32);
  if (low < 0) low += two_to_32;
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(low));
}

bool is_web_address(const Text& url) {
  return find_in_text(url, "http://", 1, true) == 1 || find_in_text(url, "https://", 1, true) == 1;
}

void update_check(UpdateCheckWindow& window, const UpdateCheckSettings& settings) {
  JsonObject reply_object;

  window.set_caption("Tobimar漫画离线下载器墨舟书社专版 （Ver:"_gbk + window.version_text() +
                     "）"_gbk);

  const std::int32_t current_version = parse_int(window.version_text());
  const Text version_number_text = format_int(current_version);

  const Text address =
      "http://" + Text(settings.service_host) + "/soft/manhua.php?version=" + version_number_text;
  const Text reply = bytes_to_text(web_request(address));

  if (!reply_object.parse(reply)) return;

  Text ver = reply_object.get_json("ver");
  Text notice = reply_object.get_json("notice");
  Text url = reply_object.get_json("url");

  ver = replace_text(ver, "\"", "");
  notice = replace_text(notice, "\"", "");
  url = replace_text(url, "\"", "");

  if (!notice.empty()) {
    notice = replace_text(notice, "最新版本"_gbk,
                          "\r\n\r\n★当前版本："_gbk + version_number_text + "\r\n★最新版本："_gbk);
    notice = replace_text(notice, "更新内容"_gbk, "\r\n\r\n更新内容"_gbk);
    for (const char* list_number : {"1.", "2.", "3.", "4.", "5."}) {
      notice = replace_text(notice, list_number, "\r\n☆"_gbk);
    }
    window.message_box(notice, "友情提醒"_gbk, false);
  }

  if (ver.empty()) return;
  const std::int32_t latest_version = version_number_of(parse_number(ver));
  if (!(current_version < latest_version)) return;

  const bool accepted = window.message_box("软件已更新,请去墨舟下载!"_gbk, "更新提示"_gbk, true);
  if (!accepted || url.empty() || !is_web_address(url)) return;
  settings.open_page(url);  // whether it started is not looked at
  settings.end_program(0);
}
