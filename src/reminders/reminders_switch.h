#pragma once
// "Remind at the Alarm Time" in the list's Tools menu: the switch stored as
// [Reminders] AtAlarmTime of the settings file ("1" on), and the reminders
// it starts and stops. While on, the scan at start does not run; the
// reminders hear every change of the events through the one notice.
#include <filesystem>
#include <memory>

#include "reminders/alarm_watch.h"
#include "store/cursor_gate.h"
#include "store/event_changes.h"
#include "ui/tools_menu.h"
#include "ui/window_context.h"

namespace orbelle {

enum RemindersCommand : WORD {
    kCmdRemindAtAlarmTime = 200,  // checkable
};

class RemindersSwitch final : public EventChangeSink {
public:
    // A dismissed occurrence of a repeating event is told to `changes`: the
    // record stays as it was, so no other notice would say so.
    RemindersSwitch(WindowContext context, EventChangeSink& changes);
    RemindersSwitch(const RemindersSwitch&) = delete;
    RemindersSwitch& operator=(const RemindersSwitch&) = delete;
    ~RemindersSwitch();

    static bool Setting(const std::filesystem::path& program_folder);
    bool On() const { return on_; }

    void AddToolsItems(ToolsMenu& tools);
    // The list, whose cursor a dismissal and Open go through.
    void Attach(EventListAccess& list) { list_ = &list; }
    // Starts the reminders while the switch is on, on a table that opened
    // (and so passed its check: the reminders keep their state in its file,
    // and a file not ours is never written).
    void Start();
    void Stop();
    // The reminders, while on and once started.
    AlarmWatch* Watch() const { return watch_.get(); }

    void EventSaved(std::int64_t id) override;
    void EventDeleted(std::int64_t id) override;
    void EventsReloaded() override;
    void TableClosing() override;
    void TableReopened() override;

private:
    void Toggle();
    std::filesystem::path TableFile() const;

    WindowContext context_;
    EventChangeSink& changes_;
    bool on_ = false;
    EventListAccess* list_ = nullptr;
    std::unique_ptr<AlarmWatch> watch_;
};

}  // namespace orbelle
