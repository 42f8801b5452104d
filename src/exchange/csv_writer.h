#pragma once
// The events as a CSV file for spreadsheets (RFC 4180): UTF-8 with a byte
// order mark, a header row with the event list's column titles, then Memo,
// Sound and the rule in words; date-times as ISO 8601 local times.
#include <string>
#include <vector>

#include "base/datefmt.h"
#include "base/recurrence.h"
#include "store/event_record.h"

namespace orbelle {

struct CsvEvent {
    std::int64_t id = 0;
    EventRecord record;
};

std::string WriteEventsCsv(const std::vector<CsvEvent>& events, const LocaleNames& names);
// The same file in pieces: the head (byte order mark and header row), then
// a row for each event.
void AppendCsvHead(std::string& out);
void AppendCsvRow(const CsvEvent& event, const LocaleNames& names, std::string& out);

// "Every 2 weeks on Monday, Friday", "The last Friday of every month", ...
std::string RuleInWords(const RecurrenceRule& rule, const LocaleNames& names);

// "2024-03-13T09:30:00"
std::string IsoLocalDateTime(DateTime value);

}  // namespace orbelle
