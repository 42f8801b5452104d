#include "deskevents/desk_event.h"

#include "base/occurrences.h"

namespace orbelle {

DeskEvent DeskEventFromFields(std::int64_t id, const FieldTextReader& text, DateTime date,
                              const LocaleNames& names) {
    DeskEvent event;
    event.id = id;
    event.subject = text("Subject");
    event.start = date;
    event.accepted = text("Accepttext") == "Y";
    const std::string priority = text("Priority");
    event.high = priority == "Highest" || priority == "High";
    event.rule = EventRule(text, names);
    return event;
}

void ForEachOccurrence(const DeskEvent& event, DateTime from, DateTime until,
                       const std::function<void(DateTime)>& visit) {
    if (event.rule.kind == RecurrenceKind::None) {
        // The common case, without the search's set-up.
        if (event.start >= from && event.start < until) visit(event.start);
        return;
    }
    if (event.start >= until) return;
    for (std::optional<DateTime> next = FirstOccurrenceAtOrAfter(event.rule, event.start, from);
         next && *next < until; next = FirstOccurrenceAfter(event.rule, event.start, *next))
        visit(*next);
}

}  // namespace orbelle
