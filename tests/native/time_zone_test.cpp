#include <gtest/gtest.h>

#include "exchange/ical_time.h"
#include "exchange/time_zone.h"
#include "exchange_fixture.h"
#include "libical_oracle.h"

namespace orbelle {
namespace {
using namespace exchange_test;

TEST(TimeZone, ConvertsAroundTheChangesAsTheRfcReadsThem) {
    ZoneRules berlin = BerlinZone();
    struct Case {
        const char* name;
        DateTime local;
        DateTime utc;
    };
    const Case cases[] = {
        {"winter", At(2024y / 1 / 15, 9, 0), At(2024y / 1 / 15, 8, 0)},
        {"summer", At(2024y / 7 / 15, 9, 0), At(2024y / 7 / 15, 7, 0)},
        {"just before spring", At(2024y / 3 / 31, 1, 59), At(2024y / 3 / 31, 0, 59)},
        {"the skipped hour, with the offset before it", At(2024y / 3 / 31, 2, 30), At(2024y / 3 / 31, 1, 30)},
        {"just after spring", At(2024y / 3 / 31, 3, 0), At(2024y / 3 / 31, 1, 0)},
        {"the repeated hour, first time", At(2024y / 10 / 27, 2, 30), At(2024y / 10 / 27, 0, 30)},
        {"after the repeated hour", At(2024y / 10 / 27, 3, 0), At(2024y / 10 / 27, 2, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(berlin.ToUtc(c.local), c.utc);
    }
    EXPECT_EQ(berlin.ToLocal(At(2024y / 10 / 27, 0, 30)), At(2024y / 10 / 27, 2, 30));
    EXPECT_EQ(berlin.ToLocal(At(2024y / 10 / 27, 1, 30)), At(2024y / 10 / 27, 2, 30));
}

TEST(TimeZone, KnowsCommonZonesByEitherName) {
    EXPECT_EQ(IanaNameOfWindowsZone("W. Europe Standard Time"), "Europe/Berlin");
    EXPECT_EQ(IanaNameOfWindowsZone("pacific standard time"), "America/Los_Angeles");
    EXPECT_EQ(IanaNameOfWindowsZone("Nowhere Standard Time"), std::nullopt);
    EXPECT_EQ(KnownZone("W. Europe Standard Time"), BerlinZone());
    EXPECT_EQ(KnownZone("Europe/Berlin"), BerlinZone());
    ZoneRules sydney = *KnownZone("AUS Eastern Standard Time");
    EXPECT_EQ(sydney.OffsetAt(At(2024y / 1 / 15)), 11 * 3600);  // southern summer
    EXPECT_EQ(sydney.OffsetAt(At(2024y / 7 / 15)), 10 * 3600);
}

// The IANA database renamed some zones; CLDR lists the new names as aliases
// of the old, which stay the names we write.
TEST(TimeZone, KnowsTodaysNamesOfRenamedZones) {
    struct Case {
        const char* current;
        const char* kept;
    };
    const Case cases[] = {
        {"Europe/Kyiv", "Europe/Kiev"},
        {"Asia/Kolkata", "Asia/Calcutta"},
        {"America/Argentina/Buenos_Aires", "America/Buenos_Aires"},
        {"europe/kyiv", "Europe/Kiev"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.current);
        auto zone = KnownZone(c.current);
        ASSERT_TRUE(zone);
        EXPECT_EQ(zone, KnownZone(c.kept));
        EXPECT_EQ(zone->name, c.kept);
    }
}

// libical, reading the VTIMEZONE we write, places every hour of a year at
// the same UTC moment as our rules do (the two change-over hours aside,
// where libical departs from the RFC).
TEST(TimeZone, LibicalAgreesWithTheZoneWeWrite) {
    for (const char* name : {"Europe/Berlin", "America/New_York", "Australia/Sydney", "Asia/Tokyo"}) {
        SCOPED_TRACE(name);
        ZoneRules zone = *KnownZone(name);
        std::string text = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:x\r\n" + VTimeZoneLines(zone) + "END:VCALENDAR\r\n";
        icalcomponent* calendar = icalparser_parse_string(text.c_str());
        ASSERT_NE(calendar, nullptr);
        icalcomponent* vtimezone = icalcomponent_get_first_component(calendar, ICAL_VTIMEZONE_COMPONENT);
        ASSERT_NE(vtimezone, nullptr);
        icaltimezone* libical_zone = icaltimezone_new();
        ASSERT_TRUE(icaltimezone_set_component(libical_zone, icalcomponent_new_clone(vtimezone)));
        int compared = 0;
        for (std::int64_t hour = 0; hour < 366 * 24; ++hour) {
            DateTime local = ical::FromMs(ical::ToMs(At(2025y / 1 / 1)) + hour * 3'600'000);
            DateTime ours = zone.ToUtc(local);
            bool skipped = zone.ToLocal(ours) != local;
            bool repeated = zone.ToLocal(ical::FromMs(ical::ToMs(ours) + 3'600'000)) == local;
            if (skipped || repeated) continue;
            icaltimetype t = oracle::ToIcal(local);
            t.zone = libical_zone;
            ASSERT_EQ(oracle::FromIcal(icaltime_convert_to_zone(t, icaltimezone_get_utc_timezone())), ours)
                << "hour " << hour;
            ++compared;
        }
        EXPECT_GE(compared, 366 * 24 - 2);
        icaltimezone_free(libical_zone, 1);
        icalcomponent_free(calendar);
    }
}

}  // namespace
}  // namespace orbelle
