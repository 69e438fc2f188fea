#include "tools/pack/file_time.h"

#include <cstdio>

namespace pack {

uint64_t FileTimeFromUnix(int64_t seconds, uint32_t nanoseconds) {
  if (seconds < -kFileTimeEpochOffset) return 0;
  if (seconds > kLastConvertibleSecond) seconds = kLastConvertibleSecond;
  return static_cast<uint64_t>(seconds + kFileTimeEpochOffset) * kFileTimeTicksPerSecond +
         nanoseconds / 100;
}

UnixTime UnixFromFileTime(uint64_t fileTime) {
  return UnixTime{static_cast<int64_t>(fileTime / kFileTimeTicksPerSecond) - kFileTimeEpochOffset,
                  static_cast<uint32_t>(fileTime % kFileTimeTicksPerSecond * 100)};
}

std::string FormatFileTime(uint64_t fileTime) {
  // Days since 1601-01-01, a Monday and the start of a 400-year Gregorian cycle.
  uint64_t totalSeconds = fileTime / kFileTimeTicksPerSecond;
  uint64_t days = totalSeconds / 86400;
  uint64_t secondOfDay = totalSeconds % 86400;
  uint64_t cycles = days / 146097;
  uint64_t dayOfCycle = days % 146097;
  // Within the cycle: centuries of 36524 days, the last one a day longer; four-year groups
  // of 1461 days; years of 365 days, the last one of each group a day longer.
  uint64_t centuries = dayOfCycle / 36524 < 3 ? dayOfCycle / 36524 : 3;
  uint64_t dayOfCentury = dayOfCycle - centuries * 36524;
  uint64_t groups = dayOfCentury / 1461;
  uint64_t dayOfGroup = dayOfCentury % 1461;
  uint64_t years = dayOfGroup / 365 < 3 ? dayOfGroup / 365 : 3;
  uint64_t dayOfYear = dayOfGroup - years * 365;
  uint64_t year = 1601 + cycles * 400 + centuries * 100 + groups * 4 + years;
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  static constexpr int kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int month = 0;
  for (; month < 11; ++month) {
    uint64_t length = static_cast<uint64_t>(kMonthDays[month]) + (month == 1 && leap ? 1 : 0);
    if (dayOfYear < length) break;
    dayOfYear -= length;
  }
  char text[48];
  std::snprintf(text, sizeof text, "%04llu-%02d-%02llu %02llu:%02llu:%02llu",
                static_cast<unsigned long long>(year), month + 1,
                static_cast<unsigned long long>(dayOfYear + 1),
                static_cast<unsigned long long>(secondOfDay / 3600),
                static_cast<unsigned long long>(secondOfDay / 60 % 60),
                static_cast<unsigned long long>(secondOfDay % 60));
  return text;
}

bool ParseSourceDateEpoch(const char* text, int64_t* seconds) {
  if (*text == '\0') return false;
  int64_t value = 0;
  for (const char* c = text; *c != '\0'; ++c) {
    if (*c < '0' || *c > '9') return false;
    value = value * 10 + (*c - '0');
    if (value > kLastConvertibleSecond) return false;
  }
  *seconds = value;
  return true;
}

}  // namespace pack
