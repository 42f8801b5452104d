// "The events changed": every listener hears every notice, in the order the
// listeners were added, and one removed (even while being told) hears no more.
#include "store/event_changes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orbelle {
namespace {

class Recorder final : public EventChangeSink {
public:
    Recorder(std::string name, std::vector<std::string>& heard) : name_(std::move(name)), heard_(heard) {}
    void EventSaved(std::int64_t id) override { Hear("saved " + std::to_string(id)); }
    void EventDeleted(std::int64_t id) override { Hear("deleted " + std::to_string(id)); }
    void EventsReloaded() override { Hear("reloaded"); }
    void TableClosing() override { Hear("closing"); }
    void TableReopened() override { Hear("reopened"); }
    void AlarmsDismissed(std::int64_t id) override { Hear("dismissed " + std::to_string(id)); }

private:
    void Hear(const std::string& notice) { heard_.push_back(name_ + ": " + notice); }
    std::string name_;
    std::vector<std::string>& heard_;
};

// A listener that cares for one notice only: the others do nothing.
class ReloadsOnly final : public EventChangeSink {
public:
    void EventsReloaded() override { ++reloads; }
    int reloads = 0;
};

TEST(EventChangesTest, EveryListenerHearsEveryNoticeInTheOrderAdded) {
    std::vector<std::string> heard;
    Recorder list("list", heard), reminders("reminders", heard);
    ReloadsOnly marks;
    EventChanges changes;
    changes.Add(list);
    changes.Add(marks);
    changes.Add(reminders);

    changes.EventSaved(7);
    changes.EventDeleted(-3);
    changes.TableClosing();
    changes.TableReopened();
    changes.EventsReloaded();
    changes.AlarmsDismissed(4);

    EXPECT_EQ(heard, (std::vector<std::string>{"list: saved 7", "reminders: saved 7", "list: deleted -3",
                                               "reminders: deleted -3", "list: closing", "reminders: closing",
                                               "list: reopened", "reminders: reopened", "list: reloaded",
                                               "reminders: reloaded", "list: dismissed 4", "reminders: dismissed 4"}));
    EXPECT_EQ(marks.reloads, 1);
}

// A listener may go while the notice is under way (the reminders switched
// off by what they heard): it is not told after it has gone.
class RemovesOther final : public EventChangeSink {
public:
    RemovesOther(EventChanges& changes, EventChangeSink& other) : changes_(changes), other_(other) {}
    void EventsReloaded() override { changes_.Remove(other_); }

private:
    EventChanges& changes_;
    EventChangeSink& other_;
};

TEST(EventChangesTest, AListenerRemovedHearsNoMoreEvenDuringANotice) {
    std::vector<std::string> heard;
    Recorder gone("gone", heard), kept("kept", heard);
    EventChanges changes;
    RemovesOther remover(changes, gone);
    changes.Add(remover);
    changes.Add(gone);
    changes.Add(kept);

    changes.EventsReloaded();
    changes.EventSaved(1);

    EXPECT_EQ(heard, (std::vector<std::string>{"kept: reloaded", "kept: saved 1"}));
}

}  // namespace
}  // namespace orbelle
