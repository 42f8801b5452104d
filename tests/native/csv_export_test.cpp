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

// A subject or memo that a spreadsheet would run as a formula is written as
// text; the rest of the row stays as it was.
TEST(CsvExport, KeepsFormulasText) {
    struct Case {
        const char* name;
        std::string subject;
        std::string memo;
        std::string row_start;  // subject cell, the fields between, then the memo cell
        std::string memo_cell;
    };
    const Case cases[] = {
        {"equals sign", "=HYPERLINK(\"http://x\",\"y\")", "", "\"'=HYPERLINK(\"\"http://x\"\",\"\"y\"\")\",", ""},
        {"at sign", "@SUM(A1:A9)", "", "'@SUM(A1:A9),", ""},
        {"plus", "+1+2", "", "'+1+2,", ""},
        {"minus", "-2+3", "", "'-2+3,", ""},
        {"tab", "\tcmd", "", "'\tcmd,", ""},
        {"carriage return", "\r\nx", "", "\"'\r\nx\",", ""},
        {"formula in the memo", "Plain", "=1+1", "Plain,", ",'=1+1,"},
        {"sign inside, not first", "a=b-c", "x@y", "a=b-c,", ",x@y,"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        std::filesystem::path table = folder.Path() / "db" / "TODOLIST.DB";
        PostRecords(table, {EditorRecord(c.subject, At(2024y / 1 / 26, 17, 0), "1", {{"Repleat", "N"}, {"Memo", c.memo}})});
        ExportCsvFile(table, folder.Path() / "out.csv", BerlinContext());
        std::string text = ReadBytes(folder.Path() / "out.csv");
        std::size_t row = text.find("\r\n") + 2;
        EXPECT_EQ(text.substr(row, c.row_start.size()), c.row_start);
        EXPECT_NE(text.find(",1" + (c.memo_cell.empty() ? ",," : c.memo_cell), row), std::string::npos);
    }
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
