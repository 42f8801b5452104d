#pragma once
// The event record: the 37 fields of the event table, in the table's order.
#include <array>
#include <optional>
#include <string_view>

namespace orbelle {

enum class FieldType { Text, Memo, AutoInc, SmallInt, DateTime };

struct FieldDef {
    std::string_view name;
    FieldType type;
    int width;  // characters, for Text fields
};

inline constexpr std::array<FieldDef, 37> kEventFields{{
    {"Subject", FieldType::Text, 50},
    {"Complete", FieldType::Text, 1},
    {"Priority", FieldType::Text, 10},
    {"Memo", FieldType::Memo, 0},
    {"Id", FieldType::AutoInc, 0},
    {"Type", FieldType::Text, 15},
    {"Remind", FieldType::Text, 20},
    {"Duration", FieldType::Text, 20},
    {"Sound", FieldType::Text, 255},
    {"Repleat", FieldType::Text, 1},
    {"Dwmy", FieldType::Text, 1},
    {"Day_day", FieldType::SmallInt, 0},
    {"Week_week", FieldType::SmallInt, 0},
    {"Week_1", FieldType::Text, 1},
    {"Week_2", FieldType::Text, 1},
    {"Week_3", FieldType::Text, 1},
    {"Week_4", FieldType::Text, 1},
    {"Week_5", FieldType::Text, 1},
    {"Week_6", FieldType::Text, 1},
    {"Week_7", FieldType::Text, 1},
    {"Month_dayweek", FieldType::Text, 1},
    {"Month_day1", FieldType::SmallInt, 0},
    {"Month_day2", FieldType::SmallInt, 0},
    {"Month_week1", FieldType::Text, 10},
    {"Month_week2", FieldType::Text, 10},
    {"Month_week3", FieldType::SmallInt, 0},
    {"Year_dayweek", FieldType::Text, 1},
    {"Year_day1", FieldType::Text, 10},
    {"Year_day2", FieldType::SmallInt, 0},
    {"Year_week1", FieldType::Text, 10},
    {"Year_week2", FieldType::Text, 10},
    {"Year_week3", FieldType::Text, 10},
    {"Start", FieldType::Text, 5},
    {"StartHour", FieldType::DateTime, 0},
    {"NextAlarm", FieldType::DateTime, 0},
    {"Accepttext", FieldType::Text, 1},
    {"Date", FieldType::DateTime, 0},
}};

// Field names are ASCII and match without regard to case.
constexpr bool SameFieldName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// The position of a field named in the code, found by the compiler: a name
// that is not in the table does not compile.
consteval std::size_t EventField(std::string_view name) {
    for (std::size_t i = 0; i < kEventFields.size(); ++i)
        if (SameFieldName(kEventFields[i].name, name)) return i;
    throw "no field of that name in the event table";
}

inline constexpr std::size_t kIdField = EventField("Id");

// The field's position, matching the name without regard to case.
std::optional<std::size_t> FindEventField(std::string_view name);

}  // namespace orbelle
