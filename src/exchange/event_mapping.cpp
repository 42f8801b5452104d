#include "exchange/event_mapping.h"

#include "base/alarm_time.h"
#include "base/amount_text.h"
#include "base/error.h"
#include "base/occurrences.h"
#include "base/text.h"
#include "exchange/ical_time.h"
#include "store/event_rule.h"

namespace orbelle::ical {
namespace {

constexpr std::string_view kEventTypes[] = {"Alarm",   "Anniversary", "Appointment", "Birthday",
                                            "Phone Call", "Holiday", "Internet",   "Meeting",
                                            "Payment", "Travel",      "TV Program"};
constexpr std::string_view kPriorityWords[] = {"Highest", "High", "Normal", "Low", "Lowest"};
constexpr std::string_view kCarrierPrefix = "X-ORBELLE-";

// The alarm time of the occurrence, as the editor computes it from the lead
// text; the occurrence itself where the text gives no date.
DateTime AlarmOf(DateTime occurrence, std::string_view remind) {
    try {
        return AlarmTime(occurrence, remind);
    } catch (const Error&) {
        return occurrence;
    }
}

}  // namespace

std::string AmountText(std::int64_t seconds) {
    std::int64_t minutes = seconds / 60;
    if (minutes < 0) minutes = 0;
    auto amount = [](std::int64_t count, const char* unit) {
        return std::to_string(count) + " " + unit + (count == 1 ? "" : "s");
    };
    if (minutes > 0 && minutes % (7 * 1440) == 0) return amount(minutes / (7 * 1440), "week");
    if (minutes > 0 && minutes % 1440 == 0) return amount(minutes / 1440, "day");
    if (minutes > 0 && minutes % 60 == 0) return amount(minutes / 60, "hour");
    return amount(minutes, "minute");
}

std::optional<std::int64_t> AmountSeconds(std::string_view text) {
    AmountTextFix fix = NormaliseAmountText(text);
    if (fix.action == AmountTextFix::Action::SelectFirstItem) return std::nullopt;
    std::string_view normal = fix.text;
    std::size_t blank = normal.find(' ');
    if (blank == std::string_view::npos) return std::nullopt;
    std::string_view count_text = normal.substr(0, blank), unit = normal.substr(blank + 1);
    std::int64_t count = 0;
    for (char c : count_text) {
        if (c < '0' || c > '9' || count > 100'000'000) return std::nullopt;
        count = count * 10 + (c - '0');
    }
    if (unit.starts_with("minute")) return count * 60;
    if (unit.starts_with("hour")) return count * 3600;
    if (unit.starts_with("day")) return count * 86400;
    if (unit.starts_with("week")) return count * 7 * 86400;
    return std::nullopt;
}

std::string PriorityWord(int priority) {
    if (priority == 0) return "Normal";  // undefined: the middle, not the editor's "Highest"
    if (priority <= 2) return "Highest";
    if (priority <= 4) return "High";
    if (priority == 5) return "Normal";
    if (priority <= 7) return "Low";
    return "Lowest";
}

int PriorityNumber(std::string_view word) {
    for (std::size_t i = 0; i < std::size(kPriorityWords); ++i)
        if (word == kPriorityWords[i]) return static_cast<int>(i) * 2 + 1;
    return 0;
}

std::optional<std::string> EventTypeOf(const std::vector<std::string>& categories) {
    for (const std::string& category : categories)
        for (std::string_view type : kEventTypes)
            if (SameIgnoringAsciiCase(category, type)) return std::string(type);
    return std::nullopt;
}

std::string CarrierName(std::size_t field) {
    std::string name(kCarrierPrefix);
    for (char c : kEventFields[field].name) {
        if (c == '_') name += '-';
        else if (c >= 'a' && c <= 'z') name += static_cast<char>(c - 'a' + 'A');
        else name += c;
    }
    return name;
}

std::optional<std::size_t> CarriedFieldOf(std::string_view property_name) {
    if (property_name.size() <= kCarrierPrefix.size() || !property_name.starts_with(kCarrierPrefix))
        return std::nullopt;
    std::string field(property_name.substr(kCarrierPrefix.size()));
    for (char& c : field)
        if (c == '-') c = '_';
    auto index = FindEventField(field);
    if (!index || *index == kIdField) return std::nullopt;
    return index;
}

MappedEvent MapToRecord(const EventValues& event, const std::vector<CarriedField>& carried, DateTime now,
                        const LocaleNames& names) {
    MappedEvent mapped;
    EventRecord& record = mapped.record;
    std::string subject = event.summary.value_or("");
    record.SetText("Subject", subject.empty() ? "(no subject)" : subject);
    record.SetText("Priority", PriorityWord(event.priority));
    record.SetText("Memo", event.description.value_or(""));
    auto type = EventTypeOf(event.categories);
    record.SetText("Type", type.value_or(std::string(kEventTypes[0])));
    if (!type && !event.categories.empty() && carried.empty())
        mapped.notes.push_back("category \"" + event.categories.front() + "\" is no event type: stored as Alarm");

    std::int64_t lead = event.alarm_lead_seconds.value_or(0);
    if (lead < 0) {
        if (carried.empty()) mapped.notes.push_back("the alarm comes after the start: set at the start");
        lead = 0;
    }
    std::string remind = AmountText(lead);
    record.SetText("Remind", remind);
    std::int64_t duration = event.duration_seconds.value_or(event.all_day ? 86400 : 0);
    record.SetText("Duration", AmountText(duration));
    record.SetText("Sound", kDefaultSound);
    record.SetText("Repleat", event.rule ? "Y" : "N");
    for (auto& [name, text] : FieldsFromRule(event.rule.value_or(RecurrenceRule{}), names)) record.SetText(name, text);
    if (!event.simplified.empty() && carried.empty())
        mapped.notes.push_back(event.simplified + ": imported with its first occurrence and no repeats");
    record.SetDateTime("Date", event.start);

    RecurrenceRule rule = event.rule.value_or(RecurrenceRule{.kind = RecurrenceKind::None});
    std::optional<DateTime> next = FirstOccurrenceAtOrAfter(rule, event.start, now);
    DateTime occurrence = next.value_or(event.start);
    record.SetDateTime("NextAlarm", occurrence);
    record.SetDateTime("StartHour", AlarmOf(occurrence, remind));
    record.SetText("Accepttext", next ? "N" : "Y");

    for (const CarriedField& field : carried) record.values[field.field] = field.value;
    return mapped;
}

}  // namespace orbelle::ical
