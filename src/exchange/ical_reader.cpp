#include "exchange/ical_reader.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <map>
#include <span>
#include <type_traits>

#include "base/convert.h"
#include "base/occurrences.h"
#include "exchange/event_mapping.h"
#include "exchange/ical_text.h"
#include "exchange/ical_time.h"
#include "exchange/ical_writer.h"
#include "exchange/rrule.h"

namespace orbelle::ical {
namespace {
using namespace std::chrono;

struct Property {
    std::size_t line = 0;
    ContentLine content;
};

struct Component {
    std::string name;
    std::size_t line = 0;
    std::vector<Component> children;

    std::span<const Property> Properties() const { return {slots_.data(), used_}; }
    const Property* Find(std::string_view wanted) const {
        for (const Property& property : Properties())
            if (std::string_view(property.content.name) == wanted) return &property;
        return nullptr;
    }

    // Emptied for another component of its level, its properties' strings
    // kept for theirs: most lines are then parsed without an allocation.
    void Reuse(std::string new_name, std::size_t new_line) {
        name = std::move(new_name);
        line = new_line;
        children.clear();
        used_ = 0;
    }
    // The property's content is swapped with `content`, which takes the
    // strings of an earlier property in exchange.
    void Add(std::size_t at_line, ContentLine& content) {
        if (used_ == slots_.size()) slots_.emplace_back();
        Property& slot = slots_[used_++];
        slot.line = at_line;
        std::swap(slot.content, content);
    }

private:
    std::vector<Property> slots_;  // the first used_ are the component's
    std::size_t used_ = 0;
};

// Thrown inside the reader only, caught at its top: the file is refused.
struct Refusal {
    std::size_t line;
    std::string message;
};

[[noreturn]] void Refuse(std::size_t line, std::string message) { throw Refusal{line, std::move(message)}; }

std::string UpperName(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

bool IsComponentName(std::string_view name) {
    if (name.empty()) return false;
    for (char c : name)
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-')) return false;
    return true;
}

// The grammar of components: BEGIN and END in pairs, VCALENDAR outside,
// alarms in events and to-dos, observances in time zones, nothing deeper.
class ComponentBuilder {
public:
    // `take_child` sees each component of a calendar as it ends and may take
    // it over; what it leaves stays in the calendar for later.
    using ChildTaker = std::function<bool(Component&)>;
    ComponentBuilder(const ReadLimits& limits, ChildTaker take_child)
        : limits_(limits), take_child_(std::move(take_child)) {}

    // May swap `content` for the strings of an earlier line.
    void Take(std::size_t line, ContentLine& content) {
        const std::string_view name = content.name;
        if (name == "BEGIN") {
            Begin(line, UpperName(content.value));
        } else if (name == "END") {
            End(line, UpperName(content.value));
        } else {
            if (depth_ == 0) Refuse(line, "expected BEGIN:VCALENDAR");
            Open().Add(line, content);
        }
    }

    std::vector<Component> Finish(std::size_t last_line) {
        if (depth_ != 0) Refuse(last_line, "the file ends early: expected END:" + Open().name);
        if (calendars_.empty()) Refuse(last_line, "expected BEGIN:VCALENDAR");
        return std::move(calendars_);
    }

private:
    Component& Open() { return stack_[depth_ - 1]; }

    void Begin(std::size_t line, std::string name) {
        if (!IsComponentName(name)) Refuse(line, "expected a component name after BEGIN:");
        if (depth_ == 0 && name != "VCALENDAR") Refuse(line, "expected BEGIN:VCALENDAR");
        if (depth_ >= 1 && name == "VCALENDAR") Refuse(line, "expected END:" + Open().name + ", not a calendar inside a calendar");
        if (depth_ >= 3) Refuse(line, "components nested deeper than iCalendar allows");
        if (depth_ == 2) {
            const std::string& parent = Open().name;
            if ((parent == "VEVENT" || parent == "VTODO") && name != "VALARM")
                Refuse(line, "expected only VALARM inside " + parent);
            if (parent == "VTIMEZONE" && name != "STANDARD" && name != "DAYLIGHT")
                Refuse(line, "expected STANDARD or DAYLIGHT inside VTIMEZONE");
            if (parent == "VALARM" || parent == "STANDARD" || parent == "DAYLIGHT")
                Refuse(line, "expected no component inside " + parent);
        }
        if (name == "VEVENT" && ++events_ > limits_.max_events)
            Refuse(line, "more than " + std::to_string(limits_.max_events) + " events in one file");
        // Each level's component is made in the room its last one left.
        if (depth_ == stack_.size()) stack_.emplace_back();
        stack_[depth_++].Reuse(std::move(name), line);
    }

    void End(std::size_t line, const std::string& name) {
        if (depth_ == 0) Refuse(line, "expected BEGIN:VCALENDAR");
        if (Open().name != name) Refuse(line, "expected END:" + Open().name);
        Component& done = Open();
        --depth_;
        if (depth_ == 0) calendars_.push_back(std::move(done));
        else if (depth_ > 1 || !take_child_(done)) Open().children.push_back(std::move(done));
    }

    const ReadLimits& limits_;
    ChildTaker take_child_;
    std::vector<Component> stack_;  // the open components are the first depth_
    std::size_t depth_ = 0;
    std::vector<Component> calendars_;
    std::size_t events_ = 0;
};

// ---- time zones -------------------------------------------------------

struct Observance {
    bool daylight = false;
    int offset_to = 0;
    DateTime start;
    bool has_rule = false;
    bool has_end = false;  // an RRULE with UNTIL or COUNT: a past rule
    std::optional<ZoneChange> change;
};

// A zone of the file and whether its rules in force could be read.
struct FileZone {
    ZoneRules rules;
    bool readable = true;
};

constexpr int kDaysInMonth[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};  // February as in common years

// The numbered weekday (1 to 4, -1 the last) that a week of month days
// names with one weekday: "BYDAY=SU;BYMONTHDAY=8,9,10,11,12,13,14" is the
// second Sunday; 0 for any other set of days.
int OrdinalOfMonthDays(std::vector<int> days, int month_number) {
    std::sort(days.begin(), days.end());
    if (days.size() != 7 || days.back() - days.front() != 6) return 0;
    if (days.front() == 1 || days.front() == 8 || days.front() == 15 || days.front() == 22)
        return (days.front() - 1) / 7 + 1;
    if (days.front() == -7 || days.back() == kDaysInMonth[month_number - 1]) return -1;
    return 0;
}

// The yearly change an observance's RRULE names: a numbered weekday of a
// month ("BYDAY=2SU", "BYDAY=-1SU", "BYDAY=SU;BYSETPOS=2") or a weekday in a
// week of month days; nothing for any other rule.
std::optional<ZoneChange> ChangeOfRrule(std::string_view rrule, DateTime start, bool& has_end) {
    static constexpr std::string_view kCodes[] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};
    int month_number = 0, ordinal = 0, weekday_index = -1;
    std::optional<int> set_position;
    std::vector<int> month_days;
    bool unknown = false;
    std::size_t begin = 0;
    while (begin <= rrule.size()) {
        std::size_t end = rrule.find(';', begin);
        if (end == std::string_view::npos) end = rrule.size();
        std::string part = UpperName(rrule.substr(begin, end - begin));
        begin = end + 1;
        if (part.starts_with("UNTIL=") || part.starts_with("COUNT=")) has_end = true;
        if (part.starts_with("BYMONTH=")) month_number = ParseInt(part.substr(8)).value_or(0);
        if (part.starts_with("BYSETPOS=")) set_position = ParseInt(part.substr(9));
        if (part.starts_with("BYMONTHDAY=")) {
            std::string_view list = std::string_view(part).substr(11);
            for (std::size_t at = 0; at <= list.size();) {
                std::size_t comma = std::min(list.find(',', at), list.size());
                auto day = ParseInt(list.substr(at, comma - at));
                if (day) month_days.push_back(*day);
                else unknown = true;
                at = comma + 1;
            }
        }
        if (part.starts_with("BYDAY=") && part.size() >= 8) {
            std::string day = part.substr(6);
            for (int i = 0; i < 7; ++i)
                if (day.ends_with(kCodes[i])) weekday_index = i;
            std::string_view number = std::string_view(day).substr(0, day.size() - 2);
            if (number.starts_with('+')) number.remove_prefix(1);
            if (!number.empty()) ordinal = ParseInt(number).value_or(0);
            if (!number.empty() && ordinal == 0) unknown = true;
        }
    }
    if (unknown || month_number < 1 || month_number > 12 || weekday_index < 0) return std::nullopt;
    if (ordinal == 0 && set_position) ordinal = *set_position;
    else if (set_position) return std::nullopt;
    if (ordinal == 0 && !month_days.empty()) ordinal = OrdinalOfMonthDays(month_days, month_number);
    else if (!month_days.empty()) return std::nullopt;
    int week = ordinal == -1 ? 5 : ordinal;
    if (week < 1 || week > 5) return std::nullopt;
    TimeOfDay time = start.Time();
    return ZoneChange{month_number, week, weekday_index, time.hour * 60 + time.minute};
}

FileZone ZoneOfComponent(const Component& vtimezone) {
    FileZone file_zone;
    ZoneRules& zone = file_zone.rules;
    const Property* tzid = vtimezone.Find("TZID");
    if (!tzid) Refuse(vtimezone.line, "expected TZID in VTIMEZONE");
    zone.name = tzid->content.value;
    std::optional<Observance> latest[2];  // standard, daylight
    for (const Component& child : vtimezone.children) {
        Observance observance;
        observance.daylight = child.name == "DAYLIGHT";
        const Property* to = child.Find("TZOFFSETTO");
        std::optional<int> offset = to ? ParseUtcOffset(to->content.value) : std::nullopt;
        if (!offset) Refuse(to ? to->line : child.line, "expected TZOFFSETTO as +hhmm or -hhmm");
        observance.offset_to = *offset;
        const Property* start = child.Find("DTSTART");
        std::optional<ParsedDateTime> when = start ? ParseDateTime(start->content.value) : std::nullopt;
        if (!when) Refuse(start ? start->line : child.line, "expected DTSTART as YYYYMMDDTHHMMSS in " + child.name);
        observance.start = when->value;
        if (const Property* rrule = child.Find("RRULE")) {
            observance.has_rule = true;
            observance.change = ChangeOfRrule(rrule->content.value, observance.start, observance.has_end);
        }
        std::optional<Observance>& slot = latest[observance.daylight ? 1 : 0];
        // The rule in force today: an open rule over an ended one, then the latest.
        if (!slot || (slot->has_end && !observance.has_end) ||
            (slot->has_end == observance.has_end && slot->start < observance.start))
            slot = observance;
    }
    if (!latest[0] && !latest[1]) Refuse(vtimezone.line, "expected STANDARD or DAYLIGHT in VTIMEZONE");
    for (const std::optional<Observance>& in_force : latest)
        if (in_force && in_force->has_rule && !in_force->has_end && !in_force->change) file_zone.readable = false;
    const Observance& standard = latest[0] ? *latest[0] : *latest[1];
    zone.standard_offset = standard.offset_to;
    zone.daylight_offset = standard.offset_to;
    if (latest[0] && latest[1] && latest[0]->change && latest[1]->change && !latest[0]->has_end &&
        !latest[1]->has_end) {
        zone.daylight_offset = latest[1]->offset_to;
        zone.to_daylight = latest[1]->change;
        zone.to_standard = latest[0]->change;
    }
    return file_zone;
}

void AddNote(std::vector<std::string>& notes, std::string note) {
    if (std::find(notes.begin(), notes.end(), note) == notes.end()) notes.push_back(std::move(note));
}

// What a repeating event written in another zone becomes here, where the
// table keeps only the local wall-clock time of its start: the occurrences
// of the coming year (from `from`, the zone's wall clock) whose local time
// differs from the stored one; nothing when none does.
std::optional<std::string> ZoneFollowNote(const ZoneRules& zone, DateTime written_start, std::string_view rrule,
                                          const ZoneRules& local, DateTime from) {
    RruleReading reading = ReadRrule(rrule, written_start);
    if (!reading.rule) return std::nullopt;
    auto shift_at = [&](DateTime written) {
        return ToMs(local.ToLocal(zone.ToUtc(written))) - ToMs(written);
    };
    const std::int64_t stored_shift = shift_at(written_start);
    if (from < written_start) from = written_start;
    const std::int64_t until = ToMs(from) + 365 * 86'400'000LL;
    std::size_t differ = 0;
    std::int64_t least = 0, most = 0;
    for (auto at = FirstOccurrenceAtOrAfter(*reading.rule, written_start, from); at && ToMs(*at) < until;
         at = FirstOccurrenceAfter(*reading.rule, written_start, *at)) {
        std::int64_t gap = std::abs(shift_at(*at) - stored_shift);
        if (gap == 0) continue;
        least = differ == 0 ? gap : std::min(least, gap);
        most = std::max(most, gap);
        ++differ;
    }
    if (differ == 0) return std::nullopt;
    std::string amount = most == 3'600'000 && least == most ? "an hour" : AmountText(most / 1000);
    return "its time follows " + zone.name + "; " + std::to_string(differ) +
           (differ == 1 ? " occurrence a year differs" : " occurrences a year differ") + " here by " +
           (least == most ? "" : "up to ") + amount;
}

// ---- events -----------------------------------------------------------

struct EventReader {
    const std::map<std::string, FileZone>& zones;
    const ZoneRules& local;
    DateTime now;
    const LocaleNames& names;
    std::vector<ImportNote>& file_notes;
    std::function<void(ImportedEvent&)> give;
    // Lists of one event, kept with their room for the next.
    std::vector<CarriedField> carried_;
    std::vector<const Property*> rrules_;

