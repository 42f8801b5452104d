#include <gtest/gtest.h>

#include <limits>

#include "base/datefmt.h"
#include "base/datetime.h"
#include "base/error.h"

namespace orbelle {
namespace {
using namespace std::chrono;

TEST(DateTime, KnownDaysAndRoundTripOverCenturies) {
    EXPECT_EQ(DateTime::FromDate(1899, 12, 30).Days(), 0);
    EXPECT_EQ(DateTime::FromDate(1900, 1, 1), kNoDate);
    EXPECT_EQ(DateTime::FromDate(2005, 1, 5).Days(), 38357);
    for (int n = -1000; n < 200000; n += 7) {
        auto date = DateTime(n).Date();
        EXPECT_EQ(DateTime::FromDate(date).Days(), n) << n;
        EXPECT_EQ(DateTime::FromParts(date, {12, 0, 0, 0}).Date(), date) << n;
    }
}

TEST(DateTime, TimeRoundsToTheMillisecond) {
    // 09:30 less half an hour must read 09:00, not 08:59.
    DateTime half_past = DateTime::FromParts(2024y / 3 / 5, {9, 30, 0, 0});
    DateTime nine(half_past.Days() - 30.0 / 1440);
    EXPECT_EQ(nine.Time(), (TimeOfDay{9, 0, 0, 0}));
    EXPECT_EQ(nine.Date(), 2024y / 3 / 5);
    // A value a hair below midnight is the next day at 00:00.
    DateTime almost(DateTime::FromDate(2024, 3, 6).Days() - 1e-10);
    EXPECT_EQ(almost.Date(), 2024y / 3 / 6);
    EXPECT_EQ(almost.Time(), (TimeOfDay{}));
    // Before the zero date-time the fraction is still the time of day.
    EXPECT_EQ(DateTime(-1.25).Date(), 1899y / 12 / 29);
    EXPECT_EQ(DateTime(-1.25).Time(), (TimeOfDay{6, 0, 0, 0}));
}

TEST(DateTime, ValuesOutsideTheYears1To9999ReadAsTheZeroDateTime) {
    constexpr double kInf = std::numeric_limits<double>::infinity();
    for (double days : {1e300, -1e300, kInf, -kInf, std::numeric_limits<double>::quiet_NaN(), -693594.0,
                        2958466.0, 9.3e18, -9.3e18}) {
        SCOPED_TRACE(days);
        DateTime value(days);
        EXPECT_FALSE(value.InRange());
        EXPECT_EQ(value.Date(), 1899y / 12 / 30);
        EXPECT_EQ(value.Time(), TimeOfDay{});
        EXPECT_EQ(value.DateOnly().Days(), 0);
    }
    EXPECT_EQ(DateTime(-693593.5).Date(), 1y / 1 / 1);
    EXPECT_EQ(DateTime(-693593.5).Time(), (TimeOfDay{12, 0, 0, 0}));
    EXPECT_EQ(DateTime(2958465.75).Date(), 9999y / 12 / 31);
    EXPECT_EQ(DateTime(2958465.75).Time(), (TimeOfDay{18, 0, 0, 0}));
}

TEST(DateTime, ImpossibleDateIsRefused) {
    EXPECT_THROW(DateTime::FromDate(2023, 2, 29), Error);
    EXPECT_NO_THROW(DateTime::FromDate(2024, 2, 29));
}

TEST(DateFormats, ListAndTrayPatterns) {
    const auto& en = EnglishNames();
    DateTime afternoon = DateTime::FromParts(2005y / 1 / 5, {15, 7, 0, 0});
    EXPECT_EQ(FormatDateTime12(afternoon, en), "January 5, 2005 03:07 PM");
    EXPECT_EQ(FormatStartAdded(afternoon, en), "January 5,2005");
    EXPECT_EQ(FormatStartRewritten(afternoon, en), "January 5, 2005");
    EXPECT_EQ(FormatDateTime12(DateTime(), en), "December 30, 1899 12:00 AM");
    EXPECT_EQ(FormatDateTime12(DateTime::FromParts(2005y / 1 / 5, {12, 30, 0, 0}), en),
              "January 5, 2005 12:30 PM");
    EXPECT_EQ(FormatDateTime12(DateTime::FromParts(2005y / 1 / 5, {0, 5, 0, 0}), en),
              "January 5, 2005 12:05 AM");
    EXPECT_EQ(FormatLongDate(2024y / 3 / 5, en), "Tuesday, March 5, 2024");
    EXPECT_EQ(FormatLongDate(2005y / 1 / 5, en), "Wednesday, January 5, 2005");
}

}  // namespace
}  // namespace orbelle
