#include <windows.h>

#include <fstream>

#include "desktop/desktop_window.h"
#include "eventlist/commands.h"
#include "eventlist/event_list_window.h"
#include "win_fixture.h"

namespace orbelle::testing {
namespace {

using TrayMenuTest = AppTest;

std::wstring ItemText(HMENU menu, int position) {
    wchar_t text[64] = {};
    GetMenuStringW(menu, static_cast<UINT>(position), text, 64, MF_BYPOSITION);
    return text;
}

TEST_F(TrayMenuTest, HoldsEveryCommandInOrder) {
    Start();
    HMENU menu = App().EventList()->TrayMenu();
    const wchar_t* expected[] = {L"New Event", L"Show Main Window", L"", L"Quick Reminder", L"", L"Today",
                                 L"Goto", L"", L"Options", L"", L"Home Page", L"About", L"", L"Exit"};
    ASSERT_EQ(GetMenuItemCount(menu), 14);
    for (int i = 0; i < 14; ++i) {
        EXPECT_EQ(ItemText(menu, i), expected[i]) << i;
        bool separator = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR;
        EXPECT_EQ(separator, *expected[i] == L'\0') << i;
    }
    HMENU go_to = GetSubMenu(menu, 6);
    ASSERT_TRUE(go_to);
    const wchar_t* steps[] = {L"Preview Year", L"Next Year", L"Preview Month", L"Next Month"};
    ASSERT_EQ(GetMenuItemCount(go_to), 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(ItemText(go_to, i), steps[i]);
}

TEST_F(TrayMenuTest, ShowMainWindowAndQuickReminder) {
    Start();
    HWND list = App().EventList()->Hwnd();
    SendMessageW(list, WM_COMMAND, kCmdQuickReminder, 0);
    EXPECT_FALSE(IsWindowVisible(list));
    SendMessageW(list, WM_COMMAND, kCmdShowMainWindow, 0);
    EXPECT_TRUE(IsWindowVisible(list));
}

TEST_F(TrayMenuTest, ExitAsksAndYesHidesTheCalendarAndEnds) {
    Start();
    HWND list = App().EventList()->Hwnd();
    HWND calendar = App().Desktop()->Hwnd();
    ShowWindow(calendar, SW_SHOWNOACTIVATE);
    {
        MessageBoxAnswerer answers({IDNO});
        SendMessageW(list, WM_COMMAND, kCmdTrayExit, 0);
        ASSERT_EQ(answers.Seen().size(), 1u);
        EXPECT_EQ(answers.Seen()[0].text, L"Are you sure you want to exit Orbelle\uFF1F");
    }
    EXPECT_TRUE(IsWindowVisible(calendar));
    EXPECT_FALSE(App().QuitRequested());
    {
        MessageBoxAnswerer answers({IDYES});
        SendMessageW(list, WM_COMMAND, kCmdTrayExit, 0);
    }
    EXPECT_FALSE(IsWindowVisible(calendar));
    EXPECT_TRUE(App().QuitRequested());
}

TEST_F(TrayMenuTest, AMissingTrayPictureIsReportedAndTheRestOfTheListIsNotMade) {
    std::filesystem::remove_all(ProgramFolder() / "pic");
    MessageBoxAnswerer answers;
    Start();
    ASSERT_EQ(answers.Seen().size(), 1u);
    EXPECT_NE(answers.Seen()[0].text.find(L"tutorial.bmp"), std::wstring::npos);
    EXPECT_FALSE(App().EventList()->Tray().IsAdded());
    EXPECT_FALSE(App().EventList()->Cursor().Active());  // no table opened, no list filled
}

}  // namespace
}  // namespace orbelle::testing
