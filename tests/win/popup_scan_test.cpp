// The reminder scan at start: which records it announces, in which order,
// what Accept and Close leave in the table, and what waits while it runs.
#include <windows.h>
#include <commctrl.h>

#include "editor/event_editor.h"
#include "eventlist/commands.h"
#include "eventlist/event_list_window.h"
#include "popup_fixture.h"

namespace orbelle::testing {
namespace {

using PopupScanTest = PopupTest;

// An editor or the delete question shown while a scan popup stands: counted
// and dismissed, so that a failure does not hang the run.
int g_editors_or_questions = 0;

// Never done: it watches for as long as it lives.
bool DismissEditorsAndQuestions() {
    for (const wchar_t* kind : {L"TForm2", L"#32770"})
        for (HWND window : ThreadWindows(Visible(OfClass(kind)))) {
            ++g_editors_or_questions;
            PostMessageW(window, WM_COMMAND, kind[0] == L'#' ? IDNO : IDCANCEL, 0);
        }
    return false;
}

// The editor left open well past the scan's first tick, then cancelled.
int g_editor_ticks = 0;
bool g_editor_seen_with_popup = false;

bool CancelEditorLater() {
    auto editors = ThreadWindows(Visible(OfClass(L"TForm2")));
    if (editors.empty()) return false;
    if (!ThreadWindows(Visible(OfClass(L"TForm5"))).empty()) g_editor_seen_with_popup = true;
    if (++g_editor_ticks == 20) PostMessageW(editors.front(), WM_COMMAND, IDCANCEL, 0);
    return false;
}

TEST_F(PopupScanTest, AnnouncesEveryDueRecordOnePopupAfterAnotherInCursorOrder) {
    Seed({
        {"accepted", "", "Y", At(10, 8, 0)},
        {"yesterday 23:59", "first line\r\nsecond line", "N", At(14, 23, 59)},
        {"later today", "", "N", At(15, 11, 0)},
        {"today 00:00", "", "", At(15, 0, 0)},
        {"earlier today at 08:00", "", "N", At(15, 8, 0)},
        {"lower-case y", "", "y", At(1, 9, 0)},
        {"next week", "", "N", At(22, 9, 0)},
    });
    PopupAnswerer answerer;
    Start();
    PumpPastScan();
    EXPECT_EQ(Subjects(answerer),
              (std::vector<std::wstring>{L"yesterday 23:59", L"today 00:00", L"lower-case y"}));
    EXPECT_EQ(answerer.MostOpenAtOnce(), 1);
    ASSERT_FALSE(answerer.Seen().empty());
    EXPECT_EQ(answerer.Seen()[0].memo, L"first line\r\nsecond line");
}

// The scan finds the due records first and reads each again when its turn
// comes: one accepted by another program while an earlier popup stands is
// not announced.
TEST_F(PopupScanTest, ARecordAcceptedElsewhereWhileAnEarlierPopupStandsIsNotAnnounced) {
    Seed({
        {"first", "", "N", At(14, 9, 0)},
        {"accepted meanwhile", "", "N", At(14, 9, 0)},
        {"last", "", "N", At(14, 9, 0)},
    });
    PopupAnswerer answerer({}, [this](HWND) {
        EventCursor elsewhere;
        elsewhere.Open(TableFile());
        for (elsewhere.First(); !elsewhere.Eof(); elsewhere.Next()) {
            if (elsewhere.FieldText("subject") != "accepted meanwhile") continue;
            elsewhere.Edit();
            elsewhere.SetFieldText("accepttext", "Y");
            elsewhere.Post();
            break;
        }
    });
    Start();
    PumpPastScan(3000);
    EXPECT_EQ(Subjects(answerer), (std::vector<std::wstring>{L"first", L"last"}));
}

TEST_F(PopupScanTest, NothingDueOpensNoPopup) {
    Seed({{"accepted", "", "Y", At(1, 8, 0)}, {"later today", "", "N", At(15, 10, 30)}});
    PopupAnswerer answerer;
    Start();
    PumpPastScan();
    EXPECT_TRUE(answerer.Seen().empty());
}

TEST_F(PopupScanTest, AcceptStoresYAndCloseLeavesTheRecordSoOnlyTheClosedOneReturns) {
    Seed({{"to accept", "memo", "N", At(14, 9, 0)}, {"to close", "memo", "N", At(13, 9, 0)}});
    {
        PopupAnswerer answerer({TForm5::SpeedButton1, TForm5::SpeedButton2});
        Start();
        PumpPastScan();
        EXPECT_EQ(Subjects(answerer), (std::vector<std::wstring>{L"to accept", L"to close"}));
    }
    EXPECT_EQ(Column("accepttext"), (std::vector<std::string>{"Y", "N"}));
    EXPECT_EQ(Column("subject"), (std::vector<std::string>{"to accept", "to close"}));
    EXPECT_EQ(Column("memo"), (std::vector<std::string>{"memo", "memo"}));
    Stop();

    PopupAnswerer next_start;
    Start();
    PumpPastScan();
    EXPECT_EQ(Subjects(next_start), (std::vector<std::wstring>{L"to close"}));
}

TEST_F(PopupScanTest, NewModifyAndDeleteDoNothingWhileAScanPopupIsOpen) {
    Seed({{"due", "", "N", At(14, 9, 0)}});
    g_editors_or_questions = 0;
    auto try_commands = [this](HWND) {
        HWND list = App().EventList()->Hwnd();
        ListView_SetItemState(App().EventList()->ListView(), 0, LVIS_SELECTED, LVIS_SELECTED);
        for (WORD command : {kCmdNew, kCmdModify, kCmdDelete}) PostMessageW(list, WM_COMMAND, command, 0);
    };
    PopupAnswerer answerer({}, try_commands);
    {
        TimerScript watch({DismissEditorsAndQuestions});
        Start();
        PumpPastScan();
    }
    EXPECT_EQ(answerer.Seen().size(), 1u);
    EXPECT_EQ(g_editors_or_questions, 0);
    EXPECT_EQ(Column("subject"), (std::vector<std::string>{"due"}));
    EXPECT_EQ(App().EventList()->Rows().size(), 1u);
}

TEST_F(PopupScanTest, AnEditorOpenAtTheScansTickKeepsItsNewRowAndTheScanFollowsIt) {
    Seed({{"due", "", "N", At(14, 9, 0)}});
    PopupAnswerer answerer;
    Start();
    g_editor_ticks = 0;
    g_editor_seen_with_popup = false;
    {
        TimerScript close_editor({CancelEditorLater}, 100);
        // New opens its modal editor on a blank inserted row before the scan's tick.
        SendMessageW(App().EventList()->Hwnd(), WM_COMMAND, kCmdNew, 0);  // returns when the editor closes
    }
    EXPECT_GE(g_editor_ticks, 20);
    EXPECT_TRUE(answerer.Seen().empty()) << "the scan ran while the editor held the cursor";
    EXPECT_FALSE(g_editor_seen_with_popup);
    PumpPastScan();
    EXPECT_EQ(Subjects(answerer), (std::vector<std::wstring>{L"due"}));
    EXPECT_EQ(Column("subject"), (std::vector<std::string>{"due"}));
}

TEST_F(PopupScanTest, AScanThatCannotReadTheTableReportsOnce) {
    Start();
    App().EventList()->Cursor().Close();
    MessageBoxAnswerer boxes;
    PumpPastScan(2500);
    ASSERT_EQ(boxes.Seen().size(), 1u);
    EXPECT_EQ(boxes.Seen()[0].text, L"Cannot perform this operation on a closed dataset");
}

}  // namespace
}  // namespace orbelle::testing
