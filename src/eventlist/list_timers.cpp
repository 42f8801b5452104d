// The list window's timers (the reminder scan a second after start, the
// working-set trim, the day rollover) and the tray's commands that reach
// the calendar and the program's end.
#include "eventlist/list_timers.h"

#include "base/clock.h"
#include "base/reminder_due.h"
#include "eventlist/list_rows.h"
#include "platform/shell.h"
#include "popup/reminder_popup.h"
#include "ui/message_loop.h"

namespace orbelle {

void EventListWindow::OnTimer(UINT_PTR id) {
    switch (id) {
        case kTimer1: Timer1Timer(); break;
        case kTimer2: Timer2Timer(); break;
        case kTimer3: Timer3Timer(); break;
        default: break;
    }
}
void EventListWindow::Timer1Timer() {
    // Stopped first: a scan that fails is reported once and not tried again.
    KillTimer(Hwnd(), kTimer1);
    // An editor opened before the first tick holds the cursor's pending row,
    // which walking the cursor would throw away: the scan waits for it.
    if (editor_open_) {
        SetTimer(Hwnd(), kTimer1, kTimer1Interval, nullptr);
        return;
    }
    Showtips();
    ReloadIfPending();
}
void EventListWindow::Showtips() {
    SetWhileAlive holds(scan_popup_open_);
    // Only the fields the test compares are read of every record. A record
    // found due is read whole when its turn comes, and tested again then: a
    // popup shown before it may have taken minutes, and another program may
    // have accepted it meanwhile.
    static const std::size_t accept_text = FindEventField("accepttext").value(),
                             next_alarm = FindEventField("nextalarm").value();
    static const std::size_t scan_fields[] = {kIdField, accept_text, next_alarm};
    std::vector<std::int64_t> due;
    cursor_.WalkFields(scan_fields, [&](const EventCursor::Fields& fields) {
        if (IsReminderDue(fields.FieldText(accept_text), fields.FieldDateTime(next_alarm), Today()))
            due.push_back(RecordId(fields));
    });
    // A quit request met inside a popup ends the scan with it.
    for (std::int64_t id : due) {
        if (quit_.QuitRequested()) return;
        if (!cursor_.SeekId(id) ||
            !IsReminderDue(cursor_.FieldText(accept_text), cursor_.FieldDateTime(next_alarm), Today()))
            continue;
        // Destroyed when it closes, like the editor: nothing refers to a closed
        // popup.
        MakeWindow<TForm5>(context_, cursor_)->ShowModal();
    }
    // Where a walk of the whole table leaves the cursor, as before.
    cursor_.StandAtEnd();
}
void EventListWindow::Timer2Timer() {
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExW(&version) || version.dwPlatformId != VER_PLATFORM_WIN32_NT) return;
    SetProcessWorkingSetSize(GetCurrentProcess(), static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1));
    ProcessPendingMessages();
}
// The day rollover: on a new day the calendar moves to it, and a month or
// year step the user had taken is taken again from there.
void EventListWindow::Timer3Timer() {
    const std::optional<year_month_day> current_day = calendar_.CurrentDay();
    if (!current_day) return;
    const year_month_day today = Today().Date();
    if (*current_day == today) return;
    calendar_.SetCurrentDay(today);
    const std::optional<Navigation> again = RepeatAfterRollover(last_navigation_);
    Navigate(Navigation::Today);
    if (again) Navigate(*again);
}
void EventListWindow::OnTrayCallback(UINT mouse_message) {
    if (mouse_message != WM_LBUTTONUP && mouse_message != WM_RBUTTONUP) return;
    // The menu closes when the user clicks elsewhere only if our window is
    // in front, and the posted WM_NULL lets a second click open it again.
    SetForegroundWindow(Hwnd());
    POINT cursor;
    GetCursorPos(&cursor);
    TrackPopupMenu(tray_menu_.Get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, Hwnd(),
                   nullptr);
    PostMessageW(Hwnd(), WM_NULL, 0, 0);
}
// One step of the desktop calendar's displayed date, then its redraw.
void EventListWindow::Navigate(Navigation command) {
    last_navigation_ = command;
    calendar_.Navigate(command);
}
void EventListWindow::HomePageClick() {
    auto page = context_.program_folder / "help" / "index.html";
    OpenWithShell(Hwnd(), page);
}
void EventListWindow::TrayExitClick() {
    if (!ConfirmExit()) return;
    calendar_.Hide();
    quit_.RequestQuit();
}
bool EventListWindow::ConfirmExit() const {
    // The full-width question mark ends the question on every system.
    return MessageBoxW(Hwnd(), L"Are you sure you want to exit Orbelle\uFF1F", L"Orbelle:Question", MB_YESNO) == IDYES;
}
void EventListWindow::ExitClick() {
    if (!ConfirmExit()) return;
    calendar_.Close();
}

}  // namespace orbelle
