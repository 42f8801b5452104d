#include "sync/sync_window.h"

#include <array>
#include <exception>

#include "platform/wide.h"
#include "sync/credentials.h"
#include "sync/sync_runner.h"
#include "ui/errors.h"

namespace orbelle::sync {
namespace {

constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr int kClientWidth = 460;
constexpr int kClientHeight = 440;
constexpr int kLabelX = 10, kLabelWidth = 100, kBoxX = 115, kBoxWidth = 335;

constexpr std::array<ControlSpec, 17> kControls{{
    {.window_class = L"STATIC", .id = SyncWindow::ServerLabel, .x = kLabelX, .y = 13, .width = kLabelWidth,
     .height = 16, .caption = L"Server address:"},
    {.window_class = L"EDIT", .id = SyncWindow::ServerBox, .x = kBoxX, .y = 10, .width = kBoxWidth, .height = 22,
     .style = ES_AUTOHSCROLL | WS_TABSTOP, .ex_style = WS_EX_CLIENTEDGE},
    {.window_class = L"STATIC", .id = SyncWindow::UserLabel, .x = kLabelX, .y = 41, .width = kLabelWidth,
     .height = 16, .caption = L"User name:"},
    {.window_class = L"EDIT", .id = SyncWindow::UserBox, .x = kBoxX, .y = 38, .width = kBoxWidth, .height = 22,
     .style = ES_AUTOHSCROLL | WS_TABSTOP, .ex_style = WS_EX_CLIENTEDGE},
    {.window_class = L"STATIC", .id = SyncWindow::PasswordLabel, .x = kLabelX, .y = 69, .width = kLabelWidth,
     .height = 16, .caption = L"Password:"},
    {.window_class = L"EDIT", .id = SyncWindow::PasswordBox, .x = kBoxX, .y = 66, .width = kBoxWidth, .height = 22,
     .style = ES_AUTOHSCROLL | ES_PASSWORD | WS_TABSTOP, .ex_style = WS_EX_CLIENTEDGE},
    {.window_class = L"BUTTON", .id = SyncWindow::FindButton, .x = kBoxX, .y = 96, .width = 120, .height = 24,
     .caption = L"Find Calendars", .style = BS_PUSHBUTTON | WS_TABSTOP},
    {.window_class = L"STATIC", .id = SyncWindow::CalendarLabel, .x = kLabelX, .y = 131, .width = kLabelWidth,
     .height = 16, .caption = L"Calendar:"},
    {.window_class = L"COMBOBOX", .id = SyncWindow::CalendarList, .x = kBoxX, .y = 128, .width = kBoxWidth,
     .height = 200, .style = CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP},
    {.window_class = L"STATIC", .id = SyncWindow::EveryLabel, .x = kLabelX, .y = 161, .width = kLabelWidth,
     .height = 16, .caption = L"Sync every:"},
    {.window_class = L"COMBOBOX", .id = SyncWindow::EveryList, .x = kBoxX, .y = 158, .width = 120, .height = 200,
     .style = CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP},
    {.window_class = L"BUTTON", .id = SyncWindow::SyncNowButton, .x = 350, .y = 157, .width = 100, .height = 24,
     .caption = L"Sync Now", .style = BS_PUSHBUTTON | WS_TABSTOP},
    {.window_class = L"EDIT", .id = SyncWindow::StatusBox, .x = kLabelX, .y = 192, .width = 440, .height = 70,
     .style = ES_MULTILINE | ES_READONLY | WS_VSCROLL, .ex_style = WS_EX_CLIENTEDGE},
    {.window_class = L"STATIC", .id = SyncWindow::KeptLabel, .x = kLabelX, .y = 270, .width = 440, .height = 16,
     .caption = L"Versions kept from conflicts, and items set aside:"},
    {.window_class = L"LISTBOX", .id = SyncWindow::KeptList, .x = kLabelX, .y = 288, .width = 440, .height = 110,
     .style = LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP, .ex_style = WS_EX_CLIENTEDGE},
    {.window_class = L"BUTTON", .id = SyncWindow::RestoreButton, .x = kLabelX, .y = 406, .width = 150, .height = 24,
     .caption = L"Restore This Version", .style = BS_PUSHBUTTON | WS_TABSTOP | WS_DISABLED},
    {.window_class = L"BUTTON", .id = SyncWindow::CloseButton, .x = 350, .y = 406, .width = 100, .height = 24,
     .caption = L"Close", .style = BS_PUSHBUTTON | WS_TABSTOP},
}};

constexpr const wchar_t* kEveryTexts[] = {L"Off", L"5 minutes", L"15 minutes", L"60 minutes"};

std::wstring BoxText(HWND box) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(box)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(box, text.data(), static_cast<int>(text.size()))));
    return text;
}

