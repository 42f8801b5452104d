// The desktop calendar window in-process: its settings at creation, the
// calendar alpha shown as opacity, the tray's navigation and the day rollover.
#include <windows.h>

#include <chrono>

#include "base/clock.h"
#include "desktop/desktop_window.h"
#include "eventlist/commands.h"
#include "eventlist/event_list_window.h"
#include "platform/locale.h"
#include "platform/wide.h"
#include "win_fixture.h"

namespace orbelle::testing {
namespace {
using namespace std::chrono;

class DesktopWindowTest : public AppTest {
protected:
    ~DesktopWindowTest() override { SetClockForTesting({}); }

    void SetToday(year_month_day day) {
        SetClockForTesting([day] { return DateTime::FromDate(day); });
    }
    DesktopWindow& Desktop() { return *App().Desktop(); }
    EventListWindow& List() { return *App().EventList(); }
    void Command(WORD id) { SendMessageW(List().Hwnd(), WM_COMMAND, id, 0); }
    void RolloverTick() { SendMessageW(List().Hwnd(), WM_TIMER, 3, 0); }
};

TEST_F(DesktopWindowTest, TransparencyBecomesTheCalendarAlphaAndShowsAsOpacity) {
    struct Case {
        const wchar_t* percent;
        int alpha;
        int opacity;  // 255: an ordinary, not layered window
    };
    for (Case c : {Case{L"0", 0, 255}, Case{L"10", 26, 229}, Case{L"30", 76, 179}, Case{L"50", 128, 127},
                   Case{L"90", 230, 26}, Case{L"100", 255, 26}}) {
        SCOPED_TRACE(::testing::PrintToString(std::wstring(c.percent)));
        SetSetting(L"ini", L"transparency", c.percent);
        Start();
        HWND calendar = Desktop().Hwnd();
        EXPECT_EQ(Desktop().CalendarAlpha(), c.alpha);
        DWORD ex_style = static_cast<DWORD>(GetWindowLongW(calendar, GWL_EXSTYLE));
        if (c.opacity == 255) {
            EXPECT_EQ(ex_style, static_cast<DWORD>(WS_EX_TOOLWINDOW));
        } else {
            EXPECT_EQ(ex_style, static_cast<DWORD>(WS_EX_TOOLWINDOW | WS_EX_LAYERED));
            BYTE opacity = 0;
            DWORD flags = 0;
            ASSERT_TRUE(GetLayeredWindowAttributes(calendar, nullptr, &opacity, &flags));
            EXPECT_EQ(opacity, c.opacity);
            EXPECT_EQ(flags, static_cast<DWORD>(LWA_ALPHA));
        }
        Stop();
    }
}

TEST_F(DesktopWindowTest, TheOptionsDialogsAlphaShowsAtTheNextShapeStepAndOpaqueDropsTheLayeredStyle) {
    Start();
    HWND calendar = Desktop().Hwnd();
    Desktop().SetCalendarAlpha(128);
    EXPECT_FALSE(GetWindowLongW(calendar, GWL_EXSTYLE) & WS_EX_LAYERED);  // not before the shape step
    Desktop().repaintpngbuf();
    BYTE opacity = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(calendar, nullptr, &opacity, nullptr));
    EXPECT_EQ(opacity, 127);
    Desktop().SetCalendarAlpha(0);
    Desktop().repaintpngbuf();
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(calendar, GWL_EXSTYLE)), static_cast<DWORD>(WS_EX_TOOLWINDOW));
}

