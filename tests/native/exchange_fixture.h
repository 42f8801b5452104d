#pragma once
// Shared pieces of the exchange tests: a zone with Berlin's rules, and event
// tables filled the way the editor fills them.
#include <map>
#include <string>
#include <vector>

#include "base/datefmt.h"
#include "exchange/exchange_files.h"
#include "exchange/time_zone.h"
#include "store/event_cursor.h"
#include "store/exchange_store.h"

namespace orbelle::exchange_test {

using namespace std::chrono;

inline DateTime At(year_month_day date, int hour = 0, int minute = 0, int second = 0) {
    return DateTime::FromParts(date, {hour, minute, second, 0});
}

// Central European time: +01:00, +02:00 from the last Sunday of March 02:00
// to the last Sunday of October 03:00.
inline ZoneRules BerlinZone() {
    ZoneRules zone;
    zone.name = "Europe/Berlin";
    zone.standard_offset = 3600;
    zone.daylight_offset = 7200;
    zone.to_daylight = ZoneChange{3, 5, 0, 120};
    zone.to_standard = ZoneChange{10, 5, 0, 180};
    return zone;
}

inline ExchangeContext BerlinContext(DateTime now = At(2026y / 12 / 10, 14, 0)) {
    return {BerlinZone(), EnglishNames(), now};
}

struct RecordSpec {
    std::map<std::string, std::string> texts;
    std::map<std::string, DateTime> times;
};

// Posts records through the program's own cursor; returns the table file.
inline void PostRecords(const std::filesystem::path& table, const std::vector<RecordSpec>& records) {
    EventCursor cursor;
    cursor.Open(table);
    for (const RecordSpec& record_spec : records) {
        cursor.Insert();
        for (const auto& [name, text] : record_spec.texts) cursor.SetFieldText(name, text);
        for (const auto& [name, time] : record_spec.times) cursor.SetFieldDateTime(name, time);
        cursor.Post();
    }
}

// The rule fields as a new event's dialog holds them, for the kind named:
// the "The" variants chosen, every list on its first item, every count 1.
inline std::map<std::string, std::string> EditorRuleTexts(const char* kind) {
    return {{"Dwmy", kind},          {"Day_day", "1"},         {"Week_week", "1"},       {"Week_1", "N"},
            {"Week_2", "N"},         {"Week_3", "N"},          {"Week_4", "N"},          {"Week_5", "N"},
            {"Week_6", "N"},         {"Week_7", "N"},          {"Month_dayweek", "W"},   {"Month_day1", "1"},
            {"Month_day2", "1"},     {"Month_week1", "First"}, {"Month_week2", "Sunday"}, {"Month_week3", "1"},
            {"Year_dayweek", "W"},   {"Year_day1", "January"}, {"Year_day2", "1"},       {"Year_week1", "First"},
            {"Year_week2", "Sunday"}, {"Year_week3", "January"}};
}

inline RecordSpec EditorRecord(std::string subject, DateTime start, const char* kind,
                               std::map<std::string, std::string> changes = {}) {
    RecordSpec record_spec;
    record_spec.texts = EditorRuleTexts(kind);
    record_spec.texts["Subject"] = std::move(subject);
    record_spec.texts["Priority"] = "Normal";
    record_spec.texts["Type"] = "Meeting";
    record_spec.texts["Remind"] = "15 minutes";
    record_spec.texts["Duration"] = "1 hour";
    record_spec.texts["Sound"] = "Alarm.wav";
    record_spec.texts["Repleat"] = "Y";
    record_spec.texts["Accepttext"] = "N";
    for (auto& [name, text] : changes) record_spec.texts[name] = text;
    record_spec.times["Date"] = start;
    record_spec.times["StartHour"] = start;
    record_spec.times["NextAlarm"] = start;
    return record_spec;
}

// Records of every rule kind and the awkward values a table may hold.
inline std::vector<RecordSpec> VarietyOfRecords() {
    std::vector<RecordSpec> records;
    records.push_back(EditorRecord("Team; review, \\ Änderungen", At(2024y / 3 / 13, 9, 30), "2",
                                   {{"Week_week", "2"}, {"Week_2", "Y"}, {"Week_6", "Y"}, {"Priority", "High"},
                                    {"Memo", "First line\r\nSecond line; with, marks\r\n\r\nÜber alles"}}));
    records.push_back(EditorRecord("Month end", At(2024y / 1 / 31, 18, 0), "3",
                                   {{"Month_dayweek", "D"}, {"Month_day1", "31"}, {"Month_day2", "2"}, {"Accepttext", "Y"}}));
    records.push_back(EditorRecord("Last Friday", At(2024y / 1 / 26, 17, 0), "3",
                                   {{"Month_dayweek", "W"}, {"Month_week1", "Last"}, {"Month_week2", "Friday"},
                                    {"Priority", "Lowest"}, {"Type", "Payment"}}));
    records.push_back(EditorRecord("Leap day", At(2024y / 2 / 29, 8, 0), "4",
                                   {{"Year_dayweek", "D"}, {"Year_day1", "February"}, {"Year_day2", "29"}, {"Remind", "1 day"},
                                    {"Type", "Birthday"}, {"Priority", "Highest"}}));
    records.push_back(EditorRecord("Summer time begins", At(2024y / 3 / 31, 2, 30), "4",
                                   {{"Year_dayweek", "W"}, {"Year_week1", "Last"}, {"Year_week2", "Sunday"},
                                    {"Year_week3", "March"}, {"Remind", "2 hours"}}));
    records.push_back(EditorRecord("Every third day", At(2024y / 10 / 27, 2, 30), "1",
                                   {{"Day_day", "3"}, {"Repleat", "N"}, {"Sound", "C:\\Sounds\\bell,1.wav"},
                                    {"Remind", "1 week"}, {"Duration", "2 days"}, {"Priority", "Low"}}));
    RecordSpec odd = EditorRecord("", DateTime(45364.395833333336 + 0.0000001), "4",
                                  {{"Year_dayweek", "D"}, {"Year_day1", "February"}, {"Year_day2", "30"}, {"Remind", "60 minutes"},
                                   {"Duration", "forever"}, {"Priority", ""}, {"Type", "Custom"}, {"Start", "ab"},
                                   {"Complete", "x"},
                                   {"Memo", std::string(200, 'x') + "\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC" +
                                                "\nlone break\rand return\tand tab"}});
    odd.times["StartHour"] = DateTime(0.0);
    records.push_back(odd);
    RecordSpec bare;
    bare.texts["Subject"] = "Only a subject";
    records.push_back(bare);
    return records;
}

}  // namespace orbelle::exchange_test
