#include "exchange/ical_writer.h"

#include "base/alarm_time.h"
#include "base/error.h"
#include "exchange/event_mapping.h"
#include "exchange/ical_text.h"
#include "exchange/ical_time.h"
#include "exchange/rrule.h"
#include "store/event_rule.h"

namespace orbelle::ical {
namespace {

constexpr std::string_view kProductId = "-//Orbelle//Orbelle//EN";
constexpr std::string_view kFallbackZoneName = "Local";

// Fields that depend on the moment of import and so always travel.
constexpr std::string_view kAlwaysCarried[] = {"StartHour", "NextAlarm", "Accepttext"};

// What a reader gets back from text written as TEXT.
std::string AsReadBack(std::string_view text) { return UnescapeText(EscapeText(text), "\r\n"); }

std::optional<std::string> TextOf(const EventRecord& record, std::string_view name) {
    const FieldValue& value = record.values[EventFieldIndex(name)];
    if (std::holds_alternative<std::monostate>(value)) return std::nullopt;
    return record.Text(name);
}

// The lead before the start in whole seconds, as the program reckons it.
std::optional<std::int64_t> LeadSeconds(DateTime start, std::string_view remind) {
    try {
        return (ToMs(start) - ToMs(AlarmTime(start, remind))) / 1000;
    } catch (const Error&) {
        return std::nullopt;
    }
}

struct EventWriter {
    std::string& out;
    const std::string& zone_name;
    const std::string& stamp;
    const LocaleNames& names;

    void Line(std::string_view line) { AppendFolded(out, line); }

    void Write(const ExportedEvent& event) {
        const EventRecord& record = event.record;
        EventValues seen;  // what a reader will take from the standard properties
        DateTime start = record.DateTimeOf("Date");
        std::int64_t start_ms = ToMs(start);
        DateTime start_written = FromMs(start_ms - ((start_ms % 1000) + 1000) % 1000);
        seen.start = start_written;  // a reader in the same zone takes the wall-clock time as it is

        Line("BEGIN:VEVENT");
        Line("UID:" + EscapeText(event.uid));
        Line("DTSTAMP:" + stamp);
        Line("DTSTART;TZID=" + ParamValue(zone_name) + ":" + FormatDateTime(start_written));
        if (auto duration = AmountSeconds(record.Text("Duration"))) {
            Line("DURATION:" + FormatDuration(*duration));
            seen.duration_seconds = duration;
        }
        if (auto subject = TextOf(record, "Subject")) {
            Line("SUMMARY:" + EscapeText(*subject));
            seen.summary = AsReadBack(*subject);
        }
        if (auto memo = TextOf(record, "Memo")) {
            Line("DESCRIPTION:" + EscapeText(*memo));
            seen.description = AsReadBack(*memo);
        }
        if (auto type = TextOf(record, "Type")) {
            Line("CATEGORIES:" + EscapeText(*type));
            seen.categories.push_back(AsReadBack(*type));
        }
        if (int priority = PriorityNumber(record.Text("Priority")); priority != 0) {
            Line("PRIORITY:" + std::to_string(priority));
            seen.priority = priority;
        }
        if (EventRecurs([&](std::string_view name) { return record.Text(name); })) {
            RecurrenceRule rule = RuleFromFields([&](std::string_view name) { return record.Text(name); }, names);
            if (auto rrule = RruleOf(rule)) {
                Line("RRULE:" + *rrule);
                seen.rule = ReadRrule(*rrule, seen.start).rule;
            }
        }
        std::optional<std::int64_t> lead;
        if (record.Text("Accepttext") != "Y") lead = LeadSeconds(start, record.Text("Remind"));
        seen.alarm_lead_seconds = lead;

        WriteCarried(record, MapToRecord(seen, {}, start, names).record);

        if (lead) {
            Line("BEGIN:VALARM");
            Line("ACTION:DISPLAY");
            std::string subject = record.Text("Subject");
            Line("DESCRIPTION:" + EscapeText(subject.empty() ? "Reminder" : subject));  // an alarm must say something
            Line("TRIGGER:" + FormatDuration(-*lead));
            Line("END:VALARM");
        }
        Line("END:VEVENT");
    }

