#include "exchange/csv_writer.h"

#include <cstdio>

#include "base/occurrences.h"
#include "store/event_rule.h"

namespace orbelle {
namespace {

constexpr const char* kHeader[] = {"Subject", "Start",  "Next Occurrence", "Reminder Time", "Duration", "Item Type",
                                   "Priority", "Id",    "Memo",            "Sound",         "Recurrence"};
constexpr std::string_view kOrdinalWords[] = {"first", "second", "third", "fourth"};

// A spreadsheet runs a cell that begins with one of these as a formula; a
// leading apostrophe keeps it text (OWASP's advice against CSV injection).
bool ReadsAsFormula(std::string_view cell) {
    return !cell.empty() && std::string_view("=+-@\t\r").find(cell.front()) != std::string_view::npos;
}

void AppendCell(std::string& out, std::string_view cell, bool first) {
    if (!first) out += ',';
    std::string_view guard = ReadsAsFormula(cell) ? "'" : "";
    if (cell.find_first_of(",\"\r\n") == std::string_view::npos) {
        out.append(guard);
        out.append(cell);
        return;
    }
    out += '"';
    out.append(guard);
    for (char c : cell) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

std::string Every(int count, const char* unit) {
    return count == 1 ? std::string("Every ") + unit : "Every " + std::to_string(count) + " " + unit + "s";
}

std::string Ordinal(int index, int last_index) {
    return index == last_index ? "last" : std::string(kOrdinalWords[index]);
}

std::string DateTimeCell(const EventRecord& record, std::string_view name) {
    const FieldValue& value = record.values[EventFieldIndex(name)];
    if (std::holds_alternative<std::monostate>(value)) return {};
    return IsoLocalDateTime(record.DateTimeOf(name));
}

}  // namespace

std::string IsoLocalDateTime(DateTime value) {
    year_month_day date = value.Date();
    TimeOfDay time = value.Time();
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()), time.hour, time.minute,
                  time.second);
    return text;
}

std::string RuleInWords(const RecurrenceRule& rule, const LocaleNames& names) {
    if (rule.kind == RecurrenceKind::None) return {};
    if (!RuleCanOccur(rule)) return "Rule that never occurs";
    auto weekday = [&](int index) { return names.weekdays[static_cast<std::size_t>(index)]; };
    auto month = [&](int index) { return names.months[static_cast<std::size_t>(index)]; };
    switch (rule.kind) {
        case RecurrenceKind::Daily:
            return Every(rule.daily.every, "day");
        case RecurrenceKind::Weekly: {
            std::string days;
            for (int day = 0; day < 7; ++day)
                if (rule.weekly.on[static_cast<std::size_t>(day)]) days += (days.empty() ? "" : ", ") + weekday(day);
            return Every(rule.weekly.every, "week") + (days.empty() ? "" : " on " + days);
        }
        case RecurrenceKind::Monthly: {
            const MonthlyRule& m = rule.monthly;
            if (m.variant == MonthlyVariant::DayOfMonth)
                return "Day " + std::to_string(m.day) + " of " +
                       (m.day_every == 1 ? std::string("every month") : "every " + std::to_string(m.day_every) + " months");
            return "The " + Ordinal(m.ordinal, kMonthlyLast) + " " + weekday(m.weekday) + " of " +
                   (m.weekday_every == 1 ? std::string("every month")
                                         : "every " + std::to_string(m.weekday_every) + " months");
        }
        case RecurrenceKind::Yearly: {
            const YearlyRule& y = rule.yearly;
            if (y.variant == YearlyVariant::MonthDay)
                return "Every year on " + month(y.day_month) + " " + std::to_string(y.day);
            return "The " + Ordinal(y.ordinal, kYearlyLast) + " " + weekday(y.weekday) + " of " +
                   month(y.weekday_month) + " every year";
        }
        case RecurrenceKind::None:
            break;
    }
    return {};
}

void AppendCsvHead(std::string& out) {
    out += "\xEF\xBB\xBF";
    for (std::size_t i = 0; i < std::size(kHeader); ++i) AppendCell(out, kHeader[i], i == 0);
    out += "\r\n";
}

void AppendCsvRow(const CsvEvent& event, const LocaleNames& names, std::string& out) {
    const EventRecord& r = event.record;
    RecurrenceRule rule = EventRule([&](std::string_view name) { return r.Text(name); }, names);
    std::string cells[] = {r.Text("Subject"),       DateTimeCell(r, "Date"), DateTimeCell(r, "StartHour"),
                           DateTimeCell(r, "NextAlarm"), r.Text("Duration"),   r.Text("Type"),
                           r.Text("Priority"),      std::to_string(event.id), r.Text("Memo"),
                           r.Text("Sound"),         RuleInWords(rule, names)};
    for (std::size_t i = 0; i < std::size(cells); ++i) AppendCell(out, cells[i], i == 0);
    out += "\r\n";
}

std::string WriteEventsCsv(const std::vector<CsvEvent>& events, const LocaleNames& names) {
    std::string out;
    AppendCsvHead(out);
    for (const CsvEvent& event : events) AppendCsvRow(event, names, out);
    return out;
}

}  // namespace orbelle
