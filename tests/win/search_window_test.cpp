// The search window in the running program: opened from the Tools menu and
// by Ctrl+F in the list, results as the user types, Enter opening the event
// in the list's editor (never beside another), Del with the list's question,
// and results that follow what the list posts.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "editor/event_editor.h"
#include "eventlist/commands.h"
#include "eventlist/event_list_window.h"
#include "search/search_commands.h"
#include "win_fixture.h"

namespace orbelle::testing {
namespace {

struct Seeded {
    const char* subject;
    const char* memo;
    const char* accepted;
};

class SearchTest : public AppTest {
protected:
    void StartWith(const std::vector<Seeded>& events) {
        SeedTable(events, [](EventCursor& cursor, const Seeded& event) {
            cursor.SetFieldText("Subject", event.subject);
            cursor.SetFieldText("Memo", event.memo);
            cursor.SetFieldText("Type", "Meeting");
            cursor.SetFieldText("Priority", "Normal");
            cursor.SetFieldText("Repleat", "N");
            cursor.SetFieldText("Accepttext", event.accepted);
            cursor.SetFieldDateTime("Date", DateTime::FromDate(2026, 12, 14));
        });
        Start();
    }
    HWND List() { return App().EventList()->Hwnd(); }
    SearchWindow& Search() { return *App().Search().Window(); }
    HWND Control(SearchWindow::ControlId id) { return Search().Control(id); }
    void OpenFromMenu() {
        SendMessageW(List(), WM_COMMAND, kCmdSearchEvents, 0);
        Pump();
    }
    // Typed text, then the pause the window waits for.
    void Type(const wchar_t* text) {
        SetWindowTextW(Control(SearchWindow::QueryBox), text);
        Pump(SearchWindow::kSearchDelay + 150);
    }
    void Key(HWND window, WPARAM key) {
        PostMessageW(window, WM_KEYDOWN, key, 0);
        PostMessageW(window, WM_KEYUP, key, 0);
        Pump();
    }
    void Select(std::int64_t id) {
        const std::vector<std::int64_t> ids = Search().ResultIds();
        for (std::size_t i = 0; i < ids.size(); ++i)
            if (ids[i] == id)
                ListView_SetItemState(Control(SearchWindow::ResultList), static_cast<int>(i),
                                      LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
    std::wstring Cell(int row, int column) {
        wchar_t text[256] = {};
        ListView_GetItemText(Control(SearchWindow::ResultList), row, column, text, 256);
        return text;
    }
    bool Shown() { return App().Search().Window() && IsWindowVisible(Search().Hwnd()); }
};

TEST_F(SearchTest, OpensFromTheToolsMenuAndFromCtrlFAndEscClosesIt) {
    StartWith({{"Dentist", "", "N"}});
    EXPECT_EQ(App().Search().Window(), nullptr) << "nothing of the search is made at start";
    OpenFromMenu();
    ASSERT_TRUE(Shown());
    EXPECT_EQ(ClassName(Search().Hwnd()), L"TSearch");
    EXPECT_EQ(WindowText(Search().Hwnd()), L"Search Events");
    EXPECT_EQ(Search().StatusText(), L"Type to search");
    EXPECT_EQ(ListView_GetItemCount(Control(SearchWindow::ResultList)), 0);

    Key(Control(SearchWindow::QueryBox), VK_ESCAPE);
    EXPECT_FALSE(Shown());
    EXPECT_NE(Setting(L"Search", L"w"), L"") << "the place is kept";

    // Ctrl+F where the list has the keyboard.
    App().EventList()->ShowMainWindow();
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    BYTE pressed[256];
    std::copy(std::begin(keys), std::end(keys), pressed);
    pressed[VK_CONTROL] = 0x80;
    SetKeyboardState(pressed);
    PostMessageW(App().EventList()->ListView(), WM_KEYDOWN, 'F', 0);
    Pump();
    SetKeyboardState(keys);
    EXPECT_TRUE(Shown());
}

TEST_F(SearchTest, TypingShowsTheMatchesAfterAPause) {
    StartWith({{"Dentist appointment", "bring the insurance card", "N"},
               {"Café with Zoë", "", "N"},
               {"Old dentist visit", "", "Y"}});
    OpenFromMenu();
    Type(L"zoe CAFE");
    EXPECT_EQ(Search().ResultIds(), std::vector<std::int64_t>{2});
    EXPECT_EQ(Cell(0, 1), L"Café with Zoë");
    EXPECT_EQ(Search().StatusText(), L"1 event found");

    Type(L"insur");
    EXPECT_EQ(Search().ResultIds(), std::vector<std::int64_t>{1}) << "the memo counts";
    Type(L"dentist");
    EXPECT_EQ(Search().ResultIds(), std::vector<std::int64_t>{1}) << "done events stay out";
    SendMessageW(Control(SearchWindow::DoneBox), BM_CLICK, 0, 0);
    Pump();
    EXPECT_EQ(Search().ResultIds().size(), 2u);
    EXPECT_EQ(Search().StatusText(), L"2 events found");

    SYSTEMTIME day{.wYear = 2026, .wMonth = 12, .wDay = 14};
    DateTime_SetSystemtime(Control(SearchWindow::FromDate), GDT_VALID, &day);
    DateTime_SetSystemtime(Control(SearchWindow::ToDate), GDT_VALID, &day);
    Search().SearchNow();
    EXPECT_EQ(Search().StatusText(), L"2 events found, 2 occurrences");
    day.wDay = 15;
    DateTime_SetSystemtime(Control(SearchWindow::FromDate), GDT_VALID, &day);
    Search().SearchNow();
    EXPECT_EQ(Search().StatusText(), L"0 events found, 0 occurrences");
}

TEST_F(SearchTest, EnterOpensTheEventInTheEditorAndNotBesideAnotherEditor) {
    StartWith({{"walk alpha", "", "N"}, {"walk beta", "", "N"}});
    OpenFromMenu();
    Type(L"walk");
    ASSERT_EQ(Search().ResultIds().size(), 2u);
    Select(2);
    std::wstring edited;
    {
        TimerScript driver({WhenVisible(L"TForm2", [&](HWND editor) {
            edited = WindowText(GetDlgItem(editor, TForm2::Edit_subject));
            SetWindowTextW(GetDlgItem(editor, TForm2::Edit_subject), L"walk gamma");
            PostMessageW(editor, WM_COMMAND, IDOK, 0);
        })});
        Key(Control(SearchWindow::ResultList), VK_RETURN);
        Pump(200);
    }
    EXPECT_EQ(edited, L"walk beta");
    EXPECT_EQ(Column("Subject"), (std::vector<std::string>{"walk alpha", "walk gamma"}));
    Type(L"gamma");
    EXPECT_EQ(Search().ResultIds(), std::vector<std::int64_t>{2}) << "the results follow the editor's save";

    // The list's editor holds the cursor: the search's Enter only beeps.
    Type(L"walk");
    Select(1);
    ListView_SetItemState(App().EventList()->ListView(), 1, LVIS_SELECTED, LVIS_SELECTED);
    int editors_seen = 0;
    std::wstring list_edited;
    {
        HWND search = Search().Hwnd();
        TimerScript driver({WhenVisible(L"TForm2", [&](HWND editor) {
            list_edited = WindowText(GetDlgItem(editor, TForm2::Edit_subject));
            SendMessageW(search, WM_COMMAND, IDOK, 0);
            editors_seen = static_cast<int>(ThreadWindows(Visible(OfClass(L"TForm2"))).size());
            PostMessageW(editor, WM_COMMAND, IDCANCEL, 0);
        })});
        SendMessageW(List(), WM_COMMAND, kCmdModify, 0);
    }
    EXPECT_EQ(list_edited, L"walk gamma");
    EXPECT_EQ(editors_seen, 1);
}

TEST_F(SearchTest, DelAsksTheListsQuestionAndDeletes) {
    StartWith({{"keep me", "", "N"}, {"delete me", "", "N"}});
    OpenFromMenu();
    Type(L"me");
    Select(2);
    MessageBoxAnswerer answers({IDNO, IDYES});
    Key(Control(SearchWindow::ResultList), VK_DELETE);
    EXPECT_EQ(TableRows(), 2) << "No keeps the event";
    Key(Control(SearchWindow::ResultList), VK_DELETE);
    ASSERT_EQ(answers.Seen().size(), 2u);
    EXPECT_EQ(answers.Seen()[1].text, L"Are you sure you want to delete 'delete me' Item\uFF1F");
    EXPECT_EQ(answers.Seen()[1].caption, L"");
    EXPECT_EQ(Column("Subject"), std::vector<std::string>{"keep me"});
    EXPECT_EQ(Search().ResultIds(), std::vector<std::int64_t>{1});
    EXPECT_EQ(App().EventList()->Rows().size(), 1u);
}

TEST_F(SearchTest, ResultsFollowAPostAndADeleteFromTheList) {
    StartWith({{"alpha", "", "N"}});
    OpenFromMenu();
    Type(L"beta");
    EXPECT_TRUE(Search().ResultIds().empty());
    {
        TimerScript driver({WhenVisible(L"TForm2", [&](HWND editor) {
            SetWindowTextW(GetDlgItem(editor, TForm2::Edit_subject), L"beta from the list");
            PostMessageW(editor, WM_COMMAND, IDOK, 0);
        })});
        SendMessageW(List(), WM_COMMAND, kCmdNew, 0);
    }
    EXPECT_EQ(Search().ResultIds(), std::vector<std::int64_t>{2});
    EXPECT_EQ(Search().StatusText(), L"1 event found");
    {
        MessageBoxAnswerer yes({IDYES});
        SendMessageW(List(), WM_COMMAND, kCmdDelete, 0);  // the new row is the list's selected one
    }
    Pump();
    EXPECT_TRUE(Search().ResultIds().empty());
}

}  // namespace
}  // namespace orbelle::testing
