#include "eventlist/event_list_window.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <array>

#include "base/clock.h"
#include "base/error.h"
#include "base/reminder_due.h"
#include "editor/event_editor.h"
#include "eventlist/commands.h"
#include "eventlist/menus.h"
#include "eventlist/navigation.h"
#include "eventlist/startup_table_load.h"
#include "platform/file_replace.h"
#include "platform/locale.h"
#include "platform/program_messages.h"
#include "platform/settings.h"
#include "platform/shell.h"
#include "platform/startup_trace.h"
#include "platform/wide.h"
#include "eventlist/restore_backup_dialog.h"
#include "popup/reminder_popup.h"
#include "store/table_health.h"
#include "store/table_recovery.h"
#include "ui/controls.h"
#include "ui/errors.h"
#include "ui/message_loop.h"

namespace orbelle {
namespace {

constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr int kListId = 10;
constexpr int kToolBarId = 11;
constexpr int kStatusId = 12;

// A flag that holds while this lives.
class SetWhileAlive {
public:
    explicit SetWhileAlive(bool& flag) : flag_(flag) { flag_ = true; }
    ~SetWhileAlive() { flag_ = false; }
    SetWhileAlive(const SetWhileAlive&) = delete;
    SetWhileAlive& operator=(const SetWhileAlive&) = delete;

private:
    bool& flag_;
};

// Posted to itself: import the queued files once the message loop runs.
constexpr UINT kImportQueuedMessage = WM_APP + 13;

constexpr UINT_PTR kTimer1 = EventListWindow::kReminderScanTimer;
constexpr UINT kTimer1Interval = 1000;
constexpr UINT_PTR kTimer2 = 2;  // working-set trim
constexpr UINT kTimer2Interval = 5000;
constexpr UINT_PTR kTimer3 = 3;  // day rollover
constexpr UINT kTimer3Interval = 1000;
constexpr UINT kBackupTimerInterval = 60 * 1000;

struct ToolButtonSpec {
    WORD command;
    const wchar_t* caption;
    const wchar_t* tooltip;
    const wchar_t* bitmap;  // resource name of the 26 x 20 picture
};

constexpr std::array<ToolButtonSpec, 5> kToolButtons{{
    {kCmdNew, L"New", L"create a new event", L"TOOLBAR_NEW"},          // NewBtn
    {kCmdModify, L"Modify", L"modify a event", L"TOOLBAR_MODIFY"},     // OptionBtn
    {kCmdDelete, L"Delete", L"delete a event", L"TOOLBAR_DELETE"},     // DelBtn
    {kCmdFind, L"Find", L"find the events", L"TOOLBAR_FIND"},          // SearchBtn
    {kCmdClose, L"Close", L"print events imformation", L"TOOLBAR_CLOSE"},  // PrintBtn
}};

// The toolbar pictures' background, made see-through by the mask.
constexpr COLORREF kToolBarMaskColour = RGB(255, 0, 255);

}  // namespace

EventListWindow::EventListWindow(WindowContext context, CalendarControl& calendar, ProgramCommands& program,
                                 StartupTableLoad* startup_load)
    : context_(std::move(context)), calendar_(calendar), program_(program), startup_load_(startup_load) {
    Create({.name = kListWindowClass},
           {.caption = L"Event List", .style = kStyle, .x = 0, .y = 0, .width = kDesignWidth,
            .height = kDesignHeight, .owner = context_.owner, .menu = MakeMenuBar(EventsMenuBar()).Release(),
            .accelerators = EventsShortcuts()});
    // The rollover ticks even when a step of the creation has failed.
    SetTimer(Hwnd(), kTimer3, kTimer3Interval, nullptr);
}

std::filesystem::path EventListWindow::TableFile() const { return context_.program_folder / "db" / "TODOLIST.DB"; }

LRESULT EventListWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == kFirstBackupMessage) {
        Guarded([this] { StartAutomaticBackup(); });
        SetTimer(Hwnd(), kBackupTimer, kBackupTimerInterval, nullptr);
        return 0;
    }
    if (message == kBackupDoneMessage) {
        Guarded([this] { OnBackupDone(); });
        return 0;
    }
    if (message == TrayIcon::kCallbackMessage) {
        OnTrayCallback(static_cast<UINT>(lparam));
        return 0;
    }
    if (message == WM_SYSCOMMAND && (wparam & 0xFFF0) == SC_MINIMIZE) {
        ShowWindow(Hwnd(), SW_HIDE);
        return 0;
    }
    if (message == EventsChangedMessage()) {
        ReloadRows();
        return 0;
    }
    if (message == WM_COPYDATA) {
        const auto& data = *reinterpret_cast<const COPYDATASTRUCT*>(lparam);
        if (data.dwData != kImportFileCopyData || !data.lpData || data.cbData % sizeof(wchar_t) != 0 ||
            data.cbData > 64 * 1024)
            return FALSE;
        std::wstring path(static_cast<const wchar_t*>(data.lpData), data.cbData / sizeof(wchar_t));
        path.erase(std::find(path.begin(), path.end(), L'\0'), path.end());
        // The sender waits for this answer: the import and its summary come later.
        QueueImport(path);
        return TRUE;
    }
    if (message == kImportQueuedMessage) {
        ImportQueuedFiles();
        return 0;
    }
    // A restarted shell has forgotten every icon: register ours again.
    if (message == TrayIcon::TaskbarCreatedMessage()) {
        tray_.Readd();
        return 0;
    }
    return Window::HandleMessage(message, wparam, lparam);
}

