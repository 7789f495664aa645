#include "app/log_line.h"

#include <gtest/gtest.h>

#include <vector>

#include "text/literal.h"

namespace {

TEST(LogLine, ClockWithoutLeadingZerosThenMessageThenEmptyLine) {
  struct Case {
    ClockTime time;
    Text message;
    Text line;
  };
  const std::vector<Case> cases = {
      {{0, 0, 5}, "A", "【0:0:5】A\r\n\r\n"_gbk},
      {{9, 5, 7}, "集数：12"_gbk, "【9:5:7】集数：12\r\n\r\n"_gbk},
      {{23, 59, 59}, "", "【23:59:59】\r\n\r\n"_gbk},
      {{10, 10, 10}, "a\r\nb", "【10:10:10】a\r\nb\r\n\r\n"_gbk},  // message unchanged
  };
  for (const Case& c : cases) {
    EXPECT_EQ(log_line(c.message, c.time), c.line);
  }
}

TEST(LocalClock, ReadsAPlausibleTime) {
  const ClockTime now = local_clock();
  EXPECT_GE(now.hour, 0);
  EXPECT_LE(now.hour, 23);
  EXPECT_GE(now.minute, 0);
  EXPECT_LE(now.minute, 59);
  EXPECT_GE(now.second, 0);
  EXPECT_LE(now.second, 60);
}

}  // namespace
