// Orbelle.exe started as a user starts it: where the desktop calendar stands,
// the shape it is cut to, where it is stored at exit and its place in the
// stacking order.
#include <windows.h>

#include <filesystem>
#include <optional>

#include "win_fixture.h"

namespace orbelle::testing {
namespace {

class DesktopProcessTest : public AppTest {
protected:
    DesktopProcessTest() { std::filesystem::copy_file(BuiltProgram(), ProgramFolder() / "Orbelle.exe"); }
    ~DesktopProcessTest() override {
        if (process_.hProcess) {
            TerminateProcess(process_.hProcess, 1);
            WaitForSingleObject(process_.hProcess, 5000);
            CloseHandle(process_.hProcess);
            CloseHandle(process_.hThread);
        }
    }

    // Starts the program and waits until its calendar shows.
    HWND StartCalendar() {
        auto program = ProgramFolder() / "Orbelle.exe";
        STARTUPINFOW startup{sizeof startup};
        std::wstring command = L"\"" + program.wstring() + L"\"";
        if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            ProgramFolder().c_str(), &startup, &process_))
            return nullptr;
        for (int i = 0; i < 300; ++i) {
            HWND found = FirstTopLevelWindow(OfClassInProcess(L"TForm1", process_.dwProcessId));
            if (found && IsWindowVisible(found)) return found;
            Sleep(20);
        }
        return nullptr;
    }

    // Closes the calendar as the list's Exit does; true when the program ended.
    bool CloseCalendar(HWND calendar) {
        PostMessageW(calendar, WM_CLOSE, 0, 0);
        bool ended = WaitForSingleObject(process_.hProcess, 20000) == WAIT_OBJECT_0;
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
        process_ = {};
        return ended;
    }

    PROCESS_INFORMATION process_{};
};

TEST_F(DesktopProcessTest, StartsAtTheStoredPlaceUnlessItLiesOffEveryMonitor) {
    struct Case {
        const char* name;
        std::optional<POINT> stored;  // none: no settings file
        POINT expected;
    };
    // The screen is one 1280 x 1024 monitor; the face is 360 x 226.
    const Case cases[] = {
        {"no settings file", std::nullopt, {0, 0}},
        {"stored place", POINT{300, 200}, {300, 200}},
        {"partly left of and above the monitor", POINT{-100, -40}, {-100, -40}},
        {"right of every monitor", POINT{5000, 100}, {0, 0}},
        {"above every monitor", POINT{100, -3000}, {0, 0}},
        // The window reaches onto the screen, but what the region leaves of it does not.
        {"face left of the monitor", POINT{-400, 100}, {0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(SettingsPath());
        if (c.stored) {
            SetSetting(L"init", L"x", std::to_wstring(c.stored->x).c_str());
            SetSetting(L"init", L"y", std::to_wstring(c.stored->y).c_str());
        }
        HWND calendar = StartCalendar();
        ASSERT_TRUE(calendar) << "the calendar did not show";
        RECT place = WindowRect(calendar);
        EXPECT_EQ(place.left, c.expected.x);
        EXPECT_EQ(place.top, c.expected.y);
        ASSERT_TRUE(CloseCalendar(calendar));
    }
}

TEST_F(DesktopProcessTest, IsCutToTheFirstFaceAndStoresWhereItWasMovedAtExit) {
    SetSetting(L"init", L"x", L"300");
    SetSetting(L"init", L"y", L"200");
    HWND calendar = StartCalendar();
    ASSERT_TRUE(calendar);
    OwnedRegion region(CreateRectRgn(0, 0, 0, 0));
    ASSERT_EQ(GetWindowRgn(calendar, region.Get()), SIMPLEREGION);
    RECT box{};
    GetRgnBox(region.Get(), &box);
    EXPECT_EQ(box.left, 1);
    EXPECT_EQ(box.top, 1);
    EXPECT_EQ(box.right, 360);  // the background skin's size
    EXPECT_EQ(box.bottom, 226);

    SetWindowPos(calendar, nullptr, -60, 140, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(CloseCalendar(calendar));
    EXPECT_EQ(Setting(L"Init", L"x"), L"-60");
    EXPECT_EQ(Setting(L"Init", L"y"), L"140");
}

TEST_F(DesktopProcessTest, StaysBelowAnOverlappingWindowWhenClicked) {
    SetSetting(L"init", L"x", L"100");
    SetSetting(L"init", L"y", L"100");
    HWND calendar = StartCalendar();
    ASSERT_TRUE(calendar);
    // A plain red window of this process over the calendar's right half.
    constexpr COLORREF kCoverColour = RGB(200, 0, 0);
    WNDCLASSW cover_class{};
    cover_class.lpfnWndProc = DefWindowProcW;
    cover_class.hInstance = GetModuleHandleW(nullptr);
    cover_class.hbrBackground = CreateSolidBrush(kCoverColour);
    cover_class.lpszClassName = L"OrbelleTestCover";
    RegisterClassW(&cover_class);
    HWND cover = CreateWindowExW(0, L"OrbelleTestCover", L"", WS_POPUP | WS_VISIBLE, 250, 120, 300, 250, nullptr,
                                 nullptr, nullptr, nullptr);
    ASSERT_TRUE(cover);
    Pump(200);
    auto cover_above = [&] {
        for (HWND below = GetWindow(cover, GW_HWNDNEXT); below; below = GetWindow(below, GW_HWNDNEXT))
            if (below == calendar) return true;
        return false;
    };
    auto cover_shows = [&] {
        HDC screen = GetDC(nullptr);
        COLORREF shown = GetPixel(screen, 300, 200);  // where both overlap
        ReleaseDC(nullptr, screen);
        return shown == kCoverColour;
    };

    // Asked to come to the front, the calendar goes to the bottom instead.
    SetWindowPos(calendar, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    Pump(300);
    EXPECT_TRUE(cover_above()) << "the calendar came to the front";
    EXPECT_TRUE(cover_shows()) << "the calendar shows over the other window";

    SetCursorPos(150, 150);  // on the calendar's face, left of the cover
    INPUT clicks[2]{};
    clicks[0].type = clicks[1].type = INPUT_MOUSE;
    clicks[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    clicks[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, clicks, sizeof(INPUT));
    Pump(300);
    // Without a window manager a caption click may leave a move loop open.
    PostMessageW(calendar, WM_KEYDOWN, VK_RETURN, 0);
    Pump(500);
    // After a click only the window list is asserted: on a bare X server (no
    // window manager) Wine raises the clicked window on the screen by itself
    // and only ever restacks its X windows upwards, so nothing the program
    // does can lower it there again. Windows draws by the window list.
    EXPECT_TRUE(cover_above()) << "the click raised the calendar over the other window";
    RECT place = WindowRect(calendar);
    EXPECT_EQ(place.left, 100);  // a click is no drag
    EXPECT_EQ(place.top, 100);
    DestroyWindow(cover);
    UnregisterClassW(L"OrbelleTestCover", GetModuleHandleW(nullptr));
    DeleteObject(cover_class.hbrBackground);
    EXPECT_TRUE(CloseCalendar(calendar));
}

}  // namespace
}  // namespace orbelle::testing
