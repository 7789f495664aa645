#include "app/log_line.h"

#include <ctime>

#include "text/literal.h"
#include "text/primitives.h"

ClockTime local_clock() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (localtime_r(&now, &local) == nullptr) return {};
  return {local.tm_hour, local.tm_min, local.tm_sec};
}

Text log_line(const Text& message, const ClockTime& time) {
  return "【"_gbk + format_int(time.hour) + ":" + format_int(time.minute) + ":" +
         format_int(time.second) + "】"_gbk + message + "\r\n\r\n";
}
