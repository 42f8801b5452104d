#include <windows.h>
#include <commctrl.h>

#include "desktop/desktop_window.h"
#include "eventlist/commands.h"
#include "eventlist/event_list_window.h"
#include "ui/errors.h"
#include "win_fixture.h"

namespace orbelle::testing {
namespace {

using StartupTest = AppTest;

HWND FindOwn(const wchar_t* class_name) {
    auto found = ThreadWindows(OfClass(class_name));
    return found.empty() ? nullptr : found.front();
}

TEST_F(StartupTest, CreatesTheFiveWindowsHiddenButTheCalendar) {
    Start();
    struct Expected {
        const wchar_t* class_name;
        const wchar_t* caption;
    };
    for (auto [class_name, caption] : {Expected{L"TForm1", nullptr}, Expected{L"TForm3", L"Form3"},
                                       Expected{L"TForm_Option", L"Options"}, Expected{L"TMainForm", L"Event List"},
                                       Expected{L"TFormabout", nullptr}}) {
        SCOPED_TRACE(::testing::PrintToString(std::wstring(class_name)));
        HWND window = FindOwn(class_name);
        ASSERT_TRUE(window);
        EXPECT_FALSE(IsWindowVisible(window));  // the message loop shows the calendar
        if (caption) EXPECT_EQ(WindowText(window), caption);
    }
    EXPECT_EQ(ApplicationTitle(), L"Event List");

    HWND calendar = App().Desktop()->Hwnd();
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(calendar, GWL_STYLE)) & ~WS_VISIBLE, 0x84800000u);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(calendar, GWL_EXSTYLE)), static_cast<DWORD>(WS_EX_TOOLWINDOW));
    RECT client;
    GetClientRect(calendar, &client);
    EXPECT_EQ(client.right, 561);
    EXPECT_EQ(client.bottom, 464);
    // No taskbar button: the owner window is a tool window.
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(App().Owner(), GWL_EXSTYLE)), static_cast<DWORD>(WS_EX_TOOLWINDOW));
    EXPECT_EQ(GetWindow(App().EventList()->Hwnd(), GW_OWNER), App().Owner());
}

TEST_F(StartupTest, ASecondCopyEndsWithoutAnyWindowOrTable) {
    Start();
    // The second copy gets a folder of its own, so anything it wrote would show.
    auto second_folder = ProgramFolder() / "second";
    std::filesystem::create_directories(second_folder);
    StartupOptions options;
    options.mutex_name = App().MutexName();
    options.program_folder = second_folder;
    {
        Application second(options);
        EXPECT_FALSE(second.CreateStartupWindows());
        EXPECT_EQ(second.EventList(), nullptr);
    }
    EXPECT_TRUE(std::filesystem::is_empty(second_folder));
    EXPECT_TRUE(IsWindow(App().EventList()->Hwnd()));  // the first copy is untouched
}

TEST_F(StartupTest, ExitAsksFirstAndNoLeavesEverythingAsItWas) {
    Start();
    HWND list = App().EventList()->Hwnd();
    {
        MessageBoxAnswerer answers({IDNO});
        SendMessageW(list, WM_COMMAND, kCmdExit, 0);
        ASSERT_EQ(answers.Seen().size(), 1u);
        EXPECT_EQ(answers.Seen()[0].caption, L"Orbelle:Question");
        EXPECT_EQ(answers.Seen()[0].text, L"Are you sure you want to exit Orbelle\uFF1F");
    }
    EXPECT_FALSE(App().QuitRequested());
    EXPECT_TRUE(IsWindow(App().Desktop()->Hwnd()));
    {
        MessageBoxAnswerer answers({IDYES});
        SendMessageW(list, WM_COMMAND, kCmdExit, 0);
    }
    EXPECT_TRUE(App().QuitRequested());  // closing the calendar is the quit request
}

TEST_F(StartupTest, ClosingOrMinimisingTheListOnlyHidesIt) {
    Start();
    EventListWindow& list = *App().EventList();
    list.ShowMainWindow();
    EXPECT_TRUE(IsWindowVisible(list.Hwnd()));
    SendMessageW(list.Hwnd(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindowVisible(list.Hwnd()));
    EXPECT_TRUE(IsWindow(list.Hwnd()));

    list.ShowMainWindow();
    SendMessageW(list.Hwnd(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_FALSE(IsWindowVisible(list.Hwnd()));
    EXPECT_FALSE(IsIconic(list.Hwnd()));

    list.ShowMainWindow();
    SendMessageW(list.Hwnd(), WM_COMMAND, kCmdClose, 0);
    EXPECT_FALSE(IsWindowVisible(list.Hwnd()));
    EXPECT_FALSE(App().QuitRequested());
}

}  // namespace
}  // namespace orbelle::testing
