#include "eventlist/list_rows.h"

#include "store/event_cursor.h"

namespace orbelle {

ListRow RowFromCursor(const EventCursor& cursor, StartFormat start_format) {
    return {.id = std::stoll("0" + cursor.FieldText("id")),
            .subject = cursor.FieldText("subject"),
            .date = cursor.FieldDateTime("date"),
            .start_format = start_format,
            .start_hour = cursor.FieldDateTime("starthour"),
            .next_alarm = cursor.FieldDateTime("nextalarm"),
            .duration = cursor.FieldText("duration"),
            .type = cursor.FieldText("type"),
            .priority = cursor.FieldText("Priority")};
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
