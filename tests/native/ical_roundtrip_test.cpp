#include <gtest/gtest.h>

#include <algorithm>

#include "base/occurrences.h"
#include "exchange/ical_time.h"
#include "exchange/ical_writer.h"
#include "exchange_fixture.h"
#include "libical_oracle.h"
#include "store/event_rule.h"
#include "temp_folder.h"

namespace orbelle {
namespace {
using namespace exchange_test;

class IcalRoundTrip : public ::testing::Test {
protected:
    std::filesystem::path Table(const char* name) const { return folder_.Path() / name / "TODOLIST.DB"; }
    std::filesystem::path File(const char* name) const { return folder_.Path() / name; }

    std::filesystem::path ExportVariety() {
        PostRecords(Table("from"), VarietyOfRecords());
        ExportICalendarFile(Table("from"), File("out.ics"), BerlinContext());
        return File("out.ics");
    }

    static std::vector<StoredEvent> Load(const std::filesystem::path& table) {
        return ExchangeStore(table).LoadAll();
    }

    TempFolder folder_;
};

TEST_F(IcalRoundTrip, ImportIntoAnEmptyTableRestoresEveryFieldButId) {
    std::filesystem::path file = ExportVariety();
    PostRecords(Table("to"), {});
    // Years later and in another season: nothing may depend on the moment.
    ImportReport report = ImportICalendarFile(Table("to"), file, BerlinContext(At(2031y / 7 / 1, 3, 0)));
    ASSERT_EQ(report.outcome, ImportOutcome::Imported) << report.message;
    EXPECT_EQ(report.added, VarietyOfRecords().size());
    EXPECT_TRUE(report.notes.empty()) << report.Summary();

    std::vector<StoredEvent> before = Load(Table("from")), after = Load(Table("to"));
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
        SCOPED_TRACE(before[i].record.Text("Subject"));
        EXPECT_EQ(after[i].uid, before[i].uid);
        for (std::size_t field = 0; field < kEventFields.size(); ++field) {
            if (field == kIdField) continue;
            SCOPED_TRACE(kEventFields[field].name);
            EXPECT_EQ(after[i].record.values[field], before[i].record.values[field]);
        }
    }
}

// A calendar server keeps our list of fields as plain text, and writes it
// back with every separator escaped ("\;"), as both servers we sync with do.
TEST_F(IcalRoundTrip, OurFieldsSurviveAServerThatEscapesThemAsText) {
    std::filesystem::path file = ExportVariety();
    std::string text = ReadBytes(file);
    for (std::size_t fold; (fold = text.find("\r\n ")) != std::string::npos;) text.erase(fold, 3);
    const std::string name = "\r\nX-ORBELLE-FIELDS:";
    for (std::size_t at = text.find(name); at != std::string::npos; at = text.find(name, at + 1)) {
        const std::size_t begin = at + name.size(), end = text.find("\r\n", begin);
        std::string value;
        for (std::size_t i = begin; i < end; ++i) {
            if (text[i] == '\\') value += text[i++];
            else if (text[i] == ';') value += '\\';
            value += text[i];
        }
        text.replace(begin, end - begin, value);
    }
    WriteBytes(File("server.ics"), text);
    PostRecords(Table("to"), {});
    ImportReport report = ImportICalendarFile(Table("to"), File("server.ics"), BerlinContext(At(2031y / 7 / 1, 3, 0)));
    ASSERT_EQ(report.outcome, ImportOutcome::Imported) << report.message;
    std::vector<StoredEvent> before = Load(Table("from")), after = Load(Table("to"));
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
        SCOPED_TRACE(before[i].record.Text("Subject"));
        for (std::size_t field = 0; field < kEventFields.size(); ++field) {
            if (field == kIdField) continue;
            SCOPED_TRACE(kEventFields[field].name);
            EXPECT_EQ(after[i].record.values[field], before[i].record.values[field]);
        }
    }
}

