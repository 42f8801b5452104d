// Events on the desktop calendar under Wine: the switches from the Tools
// menu, the marks drawn only inside marked days' cells, the tip from the
// non-client hover, a new event from a double click, the upcoming panel, and
// each change path the marks and the panel follow.
#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <set>
#include <string>
#include <vector>

#include "base/clock.h"
#include "deskevents/desk_events.h"
#include "desktop/desktop_window.h"
#include "desktop/face_layout.h"
#include "desktop_skins.h"
#include "editor/event_editor.h"
#include "eventlist/commands.h"
#include "eventlist/event_list_window.h"
#include "kit/timer_script.h"
#include "kit/window_finder.h"
#include "store/event_cursor.h"
#include "win_fixture.h"

namespace orbelle::testing {
namespace {
using namespace std::chrono;

constexpr year_month_day kShown = 2024y / March / 5d;

struct Seed {
    const char* subject;
    DateTime start;
    const char* priority = "Normal";
    bool accepted = false;
};

DateTime At(int y, unsigned m, unsigned d, int hour = 0, int minute = 0) {
    return DateTime::FromParts(year_month_day{year{y}, month{m}, day{d}}, {hour, minute, 0, 0});
}

void Write(EventCursor& cursor, const Seed& seed) {
    cursor.SetFieldText("Subject", seed.subject);
    cursor.SetFieldDateTime("Date", seed.start);
    cursor.SetFieldText("Priority", seed.priority);
    cursor.SetFieldText("Accepttext", seed.accepted ? "Y" : "N");
    cursor.SetFieldText("Repleat", "N");
}

class DeskEventsTest : public AppTest {
protected:
    DeskEventsTest() {
        // A fixed clock: today is the shown day, 10:20.
        SetClockForTesting([] { return At(2024, 3, 5, 10, 20); });
    }
    ~DeskEventsTest() override { SetClockForTesting({}); }

