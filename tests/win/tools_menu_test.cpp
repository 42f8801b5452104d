// The Tools menu as one table that each capability adds to: the list shows
// every capability's items in the order they came, a separator between
// capabilities, runs an item's handler with the list as owner and keeps each
// check mark as its capability says.
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "eventlist/event_list_window.h"
#include "ui/tools_menu.h"
#include "win_fixture.h"

namespace orbelle::testing {
namespace {

// Each item as its caption (empty for a separator) and command id.
std::vector<std::pair<std::wstring, UINT>> Items(HMENU menu) {
    std::vector<std::pair<std::wstring, UINT>> items;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t text[128] = {};
        GetMenuStringW(menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
        items.emplace_back(text, GetMenuItemID(menu, i));
    }
    return items;
}

bool IsChecked(HMENU menu, UINT command) { return GetMenuState(menu, command, MF_BYCOMMAND) & MF_CHECKED; }

TEST(ToolsMenuTest, ItemsKeepTheirOrderAndRunTheirHandlerThenShowEveryCheck) {
    bool on = false;
    HWND owner_seen = nullptr;
    int exports = 0;
    ToolsMenu tools;
    tools.AddGroup({{.command = 700,
                     .caption = L"Switch",
                     .run = [&](HWND owner) { owner_seen = owner, on = !on; },
                     .checked = [&] { return on; }}});
    tools.AddGroup({{.command = 710, .caption = L"First", .run = [&](HWND) { ++exports; }},
                    {.command = 711, .caption = L"Second"}});

    OwnedMenu popup = tools.MakePopup();
    EXPECT_EQ(Items(popup.Get()), (std::vector<std::pair<std::wstring, UINT>>{
                                      {L"Switch", 700}, {L"", 0}, {L"First", 710}, {L"Second", 711}}));

    // The handler's owner is the window whose menu bar holds the items.
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    HMENU bar = CreateMenu();
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup.Release()), L"Tools");
    SetMenu(window, bar);
    HMENU shown = GetSubMenu(bar, 0);

    tools.ShowChecks(bar);
    EXPECT_FALSE(IsChecked(shown, 700));
    EXPECT_TRUE(tools.Run(700, window));
    EXPECT_EQ(owner_seen, window);
    EXPECT_TRUE(IsChecked(shown, 700));
    EXPECT_TRUE(tools.Run(710, window));
    EXPECT_EQ(exports, 1);
    EXPECT_TRUE(IsChecked(shown, 700)) << "another item's run keeps the check";
    EXPECT_TRUE(tools.Run(700, window));
    EXPECT_FALSE(IsChecked(shown, 700));
    EXPECT_TRUE(tools.Run(711, window)) << "an item without a handler is still the menu's";
    EXPECT_FALSE(tools.Run(712, window));
    DestroyWindow(window);
}

// The program's own table: the search, the reminders switch, the iCalendar
// and CSV files, the backups, the events on the calendar, the calendar sync,
// in that order, whichever capability added them.
TEST_F(AppTest, TheListsToolsMenuHoldsEveryCapabilityInItsOrder) {
    Start();
    HMENU tools = GetSubMenu(GetMenu(App().EventList()->Hwnd()), 1);
    EXPECT_EQ(Items(tools), (std::vector<std::pair<std::wstring, UINT>>{
                                {L"Search Events...\tCtrl+F", kCmdSearchEvents},
                                {L"", 0},
                                {L"Remind at the Alarm Time", kCmdRemindAtAlarmTime},
                                {L"", 0},
                                {L"Import iCalendar File...", kCmdImportICalendar},
                                {L"Export iCalendar File...", kCmdExportICalendar},
                                {L"Export CSV File...", kCmdExportCsv},
                                {L"", 0},
                                {L"Back Up Now", kCmdBackUpNow},
                                {L"Restore from Backup...", kCmdRestoreBackup},
                                {L"", 0},
                                {L"Show Events on the Calendar", kCmdShowEvents},
                                {L"Show Upcoming Events", kCmdShowUpcoming},
                                {L"", 0},
                                {L"Calendar Sync...", sync::kCmdCalendarSync},
                            }));
}

}  // namespace
}  // namespace orbelle::testing