    struct Moment {
        DateTime local;
        bool date_only = false;
        std::optional<ZoneRules> zone;  // the zone it was written in, when another than ours
        DateTime written;               // the wall-clock time in that zone
    };

    // The value in local time; unknown zones read as local time, with a note.
    Moment Resolve(const Property& property, std::vector<std::string>& notes) {
        std::optional<ParsedDateTime> parsed = ParseDateTime(property.content.value);
        if (!parsed) Refuse(property.line, "expected a date as YYYYMMDD or a date-time as YYYYMMDDTHHMMSS[Z] in " + property.content.name);
        if (parsed->date_only) return {parsed->value, true};
        if (parsed->utc) return {local.ToLocal(parsed->value), false, ZoneRules{.name = "UTC"}, parsed->value};
        std::string tzid = property.content.ParamOf("TZID").value_or("");
        if (tzid.empty() || tzid == local.name) return {parsed->value, false};
        const ZoneRules* zone = nullptr;
        std::optional<ZoneRules> known;
        auto known_zone = [&] { return KnownZone(tzid.starts_with("/") ? tzid.substr(1) : tzid); };
        if (auto found = zones.find(tzid); found != zones.end()) {
            zone = &found->second.rules;
            if (!found->second.readable) {
                if ((known = known_zone())) {
                    AddNote(notes, "time zone \"" + tzid + "\" of the file cannot be read: read with its known rules");
                    if (known->name == local.name) return {parsed->value, false};
                    zone = &*known;
                } else {
                    AddNote(notes, "time zone \"" + tzid + "\" of the file cannot be read: read without daylight saving time");
                }
            }
        } else if ((known = known_zone())) {
            if (known->name == local.name) return {parsed->value, false};
            zone = &*known;
        }
        if (!zone) {
            AddNote(notes, "time zone \"" + tzid + "\" is not described: read as local time");
            return {parsed->value, false};
        }
        return {local.ToLocal(zone->ToUtc(parsed->value)), false, *zone, parsed->value};
    }

