#include "exchange/rrule.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "base/convert.h"
#include "base/occurrences.h"

namespace orbelle::ical {
namespace {
using namespace std::chrono;

constexpr std::string_view kDayCodes[] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};
constexpr int kLargestCount = 32767;  // the table's small integers

std::string Upper(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    parts.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), separator)) + 1);
    std::size_t begin = 0;
    while (true) {
        std::size_t end = text.find(separator, begin);
        parts.push_back(text.substr(begin, end - begin));
        if (end == std::string_view::npos) break;
        begin = end + 1;
    }
    return parts;
}

std::optional<int> DayCode(std::string_view code) {
    for (int i = 0; i < 7; ++i)
        if (Upper(code) == kDayCodes[i]) return i;
    return std::nullopt;
}

struct ByDay {
    int ordinal = 0;  // 0: every such weekday
    int weekday = 0;
};

// The ordinal of a weekday rule ("First" .. the list's last, "Last") from an
// RFC ordinal; nothing where ours has no such ordinal.
std::optional<int> OurOrdinal(int rfc, int last_index) {
    if (rfc == -1) return last_index;
    if (rfc >= 1 && rfc <= last_index) return rfc - 1;
    return std::nullopt;
}

RruleReading IllFormed(std::string expected) {
    RruleReading reading;
    reading.expected = std::move(expected);
    return reading;
}

RruleReading Unmappable(std::string why) {
    RruleReading reading;
    reading.well_formed = true;
    reading.unmappable = std::move(why);
    return reading;
}

}  // namespace

std::optional<std::string> RruleOf(const RecurrenceRule& rule) {
    if (rule.kind == RecurrenceKind::None || !RuleCanOccur(rule)) return std::nullopt;
    switch (rule.kind) {
        case RecurrenceKind::Daily:
            return "FREQ=DAILY;INTERVAL=" + std::to_string(rule.daily.every);
        case RecurrenceKind::Weekly: {
            std::string days;
            for (int day = 0; day < 7; ++day)
                if (rule.weekly.on[static_cast<std::size_t>(day)])
                    days += (days.empty() ? "" : ",") + std::string(kDayCodes[day]);
            return "FREQ=WEEKLY;INTERVAL=" + std::to_string(rule.weekly.every) + (days.empty() ? "" : ";BYDAY=" + days) +
                   ";WKST=" + std::string(kDayCodes[kWeekStart]);
        }
        case RecurrenceKind::Monthly: {
            const MonthlyRule& m = rule.monthly;
            if (m.variant == MonthlyVariant::DayOfMonth)
                return "FREQ=MONTHLY;INTERVAL=" + std::to_string(m.day_every) + ";BYMONTHDAY=" + std::to_string(m.day);
            std::string ordinal = m.ordinal == kMonthlyLast ? "-1" : std::to_string(m.ordinal + 1);
            return "FREQ=MONTHLY;INTERVAL=" + std::to_string(m.weekday_every) + ";BYDAY=" + ordinal +
                   std::string(kDayCodes[m.weekday]);
        }
        case RecurrenceKind::Yearly: {
            const YearlyRule& y = rule.yearly;
            if (y.variant == YearlyVariant::MonthDay)
                return "FREQ=YEARLY;BYMONTH=" + std::to_string(y.day_month + 1) + ";BYMONTHDAY=" + std::to_string(y.day);
            std::string ordinal = y.ordinal == kYearlyLast ? "-1" : std::to_string(y.ordinal + 1);
            return "FREQ=YEARLY;BYMONTH=" + std::to_string(y.weekday_month + 1) + ";BYDAY=" + ordinal +
                   std::string(kDayCodes[y.weekday]);
        }
        case RecurrenceKind::None:
            break;
    }
    return std::nullopt;
}

