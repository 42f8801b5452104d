#include "eventlist/list_rows.h"

#include <charconv>

#include "store/event_cursor.h"

namespace orbelle {

namespace {
// Looked up once: the list reads these fields of every record at start.
std::size_t Field(std::string_view name) { return FindEventField(name).value(); }

// The Id exactly as stored, negative ones too; the table keeps it an integer.
std::int64_t IdOf(const EventCursor& cursor) {
    std::string text = cursor.FieldText(kIdField);
    std::int64_t id = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), id);
    if (ec != std::errc{} || end != text.data() + text.size()) return 0;
    return id;
}
}  // namespace

ListRow RowFromCursor(const EventCursor& cursor, StartFormat start_format) {
    static const std::size_t subject = Field("subject"), date = Field("date"), start_hour = Field("starthour"),
                             next_alarm = Field("nextalarm"), duration = Field("duration"), type = Field("type"),
                             priority = Field("Priority");
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

std::string CellText(const ListRow& row, int column, const LocaleNames& names) {
    switch (column) {
        case 0: return row.subject;
        case 1:
            return row.start_format == StartFormat::Added ? FormatStartAdded(row.date, names)
                                                          : FormatStartRewritten(row.date, names);
        case 2: return FormatDateTime12(row.start_hour, names);
        case 3: return FormatDateTime12(row.next_alarm, names);
        case 4: return row.duration;
        case 5: return row.type;
        case 6: return row.priority;
        case 7: return std::to_string(row.id);
        default: return {};
    }
}

}  // namespace orbelle
