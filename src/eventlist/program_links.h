#pragma once
// What the list window and its tray menu ask of the other windows. The list
// knows neither the calendar nor the dialogs; the application wires these.
#include <windows.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>

#include "eventlist/navigation.h"
#include "ui/window_context.h"

namespace orbelle {

// The desktop calendar as the tray's commands and the day rollover see it.
class CalendarControl {
public:
    // One step of the displayed date, then the calendar's redraw.
    virtual void Navigate(Navigation step) = 0;
    // The day the rollover last ran on; empty when there is no calendar.
    virtual std::optional<std::chrono::year_month_day> CurrentDay() const = 0;
    virtual void SetCurrentDay(std::chrono::year_month_day day) = 0;
    virtual void Hide() = 0;
    // As the calendar's own close: the program ends.
    virtual void Close() = 0;

protected:
    ~CalendarControl() = default;
};

// The tray's commands that open other windows, and the end of the program.
class ProgramCommands : public QuitRequest {
public:
    // The one options dialog made at start, shown without being modal.
    virtual void ShowOptions() = 0;
    // A fresh about box or find dialog, modal, kept until the end.
    virtual void ShowAbout() = 0;
    virtual void ShowFind() = 0;

    // The Tools menu's files: each asks for the file unless given one, does
    // the work and tells the user how it went; an import that stored events
    // has the list read its rows again (ReloadRows) before its summary shows.
    virtual void ImportICalendar(HWND owner, const std::filesystem::path& file = {}) = 0;
    virtual void ExportICalendar(HWND owner) = 0;
    virtual void ExportCsv(HWND owner) = 0;

protected:
    ~ProgramCommands() = default;
};

// What the list tells the reminders at their alarm time: every change of the
// events, and the switch of the mode. The application wires it; without it
// the list works as it always has.
class EventChangeSink {
public:
    // A record was saved (new or changed) or deleted.
    virtual void EventSaved(std::int64_t id) = 0;
    virtual void EventDeleted(std::int64_t id) = 0;
    // The whole table may have changed (an import, a restore): read it again.
    virtual void EventsReloaded() = 0;
    // A restore is about to replace the table file: every connection to it
    // closes (Windows renames over no open file) until TableReopened, which
    // comes whether the restore succeeded or not, before EventsReloaded.
    virtual void TableClosing() = 0;
    virtual void TableReopened() = 0;
    // The "Remind at the Alarm Time" item turned the mode on or off.
    virtual void RemindAtAlarmTimeChanged(bool on) = 0;

protected:
    ~EventChangeSink() = default;
};

}  // namespace orbelle
