#include "store/event_changes.h"

#include <algorithm>

namespace orbelle {

void EventChanges::Add(EventChangeSink& listener) { listeners_.push_back(&listener); }

void EventChanges::Remove(EventChangeSink& listener) { std::erase(listeners_, &listener); }

template <typename Notice>
void EventChanges::Tell(Notice notice) {
    // A copy: a listener may add or remove one while it is told.
    const std::vector<EventChangeSink*> listeners = listeners_;
    for (EventChangeSink* listener : listeners)
        if (std::find(listeners_.begin(), listeners_.end(), listener) != listeners_.end()) notice(*listener);
}

void EventChanges::EventSaved(std::int64_t id) { Tell([id](EventChangeSink& l) { l.EventSaved(id); }); }

void EventChanges::EventDeleted(std::int64_t id) { Tell([id](EventChangeSink& l) { l.EventDeleted(id); }); }

void EventChanges::EventsReloaded() { Tell([](EventChangeSink& l) { l.EventsReloaded(); }); }

void EventChanges::AlarmsDismissed(std::int64_t id) { Tell([id](EventChangeSink& l) { l.AlarmsDismissed(id); }); }

void EventChanges::TableClosing() { Tell([](EventChangeSink& l) { l.TableClosing(); }); }

void EventChanges::TableReopened() { Tell([](EventChangeSink& l) { l.TableReopened(); }); }

}  // namespace orbelle
