#pragma once
// "The events changed": one notice that reaches every listener (the list,
// the reminders, and whatever else shows the events), so that whoever changes
// the table tells the notice and never needs to know who listens.
#include <cstdint>
#include <vector>

namespace orbelle {

// One listener. Each notice it does not care for does nothing; a listener
// deals with its own failures, so that one listener's trouble never keeps
// the notice from the next.
class EventChangeSink {
public:
    // A record was saved (new or changed) or deleted.
    virtual void EventSaved(std::int64_t /*id*/) {}
    virtual void EventDeleted(std::int64_t /*id*/) {}
    // The whole table may have changed (an import, a restore, another
    // program): read it again.
    virtual void EventsReloaded() {}
    // An occurrence's alarm of a repeating event was dismissed: its record is
    // as it was, what the reminders keep of it is not.
    virtual void AlarmsDismissed(std::int64_t /*id*/) {}
    // A restore is about to replace the table file: every connection to it
    // closes (Windows renames over no open file) until TableReopened, which
    // comes whether the restore succeeded or not, before EventsReloaded.
    virtual void TableClosing() {}
    virtual void TableReopened() {}

protected:
    ~EventChangeSink() = default;
};

// The notice: each call reaches every listener, in the order they were added.
class EventChanges final : public EventChangeSink {
public:
    void Add(EventChangeSink& listener);
    void Remove(EventChangeSink& listener);

    void EventSaved(std::int64_t id) override;
    void EventDeleted(std::int64_t id) override;
    void EventsReloaded() override;
    void AlarmsDismissed(std::int64_t id) override;
    void TableClosing() override;
    void TableReopened() override;

private:
    template <typename Notice>
    void Tell(Notice notice);
    std::vector<EventChangeSink*> listeners_;
};

}  // namespace orbelle
