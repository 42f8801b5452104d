#include "base/occurrences.h"

#include <array>
#include <cstdint>

namespace orbelle {
namespace {
using namespace std::chrono;

constexpr int kFirstYear = 1;
constexpr int kLastYear = 9999;

bool InYears(std::int64_t y) { return y >= kFirstYear && y <= kLastYear; }

std::int64_t DayNumber(year_month_day date) { return sys_days{date}.time_since_epoch().count(); }

year_month_day DateOfDayNumber(std::int64_t day) { return year_month_day{sys_days{days{day}}}; }

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }

// Months since January of year 0.
std::int64_t MonthIndex(year_month_day date) {
    return static_cast<int>(date.year()) * 12LL + static_cast<unsigned>(date.month()) - 1;
}

std::optional<year_month> MonthOfIndex(std::int64_t index) {
    std::int64_t y = FloorDiv(index, 12);
    if (!InYears(y)) return std::nullopt;
    return year{static_cast<int>(y)} / month{static_cast<unsigned>(index - y * 12) + 1};
}

unsigned DaysIn(year_month ym) { return static_cast<unsigned>((ym / last).day()); }

// Day `d` of the month, or nothing when the month is shorter.
std::optional<year_month_day> DayOf(year_month ym, int d) {
    if (d < 1 || static_cast<unsigned>(d) > DaysIn(ym)) return std::nullopt;
    return ym / day{static_cast<unsigned>(d)};
}

// The (ordinal + 1)-th weekday of the month; `last_ordinal` means the last.
year_month_day OrdinalWeekday(year_month ym, int weekday_index, int ordinal, int last_ordinal) {
    weekday wd{static_cast<unsigned>(weekday_index)};
    if (ordinal == last_ordinal) return year_month_day{sys_days{ym / wd[last]}};
    return year_month_day{sys_days{ym / wd[static_cast<unsigned>(ordinal) + 1]}};
}

bool InRange(int value, int low, int high) { return value >= low && value <= high; }

constexpr int kMaxDaysOfMonth[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// The dates of one period: a week holds seven at most. Kept in place, since
// a search runs for every event at start and an allocation each is costly.
class PeriodDates {
public:
    void clear() { size_ = 0; }
    void push_back(year_month_day date) { dates_[size_++] = date; }
    const year_month_day* begin() const { return dates_.data(); }
    const year_month_day* end() const { return dates_.data() + size_; }

private:
    std::array<year_month_day, 7> dates_{};
    std::size_t size_ = 0;
};

// One period of the rule: a run of days, a week, a month or a year, counted
// from the start's period in steps of the rule's interval.
struct Walk {
    const RecurrenceRule& rule;
    year_month_day start_date;

    // How many periods of the interval lie between the start's period and
    // the one holding `date` (floor, so a date before gives below 0).
    std::int64_t PeriodOf(year_month_day date) const {
        switch (rule.kind) {
        case RecurrenceKind::Daily:
            return FloorDiv(DayNumber(date) - DayNumber(start_date), rule.daily.every);
        case RecurrenceKind::Weekly:
            return FloorDiv(WeekStart(date) - WeekStart(start_date), 7LL * rule.weekly.every);
        case RecurrenceKind::Monthly:
            return FloorDiv(MonthIndex(date) - MonthIndex(start_date), MonthStep());
        case RecurrenceKind::Yearly:
            return static_cast<int>(date.year()) - static_cast<int>(start_date.year());
        case RecurrenceKind::None:
            break;
        }
        return 0;
    }

    // The dates of period p, in order; false when the period lies past the
    // last encodable year.
    bool DatesOf(std::int64_t p, PeriodDates& out) const {
        out.clear();
        switch (rule.kind) {
        case RecurrenceKind::Daily: {
            std::int64_t d = DayNumber(start_date) + p * rule.daily.every;
            if (d > DayNumber(year{kLastYear} / December / 31)) return false;
            out.push_back(DateOfDayNumber(d));
            return true;
        }
        case RecurrenceKind::Weekly: {
            std::int64_t first = WeekStart(start_date) + p * 7LL * rule.weekly.every;
            if (first > DayNumber(year{kLastYear} / December / 31)) return false;
            bool any = false;
            for (bool on : rule.weekly.on) any = any || on;
            unsigned start_wd = weekday{sys_days{start_date}}.c_encoding();
            for (unsigned i = 0; i < 7; ++i) {
                unsigned wd = (kWeekStart + i) % 7;
                if (any ? rule.weekly.on[wd] : wd == start_wd) {
                    year_month_day date = DateOfDayNumber(first + i);
                    if (InYears(static_cast<int>(date.year()))) out.push_back(date);
                }
            }
            return true;
        }
        case RecurrenceKind::Monthly: {
            auto ym = MonthOfIndex(MonthIndex(start_date) + p * MonthStep());
            if (!ym) return false;
            const MonthlyRule& m = rule.monthly;
            if (m.variant == MonthlyVariant::DayOfMonth) {
                if (auto date = DayOf(*ym, m.day)) out.push_back(*date);
            } else {
                out.push_back(OrdinalWeekday(*ym, m.weekday, m.ordinal, kMonthlyLast));
            }
            return true;
        }
        case RecurrenceKind::Yearly: {
            std::int64_t y = static_cast<int>(start_date.year()) + p;
            if (!InYears(y)) return false;
            const YearlyRule& r = rule.yearly;
            if (r.variant == YearlyVariant::MonthDay) {
                year_month ym = year{static_cast<int>(y)} / month{static_cast<unsigned>(r.day_month) + 1};
                if (auto date = DayOf(ym, r.day)) out.push_back(*date);
            } else {
                year_month ym = year{static_cast<int>(y)} / month{static_cast<unsigned>(r.weekday_month) + 1};
                out.push_back(OrdinalWeekday(ym, r.weekday, r.ordinal, kYearlyLast));
            }
            return true;
        }
        case RecurrenceKind::None:
            break;
        }
        return false;
    }

    std::int64_t MonthStep() const {
        return rule.monthly.variant == MonthlyVariant::DayOfMonth ? rule.monthly.day_every
                                                                  : rule.monthly.weekday_every;
    }

    static std::int64_t WeekStart(year_month_day date) {
        std::int64_t d = DayNumber(date);
        unsigned wd = weekday{sys_days{date}}.c_encoding();
        return d - static_cast<std::int64_t>((wd + 7 - kWeekStart) % 7);
    }
};

// Periods to look through before giving up: a run of months returns to the
// same month of the year within 12 steps, and February 29 comes back within
// 8 years; one more covers the period the search begins in.
constexpr std::int64_t kPeriodsToSearch = 14;

std::optional<DateTime> Search(const RecurrenceRule& rule, DateTime start, DateTime from, bool strict) {
    auto reached = [&](DateTime moment) { return strict ? moment > from : moment >= from; };
    // A start outside the encodable years reads as the zero date-time, which must not pass for a real start.
    if (!start.InRange()) return std::nullopt;
    year_month_day start_date = start.Date();
    if (!start_date.ok() || !InYears(static_cast<int>(start_date.year()))) return std::nullopt;
    if (!RuleCanOccur(rule)) return std::nullopt;
    if (reached(start)) return start;
    if (rule.kind == RecurrenceKind::None) return std::nullopt;

    TimeOfDay time = start.Time();
    Walk walk{rule, start_date};
    year_month_day from_date = from.Date();
    std::int64_t first = 0;
    if (from_date.ok() && from > start) first = walk.PeriodOf(from_date);
    if (first < 0) first = 0;
    PeriodDates dates;
    for (std::int64_t p = first; p < first + kPeriodsToSearch; ++p) {
        if (!walk.DatesOf(p, dates)) return std::nullopt;
        for (const year_month_day& date : dates) {
            DateTime moment = DateTime::FromParts(date, time);
            if (moment > start && reached(moment)) return moment;
        }
    }
    return std::nullopt;
}
// The same periods back from the one holding `before`: an occurrence after
// the start and before `before`, or the start itself.
std::optional<DateTime> SearchBack(const RecurrenceRule& rule, DateTime start, DateTime before) {
    if (!start.InRange()) return std::nullopt;
    year_month_day start_date = start.Date();
    if (!start_date.ok() || !InYears(static_cast<int>(start_date.year()))) return std::nullopt;
    if (!RuleCanOccur(rule) || !(start < before)) return std::nullopt;
    if (rule.kind == RecurrenceKind::None) return start;

    TimeOfDay time = start.Time();
    Walk walk{rule, start_date};
    year_month_day before_date = before.Date();
    // A moment past the last encodable day searches back from that day.
    if (!before_date.ok() || static_cast<int>(before_date.year()) > kLastYear)
        before_date = year{kLastYear} / December / 31;
    PeriodDates dates;
    for (std::int64_t p = walk.PeriodOf(before_date), searched = 0; p >= 0 && searched < kPeriodsToSearch;
         --p, ++searched) {
        if (!walk.DatesOf(p, dates)) continue;  // past the last year
        for (auto date = dates.end(); date != dates.begin();) {
            DateTime moment = DateTime::FromParts(*--date, time);
            if (moment > start && moment < before) return moment;
        }
    }
    // Nothing in the periods searched: the rule has no other occurrence
    // this side of `before` (see kPeriodsToSearch), so the start is the last.
    return start;
}

}  // namespace

bool RuleCanOccur(const RecurrenceRule& rule) {
    switch (rule.kind) {
    case RecurrenceKind::None:
        return true;
    case RecurrenceKind::Daily:
        return rule.daily.every >= 1;
    case RecurrenceKind::Weekly:
        return rule.weekly.every >= 1;
    case RecurrenceKind::Monthly: {
        const MonthlyRule& m = rule.monthly;
        switch (m.variant) {
        case MonthlyVariant::DayOfMonth:
            return InRange(m.day, 1, 31) && m.day_every >= 1;
        case MonthlyVariant::OrdinalWeekday:
            return InRange(m.ordinal, 0, kMonthlyLast) && InRange(m.weekday, 0, 6) && m.weekday_every >= 1;
        case MonthlyVariant::None:
            return false;
        }
        return false;
    }
    case RecurrenceKind::Yearly: {
        const YearlyRule& y = rule.yearly;
        switch (y.variant) {
        case YearlyVariant::MonthDay:
            return InRange(y.day_month, 0, 11) && InRange(y.day, 1, kMaxDaysOfMonth[y.day_month]);
        case YearlyVariant::OrdinalWeekday:
            return InRange(y.ordinal, 0, kYearlyLast) && InRange(y.weekday, 0, 6) &&
                   InRange(y.weekday_month, 0, 11);
        case YearlyVariant::None:
            return false;
        }
        return false;
    }
    }
    return false;
}

std::optional<DateTime> FirstOccurrenceAtOrAfter(const RecurrenceRule& rule, DateTime start, DateTime from) {
    return Search(rule, start, from, false);
}

std::optional<DateTime> FirstOccurrenceAfter(const RecurrenceRule& rule, DateTime start, DateTime after) {
    return Search(rule, start, after, true);
}

std::optional<DateTime> LastOccurrenceBefore(const RecurrenceRule& rule, DateTime start, DateTime before) {
    return SearchBack(rule, start, before);
}

std::vector<DateTime> OccurrencesFrom(const RecurrenceRule& rule, DateTime start, DateTime from,
                                      std::size_t count) {
    std::vector<DateTime> out;
    if (count == 0) return out;
    std::optional<DateTime> next = FirstOccurrenceAtOrAfter(rule, start, from);
    while (next && out.size() < count) {
        out.push_back(*next);
        if (out.size() < count) next = FirstOccurrenceAfter(rule, start, *next);
    }
    return out;
}

}  // namespace orbelle
