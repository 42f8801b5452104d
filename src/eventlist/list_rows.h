#pragma once
// The rows of the event list: what each row keeps of its record, and the
// texts of its cells, formatted when the list asks for them.
#include <cstdint>
#include <string>

#include "base/datefmt.h"
#include "base/datetime.h"

namespace orbelle {

class EventCursor;

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

inline constexpr int kListColumnCount = 8;

// The record under the cursor as a row.
ListRow RowFromCursor(const EventCursor& cursor, StartFormat start_format);

// Column 0 Subject, 1 Start, 2 Next Occurrence (the alarm time), 3 Reminder
// Time (the next occurrence), 4 Duration, 5 Item Type, 6 Priority, 7 Id.
std::string CellText(const ListRow& row, int column, const LocaleNames& names);

}  // namespace orbelle
