// The sync window in the running program, against the Radicale server the
// test command starts: opened from the Tools menu, Find Calendars on the
// sync's thread, the choice stored, Sync Now, and the result shown.
#include <windows.h>

#include <cstdlib>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "eventlist/event_list_window.h"
#include "kit/pictures.h"
#include "platform/wide.h"
#include "sync/caldav_client.h"
#include "sync/http_client.h"
#include "sync/sync_commands.h"
#include "win_fixture.h"

namespace orbelle::testing {
namespace {

using sync::SyncWindow;

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

class SyncWindowTest : public AppTest {
protected:
    void SetUp() override {
        root_ = Env("ORBELLE_RADICALE_URL");
        if (root_.empty()) {
            if (!Env("ORBELLE_SYNC_SERVERS_REQUIRED").empty()) FAIL() << "no test server running";
            GTEST_SKIP() << "no test server: start them with scripts/sync-servers start";
        }
        user_ = Env("ORBELLE_RADICALE_USER");
        password_ = Env("ORBELLE_RADICALE_PASSWORD");
        std::mt19937_64 random{std::random_device{}()};
        std::ostringstream name;
        name << "Family " << std::hex << (random() & 0xffff);
        name_ = name.str();
        calendar_ = root_ + user_ + "/" + std::to_string(random()) + "/";
        sync::HttpClient http(root_, user_, password_);
        const std::string body =
            "<?xml version=\"1.0\" encoding=\"utf-8\"?><c:mkcalendar xmlns:d=\"DAV:\" "
            "xmlns:c=\"urn:ietf:params:xml:ns:caldav\"><d:set><d:prop><d:displayname>" + name_ +
            "</d:displayname></d:prop></d:set></c:mkcalendar>";
        ASSERT_EQ(http.Request("MKCALENDAR", calendar_, {{"Content-Type", "application/xml"}}, body).status, 201);
        made_ = true;
    }
    void TearDown() override {
        if (made_) sync::HttpClient(root_, user_, password_).Request("DELETE", calendar_, {}, {});
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

    std::string root_, user_, password_, name_, calendar_;
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

    SetWindowTextW(Control(SyncWindow::ServerBox), Widen(root_).c_str());
    SetWindowTextW(Control(SyncWindow::UserBox), Widen(user_).c_str());
    SetWindowTextW(Control(SyncWindow::PasswordBox), Widen(password_).c_str());
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
    sync::CalDavClient client({root_, user_, password_, {}});
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
}

}  // namespace
}  // namespace orbelle::testing
