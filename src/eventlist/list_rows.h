#pragma once
// The rows of the event list: what each row keeps of its record, and the
// texts of its cells, formatted when the list asks for them.
#include <cstdint>
#include <span>
#include <string>

#include "base/datefmt.h"
#include "base/datetime.h"
#include "store/event_cursor.h"

namespace orbelle {

enum class StartFormat { Added, Rewritten };

struct ListRow {
    std::int64_t id = 0;
    std::string subject;
    DateTime date;
    StartFormat start_format = StartFormat::Added;
    DateTime start_hour;
    DateTime next_alarm;
    std::string duration;
    std::string type;
    std::string priority;
};

// The list's columns, left to right.
enum class ListColumn { Subject, Start, NextOccurrence, ReminderTime, Duration, ItemType, Priority, Id };

enum class ColumnAlign { Left, Centre };

// Everything the list knows of a column: its header, its width until the
// settings file gives another, its alignment and the text of its cells.
struct ListColumnSpec {
    ListColumn id;
    const wchar_t* title;
    int width;
    ColumnAlign align;
    // Kept at width 0 whatever the settings file says: the Id column is the
    // row's hidden link to its record.
    bool hidden;
    std::string (*text)(const ListRow& row, const LocaleNames& names);
};

// In column order: ListColumns()[i].id is ListColumn i.
std::span<const ListColumnSpec> ListColumns();
inline constexpr int kListColumnCount = 8;

// The record under the cursor as a row.
ListRow RowFromCursor(const EventCursor& cursor, StartFormat start_format);
// The fields a row is made of, for a walk that reads no others, and the row
// made of them: the same row RowFromCursor makes of the whole record.
std::span<const std::size_t> ListRowFields();
ListRow RowFromFields(const EventCursor::Fields& fields, StartFormat start_format);
// The record's Id exactly as stored; 0 when the field is not a whole number.
std::int64_t RecordId(const EventCursor::Fields& fields);

// The text of the row's cell in the column at that index; empty outside the table.
std::string CellText(const ListRow& row, int column, const LocaleNames& names);

}  // namespace orbelle
