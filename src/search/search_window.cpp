#include "search/search_window.h"

#include <windowsx.h>

#include <algorithm>
#include <array>

#include "base/clock.h"
#include "base/rule_words.h"
#include "platform/locale.h"
#include "platform/settings.h"
#include "platform/wide.h"
#include "search/search_source.h"
#include "search/text_fold.h"
#include "ui/errors.h"

namespace orbelle {
namespace {

constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr int kDefaultWidth = 720;
constexpr int kDefaultHeight = 480;
constexpr int kMargin = 8;
constexpr int kRowHeight = 22;
constexpr int kTypeWidth = 120;
constexpr int kDoneWidth = 140;

// The editor's types.
constexpr const wchar_t* kTypes[] = {L"Alarm",   L"Anniversary", L"Appointment", L"Birthday",
                                     L"Phone Call", L"Holiday",  L"Internet",    L"Meeting",
                                     L"Payment", L"Travel",      L"TV Program"};
constexpr const wchar_t* kAllTypes = L"All types";

// Places are set by LayOut; the table gives the kind, id, caption and style.
constexpr std::array<ControlSpec, 9> kControls{{
    {.window_class = L"EDIT", .id = SearchWindow::QueryBox, .style = ES_AUTOHSCROLL | WS_TABSTOP,
     .ex_style = WS_EX_CLIENTEDGE},
    {.window_class = L"COMBOBOX", .id = SearchWindow::TypeList, .height = 300,
     .style = CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP},
    {.window_class = L"BUTTON", .id = SearchWindow::DoneBox, .caption = L"Include done events",
     .style = BS_AUTOCHECKBOX | WS_TABSTOP},
    {.window_class = L"STATIC", .id = SearchWindow::FromLabel, .caption = L"From", .style = SS_RIGHT},
    {.window_class = DATETIMEPICK_CLASSW, .id = SearchWindow::FromDate,
     .style = DTS_SHORTDATEFORMAT | DTS_SHOWNONE | WS_TABSTOP},
    {.window_class = L"STATIC", .id = SearchWindow::ToLabel, .caption = L"To", .style = SS_RIGHT},
    {.window_class = DATETIMEPICK_CLASSW, .id = SearchWindow::ToDate,
     .style = DTS_SHORTDATEFORMAT | DTS_SHOWNONE | WS_TABSTOP},
    {.window_class = WC_LISTVIEWW, .id = SearchWindow::ResultList,
     .style = LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_OWNERDATA | WS_TABSTOP,
     .ex_style = WS_EX_CLIENTEDGE},
    {.window_class = STATUSCLASSNAMEW, .id = SearchWindow::StatusBar, .style = SBARS_SIZEGRIP},
}};

struct ColumnSpec {
    const wchar_t* title;
    int width;
    SearchColumn sorts;
};
constexpr std::array<ColumnSpec, 5> kColumns{{
    {L"Next Occurrence", 150, SearchColumn::Next},
    {L"Subject", 220, SearchColumn::Subject},
    {L"Type", 90, SearchColumn::Type},
    {L"Priority", 60, SearchColumn::Priority},
    {L"Recurrence", 170, SearchColumn::Recurrence},
}};

std::optional<year_month_day> PickedDay(HWND picker) {
    SYSTEMTIME time{};
    if (DateTime_GetSystemtime(picker, &time) != GDT_VALID) return std::nullopt;
    return year_month_day{std::chrono::year{time.wYear}, std::chrono::month{time.wMonth}, std::chrono::day{time.wDay}};
}

std::wstring WindowString(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

}  // namespace

SearchWindow::SearchWindow(const WindowContext& context, Actions& actions)
    : context_(context), actions_(actions), table_(context.program_folder / "db" / "TODOLIST.DB") {
    Create({.name = L"TSearch"}, {.caption = L"Search Events", .style = kStyle, .x = CW_USEDEFAULT, .y = 0,
                                  .width = kDefaultWidth, .height = kDefaultHeight, .owner = context.owner,
                                  .dialog_keys = true});
}

void SearchWindow::OnCreate() {
    names_ = UserLocaleNames();
    font_ = MakeFontPoints(L"Tahoma", 8);
    bold_font_ = MakeFontPoints(L"Tahoma", 8, /*bold=*/true);
    controls_.Create(Hwnd(), kControls, font_.Get());
    HWND types = Control(TypeList);
    SendMessageW(types, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kAllTypes));
    for (const wchar_t* type : kTypes) SendMessageW(types, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(type));
    SendMessageW(types, CB_SETCURSEL, 0, 0);
    // No date: no limit on that side.
    DateTime_SetSystemtime(Control(FromDate), GDT_NONE, nullptr);
    DateTime_SetSystemtime(Control(ToDate), GDT_NONE, nullptr);
    HWND list = Control(ResultList);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    for (std::size_t i = 0; i < kColumns.size(); ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.cx = kColumns[i].width;
        column.pszText = const_cast<wchar_t*>(kColumns[i].title);
        column.iSubItem = static_cast<int>(i);
        ListView_InsertColumn(list, static_cast<int>(i), &column);
    }
    ReadPlace();
    ShowResult();
}

void SearchWindow::OnDestroy() { WritePlace(); }

void SearchWindow::ReadPlace() {
    SettingsFile settings(ProgramSettingsPath(context_.program_folder));
    RECT rect;
    GetWindowRect(Hwnd(), &rect);
    const int x = settings.ReadIntegerOr("Search", "x", rect.left);
    const int y = settings.ReadIntegerOr("Search", "y", rect.top);
    const int width = std::max(320, settings.ReadIntegerOr("Search", "w", kDefaultWidth));
    const int height = std::max(200, settings.ReadIntegerOr("Search", "h", kDefaultHeight));
    MoveWindow(Hwnd(), x, y, width, height, FALSE);
    RECT client;
    GetClientRect(Hwnd(), &client);
    LayOut(client.right, client.bottom);
}

void SearchWindow::WritePlace() const {
    if (IsIconic(Hwnd()) || IsZoomed(Hwnd())) return;  // the place to come back to is the normal one
    SettingsFile settings(ProgramSettingsPath(context_.program_folder));
    RECT rect;
    GetWindowRect(Hwnd(), &rect);
    settings.WriteInteger("Search", "x", rect.left);
    settings.WriteInteger("Search", "y", rect.top);
    settings.WriteInteger("Search", "w", rect.right - rect.left);
    settings.WriteInteger("Search", "h", rect.bottom - rect.top);
}

void SearchWindow::LayOut(int width, int height) {
    HWND status = Control(StatusBar);
    if (!status) return;
    SendMessageW(status, WM_SIZE, 0, 0);
    RECT status_rect;
    GetWindowRect(status, &status_rect);
    const int query_width = std::max(80, width - 3 * kMargin - kTypeWidth - kDoneWidth - kMargin);
    int x = kMargin;
    MoveWindow(Control(QueryBox), x, kMargin, query_width, kRowHeight, TRUE);
    x += query_width + kMargin;
    MoveWindow(Control(TypeList), x, kMargin, kTypeWidth, 300, TRUE);
    x += kTypeWidth + kMargin;
    MoveWindow(Control(DoneBox), x, kMargin + 2, kDoneWidth, 18, TRUE);
    const int second = kMargin * 2 + kRowHeight;
    MoveWindow(Control(FromLabel), kMargin, second + 4, 36, 16, TRUE);
    MoveWindow(Control(FromDate), kMargin + 40, second, 120, kRowHeight, TRUE);
    MoveWindow(Control(ToLabel), kMargin + 166, second + 4, 24, 16, TRUE);
    MoveWindow(Control(ToDate), kMargin + 194, second, 120, kRowHeight, TRUE);
    const int top = second + kRowHeight + kMargin;
    const int bottom = height - (status_rect.bottom - status_rect.top);
    MoveWindow(Control(ResultList), 0, top, width, std::max(0, bottom - top), TRUE);
}

void SearchWindow::ShowInFront() {
    if (!index_built_ || index_stale_) BuildIndex();
    ShowWindow(Hwnd(), IsIconic(Hwnd()) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(Hwnd());
    SetFocus(Control(QueryBox));
    SendMessageW(Control(QueryBox), EM_SETSEL, 0, -1);
}

void SearchWindow::Hide() {
    WritePlace();
    ShowWindow(Hwnd(), SW_HIDE);
}

void SearchWindow::BuildIndex() {
    index_stale_ = false;
    today_ = Today();
    Guarded([this] {
        index_.Reset(ReadSearchEvents(table_, names_), today_);
        index_built_ = true;
    });
    Refresh();
}

void SearchWindow::EventSaved(std::int64_t id) {
    if (!index_built_) return;
    Guarded([&] {
        if (std::optional<SearchEvent> event = ReadSearchEvent(table_, id, names_)) index_.Put(*event);
        else index_.Remove(id);
    });
    Refresh();
}

void SearchWindow::EventDeleted(std::int64_t id) {
    if (!index_built_) return;
    index_.Remove(id);
    Refresh();
}

void SearchWindow::EventsReloaded() {
    if (!index_built_) return;
    // Hidden, the table is read again at the next showing only.
    if (IsWindowVisible(Hwnd())) BuildIndex();
    else index_stale_ = true;
}

SearchQuery SearchWindow::Query() const {
    SearchQuery query;
    query.text = Narrow(WindowString(Control(QueryBox)));
    const LRESULT type = SendMessageW(Control(TypeList), CB_GETCURSEL, 0, 0);
    if (type > 0 && static_cast<std::size_t>(type) <= std::size(kTypes))
        query.type = Narrow(kTypes[static_cast<std::size_t>(type) - 1]);
    query.include_done = Button_GetCheck(Control(DoneBox)) == BST_CHECKED;
    query.from = PickedDay(Control(FromDate));
    query.to = PickedDay(Control(ToDate));
    return query;
}

void SearchWindow::SearchNow() {
    KillTimer(Hwnd(), kSearchTimer);
    Refresh();
}

void SearchWindow::Refresh() {
    const std::optional<std::int64_t> selected = SelectedEvent();
    const SearchQuery query = Query();
    if (index_built_ && Today() != today_) {
        today_ = Today();
        index_.SetToday(today_);
    }
    query_empty_ = query.Empty();
    ranged_ = query.HasDateRange();
    index_.Find(query, result_);
    index_.Sort(result_, kColumns[static_cast<std::size_t>(sort_column_)].sorts, sort_ascending_);
    ShowResult();
    HWND list = Control(ResultList);
    for (std::size_t i = 0; selected && i < result_.hits.size(); ++i) {
        if (index_.Id(result_.hits[i].slot) != *selected) continue;
        ListView_SetItemState(list, static_cast<int>(i), LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_EnsureVisible(list, static_cast<int>(i), FALSE);
    }
}

void SearchWindow::ShowResult() {
    HWND list = Control(ResultList);
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemCountEx(list, static_cast<int>(result_.hits.size()), 0);
    InvalidateRect(list, nullptr, TRUE);
    std::wstring status = kTypeToSearch;
    if (!query_empty_) {
        const std::size_t found = result_.hits.size();
        status = std::to_wstring(found) + (found == 1 ? L" event found" : L" events found");
        if (ranged_)
            status += L", " + std::to_wstring(result_.occurrences) +
                      (result_.occurrences == 1 ? L" occurrence" : L" occurrences");
    }
    SendMessageW(Control(StatusBar), SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(status.c_str()));
}

std::vector<std::int64_t> SearchWindow::ResultIds() const {
    std::vector<std::int64_t> ids;
    for (const SearchHit& hit : result_.hits) ids.push_back(index_.Id(hit.slot));
    return ids;
}

std::wstring SearchWindow::StatusText() const {
    wchar_t text[256] = {};
    SendMessageW(Control(StatusBar), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
    return text;
}

std::optional<std::int64_t> SearchWindow::SelectedEvent() const {
    const int index = ListView_GetNextItem(Control(ResultList), -1, LVNI_SELECTED);
    if (index < 0 || static_cast<std::size_t>(index) >= result_.hits.size()) return std::nullopt;
    return index_.Id(result_.hits[static_cast<std::size_t>(index)].slot);
}

void SearchWindow::OpenSelected() {
    if (auto id = SelectedEvent()) actions_.Open(*id);
}

void SearchWindow::DeleteSelected() {
    if (auto id = SelectedEvent()) actions_.Delete(*id, Hwnd());
}

LRESULT SearchWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    return Window::HandleMessage(message, wparam, lparam);
}

void SearchWindow::OnCommand(WORD id, WORD code, HWND) {
    switch (id) {
        case IDOK: OpenSelected(); break;  // Enter, from any control
        case IDCANCEL: Hide(); break;      // Esc
        case QueryBox:
            if (code == EN_CHANGE) SetTimer(Hwnd(), kSearchTimer, kSearchDelay, nullptr);
            break;
        case TypeList:
            if (code == CBN_SELCHANGE) SearchNow();
            break;
        case DoneBox:
            if (code == BN_CLICKED) SearchNow();
            break;
        default: break;
    }
}

void SearchWindow::OnTimer(UINT_PTR id) {
    if (id == kSearchTimer) SearchNow();
}

LRESULT SearchWindow::OnNotify(const NMHDR& header) {
    auto& mutable_header = const_cast<NMHDR&>(header);
    if (header.hwndFrom == Control(FromDate) || header.hwndFrom == Control(ToDate)) {
        if (header.code == DTN_DATETIMECHANGE) SearchNow();
        return 0;
    }
    if (header.hwndFrom != Control(ResultList)) return 0;
    switch (header.code) {
        case LVN_GETDISPINFOW: OnGetDispInfo(reinterpret_cast<NMLVDISPINFOW&>(mutable_header)); return 0;
        case NM_CUSTOMDRAW: return OnCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW&>(mutable_header));
        case NM_DBLCLK: OpenSelected(); return 0;
        case LVN_COLUMNCLICK: SortBy(reinterpret_cast<const NMLISTVIEW&>(header).iSubItem); return 0;
        case LVN_KEYDOWN:
            if (reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey == VK_DELETE) DeleteSelected();
            return 0;
        default: return 0;
    }
}

void SearchWindow::SortBy(int column) {
    if (column < 0 || static_cast<std::size_t>(column) >= kColumns.size()) return;
    sort_ascending_ = column == sort_column_ ? !sort_ascending_ : true;
    sort_column_ = column;
    Refresh();
}

void SearchWindow::OnGetDispInfo(NMLVDISPINFOW& info) {
    LVITEMW& item = info.item;
    if (!(item.mask & LVIF_TEXT) || item.iItem < 0 || static_cast<std::size_t>(item.iItem) >= result_.hits.size())
        return;
    const SearchHit& hit = result_.hits[static_cast<std::size_t>(item.iItem)];
    std::string text;
    switch (item.iSubItem) {
        case 0: text = FormatDateTime12(hit.shown, names_); break;
        case 1: text = index_.Subject(hit.slot); break;
        case 2: text = index_.Type(hit.slot); break;
        case 3: text = index_.Priority(hit.slot); break;
        case 4: text = RuleInWords(index_.Rule(hit.slot), names_); break;
        default: break;
    }
    cell_text_ = Widen(text);
    lstrcpynW(item.pszText, cell_text_.c_str(), item.cchTextMax);
}

// The subject cell is drawn here, the matched parts of its words marked; the
// other cells are the list's own.
LRESULT SearchWindow::OnCustomDraw(NMLVCUSTOMDRAW& draw) {
    switch (draw.nmcd.dwDrawStage) {
        case CDDS_PREPAINT: return CDRF_NOTIFYITEMDRAW;
        case CDDS_ITEMPREPAINT: return CDRF_NOTIFYSUBITEMDRAW;
        case CDDS_ITEMPREPAINT | CDDS_SUBITEM: break;
        default: return CDRF_DODEFAULT;
    }
    const std::size_t row = draw.nmcd.dwItemSpec;
    if (draw.iSubItem != 1 || row >= result_.hits.size() || result_.terms.empty()) return CDRF_DODEFAULT;
    HWND list = Control(ResultList);
    RECT cell{};
    ListView_GetSubItemRect(list, static_cast<int>(row), 1, LVIR_LABEL, &cell);
    const std::string_view subject = index_.Subject(result_.hits[row].slot);
    const std::wstring text = Widen(std::string(subject));
    const std::vector<TextSpan> spans = MatchedSpans(subject, result_.terms);
    HDC dc = draw.nmcd.hdc;
    const bool selected = ListView_GetItemState(list, static_cast<int>(row), LVIS_SELECTED) & LVIS_SELECTED;
    const bool focused = GetFocus() == list;
    const COLORREF back = GetSysColor(selected ? (focused ? COLOR_HIGHLIGHT : COLOR_BTNFACE) : COLOR_WINDOW);
    const COLORREF fore = GetSysColor(selected && focused ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
    OwnedBrush brush(CreateSolidBrush(back));
    FillRect(dc, &cell, brush.Get());
    SetBkMode(dc, TRANSPARENT);
    const HGDIOBJ old_font = SelectObject(dc, font_.Get());
    int x = cell.left + 6;
    std::size_t at = 0;
    auto draw_piece = [&](std::size_t begin, std::size_t end, bool marked) {
        if (end <= begin) return;
        SelectObject(dc, marked ? bold_font_.Get() : font_.Get());
        SIZE size{};
        GetTextExtentPoint32W(dc, text.c_str() + begin, static_cast<int>(end - begin), &size);
        RECT piece{x, cell.top, std::min<LONG>(x + size.cx, cell.right), cell.bottom};
        if (marked && !(selected && focused)) {
            OwnedBrush mark(CreateSolidBrush(RGB(255, 236, 140)));
            FillRect(dc, &piece, mark.Get());
        }
        SetTextColor(dc, fore);
        DrawTextW(dc, text.c_str() + begin, static_cast<int>(end - begin), &piece,
                  DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
        x += size.cx;
    };
    for (const TextSpan& span : spans) {
        draw_piece(at, std::min(span.begin, text.size()), false);
        draw_piece(std::min(span.begin, text.size()), std::min(span.end, text.size()), true);
        at = std::min(span.end, text.size());
    }
    draw_piece(at, text.size(), false);
    SelectObject(dc, old_font);
    return CDRF_SKIPDEFAULT;
}

}  // namespace orbelle