    std::optional<std::int64_t> AlarmLead(const Component& event, DateTime start, std::optional<std::int64_t> duration,
                                          std::vector<std::string>& notes) {
        for (const Component& alarm : event.children) {
            const Property* trigger = alarm.Find("TRIGGER");
            if (!trigger) continue;
            if (trigger->content.ParamIs("VALUE", "DATE-TIME")) {
                Moment when = Resolve(*trigger, notes);
                return (ToMs(start) - ToMs(when.local)) / 1000;
            }
            auto offset = ParseDuration(trigger->content.value);
            if (!offset) Refuse(trigger->line, "expected a duration such as -PT15M in TRIGGER");
            if (trigger->content.ParamIs("RELATED", "END"))
                return -(duration.value_or(0) + *offset);
            return -*offset;
        }
        return std::nullopt;
    }

    // True when the file described, before the event, every zone it names
    // (but ours): a zone it describes later, even one of a known name, is
    // the file's, so such an event waits for the end of the file.
    bool ZonesDescribed(const Component& event) const {
        auto described = [&](const Component& component) {
            for (const Property& property : component.Properties()) {
                auto tzid = property.content.ParamOf("TZID");
                if (tzid && !tzid->empty() && *tzid != local.name && !zones.contains(*tzid)) return false;
            }
            return true;
        };
        if (!described(event)) return false;
        for (const Component& alarm : event.children)
            if (!described(alarm)) return false;
        return true;
    }

