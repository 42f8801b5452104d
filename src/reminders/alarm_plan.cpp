#include "reminders/alarm_plan.h"

#include <algorithm>

#include "base/alarm_time.h"
#include "base/error.h"
#include "base/occurrences.h"

namespace orbelle {
namespace {

// Wall milliseconds of the years 1 to 9999: moments outside are no moments.
const WallMs kFirstMoment = ToWallMs(DateTime::FromDate(1, 1, 1));
const WallMs kLastMoment = ToWallMs(DateTime::FromDate(9999, 12, 31)) + kWallDay - 1;

bool Encodable(WallMs ms) { return ms >= kFirstMoment && ms <= kLastMoment; }

}  // namespace

std::optional<WallMs> LeadOfRemindText(std::string_view remind_text) {
    // The editor's own arithmetic, taken at a date far from either end of
    // the calendar, so that only a lead of millennia is out of range.
    const DateTime reference = DateTime::FromDate(5000, 1, 1);
    try {
        return ToWallMs(reference) - ToWallMs(AlarmTime(reference, remind_text));
    } catch (const Error&) {
        return std::nullopt;
    }
}

AlarmPlan AlarmPlan::For(const ReminderEvent& event) {
    return For(event, event.recurring && !event.accepted ? LeadOfRemindText(event.remind) : std::nullopt);
}

AlarmPlan AlarmPlan::For(const ReminderEvent& event, std::optional<WallMs> lead) {
    AlarmPlan plan;
    if (event.accepted) return plan;
    if (!event.recurring) {
        // The zero date-time is an empty field: another tool wrote the record.
        if (event.alarm.Days() == 0) return plan;
        const WallMs moment = ToWallMs(event.alarm);
        if (!Encodable(moment)) return plan;
        plan.start_ms_ = ToWallMs(event.start);
        plan.lead_ = plan.start_ms_ - moment;
        plan.kind_ = Kind::Single;
        return plan;
    }
    WallMs start = ToWallMs(event.start);
    // A repeating record whose kind reads as none names no rule: another tool
    // wrote it, and it is not guessed at.
    if (event.rule.kind == RecurrenceKind::None) return plan;
    if (!lead || !RuleCanOccur(event.rule) || !Encodable(start)) return plan;
    // The start is always the first occurrence, even of a rule that names no
    // day at all, such as day 31 every 12 months from April. Such a rule
    // cannot occur as the user meant it, so it rings never rather than once.
    if (event.rule.kind == RecurrenceKind::Monthly && event.rule.monthly.variant == MonthlyVariant::DayOfMonth &&
        event.rule.monthly.day > 28 && !FirstOccurrenceAfter(event.rule, event.start, event.start))
        return plan;
    plan.kind_ = Kind::Series;
    plan.rule_ = PackedRule::Of(event.rule);
    plan.start_ = event.start;
    plan.start_ms_ = start;
    plan.lead_ = *lead;
    return plan;
}

bool operator==(const AlarmPlan& a, const AlarmPlan& b) {
    if (a.kind_ != b.kind_) return false;
    switch (a.kind_) {
    case AlarmPlan::Kind::None: return true;
    case AlarmPlan::Kind::Single: return a.SingleAlarm() == b.SingleAlarm();
    case AlarmPlan::Kind::Series: return a.start_ms_ == b.start_ms_ && a.lead_ == b.lead_ && a.rule_ == b.rule_;
    }
    return false;
}

std::optional<Alarm> AlarmPlan::AlarmOf(WallMs occurrence) const {
    switch (kind_) {
    case Kind::None: break;
    case Kind::Single:
        if (start_ms_ == occurrence) return SingleAlarm();
        break;
    case Kind::Series: return Alarm{occurrence, occurrence - lead_};
    }
    return std::nullopt;
}

bool AlarmPlan::Has(const Alarm& alarm) const {
    if (AlarmOf(alarm.occurrence) != alarm) return false;
    // One search forward, where Around would search back and forth.
    return kind_ == Kind::Single || FirstOccurrenceFrom(rule_.Rule(), alarm.occurrence) == alarm.occurrence;
}

std::optional<WallMs> AlarmPlan::FirstOccurrenceFrom(const RecurrenceRule& rule, WallMs from) const {
    // Asked in whole milliseconds, "after X" as "at or after X + 1 ms": the
    // date-time values on either side may differ in their last bit (the
    // i686 build computes with extended precision), never by a millisecond.
    from = std::max(from, start_ms_);  // the start is the first occurrence
    if (from > kLastMoment) return std::nullopt;
    std::optional<DateTime> found = FirstOccurrenceAtOrAfter(rule, start_, FromWallMs(from));
    if (!found) return std::nullopt;
    return std::max(ToWallMs(*found), from);
}

AlarmsAround AlarmPlan::Around(WallMs moment, std::optional<WallMs> done) const {
    AlarmsAround around;
    auto not_done = [&](const Alarm& alarm) { return !done || alarm.occurrence > *done; };
    if (kind_ == Kind::Single) {
        const Alarm single = SingleAlarm();
        if (!not_done(single)) return around;
        if (single.moment <= moment) around.latest = single;
        else around.next = single;
        return around;
    }
    if (kind_ != Kind::Series) return around;

    auto alarm_of = [&](WallMs occurrence) { return Alarm{occurrence, occurrence - lead_}; };
    // Occurrences, not alarms, are searched: the alarm rings the lead before.
    // A lead beyond the calendar's ends rings never.
    if (moment > kLastMoment - lead_ || moment < kFirstMoment - lead_) return around;
    const WallMs last_occurrence = moment + lead_;
    const WallMs floor = done ? *done : start_ms_ - 1;  // occurrences must lie after this
    const RecurrenceRule rule = rule_.Rule();

    if (floor >= last_occurrence) {
        if (auto next = FirstOccurrenceFrom(rule, floor + 1)) around.next = alarm_of(*next);
        return around;
    }
    // The last occurrence at or before the moment's (searched as before it
    // plus a millisecond, for the last bit the date-time values may differ
    // in), and the first after it.
    if (std::optional<DateTime> found = LastOccurrenceBefore(rule, start_, FromWallMs(last_occurrence + 1))) {
        WallMs latest = std::min(ToWallMs(*found), last_occurrence);
        if (latest > floor) around.latest = alarm_of(latest);
    }
    if (auto next = FirstOccurrenceFrom(rule, last_occurrence + 1)) around.next = alarm_of(*next);
    return around;
}

}  // namespace orbelle
