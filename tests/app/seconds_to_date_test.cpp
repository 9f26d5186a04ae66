// The device's data date: seconds since 1970 turned into a calendar date.
#include "app/seconds_to_date.h"

#include <gtest/gtest.h>

namespace brindle {
namespace {

TEST(SecondsToDate, CalendarDatesAndTheirText) {
  struct Case {
    uint32_t seconds;
    DateTime date;
    const char* text;
  };
  const Case cases[] = {
      {0, {1970, 1, 1, 0, 0, 0}, "19700101"},
      {1330560000, {2012, 3, 1, 0, 0, 0}, "20120301"},
      // 2012-02-29 23:59:59, the last second of a leap day.
      {1330559999, {2012, 2, 29, 23, 59, 59}, "20120229"},
      // 2000 is a leap year although divisible by 100.
      {951782400, {2000, 2, 29, 0, 0, 0}, "20000229"},
      // 2100 is not: 1 March follows 28 February.
      {4107542400u, {2100, 3, 1, 0, 0, 0}, "21000301"},
      {0xFFFFFFFFu, {2106, 2, 7, 6, 28, 15}, "21060207"},
      {86399, {1970, 1, 1, 23, 59, 59}, "19700101"},
      {31536000, {1971, 1, 1, 0, 0, 0}, "19710101"},
  };
  for (const Case& c : cases) {
    const DateTime d = SecondsToDate(c.seconds);
    EXPECT_EQ(d.year, c.date.year) << c.seconds;
    EXPECT_EQ(d.month, c.date.month) << c.seconds;
    EXPECT_EQ(d.day, c.date.day) << c.seconds;
    EXPECT_EQ(d.hour, c.date.hour) << c.seconds;
    EXPECT_EQ(d.minute, c.date.minute) << c.seconds;
    EXPECT_EQ(d.second, c.date.second) << c.seconds;
    EXPECT_EQ(DateText(d), c.text);
  }
}

}  // namespace
}  // namespace brindle
