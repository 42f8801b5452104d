#include "eventlist/event_list_window.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <array>
#include <iterator>

#include "base/clock.h"
#include "base/error.h"
#include "editor/event_editor.h"
#include "eventlist/commands.h"
#include "eventlist/list_timers.h"
#include "eventlist/list_toolbar.h"
#include "eventlist/menus.h"
#include "eventlist/navigation.h"
#include "eventlist/startup_table_load.h"
#include "platform/locale.h"
#include "platform/program_messages.h"
#include "platform/settings.h"
#include "platform/shell.h"
#include "platform/startup_trace.h"
#include "platform/wide.h"
#include "ui/controls.h"
#include "ui/errors.h"
#include "ui/message_loop.h"

namespace orbelle {
namespace {

constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr int kListId = 10;
constexpr int kToolBarId = 11;
constexpr int kStatusId = 12;

}  // namespace

EventListWindow::EventListWindow(WindowContext context, CalendarControl& calendar, ProgramDialogs& dialogs,
                                 QuitRequest& quit, ListRooms rooms, StartupTableLoad* startup_load)
    : context_(std::move(context)),
      calendar_(calendar),
      dialogs_(dialogs),
      quit_(quit),
      rooms_(std::move(rooms)),
      startup_load_(startup_load) {
    OwnedMenu menu_bar = MakeMenuBar(EventsMenuBar());
    if (rooms_.tools) {
        OwnedMenu tools = rooms_.tools->MakePopup();
        if (AppendMenuW(menu_bar.Get(), MF_POPUP, reinterpret_cast<UINT_PTR>(tools.Get()), L"Tools")) tools.Release();
    }
    if (rooms_.changes) rooms_.changes->Add(static_cast<EventChangeSink&>(*this));
    // The list's own shortcuts, then the Tools items' (Ctrl+F for the search).
    std::vector<ACCEL> shortcuts(EventsShortcuts().begin(), EventsShortcuts().end());
    if (rooms_.tools) std::ranges::copy(rooms_.tools->Shortcuts(), std::back_inserter(shortcuts));
    Create({.name = kListWindowClass},
           {.caption = L"Event List", .style = kStyle, .x = 0, .y = 0, .width = kDesignWidth,
            .height = kDesignHeight, .owner = context_.owner, .menu = menu_bar.Release(),
            .accelerators = shortcuts});
    // The rollover ticks even when a step of the creation has failed.
    SetTimer(Hwnd(), kTimer3, kTimer3Interval, nullptr);
}

EventListWindow::~EventListWindow() {
    if (rooms_.changes) rooms_.changes->Remove(static_cast<EventChangeSink&>(*this));
}

std::filesystem::path EventListWindow::TableFile() const { return context_.program_folder / "db" / "TODOLIST.DB"; }

LRESULT EventListWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    for (WindowMessageHook* hook : rooms_.hooks) {
        LRESULT result = 0;
        if (hook->OnWindowMessage(Hwnd(), message, wparam, lparam, result)) return result;
    }
    if (message == TrayIcon::kCallbackMessage) {
        OnTrayCallback(static_cast<UINT>(lparam));
        return 0;
    }
    if (message == WM_SYSCOMMAND && (wparam & 0xFFF0) == SC_MINIMIZE) {
        ShowWindow(Hwnd(), SW_HIDE);
        return 0;
    }
    // Another program changed the table: every listener reads it again.
    if (message == EventsChangedMessage()) {
        if (rooms_.changes) rooms_.changes->EventsReloaded();
        else ReloadRows();
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
    if (rooms_.tools) rooms_.tools->ShowChecks(GetMenu(Hwnd()));
    if (rooms_.scan_at_start) SetTimer(Hwnd(), kTimer1, kTimer1Interval, nullptr);
    SetTimer(Hwnd(), kTimer2, kTimer2Interval, nullptr);
}

void EventListWindow::FormDestroy() {
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
    toolbar_ = CreateListToolBar(Hwnd(), kToolBarId, font_.Get(), toolbar_images_);

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
    // Only a damaged table is offered its newest good backup.
    if (!rooms_.recovery || !rooms_.recovery->RestoreDamagedTable(Hwnd())) return false;
    return Guarded([this] { cursor_.Open(TableFile()); });
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
}

void EventListWindow::EventsReloaded() {
    // A table that did not open again after a restore has no rows to read.
    if (cursor_.Active()) ReloadRows();
}

void EventListWindow::TableClosing() { cursor_.Close(); }

void EventListWindow::TableReopened() {
    Guarded([this] { cursor_.Open(TableFile()); });
}

void EventListWindow::ReloadIfPending() {
    if (reload_pending_) ReloadRows();
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
        case kCmdOptions: dialogs_.ShowOptions(); break;
        case kCmdAbout: dialogs_.ShowAbout(); break;
        default:
            // "Find a Event(&F)" and "Quick Reminder" have no action.
            if (rooms_.tools) rooms_.tools->Run(id, Hwnd());
            break;
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
        if (const wchar_t* text = ToolBarTip(header.idFrom)) tip.lpszText = const_cast<wchar_t*>(text);
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

void EventListWindow::NewBtnClick(std::optional<DateTime> start) {
    if (scan_popup_open_) return;
    // The open editor owns the cursor's pending row until it closes.
    if (editor_open_) return;
    cursor_.Insert();
    // Destroyed when it closes: nothing refers to a closed editor, and keeping
    // each one would grow the window handles with every use.
    auto editor = MakeWindow<TForm2>(context_, cursor_, edit_cancelled_);
    edit_cancelled_ = false;
    editor->SetCaption(L"A New Event");
    if (start) editor->SetStart(*start);
    bool saved = ShowEditor(*editor);
    if (edit_cancelled_ || !saved) {
        cursor_.Cancel();  // closed without saving in any way: the blank row goes
        return;
    }
    AppendRow(StartFormat::Added);
    SelectRow(static_cast<int>(rows_.size()) - 1);
    if (rooms_.changes) rooms_.changes->EventSaved(rows_.back().id);
}

void EventListWindow::OptionBtnClick() {
    if (scan_popup_open_) return;
    if (editor_open_) return;
    auto index = SelectedRow();
    if (!index) return;
    // A record gone from the table is not edited in place of another one.
    const std::int64_t id = rows_[static_cast<size_t>(*index)].id;
    if (!cursor_.SeekId(id)) return;
    auto editor = MakeWindow<TForm2>(context_, cursor_, edit_cancelled_);
    for (EditorNotes* notes : rooms_.editor_notes) editor->AddOpeningNote(notes->NoteOnOpening(id));
    const bool saved = ShowEditor(*editor);
    if (!saved) cursor_.Cancel();
    // The row shows its own record only: the editor refuses to save when the
    // cursor was taken elsewhere while it was open.
    if (cursor_.FieldText(kIdField) == std::to_string(id)) UpdateRow(*index);
    if (saved && rooms_.changes) rooms_.changes->EventSaved(id);
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
    DeleteRow(rows_[static_cast<size_t>(*index)], Hwnd());
}

void EventListWindow::DeleteRow(const ListRow& shown, HWND owner) {
    const ListRow row = shown;  // the rows may be read again while the question is open
    // The full-width question mark ends the question on every system.
    std::wstring question = L"Are you sure you want to delete '" + Widen(row.subject) + L"' Item\uFF1F";
    if (MessageBoxW(owner, question.c_str(), L"", MB_YESNO) != IDYES) return;
    cursor_.Reopen(TableFile());  // a failure keeps the old connection working
    if (!cursor_.SeekId(row.id)) return;
    cursor_.Delete();
    // Found again by Id: the rows may have been read again while the question was open.
    auto deleted = std::find_if(rows_.begin(), rows_.end(), [&](const ListRow& r) { return r.id == row.id; });
    if (deleted != rows_.end()) rows_.erase(deleted);
    ListView_SetItemState(list_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemCountEx(list_, static_cast<int>(rows_.size()), LVSICF_NOSCROLL);
    InvalidateRect(list_, nullptr, TRUE);
    if (rooms_.changes) rooms_.changes->EventDeleted(row.id);
}

std::optional<int> EventListWindow::RowOfId(std::int64_t id) const {
    for (size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].id == id) return static_cast<int>(i);
    return std::nullopt;
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

bool EventListWindow::DeleteEvent(std::int64_t id, void* owner) {
    if (!CursorFree()) return false;
    auto index = RowOfId(id);
    if (!index) return false;
    DeleteRow(rows_[static_cast<size_t>(*index)], owner ? static_cast<HWND>(owner) : Hwnd());
    return true;
}

bool EventListWindow::NewEventAt(DateTime start) {
    if (!CursorFree()) return false;
    NewBtnClick(start);
    return true;
}

void EventListWindow::SearchBtnClick() {
    dialogs_.ShowFind();
}

void EventListWindow::PrintBtnClick() { ShowWindow(Hwnd(), SW_HIDE); }

void EventListWindow::ShowStatus(const std::wstring& text) {
    SendMessageW(status_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

bool EventListWindow::ShowWarningBalloon(const std::wstring& title, const std::wstring& text) {
    return tray_.ShowWarningBalloon(title, text);
}

}  // namespace orbelle
