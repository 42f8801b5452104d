// The sync window in the running program, against the Radicale server the
// test command starts: opened from the Tools menu, Find Calendars on the
// sync's thread, the choice stored, Sync Now, and the result shown.
#include <windows.h>

#include <string>
#include <vector>

#include "eventlist/event_list_window.h"
#include "editor/event_editor.h"
#include "eventlist/commands.h"
#include "kit/pictures.h"
#include "kit/timer_script.h"
#include "platform/wide.h"
#include "sync/caldav_client.h"
#include "sync/sync_commands.h"
#include "sync/sync_runner.h"
#include "sync/sync_settings.h"
#include "sync_servers.h"
#include "win_fixture.h"

namespace orbelle::testing {
namespace {

using sync::SyncWindow;

class SyncWindowTest : public AppTest {
protected:
    void SetUp() override {
        account_ = sync::ServerAccount(sync::kServers[0]);
        REQUIRE_SERVER(account_.url);
        name_ = sync::UniqueName("Family ");
        calendar_ = account_.url + sync::kServers[0].home + sync::UniqueName("w") + "/";
        ASSERT_EQ(sync::MakeCalendar(account_, calendar_, name_), 201);
        made_ = true;
    }
    void TearDown() override {
        if (made_) sync::DropCalendar(account_, calendar_);
    }

    SyncWindow& Window() { return *App().CalendarSync().Window(); }
    HWND Control(SyncWindow::ControlId id) { return Window().Control(id); }
    // Pumps until the condition holds, for at most the seconds given.
    template <typename Condition>
    bool PumpUntil(Condition condition, int seconds = 30) {
        for (int waited = 0; waited < seconds * 20; ++waited) {
            if (condition()) return true;
            Pump(50);
        }
        return condition();
    }
    void Click(SyncWindow::ControlId id) {
        SendMessageW(Window().Hwnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Control(id)));
    }

