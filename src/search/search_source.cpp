#include "search/search_source.h"

#include <array>
#include <string>

#include "store/event_cursor.h"
#include "store/event_fields.h"
#include "store/event_rule.h"
#include "store/table_open.h"

namespace orbelle {
namespace {

// Every field but the two no one writes, Complete and Start.
constexpr std::array<std::size_t, 35> kReadFields = [] {
    std::array<std::size_t, 35> fields{};
    std::size_t n = 0;
    for (std::size_t i = 0; i < kEventFields.size(); ++i)
        if (i != EventField("Complete") && i != EventField("Start")) fields[n++] = i;
    return fields;
}();

// texts: the field texts by the field's position; dates: Date as the table holds it.
SearchEvent EventOf(const std::array<std::string, kEventFields.size()>& texts, DateTime start,
                    const LocaleNames& names) {
    const FieldTextReader field = [&](std::string_view name) -> std::string {
        const std::optional<std::size_t> index = FindEventField(name);
        return index ? texts[*index] : std::string();
    };
    SearchEvent event;
    event.id = std::stoll(texts[kIdField]);
    event.subject = texts[EventField("Subject")];
    event.memo = texts[EventField("Memo")];
    event.type = texts[EventField("Type")];
    event.priority = texts[EventField("Priority")];
    event.sound = texts[EventField("Sound")];
    event.start = start;
    event.rule = EventRule(field, names);
    event.done = texts[EventField("Accepttext")] == "Y";
    return event;
}

}  // namespace

std::vector<SearchEvent> ReadSearchEvents(const std::filesystem::path& table, const LocaleNames& names) {
    std::vector<SearchEvent> events;
    FieldSnapshot snapshot(table);
    std::array<std::string, kEventFields.size()> texts;
    snapshot.Walk(kReadFields, [&](const EventCursor::Fields& fields) {
        for (std::size_t index : kReadFields) texts[index] = fields.FieldText(index);
        events.push_back(EventOf(texts, fields.FieldDateTime(EventField("Date")), names));
    });
    return events;
}

std::optional<SearchEvent> ReadSearchEvent(const std::filesystem::path& table, std::int64_t id,
                                           const LocaleNames& names) {
    sql::Database db = OpenEventTable(table, TableAccess::kRead);
    std::string columns;
    for (std::size_t index : kReadFields) columns += (columns.empty() ? "" : ", ") + std::string(kEventFields[index].name);
    sql::Statement select(db, "SELECT " + columns + " FROM TODOLIST WHERE Id = ?");
    select.BindInt(1, id);
    if (!select.Step()) return std::nullopt;
    std::array<std::string, kEventFields.size()> texts;
    DateTime start;
    for (std::size_t column = 0; column < kReadFields.size(); ++column) {
        const std::size_t index = kReadFields[column];
        const int c = static_cast<int>(column);
        if (kEventFields[index].type == FieldType::DateTime) {
            const double days = select.IsNull(c) ? 0.0 : select.ColumnDouble(c);
            if (index == EventField("Date")) start = DateTime(days);
        } else {
            texts[index] = select.IsNull(c) ? std::string() : select.ColumnText(c);
        }
    }
    return EventOf(texts, start, names);
}

}  // namespace orbelle
