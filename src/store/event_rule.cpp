#include "store/event_rule.h"

#include <span>

#include "base/convert.h"
#include "base/text.h"

namespace orbelle {
namespace {

// The index of the stored text in the list, -1 when it names none.
template <typename Text>
int IndexOf(std::string_view stored, std::span<const Text> list) {
    for (std::size_t i = 0; i < list.size(); ++i) {
        std::string_view name = list[i];
        if (SameIgnoringAsciiCase(stored, name) ||
            SameIgnoringAsciiCase(stored, CutUtf8(name, kStoredNameLength)))
            return static_cast<int>(i);
    }
    return -1;
}

int Number(const FieldTextReader& field, std::string_view name) {
    return ParseInt(Trim(field(name))).value_or(0);
}

std::string Cut(std::string_view name) { return std::string(CutUtf8(name, kStoredNameLength)); }

std::string NameAt(std::span<const std::string> names, int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= names.size()) return {};
    return Cut(names[static_cast<std::size_t>(index)]);
}

std::string WordAt(std::span<const std::string_view> words, int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= words.size()) return {};
    return std::string(words[static_cast<std::size_t>(index)]);
}

const std::string_view kWeekFlagFields[] = {"Week_1", "Week_2", "Week_3", "Week_4",
                                            "Week_5", "Week_6", "Week_7"};

}  // namespace

bool EventRecurs(const FieldTextReader& field) { return field("Repleat") == "Y"; }

RecurrenceRule RuleFromFields(const FieldTextReader& field, const LocaleNames& names) {
    std::span<const std::string> weekdays{names.weekdays};
    std::span<const std::string> months{names.months};
    RecurrenceRule rule;
    std::string kind = field("Dwmy");
    rule.kind = kind == "1"   ? RecurrenceKind::Daily
                : kind == "2" ? RecurrenceKind::Weekly
                : kind == "3" ? RecurrenceKind::Monthly
                : kind == "4" ? RecurrenceKind::Yearly
                              : RecurrenceKind::None;
    rule.daily.every = Number(field, "Day_day");
    rule.weekly.every = Number(field, "Week_week");
    for (std::size_t day = 0; day < 7; ++day) rule.weekly.on[day] = field(kWeekFlagFields[day]) == "Y";

    MonthlyRule& monthly = rule.monthly;
    monthly.variant = field("Month_dayweek") == "D" ? MonthlyVariant::DayOfMonth : MonthlyVariant::OrdinalWeekday;
    monthly.day = Number(field, "Month_day1");
    monthly.day_every = Number(field, "Month_day2");
    monthly.ordinal = IndexOf(field("Month_week1"), std::span<const std::string_view>{kMonthlyOrdinalWords});
    monthly.weekday = IndexOf(field("Month_week2"), weekdays);
    monthly.weekday_every = Number(field, "Month_week3");

    YearlyRule& yearly = rule.yearly;
    yearly.variant = field("Year_dayweek") == "D" ? YearlyVariant::MonthDay : YearlyVariant::OrdinalWeekday;
    yearly.day_month = IndexOf(field("Year_day1"), months);
    yearly.day = Number(field, "Year_day2");
    yearly.ordinal = IndexOf(field("Year_week1"), std::span<const std::string_view>{kYearlyOrdinalWords});
    yearly.weekday = IndexOf(field("Year_week2"), weekdays);
    yearly.weekday_month = IndexOf(field("Year_week3"), months);
    return rule;
}

RecurrenceRule EventRule(const FieldTextReader& field, const LocaleNames& names) {
    if (!EventRecurs(field)) return RecurrenceRule{.kind = RecurrenceKind::None};
    return RuleFromFields(field, names);
}

std::vector<std::pair<std::string_view, std::string>> FieldsFromRule(const RecurrenceRule& rule,
                                                                     const LocaleNames& names) {
    std::span<const std::string> weekdays{names.weekdays};
    std::span<const std::string> months{names.months};
    auto flag = [](bool on) { return std::string(on ? "Y" : "N"); };
    const char* kind = rule.kind == RecurrenceKind::Daily     ? "1"
                       : rule.kind == RecurrenceKind::Weekly  ? "2"
                       : rule.kind == RecurrenceKind::Monthly ? "3"
                       : rule.kind == RecurrenceKind::Yearly  ? "4"
                                                              : "";
    std::vector<std::pair<std::string_view, std::string>> fields;
    fields.reserve(3 + 7 + 6 + 6);  // room for them all at once: an import makes these for every event
    fields.emplace_back("Dwmy", kind);
    fields.emplace_back("Day_day", std::to_string(rule.daily.every));
    fields.emplace_back("Week_week", std::to_string(rule.weekly.every));
    for (std::size_t day = 0; day < 7; ++day) fields.emplace_back(kWeekFlagFields[day], flag(rule.weekly.on[day]));
    const MonthlyRule& monthly = rule.monthly;
    fields.emplace_back("Month_dayweek", monthly.variant == MonthlyVariant::DayOfMonth ? "D" : "W");
    fields.emplace_back("Month_day1", std::to_string(monthly.day));
    fields.emplace_back("Month_day2", std::to_string(monthly.day_every));
    fields.emplace_back("Month_week1",
                        WordAt(std::span<const std::string_view>{kMonthlyOrdinalWords}, monthly.ordinal));
    fields.emplace_back("Month_week2", NameAt(weekdays, monthly.weekday));
    fields.emplace_back("Month_week3", std::to_string(monthly.weekday_every));
    const YearlyRule& yearly = rule.yearly;
    fields.emplace_back("Year_dayweek", yearly.variant == YearlyVariant::MonthDay ? "D" : "W");
    fields.emplace_back("Year_day1", NameAt(months, yearly.day_month));
    fields.emplace_back("Year_day2", std::to_string(yearly.day));
    fields.emplace_back("Year_week1", WordAt(std::span<const std::string_view>{kYearlyOrdinalWords}, yearly.ordinal));
    fields.emplace_back("Year_week2", NameAt(weekdays, yearly.weekday));
    fields.emplace_back("Year_week3", NameAt(months, yearly.weekday_month));
    return fields;
}

}  // namespace orbelle
