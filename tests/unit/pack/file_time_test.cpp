#include "tools/pack/file_time.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>

namespace {

TEST(FileTimeTest, UnixTimesConvertBothWays) {
  struct Case {
    int64_t seconds;
    uint32_t nanoseconds;
    uint64_t fileTime;
  };
  const Case cases[] = {
      {0, 0, 116444736000000000ull},                   // 1970-01-01
      {-11644473600, 0, 0},                            // 1601-01-01, FILETIME's own epoch
      {1700000000, 123456789, 133444736001234567ull},  // the 100 ns below a tick are dropped
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.seconds);
    EXPECT_EQ(pack::FileTimeFromUnix(c.seconds, c.nanoseconds), c.fileTime);
    pack::UnixTime back = pack::UnixFromFileTime(c.fileTime);
    EXPECT_EQ(back.seconds, c.seconds);
    EXPECT_EQ(back.nanoseconds, c.nanoseconds / 100 * 100);
  }
  EXPECT_EQ(pack::FileTimeFromUnix(-11644473601, 0), 0u) << "before 1601 clamps to 0";
  EXPECT_LE(pack::FileTimeFromUnix(INT64_MAX, 999999999), uint64_t{INT64_MAX});
}

// The calendar arithmetic against the C library's, across leap days and century years.
TEST(FileTimeTest, FormattingAgreesWithTheCLibrary) {
  const int64_t starts[] = {-11644473600,  // 1601-01-01
                            -5364662400,   // 1800-01-01: not a leap year
                            -2208988800,   // 1900-01-01: not a leap year
                            946684800 - 86400 * 400,
                            946684800,    // 2000-01-01: a leap year
                            4102444800};  // 2100-01-01
  for (int64_t start : starts) {
    for (int64_t step = 0; step < 800; ++step) {
      int64_t seconds = start + step * (86400 + 3671);  // walks the days and the hours
      time_t t = static_cast<time_t>(seconds);
      struct tm utc;
      ASSERT_NE(gmtime_r(&t, &utc), nullptr);
      char expected[48];
      std::snprintf(expected, sizeof expected, "%04d-%02d-%02d %02d:%02d:%02d", utc.tm_year + 1900,
                    utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec);
      ASSERT_EQ(pack::FormatFileTime(pack::FileTimeFromUnix(seconds, 0)), expected) << seconds;
    }
  }
}

TEST(FileTimeTest, SourceDateEpochTakesPlainDecimalSecondsOnly) {
  struct Case {
    const char* text;
    bool valid;
    int64_t seconds;
  };
  const Case cases[] = {
      {"0", true, 0},
      {"1700000000", true, 1700000000},
      {"", false, 0},
      {"-1", false, 0},
      {"17e8", false, 0},
      {" 1700000000", false, 0},
      {"1700000000\n", false, 0},
      {"99999999999999999999", false, 0},  // past what a FILETIME holds
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    int64_t seconds = -7;
    EXPECT_EQ(pack::ParseSourceDateEpoch(c.text, &seconds), c.valid);
    if (c.valid) {
      EXPECT_EQ(seconds, c.seconds);
    }
  }
}

}  // namespace
