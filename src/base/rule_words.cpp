#include "base/rule_words.h"

#include <string_view>

#include "base/occurrences.h"

namespace orbelle {
namespace {

constexpr std::string_view kOrdinalWords[] = {"first", "second", "third", "fourth"};

std::string Every(int count, const char* unit) {
    return count == 1 ? std::string("Every ") + unit : "Every " + std::to_string(count) + " " + unit + "s";
}

std::string Ordinal(int index, int last_index) {
    return index == last_index ? "last" : std::string(kOrdinalWords[index]);
}

}  // namespace

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

}  // namespace orbelle
