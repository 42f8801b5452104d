#pragma once
// Events on the desktop calendar, behind two switches of the list's Tools
// menu stored in [Calendar] of the settings file ("1" on): ShowEvents marks
// the days that hold events, shows a day's events in a tip and makes a new
// event on a double-clicked day; ShowUpcoming shows the upcoming-events
// panel. The events are read once after the calendar first shows and then
// follow the one "events changed" notice; a month's marks are worked out
// once per month and change, not at every redraw.
#include <chrono>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <string_view>
#include <vector>

#include "base/datefmt.h"
#include "desktop/day_marks.h"
#include "deskevents/desk_event.h"
#include "deskevents/upcoming_window.h"
#include "store/cursor_gate.h"
#include "store/event_changes.h"
#include "ui/list_rooms.h"
#include "ui/tools_menu.h"
#include "ui/window_context.h"

namespace orbelle {

class DesktopWindow;

enum DeskEventsCommand : WORD {
    kCmdShowEvents = 220,    // checkable
    kCmdShowUpcoming = 221,  // checkable
};

class DeskEvents final : public CalendarEvents, public EventChangeSink, public WindowMessageHook {
public:
    // Posted to the list once the message loop runs: the first read of the
    // events starts, on a thread of its own; the second says it is done.
    static constexpr UINT kLoadMessage = WM_APP + 50;
    static constexpr UINT kLoadedMessage = WM_APP + 51;

    explicit DeskEvents(WindowContext context);
    DeskEvents(const DeskEvents&) = delete;
    DeskEvents& operator=(const DeskEvents&) = delete;
    ~DeskEvents();

    static bool Setting(const std::filesystem::path& program_folder, std::string_view key);

    void AddToolsItems(ToolsMenu& tools);
    // The calendar it draws on, the list whose cursor a new event goes
    // through and whose window carries the first read's message.
    void Attach(DesktopWindow& desktop, HWND list_window, EventListAccess& list);
    void Detach();

    bool ShowUpcoming() const { return show_upcoming_; }
    // The panel, while ShowUpcoming is on and the events are read.
    UpcomingWindow* Upcoming() const { return upcoming_.get(); }
    bool Loaded() const { return loaded_; }

    bool ShowEvents() const override { return show_events_; }
    MonthMarks MarksOf(std::chrono::year_month month) override;
    std::wstring TipOf(std::chrono::year_month_day day) override;
    void NewEventOn(std::chrono::year_month_day day) override;

    void EventSaved(std::int64_t id) override;
    void EventDeleted(std::int64_t id) override;
    void EventsReloaded() override;

    bool OnWindowMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;

private:
    std::filesystem::path TableFile() const;
    void Toggle(std::string_view key, bool& on);
    // Reads every event; false, with nothing read, while the table is not open.
    bool Load();
    // The same on the reading thread; its end is posted to the list.
    void StartLoad();
    void TakeLoad();
    void WaitForLoad();
    void Changed();
    void ShowPanel();

    WindowContext context_;
    bool show_events_ = false;
    bool show_upcoming_ = false;
    DesktopWindow* desktop_ = nullptr;
    EventListAccess* list_ = nullptr;
    LocaleNames names_;
    bool loaded_ = false;
    std::vector<DeskEvent> events_;
    std::map<std::chrono::year_month, MonthMarks> marks_;
    WindowPtr<UpcomingWindow> upcoming_;
    HWND list_window_ = nullptr;
    std::thread reader_;
    std::mutex read_mutex_;
    std::optional<std::vector<DeskEvent>> read_events_;  // the reading thread's outcome
    // A change came while the thread read: it reads again.
    bool changed_while_reading_ = false;
};

}  // namespace orbelle
