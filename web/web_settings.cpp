#include "web/web_settings.h"

#include <mutex>

namespace {

std::mutex settings_mutex;

WebSettings& current_settings() {
  static WebSettings settings;
  return settings;
}

}  // namespace

WebSettings web_settings() {
  std::lock_guard lock(settings_mutex);
  return current_settings();
}

void set_web_settings(const WebSettings& settings) {
  std::lock_guard lock(settings_mutex);
  current_settings() = settings;
}
