#include "eventlist/list_rows.h"

#include <charconv>

#include "store/event_cursor.h"

namespace orbelle {

namespace {
// Looked up once: the list reads these fields of every record at start.
std::size_t Field(std::string_view name) { return FindEventField(name).value(); }

// The Id exactly as stored, negative ones too; the table keeps it an integer.
template <typename Record>
std::int64_t IdOf(const Record& cursor) {
    std::string text = cursor.FieldText(kIdField);
    std::int64_t id = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), id);
    if (ec != std::errc{} || end != text.data() + text.size()) return 0;
    return id;
}

const std::size_t subject = Field("subject"), date = Field("date"), start_hour = Field("starthour"),
                  next_alarm = Field("nextalarm"), duration = Field("duration"), type = Field("type"),
                  priority = Field("Priority");
const std::size_t kRowFields[] = {kIdField, subject, date, start_hour, next_alarm, duration, type, priority};

// The record under a cursor or the fields of a walk.
template <typename Record>
ListRow MakeRow(const Record& cursor, StartFormat start_format) {
    return {.id = IdOf(cursor),
            .subject = cursor.FieldText(subject),
            .date = cursor.FieldDateTime(date),
            .start_format = start_format,
            .start_hour = cursor.FieldDateTime(start_hour),
            .next_alarm = cursor.FieldDateTime(next_alarm),
            .duration = cursor.FieldText(duration),
            .type = cursor.FieldText(type),
            .priority = cursor.FieldText(priority)};
}
}  // namespace

ListRow RowFromCursor(const EventCursor& cursor, StartFormat start_format) { return MakeRow(cursor, start_format); }

std::span<const std::size_t> ListRowFields() { return kRowFields; }

ListRow RowFromFields(const EventCursor::Fields& fields, StartFormat start_format) {
    return MakeRow(fields, start_format);
}

std::int64_t RecordId(const EventCursor::Fields& fields) { return IdOf(fields); }

namespace {
// "Next Occurrence" shows the alarm time and "Reminder Time" the next
// occurrence: the headers and their cells are crossed, as they always were.
constexpr ListColumnSpec kColumns[] = {
    {ListColumn::Subject, L"Subject", 150, ColumnAlign::Left, false,
     [](const ListRow& row, const LocaleNames&) { return row.subject; }},
    {ListColumn::Start, L"Start", 105, ColumnAlign::Centre, false,
     [](const ListRow& row, const LocaleNames& names) {
         return row.start_format == StartFormat::Added ? FormatStartAdded(row.date, names)
                                                       : FormatStartRewritten(row.date, names);
     }},
    {ListColumn::NextOccurrence, L"Next Occurrence", 70, ColumnAlign::Centre, false,
     [](const ListRow& row, const LocaleNames& names) { return FormatDateTime12(row.start_hour, names); }},
    {ListColumn::ReminderTime, L"Reminder Time", 75, ColumnAlign::Left, false,
     [](const ListRow& row, const LocaleNames& names) { return FormatDateTime12(row.next_alarm, names); }},
    {ListColumn::Duration, L"Duration", 50, ColumnAlign::Left, false,
     [](const ListRow& row, const LocaleNames&) { return row.duration; }},
    {ListColumn::ItemType, L"Item Type", 50, ColumnAlign::Left, false,
     [](const ListRow& row, const LocaleNames&) { return row.type; }},
    {ListColumn::Priority, L"Priority", 50, ColumnAlign::Left, false,
     [](const ListRow& row, const LocaleNames&) { return row.priority; }},
    {ListColumn::Id, L"Id", 20, ColumnAlign::Left, true,
     [](const ListRow& row, const LocaleNames&) { return std::to_string(row.id); }},
};

constexpr bool InColumnOrder() {
    for (std::size_t i = 0; i < std::size(kColumns); ++i)
        if (kColumns[i].id != static_cast<ListColumn>(i)) return false;
    return true;
}
static_assert(InColumnOrder() && std::size(kColumns) == kListColumnCount);
}  // namespace

std::span<const ListColumnSpec> ListColumns() { return kColumns; }

std::string CellText(const ListRow& row, int column, const LocaleNames& names) {
    if (column < 0 || column >= kListColumnCount) return {};
    return kColumns[static_cast<std::size_t>(column)].text(row, names);
}

}  // namespace orbelle
