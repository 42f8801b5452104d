#include "eventlist/list_rows.h"

#include "store/event_cursor.h"

namespace orbelle {

namespace {
// Looked up once: the list reads these fields of every record at start.
std::size_t Field(std::string_view name) { return FindEventField(name).value(); }
}  // namespace

ListRow RowFromCursor(const EventCursor& cursor, StartFormat start_format) {
    static const std::size_t subject = Field("subject"), date = Field("date"), start_hour = Field("starthour"),
                             next_alarm = Field("nextalarm"), duration = Field("duration"), type = Field("type"),
                             priority = Field("Priority");
    return {.id = std::stoll("0" + cursor.FieldText(kIdField)),
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