// "20261211T083000Z" as the user reads it, in UTC.
std::wstring ShownStamp(const std::string& stamp) {
    if (stamp.size() < 15) return Widen(stamp);
    return Widen(stamp.substr(0, 4) + "-" + stamp.substr(4, 2) + "-" + stamp.substr(6, 2) + " " + stamp.substr(9, 2) +
                 ":" + stamp.substr(11, 2) + " UTC");
}

}  // namespace

SyncWindow::SyncWindow(const WindowContext& context, Actions& actions) : context_(context), actions_(actions) {
    RECT frame{0, 0, kClientWidth, kClientHeight};
    AdjustWindowRectEx(&frame, kStyle, FALSE, 0);
    Create({.name = L"TSync"}, {.caption = L"Calendar Sync", .style = kStyle, .width = frame.right - frame.left,
                                .height = frame.bottom - frame.top, .owner = context.owner, .dialog_keys = true});
}

void SyncWindow::OnCreate() {
    font_ = MakeFontPoints(L"Tahoma", 8);
    controls_.Create(Hwnd(), kControls, font_.Get());
    settings_ = ReadSyncSettings(context_.program_folder);
    SetWindowTextW(Control(ServerBox), Widen(settings_.server).c_str());
    SetWindowTextW(Control(UserBox), Widen(settings_.user).c_str());
    for (const wchar_t* text : kEveryTexts)
        SendMessageW(Control(EveryList), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    for (std::size_t i = 0; i < std::size(kSyncIntervals); ++i)
        if (kSyncIntervals[i] == settings_.every_minutes) SendMessageW(Control(EveryList), CB_SETCURSEL, i, 0);
    if (!settings_.calendar_url.empty()) {
        calendars_ = {{.url = settings_.calendar_url, .name = settings_.calendar_name}};
        const std::wstring shown = Widen(settings_.calendar_name.empty() ? settings_.calendar_url : settings_.calendar_name);
        SendMessageW(Control(CalendarList), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(shown.c_str()));
        SendMessageW(Control(CalendarList), CB_SETCURSEL, 0, 0);
    }
    ShowStored();
}

void SyncWindow::ShowInFront() {
    ShowWindow(Hwnd(), IsIconic(Hwnd()) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(Hwnd());
}

SyncSettings SyncWindow::SettingsInBoxes() const {
    SyncSettings settings = settings_;
    settings.server = Narrow(BoxText(Control(ServerBox)));
    settings.user = Narrow(BoxText(Control(UserBox)));
    const LRESULT calendar = SendMessageW(Control(CalendarList), CB_GETCURSEL, 0, 0);
    if (calendar >= 0 && static_cast<std::size_t>(calendar) < calendars_.size()) {
        settings.calendar_url = calendars_[static_cast<std::size_t>(calendar)].url;
        settings.calendar_name = calendars_[static_cast<std::size_t>(calendar)].name;
    }
    const LRESULT every = SendMessageW(Control(EveryList), CB_GETCURSEL, 0, 0);
    if (every >= 0 && static_cast<std::size_t>(every) < std::size(kSyncIntervals))
        settings.every_minutes = kSyncIntervals[static_cast<std::size_t>(every)];
    return settings;
}

void SyncWindow::OnCommand(WORD id, WORD code, HWND) {
    switch (id) {
    case FindButton: {
        const SyncSettings settings = SettingsInBoxes();
        if (settings.server.empty() || settings.user.empty()) {
            MessageBoxW(Hwnd(), L"Enter the server address and your user name first.", L"Calendar Sync",
                        MB_OK | MB_ICONINFORMATION);
            return;
        }
        std::string password = Narrow(BoxText(Control(PasswordBox)));
        // Nothing typed: the password kept for this server, if any.
        if (password.empty()) password = ReadPassword(settings.server).value_or("");
        SetStatus(L"Looking for your calendars...");
        EnableWindow(Control(FindButton), FALSE);
        actions_.FindCalendars({.url = settings.server, .user = settings.user, .password = password,
                                .pinned_sha256 = settings.pinned_sha256});
        return;
    }
    case CalendarList:
    case EveryList:
        if (code == CBN_SELCHANGE) {
            settings_ = SettingsInBoxes();
            actions_.ChangeSettings(settings_, Narrow(BoxText(Control(PasswordBox))));
        }
        return;
    case SyncNowButton:
        settings_ = SettingsInBoxes();
        actions_.ChangeSettings(settings_, Narrow(BoxText(Control(PasswordBox))));
        actions_.SyncNow(false);
        return;
    case KeptList:
        if (code == LBN_SELCHANGE) {
            const LRESULT row = SendMessageW(Control(KeptList), LB_GETCURSEL, 0, 0);
            const bool kept = row >= 0 && static_cast<std::size_t>(row) < kept_ids_.size() &&
                              kept_ids_[static_cast<std::size_t>(row)] != 0;
            EnableWindow(Control(RestoreButton), kept);
        }
        return;
    case RestoreButton: {
        const LRESULT row = SendMessageW(Control(KeptList), LB_GETCURSEL, 0, 0);
        if (row >= 0 && static_cast<std::size_t>(row) < kept_ids_.size() && kept_ids_[static_cast<std::size_t>(row)])
            actions_.RestoreKept(kept_ids_[static_cast<std::size_t>(row)]);
        return;
    }
    case CloseButton:
    case IDCANCEL: ShowWindow(Hwnd(), SW_HIDE); return;
    default: return;
    }
}

void SyncWindow::ShowCalendars(const std::vector<CalendarInfo>& calendars, const std::string& failure) {
    EnableWindow(Control(FindButton), TRUE);
    if (!failure.empty()) {
        SetStatus(Widen("No calendars were found: " + failure));
        return;
    }
    calendars_ = calendars;
    HWND list = Control(CalendarList);
    SendMessageW(list, CB_RESETCONTENT, 0, 0);
    int chosen = 0;
    for (std::size_t i = 0; i < calendars_.size(); ++i) {
        const std::wstring name = Widen(calendars_[i].name.empty() ? calendars_[i].url : calendars_[i].name);
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        if (calendars_[i].url == settings_.calendar_url) chosen = static_cast<int>(i);
    }
    if (calendars_.empty()) {
        SetStatus(L"The server shows no calendar of events to this user.");
        return;
    }
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(chosen), 0);
    settings_ = SettingsInBoxes();
    actions_.ChangeSettings(settings_, Narrow(BoxText(Control(PasswordBox))));
    SetStatus(Widen(std::to_string(calendars_.size()) + (calendars_.size() == 1 ? " calendar" : " calendars") +
                    " found; \"" + settings_.calendar_name + "\" is chosen."));
}

void SyncWindow::ShowSyncing() {
    EnableWindow(Control(SyncNowButton), FALSE);
    SetStatus(L"Syncing...");
}

void SyncWindow::ShowReport(const SyncReport& report) {
    EnableWindow(Control(SyncNowButton), TRUE);
    std::string text;
    switch (report.outcome) {
    case SyncOutcome::kDone: text = "Synced: " + report.Summary() + "."; break;
    case SyncOutcome::kStoppedByGuard: text = report.message; break;
    case SyncOutcome::kNeedsPassword:
        text = "The server refused the user name or password. Enter the password and press Sync Now.";
        break;
    case SyncOutcome::kFailed: text = "The sync failed: " + report.message; break;
    }
    SetStatus(Widen(text));
    FillLists();
}

void SyncWindow::ShowStored() {
    if (settings_.calendar_url.empty()) {
        SetStatus(L"Not set up: enter the server address, user name and password, then Find Calendars.");
        return;
    }
    try {
        const SyncRecord record = ReadSyncRecord(EventTableOf(context_.program_folder), settings_.calendar_url);
        SetStatus(record.last_sync_utc.empty()
                      ? L"Not synced yet."
                      : L"Last sync " + ShownStamp(record.last_sync_utc) + L": " + Widen(record.result));
    } catch (const std::exception& error) {
        SetStatus(Widen(error.what()));
    }
    FillLists();
}

void SyncWindow::FillLists() {
    HWND list = Control(KeptList);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    kept_ids_.clear();
    EnableWindow(Control(RestoreButton), FALSE);
    SyncRecord record;
    try {
        record = ReadSyncRecord(EventTableOf(context_.program_folder), settings_.calendar_url);
    } catch (const std::exception&) {
        return;
    }
    for (const KeptVersion& kept : record.kept) {
        const std::wstring row = L"Kept (" + Widen(kept.side == "server" ? "the server's version" : "the version here") +
                                 L", " + ShownStamp(kept.kept_at) + L"): " + Widen(kept.subject);
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.c_str()));
        kept_ids_.push_back(kept.id);
    }
    for (const AsideItem& aside : record.set_aside) {
        const std::wstring row =
            L"Set aside: " + Widen(aside.subject.empty() ? aside.href : aside.subject) + L": " + Widen(aside.reason);
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.c_str()));
        kept_ids_.push_back(0);
    }
}

void SyncWindow::SetStatus(const std::wstring& text) { SetWindowTextW(Control(StatusBox), text.c_str()); }

std::wstring SyncWindow::StatusText() const { return BoxText(Control(StatusBox)); }

}  // namespace orbelle::sync
