#include <windows.h>
#include <commctrl.h>

#include "eventlist/event_list_window.h"
#include "win_fixture.h"

namespace orbelle::testing {
namespace {

using ListSettingsTest = AppTest;

TEST_F(ListSettingsTest, EveryKeyRoundTripsAndTheIdColumnStaysHidden) {
    SetSetting(L"MainForm", L"x", L"40");
    SetSetting(L"MainForm", L"y", L"-30");
    SetSetting(L"MainForm", L"w", L"500");
    SetSetting(L"MainForm", L"h", L"300");
    SetSetting(L"listview", L"0", L"0x64");  // hexadecimal
    SetSetting(L"listview", L"1", L"abc");   // the design width instead
    SetSetting(L"listview", L"7", L"90");    // ignored: the Id column
    Start();
    HWND list = App().EventList()->ListView();
    RECT rect = WindowRect(App().EventList()->Hwnd());
    EXPECT_EQ(rect.right - rect.left, 500);
    EXPECT_EQ(rect.bottom - rect.top, 300);
    EXPECT_EQ(ListView_GetColumnWidth(list, 0), 100);
    EXPECT_EQ(ListView_GetColumnWidth(list, 1), 105);
    EXPECT_EQ(ListView_GetColumnWidth(list, 7), 0);
    ListView_SetColumnWidth(list, 2, 133);
    Stop();  // never shown: the keys are written all the same
    EXPECT_EQ(Setting(L"MainForm", L"x"), L"40");
    EXPECT_EQ(Setting(L"MainForm", L"y"), L"-30");
    EXPECT_EQ(Setting(L"MainForm", L"w"), L"500");
    EXPECT_EQ(Setting(L"MainForm", L"h"), L"300");
    EXPECT_EQ(Setting(L"listview", L"0"), L"100");
    EXPECT_EQ(Setting(L"listview", L"2"), L"133");
    EXPECT_EQ(Setting(L"listview", L"7"), L"0");
    EXPECT_EQ(Setting(L"MainForm", L"Maximized"), L"");
}

TEST_F(ListSettingsTest, NoSettingsFileGivesTheDesignSizeAndIsWrittenAtTheEnd) {
    Start();
    RECT rect = WindowRect(App().EventList()->Hwnd());
    EXPECT_EQ(rect.right - rect.left, EventListWindow::kDesignWidth);
    EXPECT_EQ(rect.bottom - rect.top, EventListWindow::kDesignHeight);
    Stop();
    EXPECT_EQ(Setting(L"MainForm", L"w"), L"636");
    EXPECT_EQ(Setting(L"listview", L"0"), L"150");
}

TEST_F(ListSettingsTest, ANonIntegerSizeIsReportedAndLeavesDesignSizeAndWidths) {
    SetSetting(L"MainForm", L"w", L"wide");
    SetSetting(L"listview", L"0", L"77");
    MessageBoxAnswerer answers;
    Start();
    ASSERT_EQ(answers.Seen().size(), 1u);
    EXPECT_EQ(answers.Seen()[0].text, L"'wide' is not a valid integer value");
    EXPECT_EQ(answers.Seen()[0].caption, L"Event List");
    RECT rect = WindowRect(App().EventList()->Hwnd());
    EXPECT_EQ(rect.right - rect.left, EventListWindow::kDesignWidth);
    EXPECT_EQ(ListView_GetColumnWidth(App().EventList()->ListView(), 0), 150);
}

TEST_F(ListSettingsTest, OnlyAnExactYesMaximisesAndAStoredYesOutlivesARestoredRun) {
    SetSetting(L"MainForm", L"Maximized", L"yes");
    Start();
    App().EventList()->ShowMainWindow();
    EXPECT_FALSE(IsZoomed(App().EventList()->Hwnd()));
    ShowWindow(App().EventList()->Hwnd(), SW_MAXIMIZE);
    Pump(200);  // Wine wants the X server's answer before the window goes
    Stop();
    EXPECT_EQ(Setting(L"MainForm", L"Maximized"), L"Yes");

    Start();  // restored, then closed
    App().EventList()->ShowMainWindow();
    EXPECT_TRUE(IsZoomed(App().EventList()->Hwnd()));
    ShowWindow(App().EventList()->Hwnd(), SW_RESTORE);
    Pump(200);
    Stop();

    Start();
    App().EventList()->ShowMainWindow();
    EXPECT_TRUE(IsZoomed(App().EventList()->Hwnd()));
}

TEST_F(ListSettingsTest, TheFirstShowingIsCentredWithTheStoredSize) {
    SetSetting(L"MainForm", L"x", L"0");
    SetSetting(L"MainForm", L"y", L"0");
    SetSetting(L"MainForm", L"w", L"400");
    SetSetting(L"MainForm", L"h", L"200");
    Start();
    App().EventList()->ShowMainWindow();
    RECT rect = WindowRect(App().EventList()->Hwnd());
    EXPECT_EQ(rect.left, (GetSystemMetrics(SM_CXSCREEN) - 400) / 2);
    EXPECT_EQ(rect.top, (GetSystemMetrics(SM_CYSCREEN) - 200) / 2);
    EXPECT_EQ(rect.right - rect.left, 400);
}

}  // namespace
}  // namespace orbelle::testing
