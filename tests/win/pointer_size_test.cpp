// The places where the program's pointer size matters, proven on whichever
// program this test is built into (PE32 or PE32+): a window's object pointer
// kept with its window, timer ids, the tray record's size and a list row's
// 64-bit Id. The registry view both programs share: settings_test.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <sqlite3.h>

#include <cstdint>
#include <new>
#include <optional>
#include <string>

#include "eventlist/commands.h"
#include "eventlist/event_list_window.h"
#include "ui/window.h"
#include "win_fixture.h"

namespace orbelle::testing {
namespace {

constexpr bool k64Bit = sizeof(void*) == 8;

class WidthProbe : public Window {
public:
    WidthProbe() { Create({.name = L"OrbelleWidthProbe"}, {.style = WS_POPUP, .width = 20, .height = 20}); }
    std::optional<UINT_PTR> timer;
    WORD command = 0;

private:
    void OnTimer(UINT_PTR id) override {
        KillTimer(Hwnd(), id);
        timer = id;
    }
    void OnCommand(WORD id, WORD, HWND) override { command = id; }
};

// The object of a window lives wherever the allocator puts it: above 4 GB a
// pointer cut to 32 bits would send the window's messages to another object.
TEST(PointerSize, AWindowFindsItsObjectWhereverTheObjectLives) {
    // Top-down allocation gives a 64-bit program an address above 4 GB.
    void* place = VirtualAlloc(nullptr, sizeof(WidthProbe), MEM_RESERVE | MEM_COMMIT | MEM_TOP_DOWN, PAGE_READWRITE);
    ASSERT_NE(place, nullptr);
    if (k64Bit) EXPECT_GT(reinterpret_cast<std::uintptr_t>(place), 0xFFFF'FFFFu);
    auto* probe = new (place) WidthProbe();
    ASSERT_NE(probe->Hwnd(), nullptr);
    EXPECT_EQ(GetWindowLongPtrW(probe->Hwnd(), GWLP_USERDATA), reinterpret_cast<LONG_PTR>(probe));
    SendMessageW(probe->Hwnd(), WM_COMMAND, 4321, 0);
    EXPECT_EQ(probe->command, 4321);
    probe->Destroy();
    probe->~WidthProbe();
    VirtualFree(place, 0, MEM_RELEASE);
}

TEST(PointerSize, TimerIdsReachTheHandlerWhole) {
    auto probe = MakeWindow<WidthProbe>();
    const UINT_PTR id = k64Bit ? static_cast<UINT_PTR>(0x1234'5678'9ABCull) : 0x89AB'CDEFu;
    ASSERT_EQ(SetTimer(probe->Hwnd(), id, 1, nullptr), id);
    MSG message;
    for (int i = 0; i < 200 && !probe->timer; ++i) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        Sleep(5);
    }
    EXPECT_EQ(probe->timer, id);
}

// The tray icon is registered with the record sizes of the first two shell
// versions; a size computed by hand for one architecture is refused on the other.
TEST(PointerSize, TrayRecordSizesAreTheSystemsForThisArchitecture) {
    struct Case {
        const char* name;
        size_t size, expected_32, expected_64;
    };
    const Case cases[] = {
        {"first version", NOTIFYICONDATAW_V1_SIZE, 152, 168},
        {"second version", NOTIFYICONDATAW_V2_SIZE, 936, 952},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.size, k64Bit ? c.expected_64 : c.expected_32);
    }
}

class PointerSizeListTest : public AppTest {};

// Ids above 2^32 are SQLite's to give (after an import or a restore of another
// table, or by hand): the list, and the cursor behind its commands, keep them whole.
TEST_F(PointerSizeListTest, AListRowKeepsAnIdAboveFourBillion) {
    constexpr std::int64_t kBigId = 5'000'000'007;
    SeedTable(std::initializer_list<const char*>{"Far id", "Other"}, [](EventCursor& cursor, const char* subject) {
        cursor.SetFieldText("subject", subject);
    });
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(TableFile().string().c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "UPDATE TODOLIST SET Id = 5000000007 WHERE Subject = 'Far id'", nullptr, nullptr,
                           nullptr),
              SQLITE_OK);
    sqlite3_close(db);

    Start();
    HWND list = App().EventList()->ListView();
    const int id_column = 7;
    int row = -1;
    wchar_t text[64] = {};
    for (int i = 0; i < ListView_GetItemCount(list); ++i) {
        ListView_GetItemText(list, i, id_column, text, 64);
        if (std::wstring(text) == L"5000000007") row = i;
    }
    ASSERT_NE(row, -1) << "no row shows the Id 5000000007";
    EXPECT_EQ(App().EventList()->Rows()[row].id, kBigId);

    ListView_SetItemState(list, row, LVIS_SELECTED, LVIS_SELECTED);
    {
        MessageBoxAnswerer answers({IDYES});
        SendMessageW(App().EventList()->Hwnd(), WM_COMMAND, kCmdDelete, 0);
    }
    EXPECT_EQ(Column("subject"), std::vector<std::string>{"Other"});
}

}  // namespace
}  // namespace orbelle::testing