TEST_F(IcalRoundTrip, SameUidsUpdateInsteadOfAdding) {
    std::filesystem::path file = ExportVariety();
    ImportReport again = ImportICalendarFile(Table("from"), file, BerlinContext());
    ASSERT_EQ(again.outcome, ImportOutcome::Imported) << again.message;
    EXPECT_EQ(again.added, 0u);
    EXPECT_EQ(again.updated, VarietyOfRecords().size());
    EXPECT_EQ(Load(Table("from")).size(), VarietyOfRecords().size());

    // The UIDs stay what the first export gave.
    ExportICalendarFile(Table("from"), File("second.ics"), BerlinContext());
    auto uids = [](const std::string& text) {
        std::vector<std::string> found;
        for (std::size_t at = text.find("\nUID:"); at != std::string::npos; at = text.find("\nUID:", at + 1))
            found.push_back(text.substr(at, text.find('\r', at) - at));
        return found;
    };
    EXPECT_EQ(uids(ReadBytes(File("second.ics"))), uids(ReadBytes(file)));
}

// libical parses what we write without a complaint, reads the same moments
// from it, and expands every RRULE to our occurrences.
TEST_F(IcalRoundTrip, LibicalReadsTheExportAsWeMeanIt) {
    std::string text = ReadBytes(ExportVariety());
    icalcomponent* calendar = icalparser_parse_string(text.c_str());
    ASSERT_NE(calendar, nullptr);
    icalrestriction_check(calendar);
    EXPECT_EQ(icalcomponent_count_errors(calendar), 0) << icalcomponent_as_ical_string(calendar);

    std::vector<StoredEvent> stored = Load(Table("from"));
    int events = 0, rules = 0;
    for (icalcomponent* event = icalcomponent_get_first_component(calendar, ICAL_VEVENT_COMPONENT); event;
         event = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT)) {
        ++events;
        std::string uid = icalcomponent_get_uid(event);
        auto ours = std::find_if(stored.begin(), stored.end(), [&](const StoredEvent& e) { return e.uid == uid; });
        ASSERT_NE(ours, stored.end());
        SCOPED_TRACE(ours->record.Text("Subject"));
        DateTime start = ours->record.DateTimeOf("Date");

        icaltimetype dtstart = icalcomponent_get_dtstart(event);
        icaltimetype utc = icaltime_convert_to_zone(dtstart, icaltimezone_get_utc_timezone());
        DateTime expected_utc = BerlinZone().ToUtc(start);
        // In the hour skipped in spring and the hour repeated in autumn,
        // libical takes the other offset than RFC 5545 (3.3.5) asks for.
        bool changeover = start.Date() == 2024y / 3 / 31 || start.Date() == 2024y / 10 / 27;
        if (!changeover) {
            EXPECT_EQ(oracle::FromIcal(utc), ical::FromMs(ical::ToMs(expected_utc) / 1000 * 1000));
        }

        icalproperty* rrule = icalcomponent_get_first_property(event, ICAL_RRULE_PROPERTY);
        if (!rrule) continue;
        ++rules;
        RecurrenceRule rule = EventRule([&](std::string_view name) { return ours->record.Text(name); }, EnglishNames());
        icalrecurrencetype recur = icalproperty_get_rrule(rrule);
        std::string rule_text = icalrecurrencetype_as_string(&recur);
        DateTime wall = oracle::FromIcal(dtstart);
        std::vector<DateTime> expected = oracle::Expand(rule_text, wall, wall, 25);
        std::vector<DateTime> ours_after;
        for (auto next = FirstOccurrenceAfter(rule, wall, wall); next && ours_after.size() < 25;
             next = FirstOccurrenceAfter(rule, wall, *next))
            ours_after.push_back(*next);
        EXPECT_EQ(ours_after, expected) << rule_text;
    }
    EXPECT_EQ(events, static_cast<int>(stored.size()));
    EXPECT_EQ(rules, 5);  // the recurring records whose rule can occur
    icalcomponent_free(calendar);
}

}  // namespace
}  // namespace orbelle
