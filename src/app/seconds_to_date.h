#pragma once
// The device stores the date of its data as seconds since 1970-01-01 00:00:00,
// without a time zone.
#include <cstdint>
#include <string>

namespace brindle {

struct DateTime {
  int year = 1970;
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

DateTime SecondsToDate(uint32_t seconds);
// "yyyymmdd", the form the title and the data version use.
std::string DateText(const DateTime& date);

}  // namespace brindle
