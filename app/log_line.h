// The log's line format and the clock it reads.
#pragma once

#include "text/text.h"

struct ClockTime {
  int hour = 0;    // 0 to 23, local time
  int minute = 0;  // 0 to 59
  int second = 0;  // 0 to 59 (60 on a leap second)
};

// One reading of the local clock.
ClockTime local_clock();

// "【" h ":" m ":" s "】" message "\r\n\r\n", the numbers without leading zeros.
Text log_line(const Text& message, const ClockTime& time);