// Closing only hides.
void EventListWindow::OnClose() { ShowWindow(Hwnd(), SW_HIDE); }

void EventListWindow::FormCreate() {
    StartupMark("  list: window made");
    CreateChildControls();
    StartupMark("  list: controls made");
    tray_menu_ = MakePopupMenu(TrayMenuItems());
    tray_.AddToday(Hwnd(), context_.program_folder);
    StartupMark("  list: tray icon added");
    SetApplicationTitle(L"Event List");
    if (!OpenTableAtStart()) return;
    StartupMark("  list: table opened and checked");
    FillList();
    StartupMark("  list: rows read");
    ReadSettings();
    StartupMark("  list: settings read");
    remind_at_alarm_time_ = RemindAtAlarmTimeSetting(context_.program_folder);
    ShowRemindAtAlarmTimeCheck();
    // In that mode the reminders announce each alarm at its time instead.
    if (!remind_at_alarm_time_) SetTimer(Hwnd(), kTimer1, kTimer1Interval, nullptr);
    SetTimer(Hwnd(), kTimer2, kTimer2Interval, nullptr);
    // After the calendar's first showing: the message is read once the loop runs.
    PostMessageW(Hwnd(), kFirstBackupMessage, 0, 0);
}

void EventListWindow::FormDestroy() {
    // A backup under way ends before the table's connection goes.
    backup_worker_.Wait();
    // The tray icon goes whatever the settings file says.
    struct RemoveTrayIcon {
        TrayIcon& tray;
        ~RemoveTrayIcon() { tray.Remove(); }
    } remove_tray_icon{tray_};
    WriteSettings();
}

void EventListWindow::ReadSettings() {
    SettingsFile settings(ProgramSettingsPath(context_.program_folder));
    int x = settings.ReadInteger("MainForm", "x", "0");
    int y = settings.ReadInteger("MainForm", "y", "0");
    int width = settings.ReadInteger("MainForm", "w", std::to_string(kDesignWidth));
    int height = settings.ReadInteger("MainForm", "h", std::to_string(kDesignHeight));
    // The first showing centres the window; the stored place is kept until then.
    MoveWindow(Hwnd(), x, y, width, height, FALSE);
    for (int column = 0; column < kListColumnCount; ++column) {
        int present = ListView_GetColumnWidth(list_, column);
        ListView_SetColumnWidth(list_, column, settings.ReadIntegerOr("listview", std::to_string(column), present));
    }
    HideHiddenColumns();
    show_maximized_ = settings.ReadString("MainForm", "Maximized", "") == "Yes";
}

