#include "reminders/reminder_event.h"

#include "base/convert.h"
#include "store/event_cursor.h"

namespace orbelle {

ReminderEvent ReminderEventFromFields(std::int64_t id, const FieldTextReader& text, DateTime date,
                                      DateTime start_hour, const LocaleNames& names) {
    ReminderEvent event;
    event.id = id;
    event.subject = text("Subject");
    event.sound = text("Sound");
    event.accepted = text("Accepttext") == "Y";
    event.recurring = EventRecurs(text);
    event.start = date;
    event.alarm = start_hour;
    event.remind = text("Remind");
    if (event.recurring) event.rule = EventRule(text, names);
    return event;
}

ReminderEvent ReminderEventFromCursor(const EventCursor& cursor, const LocaleNames& names) {
    FieldTextReader text = [&](std::string_view field) { return cursor.FieldText(field); };
    return ReminderEventFromFields(ParseInt(cursor.FieldText("Id")).value_or(0), text,
                                   cursor.FieldDateTime("Date"), cursor.FieldDateTime("StartHour"), names);
}

}  // namespace orbelle
