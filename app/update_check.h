// The start-up check for a newer version: caption, the service's notice and the
// offer to open the download page. Holds no window types: it sees the window only
// through UpdateCheckWindow.
#pragma once

#include <cstdint>
#include <functional>

#include "text/text.h"

class UpdateCheckWindow {
 public:
  virtual ~UpdateCheckWindow() = default;

  virtual Text version_text() = 0;  // 编辑框_版本号
  virtual void set_caption(const Text& caption) = 0;
  // The window's message box; true only when the user chose OK.
  virtual bool message_box(const Text& text, const Text& title, bool ok_cancel) = 0;
};

struct UpdateCheckSettings {
  Text service_host;                               // host[:port] of the update service
  std::function<void(const Text& url)> open_page;  // opens the download page
  std::function<void(int exit_code)> end_program;  // ends the program at once
};

// Runs the check once; returns after its message boxes have closed, unless it ends the program.
void update_check(UpdateCheckWindow& window, const UpdateCheckSettings& settings);

// The latest version number of the reply: the value cut toward zero, then its low
// 32 bits as a signed number. Values with no whole part (NaN, infinities) give 0.
std::int32_t version_number_of(double value);

// Only web addresses are handed to the browser: the url must begin with http:// or
// https:// (in any letter case), since it arrives unchecked over plain HTTP.
bool is_web_address(const Text& url);