    void StartWith(const std::vector<Seed>& seeds) {
        SeedTable(seeds, Write);
        Start();
        Desktop().SetPauseAfterRedraw(false);
        Desktop().SetDisplayedDate(kShown);
        // The first read, on a thread of its own after the calendar shows.
        DeskEvents& events = App().EventsOnCalendar();
        const bool reads = DeskEvents::Setting(ProgramFolder(), "ShowEvents") ||
                           DeskEvents::Setting(ProgramFolder(), "ShowUpcoming");
        for (int waited = 0; waited < 5000 && reads && !events.Loaded(); waited += 20) Pump(20);
        Pump();
        Desktop().repaintpng1();
    }
    DesktopWindow& Desktop() { return *App().Desktop(); }
    void Command(WORD id) { SendMessageW(App().EventList()->Hwnd(), WM_COMMAND, id, 0); }
    FacePixels Face() { return ReadBitmap(Desktop().FaceBitmap()); }
    FaceRect Cell(int day) { return DayCell(DayNumberAreaOf(2024y / March, day)); }
    POINT ScreenPointIn(int day) {
        const FaceRect cell = Cell(day);
        POINT point{cell.x + cell.width / 2, cell.y + cell.height / 2};
        ClientToScreen(Desktop().Hwnd(), &point);
        return point;
    }
    LPARAM Packed(POINT p) { return MAKELPARAM(p.x, p.y); }
    // The days of March 2024 whose cells hold a pixel that differs; a pixel
    // outside every cell is day 0.
    std::set<int> ChangedDays(const FacePixels& a, const FacePixels& b) {
        std::set<int> days;
        for (int y = 0; y < a.height; ++y)
            for (int x = 0; x < a.width; ++x)
                if (a.At(x, y) != b.At(x, y)) days.insert(DayAtFacePoint(2024y / March, {x, y}));
        return days;
    }
};

TEST_F(DeskEventsTest, SwitchFromTheMenuMarksOnlyTheCellsOfDaysWithEventsAtOnce) {
    StartWith({{"Dentist", At(2024, 3, 5, 9, 0)},
               {"Exam", At(2024, 3, 7, 14, 0), "High"},
               {"Rent", At(2024, 3, 31), "Normal", true},
               {"Next month", At(2024, 4, 2, 9, 0)}});
    const FacePixels off = Face();

    Command(kCmdShowEvents);
    EXPECT_EQ(Setting(L"Calendar", L"ShowEvents"), L"1");
    const FacePixels on = Face();
    ASSERT_EQ(on.width, off.width);
    EXPECT_EQ(ChangedDays(off, on), (std::set<int>{5, 7, 31}));
    // The stronger mark of a "High" day is another picture than the plain one.
    const FaceRect five = Cell(5), seven = Cell(7);
    bool differ = false;
    for (int y = 0; y < kDayCellSize && !differ; ++y)
        for (int x = 0; x < kDayCellSize && !differ; ++x)
            differ = on.At(five.x + x, five.y + y) != off.At(five.x + x, five.y + y) &&
                     on.At(five.x + x, five.y + y) != on.At(seven.x + x, seven.y + y);
    EXPECT_TRUE(differ);

    Command(kCmdShowEvents);
    EXPECT_EQ(Setting(L"Calendar", L"ShowEvents"), L"0");
    EXPECT_TRUE(ChangedDays(off, Face()).empty());
}

TEST_F(DeskEventsTest, TipComesFromTheNonClientHoverAndGoesAtADrag) {
    SetSetting(L"Calendar", L"ShowEvents", L"1");
    StartWith({{"Dentist", At(2024, 3, 5, 9, 0)}, {"Rent", At(2024, 3, 5), "Normal", true}});
    HWND calendar = Desktop().Hwnd();
    SendMessageW(calendar, WM_NCMOUSEHOVER, HTCAPTION, Packed(ScreenPointIn(5)));
    EXPECT_EQ(Desktop().ShownTip(), L"Tuesday, March 5, 2024\r\nall day Rent (done)\r\n09:00 Dentist");
    ASSERT_TRUE(Desktop().TipWindow());
    EXPECT_TRUE(IsWindowVisible(Desktop().TipWindow()));

    SendMessageW(calendar, WM_ENTERSIZEMOVE, 0, 0);
    SendMessageW(calendar, WM_EXITSIZEMOVE, 0, 0);
    EXPECT_EQ(Desktop().ShownTip(), L"");
    EXPECT_FALSE(IsWindowVisible(Desktop().TipWindow()));

    SendMessageW(calendar, WM_NCMOUSEHOVER, HTCAPTION, Packed(ScreenPointIn(6)));  // nothing on the 6th
    EXPECT_EQ(Desktop().ShownTip(), L"");
    // Still draggable: the face answers HTCAPTION where the tip shows.
    const POINT five = ScreenPointIn(5);
    EXPECT_EQ(SendMessageW(calendar, WM_NCHITTEST, 0, Packed(five)), HTCAPTION);
}

TEST_F(DeskEventsTest, DoubleClickOpensTheEditorOnThatDayAndOkPostsIt) {
    SetSetting(L"Calendar", L"ShowEvents", L"1");
    StartWith({});
    SYSTEMTIME date{}, time{};
    TimerScript script({WhenVisible(L"TForm2", [&](HWND form) {
        SendMessageW(GetDlgItem(form, TForm2::edit_date), DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&date));
        SendMessageW(GetDlgItem(form, TForm2::startHour), DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&time));
        SetWindowTextW(GetDlgItem(form, TForm2::Edit_subject), L"Haircut");
        PostMessageW(form, WM_COMMAND, IDOK, 0);
    })});
    SendMessageW(Desktop().Hwnd(), WM_NCLBUTTONDBLCLK, HTCAPTION, Packed(ScreenPointIn(12)));
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(date.wYear * 10000 + date.wMonth * 100 + date.wDay, 20240312);
    EXPECT_EQ(time.wHour * 100 + time.wMinute, 900);
    EXPECT_EQ(Column("Subject"), (std::vector<std::string>{"Haircut"}));
    // The new event's day is marked at once and its tip reads it.
    SendMessageW(Desktop().Hwnd(), WM_NCMOUSEHOVER, HTCAPTION, Packed(ScreenPointIn(12)));
    EXPECT_EQ(Desktop().ShownTip(), L"Tuesday, March 12, 2024\r\n09:00 Haircut");
}

TEST_F(DeskEventsTest, TodayDoubleClickStartsAtTheNextFullHourAndOffIgnoresIt) {
    StartWith({});
    {
        // ShowEvents off: a double click does nothing; an editor that opened
        // anyway is closed so that the test ends.
        bool opened = false;
        TimerScript guard({WhenVisible(L"TForm2", [&](HWND form) {
            opened = true;
            PostMessageW(form, WM_COMMAND, IDCANCEL, 0);
        })});
        SendMessageW(Desktop().Hwnd(), WM_NCLBUTTONDBLCLK, HTCAPTION, Packed(ScreenPointIn(5)));
        Pump(100);
        EXPECT_FALSE(opened);
    }

    Command(kCmdShowEvents);
    SYSTEMTIME time{};
    TimerScript script({WhenVisible(L"TForm2", [&](HWND form) {
        SendMessageW(GetDlgItem(form, TForm2::startHour), DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&time));
        PostMessageW(form, WM_COMMAND, IDCANCEL, 0);
    })});
    SendMessageW(Desktop().Hwnd(), WM_NCLBUTTONDBLCLK, HTCAPTION, Packed(ScreenPointIn(5)));
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(time.wHour * 100 + time.wMinute, 1100);
    EXPECT_EQ(TableRows(), 0);
}

