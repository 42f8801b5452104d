// The editor's Preview: the popup on the record as stored, and what its
// Accept leaves in the table for a new event and for an existing one.
#include <windows.h>
#include <commctrl.h>

#include "editor/event_editor.h"
#include "eventlist/commands.h"
#include "eventlist/event_list_window.h"
#include "popup_fixture.h"

namespace orbelle::testing {
namespace {

HWND DescendantById(HWND parent, int id) {
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (GetDlgCtrlID(child) == id) return child;
        if (HWND inside = DescendantById(child, id)) return inside;
    }
    return nullptr;
}

// Drives the open editor: types a subject it does not save, presses Preview,
// and once the popup has come and gone ends the editor with the given button.
struct EditorScript {
    int last_button = IDCANCEL;
    int step = 0;
    bool popup_seen = false;
};
EditorScript g_script;

void CALLBACK DriveEditor(HWND, UINT, UINT_PTR, DWORD) {
    auto editors = ThreadWindows(Visible(OfClass(L"TForm2")));
    if (editors.empty()) return;
    HWND editor = editors.front();
    bool popup_open = !ThreadWindows(Visible(OfClass(L"TForm5"))).empty();
    g_script.popup_seen |= popup_open;
    switch (g_script.step) {
        case 0:
            SetWindowTextW(DescendantById(editor, TForm2::Edit_subject), L"typed, not saved");
            PostMessageW(editor, WM_COMMAND, MAKEWPARAM(TForm2::BitBtn1, BN_CLICKED),
                         reinterpret_cast<LPARAM>(DescendantById(editor, TForm2::BitBtn1)));
            ++g_script.step;
            break;
        case 1:
            if (g_script.popup_seen && !popup_open) {
                PostMessageW(editor, WM_COMMAND, MAKEWPARAM(g_script.last_button, BN_CLICKED), 0);
                ++g_script.step;
            }
            break;
        default:
            break;
    }
}

class PopupPreviewTest : public PopupTest {
protected:
    // Runs the command that opens the editor, with the script above driving it.
    void RunEditor(WORD command, int last_button) {
        g_script = {last_button};
        UINT_PTR drive = SetTimer(nullptr, 0, 60, DriveEditor);
        SendMessageW(App().EventList()->Hwnd(), WM_COMMAND, command, 0);  // returns when the editor has closed
        KillTimer(nullptr, drive);
        EXPECT_EQ(g_script.step, 2) << "the editor did not run its script";
    }
};

TEST_F(PopupPreviewTest, AcceptInThePreviewOfANewEventLeavesNoRowBehind) {
    struct Case {
        const char* name;
        int editor_button;
        std::vector<std::string> subjects;
    };
    const Case cases[] = {
        {"then Cancel: nothing at all", IDCANCEL, {}},
        {"then OK: only the saved event", IDOK, {"typed, not saved"}},
    };
    Start();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PopupAnswerer answerer({TForm5::SpeedButton1});
        RunEditor(kCmdNew, c.editor_button);
        ASSERT_EQ(answerer.Seen().size(), 1u);
        EXPECT_EQ(answerer.Seen()[0].subject, L"") << "a new event previews blank";
        EXPECT_EQ(answerer.Seen()[0].memo, L"");
        EXPECT_EQ(Column("subject"), c.subjects);
        EXPECT_EQ(App().EventList()->Rows().size(), c.subjects.size());
    }
}

TEST_F(PopupPreviewTest, PreviewOfAStoredEventShowsItAsStoredAndAcceptMarksIt) {
    Seed({{"Stored subject", "Stored memo", "N", At(22, 9, 0)}});
    Start();
    ListView_SetItemState(App().EventList()->ListView(), 0, LVIS_SELECTED, LVIS_SELECTED);
    PopupAnswerer answerer({TForm5::SpeedButton1});
    RunEditor(kCmdModify, IDCANCEL);
    ASSERT_EQ(answerer.Seen().size(), 1u);
    EXPECT_EQ(answerer.Seen()[0].subject, L"Stored subject");
    EXPECT_EQ(answerer.Seen()[0].memo, L"Stored memo");
    EXPECT_EQ(Column("subject"), std::vector<std::string>{"Stored subject"});
    EXPECT_EQ(Column("accepttext"), std::vector<std::string>{"Y"});
}

}  // namespace
}  // namespace orbelle::testing