RruleReading ReadRrule(std::string_view value, DateTime start) {
    std::string freq;
    int interval = 1;
    std::vector<ByDay> by_day;
    std::vector<int> by_month_day, by_month, by_set_pos;
    int week_start = 1;  // the RFC's default, Monday
    std::vector<std::string> seen;
    std::string unmappable;

    auto numbers = [](std::string_view list, int low, int high, bool zero_ok, std::vector<int>& out) {
        for (std::string_view item : Split(list, ',')) {
            auto number = ParseInt(item);
            if (!number || *number < low || *number > high || (!zero_ok && *number == 0)) return false;
            out.push_back(*number);
        }
        return true;
    };

    for (std::string_view part : Split(value, ';')) {
        std::size_t equals = part.find('=');
        if (equals == std::string_view::npos || equals == 0) return IllFormed("NAME=VALUE parts in the RRULE");
        std::string name = Upper(part.substr(0, equals));
        std::string_view text = part.substr(equals + 1);
        for (const std::string& other : seen)
            if (other == name) return IllFormed("each RRULE part once, " + name + " twice");
        seen.push_back(name);
        if (name == "FREQ") {
            freq = Upper(text);
            if (freq != "SECONDLY" && freq != "MINUTELY" && freq != "HOURLY" && freq != "DAILY" &&
                freq != "WEEKLY" && freq != "MONTHLY" && freq != "YEARLY")
                return IllFormed("a frequency from SECONDLY to YEARLY");
        } else if (name == "INTERVAL") {
            auto number = ParseInt(text);
            if (!number || *number < 1) return IllFormed("a positive INTERVAL");
            interval = *number;
        } else if (name == "BYDAY") {
            for (std::string_view item : Split(text, ',')) {
                if (item.size() < 2) return IllFormed("weekdays as SU to SA in BYDAY");
                auto day = DayCode(item.substr(item.size() - 2));
                std::string_view ordinal = item.substr(0, item.size() - 2);
                if (!ordinal.empty() && ordinal.front() == '+') ordinal.remove_prefix(1);
                auto number = ordinal.empty() ? std::optional<int>(0) : ParseInt(ordinal);
                if (!day || !number || *number < -53 || *number > 53 || (!ordinal.empty() && *number == 0))
                    return IllFormed("weekdays as SU to SA in BYDAY, with an ordinal from -53 to 53");
                by_day.push_back({*number, *day});
            }
        } else if (name == "BYMONTHDAY") {
            if (!numbers(text, -31, 31, false, by_month_day)) return IllFormed("days -31 to 31 in BYMONTHDAY");
        } else if (name == "BYMONTH") {
            if (!numbers(text, 1, 12, false, by_month)) return IllFormed("months 1 to 12 in BYMONTH");
        } else if (name == "BYSETPOS") {
            if (!numbers(text, -366, 366, false, by_set_pos)) return IllFormed("positions -366 to 366 in BYSETPOS");
        } else if (name == "WKST") {
            auto day = DayCode(text);
            if (!day) return IllFormed("a weekday as SU to SA in WKST");
            week_start = *day;
        } else if (name == "COUNT" || name == "UNTIL") {
            if (text.empty()) return IllFormed("a value for " + name);
            if (unmappable.empty()) unmappable = "the repeats end (" + name + ")";
        } else if (name == "BYHOUR" || name == "BYMINUTE" || name == "BYSECOND" || name == "BYYEARDAY" ||
                   name == "BYWEEKNO" || name == "RSCALE" || name == "SKIP" || name.starts_with("X-")) {
            if (unmappable.empty()) unmappable = "the rule uses " + name;
        } else {
            return IllFormed("a known RRULE part, not " + name);
        }
    }
    if (freq.empty()) return IllFormed("FREQ in the RRULE");
    if (!unmappable.empty()) return Unmappable(unmappable);
    if (freq == "SECONDLY" || freq == "MINUTELY" || freq == "HOURLY") return Unmappable("repeats more often than daily");
    if (interval > kLargestCount) return Unmappable("an interval above " + std::to_string(kLargestCount));

    year_month_day date = start.Date();
    int start_weekday = static_cast<int>(weekday{sys_days{date}}.c_encoding());
    RecurrenceRule rule;
    // One weekday with one position, written either way ("2TU" or "TU;BYSETPOS=2").
    auto single_ordinal_weekday = [&](ByDay& out) {
        if (by_day.size() != 1) return false;
        if (by_set_pos.empty() && by_day[0].ordinal != 0) {
            out = by_day[0];
            return true;
        }
        if (by_set_pos.size() == 1 && by_day[0].ordinal == 0) {
            out = {by_set_pos[0], by_day[0].weekday};
            return true;
        }
        return false;
    };

    if (freq == "DAILY") {
        if (!by_day.empty() || !by_month_day.empty() || !by_month.empty() || !by_set_pos.empty())
            return Unmappable("a daily rule limited to some days");
        rule.kind = RecurrenceKind::Daily;
        rule.daily.every = interval;
    } else if (freq == "WEEKLY") {
        if (!by_month_day.empty() || !by_month.empty() || !by_set_pos.empty())
            return Unmappable("a weekly rule limited to some months or positions");
        rule.kind = RecurrenceKind::Weekly;
        rule.weekly.every = interval;
        bool before = start_weekday < week_start, mixed = false;
        for (const ByDay& day : by_day) {
            if (day.ordinal != 0) return Unmappable("a weekly rule with numbered weekdays");
            rule.weekly.on[static_cast<std::size_t>(day.weekday)] = true;
            mixed = mixed || (day.weekday < week_start) != before;
        }
        // Weeks other than Sunday to Saturday group the days differently
        // once the rule skips weeks.
        if (interval > 1 && week_start != static_cast<int>(kWeekStart) && mixed)
            return Unmappable("weeks that begin on another day than Sunday");
    } else if (freq == "MONTHLY") {
        if (!by_month.empty()) return Unmappable("a monthly rule limited to some months");
        rule.kind = RecurrenceKind::Monthly;
        ByDay day;
        if (by_day.empty() && by_set_pos.empty()) {
            if (by_month_day.size() > 1) return Unmappable("several days of the month");
            int d = by_month_day.empty() ? static_cast<int>(static_cast<unsigned>(date.day())) : by_month_day[0];
            if (d < 1) return Unmappable("a day counted from the month's end");
            rule.monthly.variant = MonthlyVariant::DayOfMonth;
            rule.monthly.day = d;
            rule.monthly.day_every = interval;
        } else if (by_month_day.empty() && single_ordinal_weekday(day)) {
            auto ordinal = OurOrdinal(day.ordinal, kMonthlyLast);
            if (!ordinal) return Unmappable("weekday number " + std::to_string(day.ordinal) + " of the month");
            rule.monthly.variant = MonthlyVariant::OrdinalWeekday;
            rule.monthly.ordinal = *ordinal;
            rule.monthly.weekday = day.weekday;
            rule.monthly.weekday_every = interval;
        } else {
            return Unmappable("several days of the month");
        }
    } else {  // YEARLY
        if (interval != 1) return Unmappable("every " + std::to_string(interval) + " years");
        if (by_month.size() > 1) return Unmappable("several months");
        int m = by_month.empty() ? static_cast<int>(static_cast<unsigned>(date.month())) : by_month[0];
        rule.kind = RecurrenceKind::Yearly;
        ByDay day;
        if (by_day.empty() && by_set_pos.empty()) {
            if (by_month_day.size() > 1) return Unmappable("several days of the month");
            if (by_month.empty() && !by_month_day.empty()) return Unmappable("a day in every month");
            int d = by_month_day.empty() ? static_cast<int>(static_cast<unsigned>(date.day())) : by_month_day[0];
            if (d < 1) return Unmappable("a day counted from the month's end");
            rule.yearly.variant = YearlyVariant::MonthDay;
            rule.yearly.day_month = m - 1;
            rule.yearly.day = d;
        } else if (!by_month.empty() && by_month_day.empty() && single_ordinal_weekday(day)) {
            auto ordinal = OurOrdinal(day.ordinal, kYearlyLast);
            if (!ordinal) return Unmappable("weekday number " + std::to_string(day.ordinal) + " of the month");
            rule.yearly.variant = YearlyVariant::OrdinalWeekday;
            rule.yearly.ordinal = *ordinal;
            rule.yearly.weekday = day.weekday;
            rule.yearly.weekday_month = m - 1;
        } else {
            return Unmappable("several days of the year");
        }
    }
    if (!RuleCanOccur(rule)) return Unmappable("a day its months never have");
    RruleReading reading;
    reading.well_formed = true;
    reading.rule = rule;
    return reading;
}

}  // namespace orbelle::ical