TEST_F(DeskEventsTest, MarksAndPanelFollowEveryChangePath) {
    SetSetting(L"Calendar", L"ShowEvents", L"1");
    SetSetting(L"Calendar", L"ShowUpcoming", L"1");
    StartWith({{"Dentist", At(2024, 3, 5, 9, 0)},
               {"Lunch", At(2024, 3, 6, 12, 30), "High"},
               {"Dentist again", At(2024, 4, 2, 9, 0)}});
    DeskEvents& events = App().EventsOnCalendar();
    auto marked = [&](int day) { return events.MarksOf(2024y / March)[static_cast<size_t>(day)]; };
    ASSERT_TRUE(events.Upcoming());
    EXPECT_TRUE(IsWindowVisible(VisibleThreadWindow(L"TUpcoming")));
    auto texts = [&] {
        std::vector<std::string> lines;
        for (const UpcomingLine& line : events.Upcoming()->Lines()) lines.push_back(line.text);
        return lines;
    };
    EXPECT_EQ(texts(), (std::vector<std::string>{"Today", "09:00 Dentist", "Tomorrow", "12:30 Lunch"}));
    EXPECT_TRUE(events.Upcoming()->Lines()[1].past);
    EXPECT_EQ(marked(6), DayMark::Strong);

    // Another program (an import, a restore) changes the table: the notice reads it again.
    {
        EventCursor other;
        other.Open(TableFile());
        other.Insert();
        Write(other, {"Imported", At(2024, 3, 8, 8, 0)});
        other.Post();
    }
    App().Changes().EventsReloaded();
    EXPECT_EQ(marked(8), DayMark::Normal);
    EXPECT_EQ(texts().back(), "08:00 Imported");

    // A delete from the list.
    App().Changes().EventDeleted(1);
    EXPECT_EQ(marked(5), DayMark::None);
    EXPECT_EQ(texts().front(), "Tomorrow");

    // A post: the saved record is read again.
    {
        EventCursor other;
        other.Open(TableFile());
        ASSERT_TRUE(other.SeekId(2));
        other.Edit();
        other.SetFieldDateTime("Date", At(2024, 3, 9, 12, 30));
        other.Post();
    }
    App().Changes().EventSaved(2);
    EXPECT_EQ(marked(6), DayMark::None);
    EXPECT_EQ(marked(9), DayMark::Strong);

    // Navigation: the next month's marks come with its face.
    Command(kCmdNextMonth);
    EXPECT_EQ(Desktop().DisplayedDate(), 2024y / April / 5d);
    const FaceRect april2 = DayCell(DayNumberAreaOf(2024y / April, 2));
    POINT point{april2.x + 12, april2.y + 12};
    ClientToScreen(Desktop().Hwnd(), &point);
    SendMessageW(Desktop().Hwnd(), WM_NCMOUSEHOVER, HTCAPTION, Packed(point));
    EXPECT_EQ(Desktop().ShownTip(), L"Tuesday, April 2, 2024\r\n09:00 Dentist again");

    // Switching the panel off takes it away at once.
    Command(kCmdShowUpcoming);
    EXPECT_EQ(Setting(L"Calendar", L"ShowUpcoming"), L"0");
    EXPECT_FALSE(events.Upcoming());
    EXPECT_FALSE(VisibleThreadWindow(L"TUpcoming"));
}

// The help page's picture of the calendar with marks beside the panel, taken
// from the screen: ORBELLE_HELP_PICTURE names the PNG file to write.
TEST_F(DeskEventsTest, HelpPictureOfTheMarksAndThePanel) {
    wchar_t file[MAX_PATH];
    if (!GetEnvironmentVariableW(L"ORBELLE_HELP_PICTURE", file, MAX_PATH)) GTEST_SKIP() << "no picture asked for";
    SetSetting(L"Calendar", L"ShowEvents", L"1");
    SetSetting(L"Calendar", L"ShowUpcoming", L"1");
    SetSetting(L"Upcoming", L"Left", L"370");
    SetSetting(L"Upcoming", L"Top", L"10");
    StartWith({{"Dentist", At(2024, 3, 5, 9, 0)},
               {"Team lunch", At(2024, 3, 5, 12, 30)},
               {"Exam", At(2024, 3, 7, 14, 0), "High"},
               {"Rent", At(2024, 3, 1), "Normal", true},
               {"Book club", At(2024, 3, 9, 19, 0)},
               {"Flight to Lyon", At(2024, 3, 15, 7, 45), "Highest"},
               {"Mum's birthday", At(2024, 3, 22)},
               {"Tax return", At(2024, 3, 28, 17, 0)}});
    SetWindowPos(Desktop().Hwnd(), nullptr, 10, 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(Desktop().Hwnd(), SW_SHOWNOACTIVATE);
    Pump(300);
    WritePng(file, FromScreen(0, 0, 640, 250));
}

}  // namespace
}  // namespace orbelle::testing
