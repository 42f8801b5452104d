#pragma once
// The event list window (`TMainForm`): every event as a row, the commands
// New, Modify, Delete, Find and Close, and the event cursor for the whole run.
#include <windows.h>
#include <commctrl.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "base/datefmt.h"
#include "eventlist/list_rows.h"
#include "eventlist/navigation.h"
#include "eventlist/program_links.h"
#include "eventlist/tray_icon.h"
#include "platform/handles.h"
#include "store/cursor_gate.h"
#include "store/event_changes.h"
#include "store/event_cursor.h"
#include "ui/list_rooms.h"
#include "ui/tools_menu.h"
#include "ui/window.h"
#include "ui/window_context.h"

namespace orbelle {

class StartupTableLoad;
class TForm2;

// What the list is made with besides its context: the capabilities that live
// beside it. Each is optional; without them the list is the list alone.
struct ListRooms {
    // "The events changed": the list tells it of every save and delete, and
    // hears it to read its rows again.
    EventChanges* changes = nullptr;
    // The "Tools" menu's items; no Tools menu without it.
    const ToolsMenu* tools = nullptr;
    // Capabilities whose messages arrive at the list window.
    std::vector<WindowMessageHook*> hooks;
    // Capabilities with something to say as the editor opens an event.
    std::vector<EditorNotes*> editor_notes;
    // The question when the table cannot be opened at start.
    StartRecovery* recovery = nullptr;
    // The reminder scan a second after start; off while the reminders
    // announce each alarm at its time instead.
    bool scan_at_start = true;
};

class EventListWindow : public Window, public EventListAccess, public ListNotices, private EventChangeSink {
public:
    // With a start-up load, the table's first open and read are taken from it.
    EventListWindow(WindowContext context, CalendarControl& calendar, ProgramDialogs& dialogs, QuitRequest& quit,
                    ListRooms rooms = {}, StartupTableLoad* startup_load = nullptr);
    ~EventListWindow() override;

    static constexpr int kDesignWidth = 636;
    static constexpr int kDesignHeight = 436;
    // `Timer1`, the reminder scan's one tick a second after creation.
    static constexpr UINT_PTR kReminderScanTimer = 1;

    // "Show Main Window": centred the first time, then where the user left it.
    void ShowMainWindow();

    HWND ListView() const { return list_; }
    HWND ToolBar() const { return toolbar_; }
    HWND StatusBar() const { return status_; }
    HMENU TrayMenu() const { return tray_menu_.Get(); }
    // The last navigation command; none until the first.
    std::optional<Navigation> LastNavigation() const { return last_navigation_; }
    const TrayIcon& Tray() const { return tray_; }
    EventCursor& Cursor() { return cursor_; }
    const std::vector<ListRow>& Rows() const { return rows_; }
    std::filesystem::path TableFile() const;
    // Reads every row again from the table, as after another program stored
    // events; while an editor or a popup of the scan holds the cursor, it
    // runs once they have closed.
    void ReloadRows();

    bool CursorFree() const override { return !editor_open_ && !scan_popup_open_; }
    bool TableOpen() const override { return cursor_.Active(); }
    // As the popup's Accept: Accepttext "Y" stored through the cursor and
    // posted, the row rewritten. False when the cursor is held or the record gone.
    bool AcceptEvent(std::int64_t id) override;
    // The event in the editor, as Modify does; false when the cursor is held
    // or the record gone.
    bool OpenEvent(std::int64_t id) override;
    bool DeleteEvent(std::int64_t id, void* owner) override;
    bool NewEventAt(DateTime start) override;

    void ShowStatus(const std::wstring& text) override;
    bool ShowWarningBalloon(const std::wstring& title, const std::wstring& text) override;

private:
    LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
    void OnCreate() override { FormCreate(); }
    void OnDestroy() override { FormDestroy(); }
    void OnClose() override;
    void OnSize(UINT, int, int) override { LayOutChildren(); }
    void OnCommand(WORD id, WORD code, HWND control) override;
    LRESULT OnNotify(const NMHDR& header) override;
    void OnTimer(UINT_PTR id) override;
    void FormCreate();
    void FormDestroy();
    void CreateChildControls();
    void LayOutChildren();
    void FillList();
    // A reload that waited for the editor or the scan runs now, if nothing holds the cursor.
    void ReloadIfPending();
    // The list's own hearing of "the events changed": a restore closes and
    // opens the table under it, and any change of the whole table is read again.
    void EventsReloaded() override;
    void TableClosing() override;
    void TableReopened() override;
    // The Id column stays at width 0.
    void HideHiddenColumns();
    void ReadSettings();
    void WriteSettings();
    void OnTrayCallback(UINT mouse_message);
    void HomePageClick();
    void TrayExitClick();
    // Asks "Are you sure you want to exit Orbelle？"; true on Yes.
    bool ConfirmExit() const;
    void OnGetDispInfo(NMLVDISPINFOW& info);

    // The row filler: a row for the record under the cursor, at the end.
    void AppendRow(StartFormat start_format);
    // The row updater: the row at index rewritten from the record under the cursor.
    void UpdateRow(int index);
    std::optional<int> SelectedRow() const;
    void SelectRow(int index);

    // The reminder scan, once, a second after start.
    void Timer1Timer();
    // Every record that is due, one modal popup after another, in cursor order.
    void Showtips();
    // The working-set trim, every five seconds.
    void Timer2Timer();
    // The day rollover, every second.
    void Timer3Timer();
    void Navigate(Navigation command);
    std::optional<int> RowOfId(std::int64_t id) const;

    // Shows the editor modally; true when it saved.
    bool ShowEditor(TForm2& editor);
    // With a start, the editor opens on it instead of its defaults.
    void NewBtnClick(std::optional<DateTime> start = std::nullopt);
    void OptionBtnClick();
    void DelBtnClick();
    // Delete's question over the owner, then the row's record deleted.
    void DeleteRow(const ListRow& row, HWND owner);
    void SearchBtnClick();
    void PrintBtnClick();
    void ExitClick();

    // Connects the table; a table that cannot be opened is reported, and a
    // damaged one is offered its newest good backup. False when the list
    // stays without a table.
    bool OpenTableAtStart();
    // The first attempt, taken from the start-up load when there is one.
    bool OpenedFirstTime();

    WindowContext context_;
    CalendarControl& calendar_;
    ProgramDialogs& dialogs_;
    QuitRequest& quit_;
    ListRooms rooms_;
    EventCursor cursor_;
    std::vector<ListRow> rows_;
    StartupTableLoad* startup_load_ = nullptr;  // until the creation has taken it
    std::optional<std::vector<ListRow>> loaded_rows_;
    LocaleNames names_;
    std::wstring cell_text_;  // the text the list reads back from LVN_GETDISPINFO
    bool edit_cancelled_ = false;
    // While a popup of the scan is open the cursor belongs to the scan: its
    // Accept writes to the record under it.
    bool scan_popup_open_ = false;
    // While the editor is open the cursor belongs to it: commands that would
    // move the cursor or start another edit wait.
    bool editor_open_ = false;
    bool reload_pending_ = false;
    std::optional<Navigation> last_navigation_;
    bool shown_once_ = false;
    bool show_maximized_ = false;

    HWND toolbar_ = nullptr;
    HWND list_ = nullptr;
    HWND status_ = nullptr;
    OwnedFont font_;
    OwnedImageList toolbar_images_;
    TrayIcon tray_;
    OwnedMenu tray_menu_;  // `PopupMenu1`
};

}  // namespace orbelle
