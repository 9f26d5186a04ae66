#include "app/seconds_to_date.h"

#include <cstdio>

namespace brindle {

namespace {

constexpr uint32_t kSecondsPerDay = 86400;

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

}  // namespace

DateTime SecondsToDate(uint32_t seconds) {
  DateTime d;
  uint32_t s = seconds;
  for (;;) {
    const uint32_t yearSeconds = (IsLeapYear(d.year) ? 366u : 365u) * kSecondsPerDay;
    if (s < yearSeconds) break;
    s -= yearSeconds;
    ++d.year;
  }
  static constexpr uint32_t kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  for (d.month = 1; d.month <= 12; ++d.month) {
    uint32_t days = kMonthDays[d.month - 1];
    if (d.month == 2 && IsLeapYear(d.year)) days = 29;
    if (s < days * kSecondsPerDay) break;
    s -= days * kSecondsPerDay;
  }
  d.day = static_cast<int>(s / kSecondsPerDay) + 1;
  s %= kSecondsPerDay;
  d.hour = static_cast<int>(s / 3600);
  d.minute = static_cast<int>(s % 3600 / 60);
  d.second = static_cast<int>(s % 60);
  return d;
}

std::string DateText(const DateTime& date) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d%02d%02d", date.year, date.month, date.day);
  return text;
}

}  // namespace brindle