    void Read(const Component& event) {
        EventValues values;
        std::vector<std::string> notes;
        std::vector<CarriedField>& carried = carried_;
        carried.clear();
        std::string uid, subject;
        const Property *start = nullptr, *end = nullptr, *duration = nullptr;
        std::vector<const Property*>& rrules = rrules_;
        rrules.clear();
        bool single_change = false;
        std::string extra_dates;
        for (const Property& property : event.Properties()) {
            const ContentLine& c = property.content;
            // Compared as a view: its length first, the characters only when it matches.
            const std::string_view name = c.name;
            if (name == "DTSTART") start = &property;
            else if (name == "DTEND") end = &property;
            else if (name == "DURATION") duration = &property;
            else if (name == "RRULE") rrules.push_back(&property);
            else if (name == "EXDATE" || name == "RDATE") extra_dates = c.name;
            else if (name == "RECURRENCE-ID") single_change = true;
            else if (name == "UID") uid = UnescapeText(c.value);
            else if (name == "SUMMARY") values.summary = subject = UnescapeText(c.value, "\r\n");
            else if (name == "DESCRIPTION") values.description = UnescapeText(c.value, "\r\n");
            else if (name == "CATEGORIES") {
                for (std::string& item : SplitTextList(c.value)) values.categories.push_back(std::move(item));
            } else if (name == "PRIORITY") {
                auto priority = ParseInt(c.value);
                if (!priority || *priority < 0 || *priority > 9) Refuse(property.line, "expected PRIORITY as 0 to 9");
                values.priority = *priority;
            } else if (name == kCarriedFieldsProperty) {
                ReadCompactFields(property, carried);
            } else if (auto field = CarriedFieldOf(name)) {
                carried.push_back({*field, CarriedValue(property)});
            }
        }
        if (single_change) {
            file_notes.push_back({event.line, subject, "a change to one occurrence of a series", true});
            return;
        }
        if (!start) {
            file_notes.push_back({event.line, subject, "no start (DTSTART)", true});
            return;
        }
        Moment begin = Resolve(*start, notes);
        values.start = begin.local;
        values.all_day = begin.date_only;
        if (duration) {
            auto seconds = ParseDuration(duration->content.value);
            if (!seconds) Refuse(duration->line, "expected a duration such as PT1H in DURATION");
            values.duration_seconds = *seconds;
            if (carried.empty() && end) notes.push_back("DTEND and DURATION together: DURATION used");
            if (carried.empty() && *seconds < 0) notes.push_back("the duration is negative: set to 0 minutes");
        } else if (end) {
            Moment finish = Resolve(*end, notes);
            std::int64_t seconds = (ToMs(finish.local) - ToMs(begin.local)) / 1000;
            if (carried.empty() && seconds < 0) notes.push_back("the end comes before the start: duration set to 0 minutes");
            values.duration_seconds = std::max<std::int64_t>(0, seconds);
        }
        values.alarm_lead_seconds = AlarmLead(event, values.start, values.duration_seconds, notes);

        if (rrules.size() > 1) {
            values.simplified = "several RRULEs";
        } else if (rrules.size() == 1) {
            RruleReading reading = ReadRrule(rrules[0]->content.value, values.start);
            if (!reading.well_formed) Refuse(rrules[0]->line, "expected " + reading.expected);
            if (reading.rule) values.rule = reading.rule;
            else values.simplified = reading.unmappable;
        }
        if (!extra_dates.empty() && (values.rule || extra_dates == "RDATE")) {
            values.rule.reset();
            values.simplified = "the repeats have " + extra_dates;
        }
        // The table holds no zone: the repeats keep the local time of the start.
        if (values.rule && begin.zone && carried.empty()) {
            DateTime from = begin.zone->ToLocal(local.ToUtc(now));
            if (auto note = ZoneFollowNote(*begin.zone, begin.written, rrules[0]->content.value, local, from))
                notes.push_back(std::move(*note));
        }
        MappedEvent mapped = MapToRecord(values, carried, now, names);
        for (std::string& note : mapped.notes) notes.push_back(std::move(note));
        for (std::string& note : notes) file_notes.push_back({event.line, subject, std::move(note), false});
        ImportedEvent read{{std::move(uid), std::move(mapped.record)}, event.line};
        give(read);
    }

