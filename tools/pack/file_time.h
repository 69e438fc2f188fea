// FILETIMEs (100-nanosecond intervals since 1601-01-01 00:00 UTC) as the entry headers store
// them, converted from and to the host's Unix times.
#pragma once
#include <cstdint>
#include <string>

namespace pack {

// Seconds from 1601-01-01 to 1970-01-01.
inline constexpr int64_t kFileTimeEpochOffset = 11644473600;
inline constexpr uint64_t kFileTimeTicksPerSecond = 10000000;
// The last second whose FILETIME Windows still turns into a date (the signed 64-bit range).
inline constexpr int64_t kLastConvertibleSecond =
    INT64_MAX / static_cast<int64_t>(kFileTimeTicksPerSecond) - kFileTimeEpochOffset - 1;

// A time before 1601 becomes 0, one past kLastConvertibleSecond that second.
uint64_t FileTimeFromUnix(int64_t seconds, uint32_t nanoseconds);

struct UnixTime {
  int64_t seconds;
  uint32_t nanoseconds;
};
UnixTime UnixFromFileTime(uint64_t fileTime);

// "YYYY-MM-DD HH:MM:SS" in UTC, the fraction of the second dropped.
std::string FormatFileTime(uint64_t fileTime);

// SOURCE_DATE_EPOCH's value: decimal seconds since 1970, nothing else around them. False for
// anything else, negative values and values past kLastConvertibleSecond included.
bool ParseSourceDateEpoch(const char* text, int64_t* seconds);

}  // namespace pack
