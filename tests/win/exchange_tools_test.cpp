// The Tools menu's iCalendar and CSV items, and the list reading its rows
// again when another program stored events, in this process.
#include <windows.h>
#include <commctrl.h>

#include <fstream>

#include "exchange/exchange_context.h"
#include "eventlist/commands.h"
#include "eventlist/event_list_window.h"
#include "platform/program_messages.h"
#include "win_fixture.h"

namespace orbelle::testing {
namespace {

std::wstring MenuText(HMENU menu, UINT position) {
    wchar_t text[128] = {};
    GetMenuStringW(menu, position, text, 128, MF_BYPOSITION);
    return text;
}

TEST_F(AppTest, TheToolsMenuFollowsEventsWithTheFileItemsInOrder) {
    Start();
    HMENU bar = GetMenu(App().EventList()->Hwnd());
    ASSERT_GE(GetMenuItemCount(bar), 2);
    EXPECT_EQ(MenuText(bar, 0), L"Events");
    ASSERT_EQ(MenuText(bar, 1), L"Tools");
    HMENU tools = GetSubMenu(bar, 1);
    std::vector<std::pair<std::wstring, UINT>> items;
    for (int i = 0; i < GetMenuItemCount(tools); ++i) items.emplace_back(MenuText(tools, i), GetMenuItemID(tools, i));
    const std::pair<std::wstring, UINT> expected[] = {{L"Import iCalendar File...", kCmdImportICalendar},
                                                       {L"Export iCalendar File...", kCmdExportICalendar},
                                                       {L"Export CSV File...", kCmdExportCsv}};
    auto first = std::find(items.begin(), items.end(), expected[0]);
    ASSERT_NE(first, items.end());
    ASSERT_GE(items.end() - first, 3);
    EXPECT_TRUE(std::equal(std::begin(expected), std::end(expected), first));
    // Its block stands apart from the items of other tools.
    if (first != items.begin()) EXPECT_EQ((first - 1)->second, 0u);
    if (first + 3 != items.end()) EXPECT_EQ((first + 3)->second, 0u);
}

// Another program's import while the editor holds the cursor: the rows are
// read again only once the editor has closed.
TEST_F(AppTest, RowsStoredWhileTheEditorIsOpenShowWhenItCloses) {
    Start();
    EventListWindow& list = *App().EventList();
    std::filesystem::path file = ProgramFolder() / "two.ics";
    std::ofstream(file, std::ios::binary)
        << "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//EN\r\n"
           "BEGIN:VEVENT\r\nUID:a@test\r\nDTSTAMP:20261210T120000Z\r\nDTSTART:20270105T090000Z\r\nSUMMARY:Dentist\r\n"
           "END:VEVENT\r\nBEGIN:VEVENT\r\nUID:b@test\r\nDTSTAMP:20261210T120000Z\r\nDTSTART;VALUE=DATE:20270301\r\n"
           "SUMMARY:Birthday\r\nRRULE:FREQ=YEARLY\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    int rows_while_open = -1;
    bool editor_seen = false;
    {
        TimerScript script({WhenVisible(L"TForm2", [&](HWND editor) {
            editor_seen = true;
            ImportReport report = ImportICalendarFile(TableFile(), file, SystemExchangeContext());
            EXPECT_EQ(report.added, 2u) << report.Summary();
            SendMessageW(list.Hwnd(), EventsChangedMessage(), 0, 0);
            rows_while_open = ListView_GetItemCount(list.ListView());
            PostMessageW(editor, WM_COMMAND, IDCANCEL, 0);
        })});
        SendMessageW(list.Hwnd(), WM_COMMAND, kCmdNew, 0);
    }
    ASSERT_TRUE(editor_seen);
    EXPECT_EQ(rows_while_open, 0);
    EXPECT_EQ(ListView_GetItemCount(list.ListView()), 2);
    ASSERT_EQ(list.Rows().size(), 2u);
    EXPECT_EQ(list.Rows()[0].subject, "Dentist");
}

}  // namespace
}  // namespace orbelle::testing