    // "Name=value;Name": split at the semicolons the writer did not escape.
    void ReadCompactFields(const Property& property, std::vector<CarriedField>& carried) {
        std::string_view text = property.content.value;
        std::string unescaped;
        // A calendar server that keeps the list as plain text escapes our
        // separators ("Remind=2 hours\;Accepttext=Y"): with no bare one
        // left, they are read as separators: the list's values never hold a
        // ";" (see CompactItem).
        if (text.find("\\;") != std::string_view::npos && !HasBareSeparator(text)) {
            unescaped = WithSeparatorsUnescaped(text);
            text = unescaped;
        }
        std::size_t begin = 0;
        for (std::size_t i = 0; i <= text.size(); ++i) {
            if (i < text.size() && text[i] == '\\') {
                ++i;
                continue;
            }
            if (i < text.size() && text[i] != ';') continue;
            std::string_view item = std::string_view(text).substr(begin, i - begin);
            begin = i + 1;
            std::size_t equals = item.find('=');
            auto field = FindEventField(item.substr(0, equals));
            if (!field || *field == kIdField) continue;  // a field of a later program
            if (equals == std::string_view::npos) {
                carried.push_back({*field, std::monostate{}});
                continue;
            }
            std::string value = UncarriedText(item.substr(equals + 1));
            FieldValue typed;
            switch (kEventFields[*field].type) {
                case FieldType::SmallInt: typed = Number<std::int64_t>(property, value); break;
                case FieldType::DateTime: typed = Number<double>(property, value); break;
                default: typed = std::move(value);
            }
            carried.push_back({*field, std::move(typed)});
        }
    }

