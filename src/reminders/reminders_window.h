#pragma once
// The Reminders window (`TReminders`): one row per due alarm (subject, alarm
// time, how late), with Dismiss, Dismiss All, Snooze beside its length, and
// Open. It stays on top and shows without taking the focus from whatever the
// user is typing in. It decides nothing itself: each button asks its Actions.
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/handles.h"
#include "reminders/snooze_length.h"
#include "ui/controls.h"
#include "ui/window.h"
#include "ui/window_context.h"

namespace orbelle {

class RemindersWindow : public Window {
public:
    enum ControlId : int { List = 100, DismissButton, DismissAllButton, SnoozeList, SnoozeButton, OpenButton };
    // Del dismisses the selected row; Enter does nothing (a stray keystroke
    // must not dismiss a reminder); Esc hides the window.
    enum Command : WORD { kDismissSelected = 300, kHide, kIgnoredEnter };
    // The wake-up timer its owner sets through Hwnd().
    static constexpr UINT_PTR kWakeTimer = 1;

    class Actions {
    public:
        virtual void Dismiss(std::int64_t event_id) = 0;
        virtual void DismissAll() = 0;
        virtual void Snooze(std::int64_t event_id, SnoozeLength length) = 0;
        virtual void Open(std::int64_t event_id) = 0;
        // The wake-up timer rang, the computer woke, or the clock changed.
        virtual void Wake() = 0;

    protected:
        ~Actions() = default;
    };

    struct Row {
        std::int64_t event_id = 0;
        std::wstring subject;
        std::wstring alarm;
        std::wstring lateness;
    };

    RemindersWindow(const WindowContext& context, Actions& actions, SnoozeLength preselected);

    // Replaces the rows, keeping the selection on the same event when it stays.
    void SetRows(std::vector<Row> rows);
    const std::vector<Row>& Rows() const { return rows_; }
    // Shows the window on top without activating it, and flashes it.
    void Announce();
    std::optional<std::int64_t> SelectedEvent() const;
    SnoozeLength ChosenSnooze() const;
    HWND Control(ControlId id) const { return controls_[id]; }

private:
    LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
    void OnCreate() override;
    // Closing hides: the rows stay and come back with the next alarm or start.
    void OnClose() override { ShowWindow(Hwnd(), SW_HIDE); }
    void OnCommand(WORD id, WORD code, HWND control) override;
    void OnTimer(UINT_PTR id) override;
    LRESULT OnNotify(const NMHDR& header) override;
    void DismissSelected();

    Actions& actions_;
    SnoozeLength preselected_;
    OwnedFont font_;
    Controls<ControlId> controls_;
    std::vector<Row> rows_;
    std::wstring cell_text_;
};

}  // namespace orbelle