    // Every field the standard properties would not restore exactly, in one
    // compact line where the value has its column's own type (null included),
    // and as a typed property of its own otherwise.
    void WriteCarried(const EventRecord& record, const EventRecord& read_back) {
        std::string compact;
        for (std::size_t i = 0; i < kEventFields.size(); ++i) {
            if (i == kIdField) continue;
            bool always = false;
            for (std::string_view name : kAlwaysCarried) always = always || kEventFields[i].name == name;
            if (!always && record.values[i] == read_back.values[i]) continue;
            const FieldValue& value = record.values[i];
            if (auto item = CompactItem(i, value)) {
                compact += (compact.empty() ? "" : ";") + *item;
            } else if (auto text = std::get_if<std::string>(&value)) {
                Line(CarrierName(i) + ":" + CarriedText(*text));
            } else if (auto number = std::get_if<std::int64_t>(&value)) {
                Line(CarrierName(i) + ";VALUE=INTEGER:" + std::to_string(*number));
            } else {
                Line(CarrierName(i) + ";VALUE=FLOAT:" + ExactNumberText(std::get<double>(value)));
            }
        }
        if (!compact.empty()) Line(std::string(kCarriedFieldsProperty) + ":" + compact);
    }
};

}  // namespace

std::optional<std::string> CompactItem(std::size_t field, const FieldValue& value) {
    std::string name(kEventFields[field].name);
    if (std::holds_alternative<std::monostate>(value)) return name;
    switch (kEventFields[field].type) {
        case FieldType::Text:
        case FieldType::Memo:
            // A ";" travels in a property of its own: calendar servers escape
            // the list's separators, after which one in a value would split it.
            if (auto text = std::get_if<std::string>(&value); text && text->find(';') == std::string::npos)
                return name + "=" + CarriedText(*text);
            break;
        case FieldType::SmallInt:
            if (auto number = std::get_if<std::int64_t>(&value)) return name + "=" + std::to_string(*number);
            break;
        case FieldType::DateTime:
            if (auto days = std::get_if<double>(&value)) return name + "=" + ExactNumberText(*days);
            break;
        case FieldType::AutoInc:
            break;
    }
    return std::nullopt;
}

std::string CarriedText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '\\': out += "\\\\"; break;
            case ';': out += "\\;"; break;
            case ',': out += "\\,"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default: out += c;
        }
    }
    return out;
}

std::string UncarriedText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        char next = text[++i];
        out += next == 'n' ? '\n' : next == 'r' ? '\r' : next == 't' ? '\t' : next;
    }
    return out;
}

ICalendarPieces::ICalendarPieces(const ZoneRules& zone, DateTime now_utc, const LocaleNames& names)
    : zone_(zone), stamp_(FormatDateTime(now_utc) + "Z"), names_(names) {
    if (zone_.name.empty()) zone_.name = std::string(kFallbackZoneName);
}

void ICalendarPieces::Head(std::string& out) const {
    out += "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:" + std::string(kProductId) + "\r\nCALSCALE:GREGORIAN\r\n";
    out += VTimeZoneLines(zone_);
}

void ICalendarPieces::Event(const ExportedEvent& event, std::string& out) const {
    EventWriter{out, zone_.name, stamp_, names_}.Write(event);
}

void ICalendarPieces::Tail(std::string& out) { out += "END:VCALENDAR\r\n"; }

std::string WriteICalendar(const std::vector<ExportedEvent>& events, const ZoneRules& zone, DateTime now_utc,
                           const LocaleNames& names) {
    std::string out;
    out.reserve(events.size() * 512 + 4096);  // an event takes about 450 octets
    ICalendarPieces pieces(zone, now_utc, names);
    pieces.Head(out);
    for (const ExportedEvent& event : events) pieces.Event(event, out);
    ICalendarPieces::Tail(out);
    return out;
}

}  // namespace orbelle::ical