    // "\;" as ";", every other escape kept for the values' own reading.
    static std::string WithSeparatorsUnescaped(std::string_view text) {
        std::string out;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\\' && i + 1 < text.size()) {
                if (text[i + 1] != ';') out += text[i];
                out += text[++i];
            } else {
                out += text[i];
            }
        }
        return out;
    }

    static bool HasBareSeparator(std::string_view text) {
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\\') ++i;
            else if (text[i] == ';') return true;
        }
        return false;
    }

    template <typename T>
    static T Number(const Property& property, const std::string& text) {
        char* stop = nullptr;
        T number;
        if constexpr (std::is_same_v<T, double>) number = std::strtod(text.c_str(), &stop);
        else number = std::strtoll(text.c_str(), &stop, 10);
        bool bad = text.empty() || *stop != '\0';
        // A date-time outside the years 1 to 9999 is no date the program can show.
        if constexpr (std::is_same_v<T, double>) bad = bad || !(number >= -693594.0 && number < 2958466.0);
        if (bad) Refuse(property.line, "expected a number in " + property.content.name);
        return number;
    }

    FieldValue CarriedValue(const Property& property) {
        const std::string& text = property.content.value;
        if (property.content.ParamIs("VALUE", "INTEGER")) return Number<std::int64_t>(property, text);
        if (property.content.ParamIs("VALUE", "FLOAT")) return Number<double>(property, text);
        return UncarriedText(text);
    }
};

}  // namespace

