#include <gtest/gtest.h>

#include "exchange/csv_writer.h"
#include "exchange_fixture.h"
#include "temp_folder.h"

namespace orbelle {
namespace {
using namespace exchange_test;

TEST(CsvExport, WritesHeaderAndQuotedRowsWithBom) {
    TempFolder folder;
    std::filesystem::path table = folder.Path() / "db" / "TODOLIST.DB";
    PostRecords(table, {EditorRecord("Lunch, \"big\" one", At(2024y / 3 / 13, 9, 30), "2",
                                     {{"Week_2", "Y"}, {"Week_6", "Y"}, {"Week_week", "2"},
                                      {"Memo", "Line 1\r\nLine 2"}, {"Priority", "High"}}),
                        EditorRecord("Café", At(2024y / 1 / 26, 17, 0), "3",
                                     {{"Month_dayweek", "W"}, {"Month_week1", "Last"}, {"Month_week2", "Friday"},
                                      {"Repleat", "Y"}}),
                        EditorRecord("Once", At(2024y / 1 / 26, 17, 0, 5), "1", {{"Repleat", "N"}})});
    ExportCsvFile(table, folder.Path() / "out.csv", BerlinContext());
    std::string text = ReadBytes(folder.Path() / "out.csv");
    EXPECT_EQ(text,
              "\xEF\xBB\xBF"
              "Subject,Start,Next Occurrence,Reminder Time,Duration,Item Type,Priority,Id,Memo,Sound,Recurrence\r\n"
              "\"Lunch, \"\"big\"\" one\",2024-03-13T09:30:00,2024-03-13T09:30:00,2024-03-13T09:30:00,1 hour,Meeting,"
              "High,1,\"Line 1\r\nLine 2\",Alarm.wav,\"Every 2 weeks on Monday, Friday\"\r\n"
              "Café,2024-01-26T17:00:00,2024-01-26T17:00:00,2024-01-26T17:00:00,1 hour,Meeting,Normal,2,,Alarm.wav,"
              "The last Friday of every month\r\n"
              "Once,2024-01-26T17:00:05,2024-01-26T17:00:05,2024-01-26T17:00:05,1 hour,Meeting,Normal,3,,Alarm.wav,\r\n");
}

TEST(CsvExport, SaysEveryRuleInWords) {
    struct Case {
        RecurrenceRule rule;
        const char* words;
    };
    const Case cases[] = {
        {{.kind = RecurrenceKind::Daily, .daily = {1}}, "Every day"},
        {{.kind = RecurrenceKind::Daily, .daily = {3}}, "Every 3 days"},
        {{.kind = RecurrenceKind::Weekly, .weekly = {.every = 1}}, "Every week"},
        {{.kind = RecurrenceKind::Monthly, .monthly = {.variant = MonthlyVariant::DayOfMonth, .day = 31, .day_every = 2}},
         "Day 31 of every 2 months"},
        {{.kind = RecurrenceKind::Monthly,
          .monthly = {.variant = MonthlyVariant::OrdinalWeekday, .ordinal = 1, .weekday = 2, .weekday_every = 1}},
         "The second Tuesday of every month"},
        {{.kind = RecurrenceKind::Yearly, .yearly = {.variant = YearlyVariant::MonthDay, .day_month = 1, .day = 29}},
         "Every year on February 29"},
        {{.kind = RecurrenceKind::Yearly,
          .yearly = {.variant = YearlyVariant::OrdinalWeekday, .ordinal = kYearlyLast, .weekday = 0, .weekday_month = 9}},
         "The last Sunday of October every year"},
        {{.kind = RecurrenceKind::Daily, .daily = {0}}, "Rule that never occurs"},
        {{.kind = RecurrenceKind::None}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.words);
        EXPECT_EQ(RuleInWords(c.rule, EnglishNames()), c.words);
    }
}

}  // namespace
}  // namespace orbelle