    sync::Account account_;
    std::string name_, calendar_;
    bool made_ = false;
};

TEST_F(SyncWindowTest, FindsTheCalendarsAndSyncsNowFromTheToolsMenu) {
    SeedTable(std::vector<const char*>{"Dentist", "Pay rent"}, [](EventCursor& cursor, const char* subject) {
        cursor.SetFieldText("Subject", subject);
        cursor.SetFieldDateTime("Date", DateTime::FromParts(std::chrono::year{2027} / 3 / 13, {9, 30, 0, 0}));
    });
    Start();
    SendMessageW(App().EventList()->Hwnd(), WM_COMMAND, sync::kCmdCalendarSync, 0);
    Pump();
    ASSERT_TRUE(App().CalendarSync().Window());
    EXPECT_TRUE(IsWindowVisible(Window().Hwnd()));
    wchar_t class_name[32];
    GetClassNameW(Window().Hwnd(), class_name, 32);
    EXPECT_STREQ(class_name, L"TSync");

    SetWindowTextW(Control(SyncWindow::ServerBox), Widen(account_.url).c_str());
    SetWindowTextW(Control(SyncWindow::UserBox), Widen(account_.user).c_str());
    SetWindowTextW(Control(SyncWindow::PasswordBox), Widen(account_.password).c_str());
    Click(SyncWindow::FindButton);
    HWND calendars = Control(SyncWindow::CalendarList);
    const std::wstring wanted = Widen(name_);
    int found = -1;
    ASSERT_TRUE(PumpUntil([&] {
        found = static_cast<int>(SendMessageW(calendars, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                              reinterpret_cast<LPARAM>(wanted.c_str())));
        return found >= 0;
    })) << Narrow(Window().StatusText());
    SendMessageW(calendars, CB_SETCURSEL, static_cast<WPARAM>(found), 0);
    SendMessageW(Window().Hwnd(), WM_COMMAND, MAKEWPARAM(SyncWindow::CalendarList, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(calendars));
    EXPECT_EQ(Narrow(Setting(L"Sync", L"Calendar")), calendar_);
    EXPECT_EQ(Setting(L"Sync", L"Every"), L"15");

    Click(SyncWindow::SyncNowButton);
    ASSERT_TRUE(PumpUntil([&] { return Window().StatusText().starts_with(L"Synced"); }))
        << Narrow(Window().StatusText());
    EXPECT_NE(Window().StatusText().find(L"2 up"), std::wstring::npos) << Narrow(Window().StatusText());
    sync::CalDavClient client(account_);
    EXPECT_EQ(client.ListAll(calendar_).size(), 2u);

    // Taken for the help page when asked for: the window alone, from the screen.
    wchar_t file[MAX_PATH];
    if (GetEnvironmentVariableW(L"ORBELLE_SYNC_PICTURE", file, MAX_PATH)) {
        SetWindowPos(Window().Hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE);
        Pump(300);
        RECT rect;
        GetWindowRect(Window().Hwnd(), &rect);
        WritePng(file, FromScreen(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top));
    }

    // Emptied by another client: Sync Now asks before it deletes every event here.
    for (const sync::Member& member : client.ListAll(calendar_)) client.Delete(member.href, member.etag);
    MessageBoxAnswerer answers({IDYES});
    Click(SyncWindow::SyncNowButton);
    ASSERT_TRUE(PumpUntil([&] { return TableRows() == 0; })) << Narrow(Window().StatusText());
    ASSERT_EQ(answers.Seen().size(), 1u);
    EXPECT_NE(answers.Seen()[0].text.find(L"2 of 2 events here"), std::wstring::npos) << Narrow(answers.Seen()[0].text);
}

TEST_F(SyncWindowTest, TheEditorSaysOnceWhatItCannotShowOfAnEventFromTheServer) {
    // Another program's event: a rule that ends after five times, less one date.
    const std::string item =
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Another program//EN\r\nBEGIN:VEVENT\r\nUID:standup@other\r\n"
        "DTSTAMP:20261201T080000Z\r\nDTSTART:20270104T090000Z\r\nDURATION:PT1H\r\nSUMMARY:Standup\r\n"
        "RRULE:FREQ=WEEKLY;COUNT=5\r\nEXDATE:20270111T090000Z\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    std::string href;
    ASSERT_EQ(sync::CalDavClient(account_).Create(calendar_, "standup@other", item, href).status, 201);
    const sync::SyncSettings settings{
        .server = account_.url, .user = account_.user, .calendar_url = calendar_, .calendar_name = name_};
    sync::WriteSyncSettings(ProgramFolder(), settings);
    sync::RememberPassword(settings, account_.password);
    Start();
    SendMessageW(App().EventList()->Hwnd(), WM_COMMAND, sync::kCmdCalendarSync, 0);
    Pump();
    Click(SyncWindow::SyncNowButton);
    ASSERT_TRUE(PumpUntil([&] { return TableRows() == 1; })) << Narrow(Window().StatusText());
    ShowWindow(Window().Hwnd(), SW_HIDE);

    // Opens the event in the list's editor and cancels it once any note is answered.
    auto open_in_editor = [&] {
        MessageBoxAnswerer answers;
        HWND editor = nullptr;
        int ticks = 0;
        TimerScript driver({WhenVisible(L"TForm2", [&](HWND shown) { editor = shown; }), [&] {
                                return ++ticks > 25 && ThreadWindows(Visible(OfClass(L"#32770"))).empty();
                            },
                            [&] {
                                PostMessageW(editor, WM_COMMAND, IDCANCEL, 0);
                                return true;
                            }});
        HWND list = App().EventList()->ListView();
        ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        SendMessageW(App().EventList()->Hwnd(), WM_COMMAND, kCmdModify, 0);
        EXPECT_TRUE(driver.Finished());
        return answers.Seen();
    };
    const std::vector<SeenMessageBox> first = open_in_editor();
    ASSERT_EQ(first.size(), 1u);
    for (const wchar_t* said : {L"more than this editor can show", L"COUNT", L"EXDATE", L"the rest of it stays"})
        EXPECT_NE(first[0].text.find(said), std::wstring::npos) << Narrow(said) << " not in: " << Narrow(first[0].text);
    EXPECT_TRUE(open_in_editor().empty()) << "said again";
}

}  // namespace
}  // namespace orbelle::testing