struct PieceReader::State {
    State(const ZoneRules& local, DateTime now_local, const LocaleNames& names, EventTaker take_event,
          const ReadLimits& read_limits)
        : limits(read_limits),
          take(std::move(take_event)),
          reader{zones, local, now_local, names, notes, [this](ImportedEvent& event) { Give(event); }},
          builder(limits, [this](Component& child) { return TakeChild(child); }) {}

    // Each event is read as soon as it ends, so that a large file is never
    // held whole as components; one that names a zone not yet described
    // waits for the end of the file.
    bool TakeChild(Component& child) {
        if (child.name == "VTIMEZONE") {
            FileZone zone = ZoneOfComponent(child);
            zones[zone.rules.name] = std::move(zone);
            return true;
        }
        if (child.name == "VEVENT") {
            if (!reader.ZonesDescribed(child)) {
                holding = true;
                return false;
            }
            reader.Read(child);
            return true;
        }
        if (child.name == "VTODO" || child.name == "VJOURNAL")
            notes.push_back({child.line, "", child.name == "VTODO" ? "a to-do, not an event" : "a journal entry, not an event",
                             true});
        return true;
    }

    void Give(ImportedEvent& event) {
        if (holding) held.push_back(std::move(event));
        else take(event);
    }

    // Whole lines of the piece are read from it in place; only a line that
    // runs on into the next piece is copied.
    void Lines(std::string_view piece) {
        std::size_t at = 0;
        if (!pending.empty()) {
            std::size_t end = piece.find('\n');
            if (end == std::string_view::npos) {
                pending.append(piece);
                return;
            }
            pending.append(piece.substr(0, end));
            PhysicalLine(pending);
            pending.clear();
            at = end + 1;
        }
        while (at < piece.size()) {
            std::size_t end = piece.find('\n', at);
            if (end == std::string_view::npos) {
                pending.assign(piece.substr(at));
                return;
            }
            PhysicalLine(piece.substr(at, end - at));
            at = end + 1;
        }
    }

    void PhysicalLine(std::string_view line) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) return;
        if (line.front() == ' ' || line.front() == '\t') {
            if (logical_line == 0) Refuse(number, "expected a content line, not a folded continuation");
            line.remove_prefix(1);
        } else {
            LogicalLine();
            logical_line = number;
        }
        if (logical.size() + line.size() > limits.max_line_bytes)
            Refuse(logical_line, "a line longer than " + std::to_string(limits.max_line_bytes >> 20) + " MB");
        logical.append(line);
    }

    // The unfolded line gathered so far, now complete.
    void LogicalLine() {
        if (logical_line == 0) return;
        if (!IsValidUtf8(logical)) Refuse(logical_line, "expected text in UTF-8");
        if (const char* expected = ParseContentLine(logical, parsed))
            Refuse(logical_line, "expected " + std::string(expected));
        builder.Take(logical_line, parsed);
        logical.clear();
        logical_line = 0;
    }

    void End() {
        if (!started) Start();
        if (!pending.empty()) PhysicalLine(pending);
        pending.clear();
        LogicalLine();
        for (const Component& calendar : builder.Finish(number))
            for (const Component& child : calendar.children) reader.Read(child);
        // Events that waited for their zones take their places in the file again.
        auto by_line = [](const auto& a, const auto& b) { return a.line < b.line; };
        std::stable_sort(held.begin(), held.end(), by_line);
        for (ImportedEvent& event : held) take(event);
        held.clear();
        std::stable_sort(notes.begin(), notes.end(), by_line);
    }

    // The byte order mark, when the text begins with one, is no part of it.
    void Start() {
        started = true;
        if (std::string_view(pending).starts_with(kByteOrderMark)) pending.erase(0, kByteOrderMark.size());
        std::string head = std::move(pending);
        pending.clear();
        Lines(head);
    }

    void Fail(const Refusal& refusal) {
        held.clear();
        notes.clear();
        failure = ReadFailure{refusal.line, refusal.message};
    }

    static constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

    const ReadLimits limits;
    EventTaker take;
    std::map<std::string, FileZone> zones;
    std::vector<ImportNote> notes;
    EventReader reader;
    ComponentBuilder builder;
    std::vector<ImportedEvent> held;  // read after one that waits, for the order
    bool holding = false;
    std::optional<ReadFailure> failure;

    bool started = false;  // the byte order mark is passed
    std::size_t fed = 0;
    std::string pending;  // the start of a line whose end is in a later piece
    std::string logical;  // the unfolded line so far
    ContentLine parsed;   // its parts, in strings that earlier lines left
    std::size_t logical_line = 0, number = 0;
};

