#include "reminders/reminders_window.h"

#include <array>

#include "platform/wide.h"

namespace orbelle {
namespace {

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
// On top, and with a taskbar button of its own although the hidden owner owns it.
constexpr DWORD kExStyle = WS_EX_TOPMOST | WS_EX_APPWINDOW;
constexpr SIZE kClientSize{468, 236};

constexpr std::array<ControlSpec, 6> kControls{{
    {.window_class = WC_LISTVIEWW, .id = RemindersWindow::List, .x = 8, .y = 8, .width = 452, .height = 184,
     .style = LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER | WS_TABSTOP,
     .ex_style = WS_EX_CLIENTEDGE},
    {.window_class = L"BUTTON", .id = RemindersWindow::DismissButton, .x = 8, .y = 202, .width = 72, .height = 25,
     .caption = L"Dismiss", .style = BS_PUSHBUTTON | WS_TABSTOP},
    {.window_class = L"BUTTON", .id = RemindersWindow::DismissAllButton, .x = 86, .y = 202, .width = 80,
     .height = 25, .caption = L"Dismiss All", .style = BS_PUSHBUTTON | WS_TABSTOP},
    // The drop-down's height is its closed box plus the open list.
    {.window_class = L"COMBOBOX", .id = RemindersWindow::SnoozeList, .x = 180, .y = 204, .width = 100,
     .height = 200, .style = CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP},
    {.window_class = L"BUTTON", .id = RemindersWindow::SnoozeButton, .x = 286, .y = 202, .width = 72, .height = 25,
     .caption = L"Snooze", .style = BS_PUSHBUTTON | WS_TABSTOP},
    {.window_class = L"BUTTON", .id = RemindersWindow::OpenButton, .x = 388, .y = 202, .width = 72, .height = 25,
     .caption = L"Open", .style = BS_PUSHBUTTON | WS_TABSTOP},
}};

struct ColumnSpec {
    const wchar_t* title;
    int width;
};
constexpr std::array<ColumnSpec, 3> kColumns{{{L"Subject", 210}, {L"Alarm Time", 110}, {L"How Late", 128}}};

constexpr ACCEL kKeys[] = {
    {FVIRTKEY, VK_DELETE, RemindersWindow::kDismissSelected},
    {FVIRTKEY, VK_ESCAPE, RemindersWindow::kHide},
    {FVIRTKEY, VK_RETURN, RemindersWindow::kIgnoredEnter},
};

}  // namespace

RemindersWindow::RemindersWindow(const WindowContext& context, Actions& actions, SnoozeLength preselected)
    : actions_(actions), preselected_(preselected) {
    SIZE outer = OuterSizeForClient(kClientSize.cx, kClientSize.cy, kStyle, kExStyle);
    // Bottom right of the work area, out of the way of what the user works on.
    RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    Create({.name = L"TReminders"},
           {.caption = L"Reminders", .style = kStyle, .ex_style = kExStyle, .x = work.right - outer.cx - 16,
            .y = work.bottom - outer.cy - 16, .width = outer.cx, .height = outer.cy, .owner = context.owner,
            .dialog_keys = true, .accelerators = kKeys});
}

void RemindersWindow::OnCreate() {
    font_ = MakeFontPoints(L"Tahoma", 8);
    controls_.Create(Hwnd(), kControls, font_.Get());
    HWND list = Control(List);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    for (size_t i = 0; i < kColumns.size(); ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.cx = kColumns[i].width;
        column.pszText = const_cast<wchar_t*>(kColumns[i].title);
        column.iSubItem = static_cast<int>(i);
        ListView_InsertColumn(list, static_cast<int>(i), &column);
    }
    HWND choice = Control(SnoozeList);
    for (const SnoozeChoice& item : kSnoozeChoices) {
        std::wstring text = Widen(std::string(item.text));
        SendMessageW(choice, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    for (size_t i = 0; i < kSnoozeChoices.size(); ++i)
        if (kSnoozeChoices[i].length == preselected_) SendMessageW(choice, CB_SETCURSEL, i, 0);
}

LRESULT RemindersWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        // Both reach every top-level window, hidden ones too: what rang
        // while the computer slept, or at a clock moved, shows now.
        case WM_POWERBROADCAST:
            if (wparam == PBT_APMRESUMEAUTOMATIC || wparam == PBT_APMRESUMESUSPEND) actions_.Wake();
            return TRUE;
        case WM_TIMECHANGE:
            actions_.Wake();
            return 0;
        default:
            return Window::HandleMessage(message, wparam, lparam);
    }
}

void RemindersWindow::OnTimer(UINT_PTR id) {
    if (id == kWakeTimer) actions_.Wake();
}

void RemindersWindow::OnCommand(WORD id, WORD code, HWND control) {
    if (control && code != BN_CLICKED) return;
    switch (id) {
        case DismissButton:
        case kDismissSelected: DismissSelected(); break;
        case DismissAllButton: actions_.DismissAll(); break;
        case SnoozeButton:
            if (auto event = SelectedEvent()) actions_.Snooze(*event, ChosenSnooze());
            break;
        case OpenButton:
            if (auto event = SelectedEvent()) actions_.Open(*event);
            break;
        case kHide:
        case IDCANCEL: ShowWindow(Hwnd(), SW_HIDE); break;
        default: break;  // Enter, and IDOK from the dialog keys: nothing
    }
}

LRESULT RemindersWindow::OnNotify(const NMHDR& header) {
    // A double click opens, as in the event list; it never dismisses.
    if (header.hwndFrom == Control(List) && header.code == NM_DBLCLK)
        if (auto event = SelectedEvent()) actions_.Open(*event);
    return 0;
}

void RemindersWindow::DismissSelected() {
    if (auto event = SelectedEvent()) actions_.Dismiss(*event);
}

std::optional<std::int64_t> RemindersWindow::SelectedEvent() const {
    int index = ListView_GetNextItem(Control(List), -1, LVNI_SELECTED);
    if (index < 0 || static_cast<size_t>(index) >= rows_.size()) return std::nullopt;
    return rows_[static_cast<size_t>(index)].event_id;
}

SnoozeLength RemindersWindow::ChosenSnooze() const {
    LRESULT index = SendMessageW(Control(SnoozeList), CB_GETCURSEL, 0, 0);
    if (index < 0 || static_cast<size_t>(index) >= kSnoozeChoices.size()) return kDefaultSnoozeLength;
    return kSnoozeChoices[static_cast<size_t>(index)].length;
}

void RemindersWindow::SetRows(std::vector<Row> rows) {
    const std::optional<std::int64_t> selected = SelectedEvent();
    rows_ = std::move(rows);
    HWND list = Control(List);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(list);
    int select = rows_.empty() ? -1 : 0;
    for (size_t i = 0; i < rows_.size(); ++i) {
        const Row& row = rows_[i];
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<wchar_t*>(row.subject.c_str());
        ListView_InsertItem(list, &item);
        ListView_SetItemText(list, item.iItem, 1, const_cast<wchar_t*>(row.alarm.c_str()));
        ListView_SetItemText(list, item.iItem, 2, const_cast<wchar_t*>(row.lateness.c_str()));
        if (selected && row.event_id == *selected) select = item.iItem;
    }
    // A row is always selected, so that Del and the buttons act without a click first.
    if (select >= 0) ListView_SetItemState(list, select, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

void RemindersWindow::Announce() {
    SetWindowPos(Hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    FLASHWINFO flash{sizeof flash, Hwnd(), FLASHW_ALL | FLASHW_TIMERNOFG, 0, 0};
    FlashWindowEx(&flash);
}

}  // namespace orbelle