void EventListWindow::WriteSettings() {
    SettingsFile settings(ProgramSettingsPath(context_.program_folder));
    RECT rect;
    GetWindowRect(Hwnd(), &rect);
    settings.WriteInteger("MainForm", "x", rect.left);
    settings.WriteInteger("MainForm", "y", rect.top);
    settings.WriteInteger("MainForm", "w", rect.right - rect.left);
    settings.WriteInteger("MainForm", "h", rect.bottom - rect.top);
    // Never written otherwise: a "Yes" stored earlier stays.
    if (IsZoomed(Hwnd()) || IsIconic(Hwnd())) settings.WriteString("MainForm", "Maximized", "Yes");
    for (int column = 0; column < kListColumnCount; ++column)
        settings.WriteInteger("listview", std::to_string(column), ListView_GetColumnWidth(list_, column));
}

void EventListWindow::CreateChildControls() {
    font_ = MakeFontPoints(L"Tahoma", 9);
    HINSTANCE instance = GetModuleHandleW(nullptr);

    toolbar_ = CreateControl(Hwnd(),
                             {.window_class = TOOLBARCLASSNAMEW, .id = kToolBarId,
                              .style = TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_TOP | WS_CLIPSIBLINGS},
                             font_.Get());
    SendMessageW(toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    toolbar_images_.Reset(CreateImageList(26, 20, ILC_COLOR24 | ILC_MASK, 5, 0));
    for (const auto& button : kToolButtons) {
        HBITMAP picture = static_cast<HBITMAP>(LoadImageW(instance, button.bitmap, IMAGE_BITMAP, 0, 0, 0));
        if (picture) {
            AddMaskedToImageList(toolbar_images_.Get(), picture, kToolBarMaskColour);
            DeleteObject(picture);
        }
    }
    SendMessageW(toolbar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(toolbar_images_.Get()));
    std::array<TBBUTTON, kToolButtons.size()> buttons{};
    for (size_t i = 0; i < kToolButtons.size(); ++i) {
        buttons[i].iBitmap = static_cast<int>(i);
        buttons[i].idCommand = kToolButtons[i].command;
        buttons[i].fsState = TBSTATE_ENABLED;
        buttons[i].fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE;
        buttons[i].iString = reinterpret_cast<INT_PTR>(kToolButtons[i].caption);
    }
    SendMessageW(toolbar_, TB_ADDBUTTONSW, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
    SendMessageW(toolbar_, TB_SETBUTTONSIZE, 0, MAKELPARAM(0, 41));
    SendMessageW(toolbar_, TB_AUTOSIZE, 0, 0);

    list_ = CreateControl(Hwnd(),
                          {.window_class = WC_LISTVIEWW, .id = kListId,
                           .style = LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_OWNERDATA | WS_TABSTOP,
                           .ex_style = WS_EX_CLIENTEDGE},
                          font_.Get());
    ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT | LVS_EX_FLATSB);
    for (const ListColumnSpec& column_spec : ListColumns()) {
        const int index = static_cast<int>(column_spec.id);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
        column.fmt = column_spec.align == ColumnAlign::Centre ? LVCFMT_CENTER : LVCFMT_LEFT;
        column.cx = column_spec.width;
        column.pszText = const_cast<wchar_t*>(column_spec.title);
        column.iSubItem = index;
        ListView_InsertColumn(list_, index, &column);
    }

    status_ = CreateControl(Hwnd(), {.window_class = STATUSCLASSNAMEW, .id = kStatusId, .style = SBARS_SIZEGRIP},
                            font_.Get());
    names_ = UserLocaleNames();
    LayOutChildren();
}

bool EventListWindow::OpenTableAtStart() {
    if (OpenedFirstTime()) return true;
    MessageBoxW(Hwnd(), L"Connect Error", L"Error", MB_OK | MB_ICONSTOP);
    try {
        cursor_.Open(TableFile());  // tried again; a second failure leaves the list empty
        return true;
    } catch (const Error& error) {
        ShowStandardError(error.what());
    }
    return OfferRestoreAtStart();
}

bool EventListWindow::OpenedFirstTime() {
    if (StartupTableLoad* load = std::exchange(startup_load_, nullptr)) {
        StartupTableLoad::Outcome outcome = load->Take();
        if (outcome.failure) return false;
        cursor_ = std::move(outcome.cursor);
        loaded_rows_ = std::move(outcome.rows);
        return true;
    }
    try {
        cursor_.Open(TableFile());
        return true;
    } catch (const Error&) {
        return false;
    }
}

bool EventListWindow::OfferRestoreAtStart() {
    // Only damage is offered a backup: a file locked or busy for now is left alone.
    if (ExamineTable(TableFile(), CheckDepth::Quick, std::chrono::seconds(1)).state != TableState::Damaged)
        return false;
    const std::optional<BackupEntry> backup = NewestGoodBackup(BackupFolderFor(TableFile()));
    if (!backup || !backup->events) return false;
    const std::wstring question = L"The event table cannot be read. Restore the events from the backup of " +
                                  BackupTimeText(backup->taken) + L" (" + std::to_wstring(*backup->events) +
                                  L" events)?";
    if (MessageBoxW(Hwnd(), question.c_str(), ApplicationTitle().c_str(), MB_YESNO | MB_ICONQUESTION) != IDYES)
        return false;
    return Guarded([&] {
        RestoreTable(TableFile(), backup->file, Now(), FileReplaceRefusal);
        cursor_.Open(TableFile());
    });
}

void EventListWindow::FillList() {
    SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
    if (loaded_rows_) {
        // Read at start beside the making of the windows, and still the table's.
        rows_ = std::move(*loaded_rows_);
        loaded_rows_.reset();
        cursor_.StandAtEnd();
    } else {
        // Only the fields the rows keep are read; the cells are formatted when the list asks.
        cursor_.WalkFields(ListRowFields(), [this](const EventCursor::Fields& fields) {
            rows_.push_back(RowFromFields(fields, StartFormat::Added));
        });
    }
    ListView_SetItemCountEx(list_, static_cast<int>(rows_.size()), LVSICF_NOINVALIDATEALL);
    SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
    HideHiddenColumns();
}

void EventListWindow::ReloadRows() {
    if (!CursorFree()) {
        reload_pending_ = true;
        return;
    }
    reload_pending_ = false;
    std::optional<std::int64_t> selected_id;
    if (auto index = SelectedRow()) selected_id = rows_[static_cast<size_t>(*index)].id;
    std::vector<ListRow> rows;
    Guarded([&] {
        for (cursor_.First(); !cursor_.Eof(); cursor_.Next())
            rows.push_back(RowFromCursor(cursor_, StartFormat::Added));
        rows_ = std::move(rows);
    });
    ListView_SetItemState(list_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemCountEx(list_, static_cast<int>(rows_.size()), LVSICF_NOSCROLL);
    InvalidateRect(list_, nullptr, TRUE);
    for (size_t i = 0; selected_id && i < rows_.size(); ++i)
        if (rows_[i].id == *selected_id) SelectRow(static_cast<int>(i));
    if (changes_) changes_->EventsReloaded();
}

void EventListWindow::ReloadIfPending() {
    if (reload_pending_) ReloadRows();
}

void EventListWindow::QueueImport(std::filesystem::path file) {
    queued_imports_.push_back(std::move(file));
    PostMessageW(Hwnd(), kImportQueuedMessage, 0, 0);
}

void EventListWindow::ImportQueuedFiles() {
    std::vector<std::filesystem::path> files = std::move(queued_imports_);
    queued_imports_.clear();
    for (const auto& file : files) ImportICalendar(file);
}

void EventListWindow::ImportICalendar(const std::filesystem::path& file) {
    program_.ImportICalendar(Hwnd(), file);
}

void EventListWindow::HideHiddenColumns() {
    for (const ListColumnSpec& column_spec : ListColumns())
        if (column_spec.hidden) ListView_SetColumnWidth(list_, static_cast<int>(column_spec.id), 0);
}

void EventListWindow::LayOutChildren() {
    if (!toolbar_ || !list_ || !status_) return;
    SendMessageW(toolbar_, TB_AUTOSIZE, 0, 0);
    SendMessageW(status_, WM_SIZE, 0, 0);
    RECT window_rect, client, tool_rect, status_rect;
    GetWindowRect(Hwnd(), &window_rect);
    GetClientRect(Hwnd(), &client);
    GetWindowRect(toolbar_, &tool_rect);
    GetWindowRect(status_, &status_rect);
    // The first panel stays 120 pixels narrower than the window.
    int first = (window_rect.right - window_rect.left) - 120;
    int edges[3] = {first, first + 35, first + 85};
    SendMessageW(status_, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(edges));
    int top = tool_rect.bottom - tool_rect.top;
    int bottom = client.bottom - (status_rect.bottom - status_rect.top);
    MoveWindow(list_, 0, top, client.right, std::max(0, static_cast<int>(bottom - top)), TRUE);
}

void EventListWindow::ShowMainWindow() {
    if (!shown_once_) {
        shown_once_ = true;
        RECT rect;
        GetWindowRect(Hwnd(), &rect);
        int width = rect.right - rect.left, height = rect.bottom - rect.top;
        SetWindowPos(Hwnd(), nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                     (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }
    if (show_maximized_) {
        show_maximized_ = false;
        ShowWindow(Hwnd(), SW_SHOWMAXIMIZED);
    } else {
        ShowWindow(Hwnd(), SW_SHOW);
    }
    SetForegroundWindow(Hwnd());
}

void EventListWindow::OnCommand(WORD id, WORD, HWND) {
    switch (id) {
        case kCmdNew: NewBtnClick(); break;
        case kCmdModify: OptionBtnClick(); break;
        case kCmdDelete: DelBtnClick(); break;
        case kCmdFind: SearchBtnClick(); break;
        case kCmdClose: PrintBtnClick(); break;
        case kCmdExit: ExitClick(); break;
        case kCmdShowMainWindow: ShowMainWindow(); break;
        case kCmdHomePage: HomePageClick(); break;
        case kCmdTrayExit: TrayExitClick(); break;
        case kCmdToday: Navigate(Navigation::Today); break;
        case kCmdPreviewYear: Navigate(Navigation::PreviewYear); break;
        case kCmdNextYear: Navigate(Navigation::NextYear); break;
        case kCmdPreviewMonth: Navigate(Navigation::PreviewMonth); break;
        case kCmdNextMonth: Navigate(Navigation::NextMonth); break;
        case kCmdOptions: program_.ShowOptions(); break;
        case kCmdAbout: program_.ShowAbout(); break;
        case kCmdRemindAtAlarmTime: ToggleRemindAtAlarmTime(); break;
        case kCmdImportICalendar: ImportICalendar({}); break;
        case kCmdExportICalendar: program_.ExportICalendar(Hwnd()); break;
        case kCmdExportCsv: program_.ExportCsv(Hwnd()); break;
        case kCmdBackUpNow: BackUpNowClick(); break;
        case kCmdRestoreBackup: RestoreFromBackupClick(); break;
        default: break;  // "Find a Event(&F)" and "Quick Reminder" have no action
    }
    ReloadIfPending();
}

LRESULT EventListWindow::OnNotify(const NMHDR& header) {
    if (header.hwndFrom == list_) {
        switch (header.code) {
            case LVN_GETDISPINFOW:
                OnGetDispInfo(*reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(&header)));
                return 0;
            case NM_DBLCLK:
                OptionBtnClick();
                ReloadIfPending();
                return 0;
            case LVN_KEYDOWN:
                if (reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey == VK_RETURN && GetKeyState(VK_MENU) >= 0) {
                    OptionBtnClick();
                    ReloadIfPending();
                }
                return 0;
        }
    }
    if (header.code == TTN_GETDISPINFOW) {
        auto& tip = *reinterpret_cast<NMTTDISPINFOW*>(const_cast<NMHDR*>(&header));
        for (const auto& button : kToolButtons)
            if (button.command == header.idFrom) tip.lpszText = const_cast<wchar_t*>(button.tooltip);
    }
    return 0;
}

void EventListWindow::OnGetDispInfo(NMLVDISPINFOW& info) {
    LVITEMW& item = info.item;
    if (!(item.mask & LVIF_TEXT) || item.iItem < 0 || static_cast<size_t>(item.iItem) >= rows_.size()) return;
    cell_text_ = Widen(CellText(rows_[static_cast<size_t>(item.iItem)], item.iSubItem, names_));
    lstrcpynW(item.pszText, cell_text_.c_str(), item.cchTextMax);
}

void EventListWindow::AppendRow(StartFormat start_format) {
    rows_.push_back(RowFromCursor(cursor_, start_format));
    ListView_SetItemCountEx(list_, static_cast<int>(rows_.size()), LVSICF_NOSCROLL);
}

std::optional<int> EventListWindow::SelectedRow() const {
    int index = ListView_GetNextItem(list_, -1, LVNI_SELECTED);
    if (index < 0 || static_cast<size_t>(index) >= rows_.size()) return std::nullopt;
    return index;
}

void EventListWindow::SelectRow(int index) {
    ListView_SetItemState(list_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemState(list_, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(list_, index, FALSE);
}

void EventListWindow::OnTimer(UINT_PTR id) {
    switch (id) {
        case kTimer1: Timer1Timer(); break;
        case kTimer2: Timer2Timer(); break;
        case kTimer3: Timer3Timer(); break;
        case kBackupTimer: StartAutomaticBackup(); break;
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
        if (program_.QuitRequested()) return;
        if (!cursor_.SeekId(id) ||
            !IsReminderDue(cursor_.FieldText(accept_text), cursor_.FieldDateTime(next_alarm), Today()))
            continue;
        // Destroyed when it closes, like the editor: nothing refers to a closed popup.
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

void EventListWindow::NewBtnClick() {
    if (scan_popup_open_) return;
    // The open editor owns the cursor's pending row until it closes.
    if (editor_open_) return;
    cursor_.Insert();
    // Destroyed when it closes: nothing refers to a closed editor, and keeping
    // each one would grow the window handles with every use.
    auto editor = MakeWindow<TForm2>(context_, cursor_, edit_cancelled_);
    edit_cancelled_ = false;
    editor->SetCaption(L"A New Event");
    bool saved = ShowEditor(*editor);
    if (edit_cancelled_ || !saved) {
        cursor_.Cancel();  // closed without saving in any way: the blank row goes
        return;
    }
    AppendRow(StartFormat::Added);
    SelectRow(static_cast<int>(rows_.size()) - 1);
    if (changes_) changes_->EventSaved(rows_.back().id);
}

void EventListWindow::OptionBtnClick() {
    if (scan_popup_open_) return;
    if (editor_open_) return;
    auto index = SelectedRow();
    if (!index) return;
    // A record gone from the table is not edited in place of another one.
    const std::int64_t id = rows_[static_cast<size_t>(*index)].id;
    if (!cursor_.SeekId(id)) return;
    const bool saved = ShowEditor(*MakeWindow<TForm2>(context_, cursor_, edit_cancelled_));
    if (!saved) cursor_.Cancel();
    // The row shows its own record only: the editor refuses to save when the
    // cursor was taken elsewhere while it was open.
    if (cursor_.FieldText("Id") == std::to_string(id)) UpdateRow(*index);
    if (saved && changes_) changes_->EventSaved(id);
}

bool EventListWindow::ShowEditor(TForm2& editor) {
    SetWhileAlive open(editor_open_);
    return editor.ShowModal() == IDOK;
}

void EventListWindow::UpdateRow(int index) {
    rows_[static_cast<size_t>(index)] = RowFromCursor(cursor_, StartFormat::Rewritten);
    ListView_RedrawItems(list_, index, index);
}

void EventListWindow::DelBtnClick() {
    if (scan_popup_open_) return;
    // An open editor holds the cursor's pending row, even when the list was
    // shown from the tray after the editor opened.
    if (editor_open_) return;
    auto index = SelectedRow();
    if (!index) return;
    ListRow row = rows_[static_cast<size_t>(*index)];
    // The full-width question mark ends the question on every system.
    std::wstring question = L"Are you sure you want to delete '" + Widen(row.subject) + L"' Item\uFF1F";
    if (MessageBoxW(Hwnd(), question.c_str(), L"", MB_YESNO) != IDYES) return;
    cursor_.Reopen(TableFile());  // a failure keeps the old connection working
    if (!cursor_.SeekId(row.id)) return;
    cursor_.Delete();
    // Found again by Id: the rows may have been read again while the question was open.
    auto deleted = std::find_if(rows_.begin(), rows_.end(), [&](const ListRow& r) { return r.id == row.id; });
    if (deleted != rows_.end()) rows_.erase(deleted);
    ListView_SetItemState(list_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemCountEx(list_, static_cast<int>(rows_.size()), LVSICF_NOSCROLL);
    InvalidateRect(list_, nullptr, TRUE);
    if (changes_) changes_->EventDeleted(row.id);
}

bool EventListWindow::RemindAtAlarmTimeSetting(const std::filesystem::path& program_folder) {
    return SettingsFile(ProgramSettingsPath(program_folder)).ReadString("Reminders", "AtAlarmTime", "") == "1";
}

void EventListWindow::ToggleRemindAtAlarmTime() {
    const bool on = !remind_at_alarm_time_;
    // Stored first: a key that cannot be written leaves the mode as it was.
    SettingsFile(ProgramSettingsPath(context_.program_folder)).WriteString("Reminders", "AtAlarmTime", on ? "1" : "0");
    remind_at_alarm_time_ = on;
    ShowRemindAtAlarmTimeCheck();
    if (changes_) changes_->RemindAtAlarmTimeChanged(on);
}

void EventListWindow::ShowRemindAtAlarmTimeCheck() {
    CheckMenuItem(GetMenu(Hwnd()), kCmdRemindAtAlarmTime,
                  MF_BYCOMMAND | (remind_at_alarm_time_ ? MF_CHECKED : MF_UNCHECKED));
}

std::optional<int> EventListWindow::RowOfId(std::int64_t id) const {
    for (size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].id == id) return static_cast<int>(i);
    return std::nullopt;
}

bool EventListWindow::ReloadEvents() {
    if (!CursorFree()) return false;
    ReloadRows();
    return true;
}

bool EventListWindow::AcceptEvent(std::int64_t id) {
    if (!CursorFree() || !cursor_.SeekId(id)) return false;
    cursor_.Edit();
    try {
        cursor_.SetFieldText("accepttext", "Y");
        cursor_.Post();
    } catch (...) {
        cursor_.Cancel();  // the stored record keeps its value
        throw;
    }
    if (auto index = RowOfId(id)) UpdateRow(*index);
    return true;
}

bool EventListWindow::OpenEvent(std::int64_t id) {
    if (!CursorFree()) return false;
    auto index = RowOfId(id);
    if (!index) return false;
    SelectRow(*index);
    OptionBtnClick();
    return true;
}

void EventListWindow::SearchBtnClick() {
    program_.ShowFind();
}

void EventListWindow::PrintBtnClick() { ShowWindow(Hwnd(), SW_HIDE); }

void EventListWindow::OnTrayCallback(UINT mouse_message) {
    if (mouse_message != WM_LBUTTONUP && mouse_message != WM_RBUTTONUP) return;
    // The menu closes when the user clicks elsewhere only if our window is
    // in front, and the posted WM_NULL lets a second click open it again.
    SetForegroundWindow(Hwnd());
    POINT cursor;
    GetCursorPos(&cursor);
    TrackPopupMenu(tray_menu_.Get(),
                   TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, Hwnd(), nullptr);
    PostMessageW(Hwnd(), WM_NULL, 0, 0);
}

// One step of the desktop calendar's displayed date, then its redraw.
void EventListWindow::Navigate(Navigation command) {
    last_navigation_ = command;
    calendar_.Navigate(command);
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

void EventListWindow::HomePageClick() {
    auto page = context_.program_folder / "help" / "index.html";
    OpenWithShell(Hwnd(), page);
}

void EventListWindow::TrayExitClick() {
    if (!ConfirmExit()) return;
    calendar_.Hide();
    program_.RequestQuit();
}

bool EventListWindow::ConfirmExit() const {
    // The full-width question mark ends the question on every system.
    return MessageBoxW(Hwnd(), L"Are you sure you want to exit Orbelle\uFF1F", L"Orbelle:Question", MB_YESNO) ==
           IDYES;
}

void EventListWindow::ExitClick() {
    if (!ConfirmExit()) return;
    calendar_.Close();
}

void EventListWindow::StartAutomaticBackup() {
    if (!cursor_.Active() || backup_worker_.Running()) return;
    if (!backup_schedule_.Due(Now())) return;
    backup_worker_.Start(TableFile(), Now(), /*only_if_changed=*/true, Hwnd(), kBackupDoneMessage);
}

void EventListWindow::BackUpNowClick() {
    if (!cursor_.Active()) return;
    if (backup_worker_.Running()) {
        // The one under way is the user's now: its end is told.
        backup_asked_by_user_ = true;
        return;
    }
    ShowStatus(L"Backing up...");
    if (backup_worker_.Start(TableFile(), Now(), /*only_if_changed=*/false, Hwnd(), kBackupDoneMessage))
        backup_asked_by_user_ = true;
}

void EventListWindow::OnBackupDone() {
    std::optional<BackupOutcome> outcome = backup_worker_.TakeOutcome();
    if (!outcome) return;
    const bool asked_by_user = std::exchange(backup_asked_by_user_, false);
    const DateTime now = Now();
    switch (outcome->kind) {
        // The automatic backup keeps quiet; the status bar answers the user's own command.
        case BackupOutcome::Kind::Made:
            backup_schedule_.Done(now);
            if (asked_by_user)
                ShowStatus(L"Backed up " + std::to_wstring(outcome->entry->events.value_or(0)) + L" events at " +
                           BackupTimeText(outcome->entry->taken));
            break;
        case BackupOutcome::Kind::Unneeded:
            backup_schedule_.Done(now);
            // Back Up Now came while the automatic one found nothing to do.
            if (asked_by_user) BackUpNowClick();
            break;
        case BackupOutcome::Kind::Failed: {
            const std::wstring text = L"The events could not be backed up: " + Widen(outcome->error);
            if (asked_by_user) {
                ShowStatus(L"");
                MessageBoxW(Hwnd(), text.c_str(), ApplicationTitle().c_str(), MB_OK | MB_ICONWARNING);
                break;
            }
            // Retried later without a word; only the run's first failure is told.
            if (backup_schedule_.Failed(now) && !tray_.ShowWarningBalloon(L"Orbelle backup", text))
                ShowStatus(text);
            break;
        }
    }
}

void EventListWindow::RestoreFromBackupClick() {
    if (scan_popup_open_ || editor_open_ || !cursor_.Active()) return;
    auto dialog = MakeWindow<RestoreBackupDialog>(context_, TableFile());
    if (dialog->ShowModal() != IDOK || !dialog->Chosen()) return;
    RestoreFromBackup(dialog->Chosen()->file);
}

void EventListWindow::RestoreFromBackup(const std::filesystem::path& backup) {
    // The cursor must not move under an editor or a popup.
    if (scan_popup_open_ || editor_open_) return;
    // Every connection to the table closes first: the copy under way reads
    // it, and Windows renames over no open file.
    backup_worker_.Wait();
    cursor_.Close();
    if (changes_) changes_->TableClosing();
    // Restored or not, the connections open again and every listener reads
    // the events afresh, through the one path for a changed table.
    struct ReopenAndReload {
        EventListWindow& list;
        ~ReopenAndReload() {
            const bool opened = Guarded([this] { list.cursor_.Open(list.TableFile()); });
            if (list.changes_) Guarded([this] { list.changes_->TableReopened(); });
            if (opened) Guarded([this] { list.ReloadEvents(); });
        }
    } reopen{*this};
    const RestoreResult result = RestoreTable(TableFile(), backup, Now(), FileReplaceRefusal);
    ShowStatus(L"Restored " + std::to_wstring(result.events) + L" events");
}

void EventListWindow::ShowStatus(const std::wstring& text) {
    SendMessageW(status_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

}  // namespace orbelle
