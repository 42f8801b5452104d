#include <windows.h>
#include <commctrl.h>

#include "desktop/desktop_window.h"
#include "eventlist/commands.h"
#include "eventlist/event_list_window.h"
#include "store/table_seal.h"
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

// Refuses, on this thread, the making of every window of one class, as a
// system short of window resources would.
class RefusedWindowClass {
public:
    explicit RefusedWindowClass(std::wstring class_name) {
        refused_ = std::move(class_name);
        hook_ = SetWindowsHookExW(WH_CBT, &Hook, nullptr, GetCurrentThreadId());
    }
    ~RefusedWindowClass() { UnhookWindowsHookEx(hook_); }
    RefusedWindowClass(const RefusedWindowClass&) = delete;
    RefusedWindowClass& operator=(const RefusedWindowClass&) = delete;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wparam, LPARAM lparam) {
        if (code == HCBT_CREATEWND && ClassName(reinterpret_cast<HWND>(wparam)) == refused_) return 1;
        return CallNextHookEx(nullptr, code, wparam, lparam);
    }
    static inline std::wstring refused_;
    HHOOK hook_ = nullptr;
};

TEST_F(StartupTest, AWindowThatCannotBeMadeEndsTheStartWithAMessageAndNoWindowLeft) {
    struct Case {
        const wchar_t* class_name;
        const wchar_t* name;
    };
    constexpr const wchar_t* kStartClasses[] = {L"TForm1", L"TForm3", L"TForm_Option", L"TMainForm", L"TFormabout"};
    for (auto [class_name, name] :
         {Case{L"TForm1", L"desktop calendar"}, Case{L"TForm3", L"find dialog"}, Case{L"TForm_Option", L"options dialog"},
          Case{L"TMainForm", L"event list"}, Case{L"TFormabout", L"about box"}}) {
        SCOPED_TRACE(::testing::PrintToString(std::wstring(class_name)));
        StartupOptions options;
        options.mutex_name = L"orbelle-test-refused-" + ProgramFolder().filename().wstring();
        options.program_folder = ProgramFolder();
        MessageBoxAnswerer answerer;
        {
            Application app(options);
            RefusedWindowClass refused(class_name);
            EXPECT_FALSE(app.CreateStartupWindows());
            for (const wchar_t* made : kStartClasses) EXPECT_EQ(FindOwn(made), nullptr) << "left: " << made;
        }
        ASSERT_EQ(answerer.Seen().size(), 1u);
        EXPECT_EQ(answerer.Seen()[0].caption, L"Orbelle");
        EXPECT_TRUE(answerer.Seen()[0].text.starts_with(std::wstring(L"Orbelle cannot start: the ") + name +
                                                        L" window could not be made (system error "))
            << ::testing::PrintToString(answerer.Seen()[0].text);
        // The failed start asked for the end; the next case starts afresh.
        MSG quit;
        EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
        while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }
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

// The end of a run marks the table it opened, and the next open trusts the
// mark only while nobody changed the file.
TEST_F(StartupTest, AFinishedRunMarksItsTableUntilTheFileChanges) {
    Start();
    Stop();
    EXPECT_TRUE(SealHolds(TableFile()));
    SeedTable(std::vector<int>{1}, [](EventCursor& cursor, int) { cursor.SetFieldText("Subject", "from elsewhere"); });
    EXPECT_FALSE(SealHolds(TableFile()));
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