PieceReader::PieceReader(const ZoneRules& local, DateTime now_local, const LocaleNames& names, EventTaker take,
                         const ReadLimits& limits)
    : state_(std::make_unique<State>(local, now_local, names, std::move(take), limits)) {}

PieceReader::~PieceReader() = default;

bool PieceReader::Feed(std::string_view piece) {
    State& s = *state_;
    if (s.failure) return false;
    try {
        s.fed += piece.size();
        if (s.fed > s.limits.max_file_bytes)
            Refuse(0, "the file is larger than " + std::to_string(s.limits.max_file_bytes >> 20) + " MB");
        if (!s.started) {
            // The mark may come in more than one piece.
            std::size_t missing = State::kByteOrderMark.size() - std::min(s.pending.size(), State::kByteOrderMark.size());
            s.pending.append(piece.substr(0, std::min(missing, piece.size())));
            piece.remove_prefix(std::min(missing, piece.size()));
            if (s.pending.size() < State::kByteOrderMark.size()) return true;
            s.Start();
        }
        s.Lines(piece);
    } catch (const Refusal& refusal) {
        s.Fail(refusal);
    }
    return !s.failure;
}

bool PieceReader::Finish() {
    State& s = *state_;
    if (s.failure) return false;
    try {
        s.End();
    } catch (const Refusal& refusal) {
        s.Fail(refusal);
    }
    return !s.failure;
}

const std::optional<ReadFailure>& PieceReader::Failure() const { return state_->failure; }

std::vector<ImportNote> PieceReader::TakeNotes() { return std::move(state_->notes); }

CalendarReading ReadICalendar(std::string_view text, const ZoneRules& local, DateTime now_local,
                              const LocaleNames& names, const ReadLimits& limits) {
    CalendarReading reading;
    if (text.size() > limits.max_file_bytes) {
        reading.failure = ReadFailure{0, "the file is larger than " + std::to_string(limits.max_file_bytes >> 20) + " MB"};
        return reading;
    }
    // Room for every event at once: records of a kilobyte and more are then
    // never moved as the list grows.
    std::size_t begins = 0;
    for (std::size_t at = text.find("BEGIN:VEVENT"); at != std::string_view::npos; at = text.find("BEGIN:VEVENT", at + 1))
        ++begins;
    reading.events.reserve(std::min(begins, limits.max_events));
    PieceReader reader(
        local, now_local, names, [&](ImportedEvent& event) { reading.events.push_back(std::move(event)); }, limits);
    if (reader.Feed(text) && reader.Finish()) {
        reading.notes = reader.TakeNotes();
    } else {
        reading.events.clear();
        reading.failure = reader.Failure();
    }
    return reading;
}

}  // namespace orbelle::ical
