#include "sync/sync_item.h"

#include <algorithm>

#include "base/alarm_time.h"
#include "base/error.h"
#include "base/occurrences.h"
#include "base/text.h"
#include "exchange/event_mapping.h"
#include "exchange/ical_reader.h"
#include "exchange/ical_text.h"
#include "exchange/ical_time.h"
#include "exchange/ical_writer.h"
#include "store/event_rule.h"
#include "sync/item_tree.h"

namespace orbelle::sync {
namespace {

// Fields the editor recomputes at each save from the others.
constexpr std::size_t kDerivedFields[] = {EventField("StartHour"), EventField("NextAlarm")};

// Properties of an event that our record holds exactly; the rest would be
// lost by writing the item anew from the record.
constexpr std::string_view kHeldProperties[] = {"UID",     "DTSTAMP",     "CREATED",    "LAST-MODIFIED", "SEQUENCE",
                                                "DTSTART", "DTEND",       "DURATION",   "SUMMARY",       "DESCRIPTION",
                                                "CATEGORIES", "PRIORITY", "RRULE",      "X-MOZ-LASTACK"};
constexpr std::string_view kHeldAlarmProperties[] = {"ACTION", "DESCRIPTION", "TRIGGER", "ACKNOWLEDGED"};
// What MergeIntoOriginal takes from our text.
constexpr std::string_view kMergedProperties[] = {"DTSTAMP", "DTSTART",    "DTEND",   "DURATION",
                                                  "SUMMARY", "DESCRIPTION", "CATEGORIES", "PRIORITY"};
constexpr std::string_view kOurPrefix = "X-ORBELLE-";

bool OneOf(std::string_view name, const auto& names) {
    return std::find(std::begin(names), std::end(names), name) != std::end(names);
}

std::string ValueOf(const TreeLine& line) {
    std::size_t colon = line.text.find(':');
    return colon == std::string::npos ? std::string() : line.text.substr(colon + 1);
}

void SetProperty(Tree& tree, std::string_view name, const std::string& value) {
    std::string text = std::string(name) + ":" + value;
    for (TreeLine& line : tree.properties) {
        if (line.name == name) {
            line.text = text;
            return;
        }
    }
    tree.properties.push_back({std::string(name), text});
}

bool IsDerived(std::string_view field_name) {
    for (std::size_t field : kDerivedFields)
        if (SameFieldName(kEventFields[field].name, field_name)) return true;
    return false;
}

// The derived fields out of our carried properties: each in the compact
// list, or a property of its own when its value had another type.
void DropDerived(Tree& event) {
    std::vector<TreeLine> kept;
    for (TreeLine& line : event.properties) {
        bool own_property = false;
        for (std::size_t field : kDerivedFields) own_property = own_property || line.name == ical::CarrierName(field);
        if (own_property) continue;
        if (line.name == ical::kCarriedFieldsProperty) {
            std::string value = ValueOf(line), items;
            std::size_t begin = 0;
            for (std::size_t i = 0; i <= value.size(); ++i) {
                if (i < value.size() && value[i] == '\\') {
                    ++i;
                    continue;
                }
                if (i < value.size() && value[i] != ';') continue;
                std::string_view item = std::string_view(value).substr(begin, i - begin);
                begin = i + 1;
                if (IsDerived(item.substr(0, item.find('=')))) continue;
                items += (items.empty() ? "" : ";") + std::string(item);
            }
            if (items.empty()) continue;
            line.text = std::string(ical::kCarriedFieldsProperty) + ":" + items;
        }
        kept.push_back(std::move(line));
    }
    event.properties = std::move(kept);
}

void AddReason(std::vector<std::string>& reasons, std::string reason) {
    if (std::find(reasons.begin(), reasons.end(), reason) == reasons.end()) reasons.push_back(std::move(reason));
}

// What writing the item anew from our record would lose.
void CheckHeld(Tree& top, const EventRecord& record, std::vector<std::string>& reasons) {
    for (Tree* calendar : top.All("VCALENDAR"))
        for (const Tree& child : calendar->children)
            if (child.name != "VEVENT" && child.name != "VTIMEZONE") AddReason(reasons, "it holds a " + child.name);
    for (Tree* event : top.All("VEVENT")) {
        if (event->Find("RECURRENCE-ID")) {
            AddReason(reasons, "one of its occurrences is changed");
            continue;
        }
        std::size_t rules = 0;
        for (const TreeLine& line : event->properties) {
            if (line.name == "RRULE") ++rules;
            if (line.name.starts_with(kOurPrefix) || OneOf(line.name, kHeldProperties)) continue;
            AddReason(reasons, "it has " + line.name);
        }
        if (rules > 1 || (rules == 1 && record.Text("Repleat") != "Y")) AddReason(reasons, "its rule cannot be shown in full");
        if (const TreeLine* start = event->Find("DTSTART")) {
            auto parsed = ical::ParseContentLine(start->text);
            if (parsed.line && (parsed.line->ParamIs("VALUE", "DATE") || parsed.line->value.size() == 8))
                AddReason(reasons, "it lasts all day");
        }
        if (const TreeLine* categories = event->Find("CATEGORIES")) {
            for (const std::string& category : ical::SplitTextList(ValueOf(*categories)))
                if (!SameIgnoringAsciiCase(category, record.Text("Type"))) AddReason(reasons, "it has other categories");
        }
        if (const TreeLine* priority = event->Find("PRIORITY")) {
            if (std::to_string(ical::PriorityNumber(record.Text("Priority"))) != ValueOf(*priority))
                AddReason(reasons, "its priority is finer than ours");
        }
        std::size_t alarms = 0;
        for (const Tree& alarm : event->children) {
            ++alarms;
            for (const TreeLine& line : alarm.properties)
                if (!OneOf(line.name, kHeldAlarmProperties)) AddReason(reasons, "its alarm has " + line.name);
            const TreeLine* action = alarm.Find("ACTION");
            if (!action || !SameIgnoringAsciiCase(ValueOf(*action), "DISPLAY"))
                AddReason(reasons, "its alarm does more than show a message");
        }
        if (alarms > 1) AddReason(reasons, "it has several alarms");
    }
}

std::optional<DateTime> Later(std::optional<DateTime> known, const TreeLine* line) {
    if (!line) return known;
    auto parsed = ical::ParseDateTime(ValueOf(*line));
    if (!parsed) return known;
    if (!known || *known < parsed->value) return parsed->value;
    return known;
}

bool Merged(const TreeLine& line, bool our_rule) {
    return OneOf(line.name, kMergedProperties) || line.name.starts_with(kOurPrefix) || (our_rule && line.name == "RRULE");
}

Tree* MasterEvent(Tree& top) {
    for (Tree* event : top.All("VEVENT"))
        if (!event->Find("RECURRENCE-ID")) return event;
    return nullptr;
}

// Our zone's description beside theirs, when our start names it and they lack it.
void AddOurZone(Tree& theirs, Tree& ours, const Tree& our_event) {
    const TreeLine* start = our_event.Find("DTSTART");
    auto parsed = start ? ical::ParseContentLine(start->text) : ical::ParsedLine{};
    if (!parsed.line) return;
    auto tzid = parsed.line->ParamOf("TZID");
    std::vector<Tree*> calendars = theirs.All("VCALENDAR");
    if (!tzid || calendars.empty()) return;
    auto named = [&](Tree* zone) {
        const TreeLine* id = zone->Find("TZID");
        return id && ValueOf(*id) == *tzid;
    };
    for (Tree* zone : theirs.All("VTIMEZONE"))
        if (named(zone)) return;
    for (Tree* zone : ours.All("VTIMEZONE"))
        if (named(zone)) calendars.front()->children.insert(calendars.front()->children.begin(), *zone);
}

}  // namespace

std::string ItemText(const std::string& uid, const EventRecord& record, const ZoneRules& zone, DateTime now_utc,
                     const LocaleNames& names) {
    ical::ICalendarPieces pieces(zone, now_utc, names);
    std::string text;
    pieces.Head(text);
    pieces.Event({uid, record}, text);
    ical::ICalendarPieces::Tail(text);
    Tree tree = ParseTree(text);
    for (Tree* event : tree.All("VEVENT")) DropDerived(*event);
    return WriteTree(tree);
}

std::optional<ItemReading> ReadItem(std::string_view text, const ZoneRules& local, DateTime now_local,
                                    const LocaleNames& names, std::string& refusal) {
    ical::CalendarReading reading = ical::ReadICalendar(text, local, now_local, names);
    if (reading.failure) {
        refusal = "its calendar data cannot be read";
        if (reading.failure->line) refusal += " (line " + std::to_string(reading.failure->line) + ")";
        refusal += ": " + reading.failure->message;
        return std::nullopt;
    }
    if (reading.events.size() > 1) {
        refusal = "it holds several events";
        return std::nullopt;
    }
    if (reading.events.empty()) {
        refusal = "it holds no event";
        for (const ical::ImportNote& note : reading.notes)
            if (note.skipped) refusal = "it holds no event we can store: " + note.reason;
        return std::nullopt;
    }
    ItemReading item;
    item.event = std::move(reading.events.front());
    std::vector<std::string> reasons;
    for (const ical::ImportNote& note : reading.notes) AddReason(reasons, note.reason);
    Tree tree = ParseTree(text);
    CheckHeld(tree, item.event.record, reasons);
    for (const std::string& reason : reasons)
        item.why_not_exact += (item.why_not_exact.empty() ? "" : "; ") + reason;
    item.exact = reasons.empty();
    for (Tree* event : tree.All("VEVENT")) {
        item.acknowledged_utc = Later(item.acknowledged_utc, event->Find("X-MOZ-LASTACK"));
        for (const Tree& alarm : event->children) item.acknowledged_utc = Later(item.acknowledged_utc, alarm.Find("ACKNOWLEDGED"));
    }
    return item;
}

std::string MergeIntoOriginal(std::string_view original, std::string_view ours) {
    Tree theirs = ParseTree(original), mine = ParseTree(ours);
    Tree* master = MasterEvent(theirs);
    Tree* our_event = MasterEvent(mine);
    if (!master || !our_event) return std::string(ours);
    bool our_rule = our_event->Find("RRULE") != nullptr;
    std::vector<TreeLine> taken;
    for (const TreeLine& line : our_event->properties)
        if (Merged(line, our_rule)) taken.push_back(line);
    std::vector<TreeLine> properties;
    bool placed = false;
    for (TreeLine& line : master->properties) {
        if (!Merged(line, our_rule)) {
            properties.push_back(std::move(line));
        } else if (!placed) {
            properties.insert(properties.end(), taken.begin(), taken.end());
            placed = true;
        }
    }
    if (!placed) properties.insert(properties.end(), taken.begin(), taken.end());
    master->properties = std::move(properties);

    // The lead is the trigger of the first alarm: the one a reader takes.
    const Tree* our_alarm = nullptr;
    for (const Tree& alarm : our_event->children)
        if (alarm.Find("TRIGGER") && !our_alarm) our_alarm = &alarm;
    if (our_alarm) {
        auto first = std::find_if(master->children.begin(), master->children.end(),
                                  [](const Tree& alarm) { return alarm.Find("TRIGGER") != nullptr; });
        if (first == master->children.end()) {
            master->children.push_back(*our_alarm);
        } else {
            for (TreeLine& line : first->properties)
                if (line.name == "TRIGGER") line = *our_alarm->Find("TRIGGER");
        }
    }
    AddOurZone(theirs, mine, *our_event);
    std::string merged = WriteTree(theirs);
    // A dismissal here is ours to tell, on their alarms too.
    if (const TreeLine* ack = our_event->Find("X-MOZ-LASTACK")) {
        if (auto parsed = ical::ParseDateTime(ValueOf(*ack)); parsed && parsed->utc)
            return WithAcknowledgement(merged, parsed->value);
    }
    return merged;
}

std::string WithAcknowledgedAlarm(std::string_view text, std::int64_t lead_seconds, const std::string& description,
                                  DateTime ack_utc) {
    Tree tree = ParseTree(text);
    for (Tree* event : tree.All("VEVENT")) {
        if (!event->All("VALARM").empty()) continue;
        Tree alarm{.name = "VALARM"};
        SetProperty(alarm, "ACTION", "DISPLAY");
        SetProperty(alarm, "DESCRIPTION", ical::EscapeText(description.empty() ? "Reminder" : description));
        SetProperty(alarm, "TRIGGER", ical::FormatDuration(-lead_seconds));
        event->children.push_back(std::move(alarm));
    }
    return WithAcknowledgement(WriteTree(tree), ack_utc);
}

bool RecordRecurs(const EventRecord& record) {
    return EventRecurs([&](std::string_view field) { return record.Text(field); });
}

std::optional<DateTime> AlarmOfOccurrence(const EventRecord& record, DateTime occurrence) {
    try {
        return AlarmTime(occurrence, record.Text("Remind"));
    } catch (const Error&) {
        return std::nullopt;
    }
}

std::optional<DateTime> AcknowledgedOccurrence(const EventRecord& record, DateTime acknowledged,
                                               const LocaleNames& names) {
    if (!RecordRecurs(record)) return std::nullopt;
    const std::optional<DateTime> alarm_at_acknowledgement = AlarmOfOccurrence(record, acknowledged);
    if (!alarm_at_acknowledgement) return std::nullopt;
    const RecurrenceRule rule = EventRule([&](std::string_view field) { return record.Text(field); }, names);
    const DateTime start = record.DateTimeOf("Date");
    // The occurrence whose alarm rang at the acknowledgement lies the lead
    // after it; a second more, as the search looks strictly before.
    const double lead = acknowledged.Days() - alarm_at_acknowledgement->Days();
    std::optional<DateTime> occurrence = LastOccurrenceBefore(rule, start, DateTime(acknowledged.Days() + lead + 1.0 / 86'400));
    for (int step = 0; occurrence && step < 3; ++step) {
        const std::optional<DateTime> alarm = AlarmOfOccurrence(record, *occurrence);
        if (alarm && *alarm <= acknowledged) return occurrence;
        occurrence = LastOccurrenceBefore(rule, start, *occurrence);
    }
    return std::nullopt;
}

std::string WithAcknowledgement(std::string_view text, DateTime ack_utc) {
    std::string stamp = ical::FormatDateTime(ack_utc) + "Z";
    Tree tree = ParseTree(text);
    for (Tree* event : tree.All("VEVENT")) {
        SetProperty(*event, "X-MOZ-LASTACK", stamp);
        for (Tree& alarm : event->children)
            if (alarm.name == "VALARM") SetProperty(alarm, "ACKNOWLEDGED", stamp);
    }
    return WriteTree(tree);
}

}  // namespace orbelle::sync
