#pragma once
// The table of 100,000 events the exchange benchmarks export and import,
// natively and under Wine: records as the editor writes them, every rule
// kind in turn.
#include <filesystem>
#include <vector>

#include "base/datefmt.h"
#include "exchange/exchange_files.h"
#include "store/event_cursor.h"
#include "store/event_rule.h"
#include "store/exchange_store.h"
#include "../tests/native/exchange_fixture.h"

namespace orbelle::bench {
using namespace std::chrono;

inline constexpr int kExchangeEvents = 100'000;

// The exchange tests' Berlin zone and clock.
inline ExchangeContext ExchangeBenchContext() { return exchange_test::BerlinContext(); }

inline void MakeEmptyEventTable(const std::filesystem::path& file) {
    std::filesystem::remove(file);
    EventCursor cursor;  // the program's own schema
    cursor.Open(file);
}

inline void MakeExchangeTable(const std::filesystem::path& file, int count) {
    MakeEmptyEventTable(file);
    std::vector<IncomingEvent> events;
    for (int i = 0; i < count; ++i) {
        EventRecord r;
        DateTime start = DateTime(45000.375 + i * 0.25);
        r.SetText("Subject", "Event number " + std::to_string(i));
        r.SetText("Priority", "Normal");
        r.SetText("Memo", "Notes for the event, with a comma; and a second line\r\nhere");
        r.SetText("Type", "Meeting");
        r.SetText("Remind", "15 minutes");
        r.SetText("Duration", "1 hour");
        r.SetText("Sound", "Alarm.wav");
        r.SetText("Repleat", i % 5 == 0 ? "N" : "Y");
        RecurrenceRule rule;  // a new event's fields, with the chosen kind's filled in
        rule.kind = static_cast<RecurrenceKind>(1 + i % 4);
        if (rule.kind == RecurrenceKind::Weekly) rule.weekly.on[1] = true;
        if (rule.kind == RecurrenceKind::Monthly && i % 8 < 4)
            rule.monthly = {.variant = MonthlyVariant::DayOfMonth, .day = 15};
        if (rule.kind == RecurrenceKind::Monthly && i % 8 >= 4)
            rule.monthly = {.ordinal = kMonthlyLast, .weekday = 5};
        if (rule.kind == RecurrenceKind::Yearly)
            rule.yearly = {.variant = YearlyVariant::MonthDay, .day_month = 2, .day = 15};
        for (auto& [name, text] : FieldsFromRule(rule, EnglishNames())) r.SetText(name, text);
        r.SetText("Accepttext", i % 3 == 0 ? "Y" : "N");
        r.SetDateTime("Date", start);
        r.SetDateTime("StartHour", start);
        r.SetDateTime("NextAlarm", start);
        events.push_back({"", std::move(r)});
    }
    ExchangeStore(file).Store(events);
    ExchangeStore(file).LoadAll();  // UIDs given once, as by a first export
}

}  // namespace orbelle::bench