TEST_F(DesktopWindowTest, ABadStoredNumberIsReportedAndLeavesTheFaceToTheRollover) {
    SetToday(2025y / March / 20);
    SetSetting(L"init", L"x", L"12");
    SetSetting(L"init", L"y", L"1O");
    MessageBoxAnswerer answers;
    Start();
    ASSERT_EQ(answers.Seen().size(), 1u);
    EXPECT_EQ(answers.Seen()[0].text, L"'1O' is not a valid integer value");
    HWND calendar = Desktop().Hwnd();
    RECT place;
    GetWindowRect(calendar, &place);
    EXPECT_EQ(place.left, 12);  // read before the failing value
    EXPECT_EQ(Desktop().FaceBitmap(), nullptr);
    OwnedRegion region(CreateRectRgn(0, 0, 0, 0));
    EXPECT_EQ(GetWindowRgn(calendar, region.Get()), ERROR);
    EXPECT_EQ(Desktop().CurrentDay(), 1899y / December / 30);

    RolloverTick();  // the zero day is never today
    EXPECT_EQ(Desktop().CurrentDay(), 2025y / March / 20);
    EXPECT_NE(Desktop().FaceBitmap(), nullptr);
    EXPECT_EQ(GetWindowRgn(calendar, region.Get()), SIMPLEREGION);
}

TEST_F(DesktopWindowTest, NavigationCommandsStepTheDisplayedDateAndRedraw) {
    struct Case {
        const char* name;
        WORD command;
        year_month_day from;
        year_month_day expected;
        Navigation remembered;
    };
    const Case cases[] = {
        {"Today from 31 January on 15 February", kCmdToday, 2025y / January / 31, 2025y / February / 15,
         Navigation::Today},
        {"Preview Month from 31 March", kCmdPreviewMonth, 2025y / March / 31, 2025y / February / 28,
         Navigation::PreviewMonth},
        {"Next Month from 31 January, leap year", kCmdNextMonth, 2024y / January / 31, 2024y / February / 29,
         Navigation::NextMonth},
        {"Next Year from 29 February 2008", kCmdNextYear, 2008y / February / 29, 2009y / February / 28,
         Navigation::NextYear},
        {"Preview Year from 29 February 2008", kCmdPreviewYear, 2008y / February / 29, 2007y / February / 28,
         Navigation::PreviewYear},
    };
    SetToday(2025y / February / 15);
    Start();
    Desktop().SetPauseAfterRedraw(false);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Desktop().SetDisplayedDate(c.from);
        Command(c.command);
        EXPECT_EQ(Desktop().DisplayedDate(), c.expected);
        EXPECT_EQ(List().LastNavigation(), c.remembered);
        // The face was redrawn: the date line shows the new date.
        EXPECT_EQ(Desktop().DateLine(), Widen(FormatLongDate(c.expected, UserLocaleNames())));
    }
}

TEST_F(DesktopWindowTest, AtMidnightAMonthStepIsTakenAgainFromTheNewDay) {
    SetToday(2025y / March / 31);
    Start();
    Desktop().SetPauseAfterRedraw(false);
    Command(kCmdPreviewMonth);
    EXPECT_EQ(Desktop().DisplayedDate(), 2025y / February / 28);

    RolloverTick();  // the same day: nothing moves
    EXPECT_EQ(Desktop().DisplayedDate(), 2025y / February / 28);

    SetToday(2025y / April / 1);
    RolloverTick();
    EXPECT_EQ(Desktop().CurrentDay(), 2025y / April / 1);
    EXPECT_EQ(Desktop().DisplayedDate(), 2025y / March / 1);
    EXPECT_EQ(List().LastNavigation(), Navigation::PreviewMonth);
    EXPECT_EQ(Desktop().DateLine(), Widen(FormatLongDate(2025y / March / 1, UserLocaleNames())));
}

TEST_F(DesktopWindowTest, AtMidnightWithNoCommandUsedTheCalendarMovesToTheNewDay) {
    SetToday(2025y / March / 31);
    Start();
    Desktop().SetPauseAfterRedraw(false);
    Desktop().SetDisplayedDate(2025y / January / 15);  // not through a command: nothing to repeat
    SetToday(2025y / April / 1);
    RolloverTick();
    EXPECT_EQ(Desktop().DisplayedDate(), 2025y / April / 1);
    EXPECT_EQ(List().LastNavigation(), Navigation::Today);
}

}  // namespace
}  // namespace orbelle::testing
