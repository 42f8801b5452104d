#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "exchange_fixture.h"
#include "rule_builders.h"
#include "search/event_search.h"
#include "search/search_source.h"
#include "search/text_fold.h"
#include "temp_folder.h"

namespace orbelle {
namespace {
using namespace std::chrono;
using namespace rule_builders;
using exchange_test::At;

constexpr RecurrenceRule kOnce{.kind = RecurrenceKind::None};

SearchEvent Event(std::int64_t id, std::string subject, std::string memo, std::string type, RecurrenceRule rule,
                  DateTime start) {
    return {.id = id, .subject = std::move(subject), .memo = std::move(memo), .type = std::move(type),
            .priority = "Normal", .sound = "Alarm.wav", .start = start, .rule = rule};
}

// Thursday 10 December 2026.
const DateTime kToday = At(2026y / 12 / 10, 14, 0);

std::vector<SearchEvent> Fixture() {
    std::vector<SearchEvent> events = {
        Event(1, "Dentist appointment", "Bring the insurance card", "Appointment", kOnce, At(2026y / 12 / 14, 9, 0)),
        Event(2, "Café with Zoë", "", "Meeting", Weekly(1, {kMon, kFri}), At(2026y / 11 / 2, 10, 0)),
        Event(3, "Pay rent", "Transfer to the landlord", "Payment", MonthlyDay(31, 1), At(2026y / 1 / 31, 8, 0)),
        Event(4, "Mum's birthday", "call her, buy flowers", "Birthday", YearlyDate(kMar, 3), At(1990y / 3 / 3, 7, 0)),
        Event(5, "Old dentist visit", "", "Appointment", kOnce, At(2025y / 5 / 5, 11, 0)),
        Event(6, "Standup", "daily sync with the TEAM", "Meeting", Daily(1), At(2026y / 12 / 1, 9, 15)),
        Event(7, "Quarterly report", "", "Internet", MonthlyThe(kMonthlyLast, kFri, 3), At(2026y / 1 / 1, 0, 0)),
        Event(8, "ÉCOLE: réunion", "parents", "Meeting", kOnce, At(2026y / 12 / 14, 18, 0)),
        Event(9, "Midnight train", "", "Travel", kOnce, At(2026y / 12 / 20, 0, 0)),
    };
    events[0].priority = "High";
    events[4].done = true;
    events[6].sound = "C:\\Sounds\\Trumpet fanfare.wav";
    return events;
}

std::vector<std::int64_t> Ids(const SearchIndex& index, const SearchResult& result) {
    std::vector<std::int64_t> ids;
    for (const SearchHit& hit : result.hits) ids.push_back(index.Id(hit.slot));
    std::sort(ids.begin(), ids.end());
    return ids;
}

struct QueryCase {
    const char* name;
    SearchQuery query;
    std::vector<std::int64_t> ids;
    std::uint64_t occurrences = 0;  // with a date range
};

TEST(EventSearch, FindsWhatEachQueryAsks) {
    const QueryCase cases[] = {
        {"words in any order", {.text = "appointment dentist"}, {1}},
        {"parts of words", {.text = "ntis"}, {1}},
        {"case", {.text = "DENTIST"}, {1}},
        {"accents of the stored text", {.text = "cafe zoe"}, {2}},
        {"accents of the query", {.text = "écOLÉ"}, {8}},
        {"punctuation is no part of a word", {.text = "ecole: reunion!"}, {8}},
        {"memo only", {.text = "insurance"}, {1}},
        {"every word must match somewhere", {.text = "dentist flowers"}, {}},
        {"words from subject and memo together", {.text = "mum flowers"}, {4}},
        {"the type", {.text = "payment"}, {3}},
        {"the priority", {.text = "high"}, {1}},
        {"the sound's file name, not its folder", {.text = "fanfare"}, {7}},
        {"the sound's folder", {.text = "sounds"}, {}},
        {"done events stay out", {.text = "dentist"}, {1}},
        {"done events when asked", {.text = "dentist", .include_done = true}, {1, 5}},
        {"the type filter alone", {.type = "Meeting"}, {2, 6, 8}},
        {"the type filter without regard to case, with words", {.text = "cafe", .type = "meeting"}, {2}},
        {"a type no event has", {.type = "Holiday"}, {}},
        {"empty query", {}, {}},
        {"blanks and signs only", {.text = " ,. - "}, {}},
        {"one day: one-off, weekly, daily", {.from = 2026y / 12 / 14, .to = 2026y / 12 / 14}, {1, 2, 6, 8}, 4},
        {"weekly on two days over a month", {.text = "cafe", .from = 2026y / 12 / 1, .to = 2026y / 12 / 31}, {2}, 8},
        {"daily from its start", {.text = "standup", .from = 2026y / 11 / 25, .to = 2026y / 12 / 10}, {6}, 10},
        {"the month-end rule skips short months", {.text = "rent", .from = 2026y / 2 / 1, .to = 2026y / 6 / 30},
         {3}, 2},
        {"the month-end rule in a month without the day", {.text = "rent", .from = 2026y / 4 / 1, .to = 2026y / 4 / 30},
         {}},
        {"the last Friday every three months", {.text = "quarterly", .from = 2026y / 4 / 1, .to = 2026y / 7 / 31},
         {7}, 2},
        {"yearly, decades on", {.text = "birthday", .from = 2030y / 1 / 1, .to = 2030y / 12 / 31}, {4}, 1},
        {"yearly, the range after its day", {.text = "birthday", .from = 2030y / 4 / 1, .to = 2030y / 12 / 31}, {}},
        {"a one-off at the range's first moment", {.from = 2026y / 12 / 20, .to = 2026y / 12 / 20}, {6, 9}, 2},
        {"only an end", {.text = "dentist", .to = 2026y / 12 / 13}, {}},
        {"only an end, done events too", {.text = "dentist", .to = 2026y / 12 / 13, .include_done = true}, {5}, 1},
        {"only a beginning", {.text = "report", .from = 9999y / 1 / 1}, {7}, 4},
    };
    SearchIndex index;
    index.Reset(Fixture(), kToday);
    for (const QueryCase& c : cases) {
        SCOPED_TRACE(c.name);
        const SearchResult result = index.Find(c.query);
        EXPECT_EQ(Ids(index, result), c.ids);
        EXPECT_EQ(result.occurrences, c.occurrences);
    }
}

// What the first column shows: the first occurrence in the range, the next
// one from today without a range, the start of a done event.
TEST(EventSearch, ShowsTheOccurrenceThatMatters) {
    SearchIndex index;
    index.Reset(Fixture(), kToday);
    auto shown = [&](SearchQuery query) {
        const SearchResult result = index.Find(query);
        EXPECT_EQ(result.hits.size(), 1u);
        return result.hits.empty() ? DateTime() : result.hits.front().shown;
    };
    EXPECT_EQ(shown({.text = "cafe"}), At(2026y / 12 / 11, 10, 0)) << "Friday after today";
    EXPECT_EQ(shown({.text = "cafe", .from = 2027y / 1 / 1, .to = 2027y / 1 / 31}), At(2027y / 1 / 1, 10, 0));
    EXPECT_EQ(shown({.text = "birthday"}), At(2027y / 3 / 3, 7, 0));
    EXPECT_EQ(shown({.text = "old", .include_done = true}), At(2025y / 5 / 5, 11, 0));
    index.SetToday(At(2027y / 3 / 4));
    EXPECT_EQ(shown({.text = "birthday"}), At(2028y / 3 / 3, 7, 0)) << "today moved on";
}

TEST(EventSearch, FollowsSavesAndDeletes) {
    SearchIndex index;
    index.Reset(Fixture(), kToday);
    SearchEvent changed = Fixture()[1];
    changed.subject = "Tea with Zoë";
    // Many saves of one event: the texts no entry needs are dropped on the way.
    for (int i = 0; i < 50; ++i) index.Put(changed);
    index.Put(Event(20, "Dentist again", "", "Appointment", kOnce, At(2027y / 1 / 5, 9, 0)));
    index.Remove(1);
    EXPECT_EQ(Ids(index, index.Find({.text = "cafe"})), std::vector<std::int64_t>{});
    EXPECT_EQ(Ids(index, index.Find({.text = "tea zoe"})), std::vector<std::int64_t>{2});
    EXPECT_EQ(Ids(index, index.Find({.text = "dentist"})), std::vector<std::int64_t>{20});
    EXPECT_EQ(Ids(index, index.Find({.text = "report"})), std::vector<std::int64_t>{7});
    ASSERT_TRUE(index.SlotOf(2));
    EXPECT_EQ(index.Subject(*index.SlotOf(2)), "Tea with Zoë");
    EXPECT_EQ(index.Size(), 9u);
}

TEST(EventSearch, SortsByEachColumn) {
    SearchIndex index;
    index.Reset(Fixture(), kToday);
    SearchResult result = index.Find({.from = 2026y / 1 / 1, .to = 2030y / 12 / 31, .include_done = true});
    auto subjects = [&] {
        std::vector<std::string> out;
        for (const SearchHit& hit : result.hits) out.emplace_back(index.Subject(hit.slot));
        return out;
    };
    index.Sort(result, SearchColumn::Subject, true);
    EXPECT_EQ(subjects(), (std::vector<std::string>{"Café with Zoë", "Dentist appointment", "ÉCOLE: réunion",
                                                    "Midnight train", "Mum's birthday", "Pay rent", "Quarterly report", "Standup"}));
    index.Sort(result, SearchColumn::Next, false);
    EXPECT_EQ(subjects().front(), "Midnight train");
    index.Sort(result, SearchColumn::Priority, true);
    EXPECT_EQ(subjects().front(), "Dentist appointment");
    index.Sort(result, SearchColumn::Type, true);
    EXPECT_EQ(subjects().front(), "Dentist appointment");
    index.Sort(result, SearchColumn::Recurrence, true);
    EXPECT_EQ(subjects().back(), "Mum's birthday");
}

TEST(TextFold, FoldsCaseAccentsAndSigns) {
    struct Case {
        const char* text;
        const char* folded;
    };
    const Case cases[] = {
        {"Café au Lait", "cafe au lait"}, {"Straße, Œuvre; Æther", "strasse oeuvre aether"},
        {"Łódź — Ørsted", "lodz orsted"}, {"e\xCC\x81t\xC3\xA9", "ete"},  // a combining accent
        {"ΑΘΗΝΑ Москва", "αθηνα москва"}, {"  --x--  ", "x"},
        {"東京タワー", "東京タワー"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Folded(c.text), c.folded);
    }
}

TEST(TextFold, SpansOfTheMatchedWordsInTheOriginal) {
    struct Case {
        const char* text;
        std::vector<std::string> terms;
        std::vector<TextSpan> spans;
    };
    const Case cases[] = {
        {"Café au lait", {"cafe"}, {{0, 4}}},
        {"Dentist", {"dent", "tis"}, {{0, 6}}},
        {"Mum's birthday", {"s", "day"}, {{4, 5}, {11, 14}}},
        {"\xF0\x9F\x98\x80 Zoë", {"zoe"}, {{3, 6}}},  // after a character of two UTF-16 units
        {"Große Straße", {"strasse"}, {{6, 12}}},
        {"nothing", {"else"}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(MatchedSpans(c.text, c.terms), c.spans);
    }
}

// The events as the table holds them: rule, done flag and sound come back.
TEST(SearchSource, ReadsTheTableFile) {
    TempFolder folder;
    const std::filesystem::path table = folder.Path() / "db" / "TODOLIST.DB";
    exchange_test::PostRecords(
        table, {exchange_test::EditorRecord("Monthly", At(2024y / 1 / 31, 10, 0), "3",
                                            {{"Month_dayweek", "D"}, {"Month_day1", "31"}, {"Memo", "Notes"}}),
                exchange_test::EditorRecord("Once", At(2024y / 2 / 1, 8, 0), "2",
                                            {{"Repleat", "N"}, {"Accepttext", "Y"}, {"Sound", "C:\\x\\Bell.wav"}})});
    const std::vector<SearchEvent> events = ReadSearchEvents(table, EnglishNames());
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].memo, "Notes");
    EXPECT_EQ(events[0].rule, MonthlyDay(31, 1));
    EXPECT_EQ(events[0].start, At(2024y / 1 / 31, 10, 0));
    EXPECT_EQ(events[1].rule.kind, RecurrenceKind::None);
    EXPECT_TRUE(events[1].done);
    EXPECT_EQ(events[1].sound, "C:\\x\\Bell.wav");
    for (const SearchEvent& event : events) {
        std::optional<SearchEvent> one = ReadSearchEvent(table, event.id, EnglishNames());
        ASSERT_TRUE(one);
        EXPECT_EQ(one->subject, event.subject);
        EXPECT_EQ(one->rule, event.rule);
        EXPECT_EQ(one->start, event.start);
        EXPECT_EQ(one->done, event.done);
    }
    EXPECT_FALSE(ReadSearchEvent(table, 99, EnglishNames()));
}

}  // namespace
}  // namespace orbelle
