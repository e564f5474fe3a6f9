// What local_time.h says of every platform, from the two conversions each platform provides.
#include "platform/local_time.h"

#include <cstdio>
#include <cstdlib>

namespace norvik {

namespace {

// Days from 1970-01-01 to the given proleptic Gregorian date (month 1..12).
long long daysFromCivil(long long year, unsigned month, unsigned day) {
  year -= month <= 2 ? 1 : 0;
  const long long era = (year >= 0 ? year : year - 399) / 400;
  const auto yoe = static_cast<unsigned>(year - era * 400);
  const unsigned shifted = month > 2 ? month - 3 : month + 9;  // March first
  const unsigned doy = (153 * shifted + 2) / 5 + day - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

// The calendar fields as seconds on one scale, whatever zone they were taken in.
long long fieldSeconds(const std::tm& tm) {
  const long long days = daysFromCivil(tm.tm_year + 1900LL, static_cast<unsigned>(tm.tm_mon + 1),
                                       static_cast<unsigned>(tm.tm_mday));
  return days * 86400 + tm.tm_hour * 3600LL + tm.tm_min * 60LL + tm.tm_sec;
}

}  // namespace

long utcOffsetSeconds(std::time_t t) {
  return static_cast<long>(fieldSeconds(localTime(t)) - fieldSeconds(utcTime(t)));
}

std::string isoLocalTime(std::time_t t) {
  const std::tm local = localTime(t);
  const long offset = utcOffsetSeconds(t);
  const long minutes = std::labs(offset) / 60;
  char text[96];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02ld:%02ld",
                local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                local.tm_sec, offset < 0 ? '-' : '+', minutes / 60, minutes % 60);
  return text;
}

}  // namespace norvik
