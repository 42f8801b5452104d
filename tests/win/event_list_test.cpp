#include <windows.h>
#include <commctrl.h>
#include <sqlite3.h>

#include <fstream>

#include "base/text.h"
#include "eventlist/commands.h"
#include "eventlist/event_list_window.h"
#include "platform/wide.h"
#include "ui/message_loop.h"
#include "win_fixture.h"

namespace orbelle::testing {
namespace {

class EventListTest : public AppTest {
protected:
    // Rows written before the program starts, as a user's table would hold them.
    void Seed(std::initializer_list<const char*> subjects) {
        SeedTable(subjects, [](EventCursor& cursor, const char* subject) {
            cursor.SetFieldText("subject", subject);
            cursor.SetFieldDateTime("date", DateTime::FromParts(std::chrono::year{2005} / 1 / 5, {15, 7, 0, 0}));
            cursor.SetFieldDateTime("starthour", DateTime::FromParts(std::chrono::year{2005} / 1 / 5, {14, 37, 0, 0}));
            cursor.SetFieldText("duration", "30 minutes");
            cursor.SetFieldText("type", "Meeting");
            cursor.SetFieldText("priority", "High");
        });
    }

    HWND List() { return App().EventList()->ListView(); }
    int RowCount() { return ListView_GetItemCount(List()); }
    std::wstring Cell(int row, int column) {
        wchar_t text[256] = {};
        ListView_GetItemText(List(), row, column, text, 256);
        return text;
    }
    void Select(int row) { ListView_SetItemState(List(), row, LVIS_SELECTED, LVIS_SELECTED); }
    void Command(WORD id) { SendMessageW(App().EventList()->Hwnd(), WM_COMMAND, id, 0); }
};

TEST_F(EventListTest, RowsComeFromTheTableInItsOrderWithTheirCellFormats) {
    Seed({"Dentist", "Call home \u00e9t\u00e9 \u65e5\u672c"});
    Start();
    ASSERT_EQ(RowCount(), 2);
    const wchar_t* expected[] = {L"Dentist", L"January 5,2005", L"January 5, 2005 02:37 PM",
                                 L"December 30, 1899 12:00 AM", L"30 minutes", L"Meeting", L"High"};
    for (int column = 0; column < 7; ++column) EXPECT_EQ(Cell(0, column), expected[column]) << column;
    EXPECT_EQ(Cell(1, 0), L"Call home \u00e9t\u00e9 \u65e5\u672c");
    EXPECT_EQ(Cell(1, 7), std::to_wstring(App().EventList()->Rows()[1].id));

    const wchar_t* titles[] = {L"Subject", L"Start", L"Next Occurrence", L"Reminder Time",
                               L"Duration", L"Item Type", L"Priority", L"Id"};
    const int widths[] = {150, 105, 70, 75, 50, 50, 50, 0};  // the Id column is always hidden
    for (int column = 0; column < 8; ++column) {
        wchar_t title[64] = {};
        LVCOLUMNW info{LVCF_TEXT | LVCF_WIDTH};
        info.pszText = title;
        info.cchTextMax = 64;
        ListView_GetColumn(List(), column, &info);
        EXPECT_EQ(std::wstring(title), titles[column]);
        EXPECT_EQ(info.cx, widths[column]) << column;
    }
    EXPECT_TRUE(ListView_GetExtendedListViewStyle(List()) & LVS_EX_FULLROWSELECT);
}

TEST_F(EventListTest, AnEmptyTableGivesAnEmptyListAndCommandsDoNothingWithoutASelection) {
    Start();
    EXPECT_EQ(RowCount(), 0);
    EXPECT_TRUE(std::filesystem::exists(TableFile()));
    MessageBoxAnswerer answers({IDYES});
    Command(kCmdDelete);
    Command(kCmdModify);
    EXPECT_TRUE(answers.Seen().empty());
}

TEST_F(EventListTest, DeleteAsksAndNoKeepsTheEvent) {
    Seed({"Keep me", "Other"});
    Start();
    Select(0);
    MessageBoxAnswerer answers({IDNO});
    Command(kCmdDelete);
    ASSERT_EQ(answers.Seen().size(), 1u);
    EXPECT_EQ(answers.Seen()[0].text, L"Are you sure you want to delete 'Keep me' Item\uFF1F");
    EXPECT_EQ(answers.Seen()[0].caption, L"");
    EXPECT_EQ(RowCount(), 2);
    EXPECT_EQ(TableRows(), 2);
}

TEST_F(EventListTest, DeleteWithYesRemovesRowAndRecordAndAGoneRecordChangesNothing) {
    Seed({"First", "Second", "Third"});
    Start();
    Select(1);
    {
        MessageBoxAnswerer answers({IDYES});
        Command(kCmdDelete);
    }
    ASSERT_EQ(RowCount(), 2);
    EXPECT_EQ(Cell(0, 0), L"First");
    EXPECT_EQ(Cell(1, 0), L"Third");
    EXPECT_EQ(TableRows(), 2);

    // The record went away behind the list's back: the row stays.
    {
        EventCursor other;
        other.Open(TableFile());
        ASSERT_TRUE(other.SeekId(App().EventList()->Rows()[1].id));
        other.Delete();
    }
    Select(1);
    {
        MessageBoxAnswerer answers({IDYES});
        Command(kCmdDelete);
    }
    EXPECT_EQ(RowCount(), 2);
}

TEST_F(EventListTest, TheDeleteKeyDeletesTheSelectedRow) {
    Seed({"Only"});
    Start();
    Select(0);
    MessageBoxAnswerer answers({IDYES});
    SetFocus(List());
    MSG key{List(), WM_KEYDOWN, VK_DELETE, 0};
    DispatchOne(key);
    EXPECT_EQ(answers.Seen().size(), 1u);
    EXPECT_EQ(RowCount(), 0);
}

// Never done: every editor that shows is cancelled.
bool CancelTheEditor() {
    HWND editor = FindWindowW(L"TForm2", nullptr);
    if (editor && IsWindowVisible(editor)) PostMessageW(editor, WM_COMMAND, IDCANCEL, 0);
    return false;
}

TEST_F(EventListTest, ADeleteThatMeetsALockedTableSaysSoOnceAndDeletingWorksAfterwards) {
    Seed({"First", "Second", "Third"});
    Start();
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(PathToUtf8(TableFile()).c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    Select(1);
    {
        MessageBoxAnswerer answers({IDYES, IDOK});
        Command(kCmdDelete);
        ASSERT_EQ(answers.Seen().size(), 2u);
        EXPECT_NE(answers.Seen()[1].text.find(L"database is locked"), std::wstring::npos);
    }
    sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(RowCount(), 3);

    // Modify still reaches its record: the editor opens (and is cancelled), no error.
    Select(0);
    {
        MessageBoxAnswerer answers({IDOK});
        {
            TimerScript closer({CancelTheEditor}, 50);
            Command(kCmdModify);
        }
        EXPECT_TRUE(answers.Seen().empty()) << Narrow(answers.Seen()[0].text);
    }

    Select(1);
    {
        MessageBoxAnswerer answers({IDYES});
        Command(kCmdDelete);
        EXPECT_EQ(answers.Seen().size(), 1u);  // the question alone, no error
    }
    ASSERT_EQ(RowCount(), 2);
    EXPECT_EQ(Cell(1, 0), L"Third");
    EXPECT_EQ(TableRows(), 2);
}

class BadTableTest : public EventListTest {
protected:
    // Each bad file gives its two messages, an empty list, a running program
    // and a file left byte for byte as it was.
    void ExpectReportedAndUntouched(const std::string& bytes) {
        std::filesystem::create_directories(TableFile().parent_path());
        { std::ofstream(TableFile(), std::ios::binary) << bytes; }
        MessageBoxAnswerer answers;
        Start();
        ASSERT_EQ(answers.Seen().size(), 2u);
        EXPECT_EQ(answers.Seen()[0].caption, L"Error");
        EXPECT_EQ(answers.Seen()[0].text, L"Connect Error");
        EXPECT_EQ(answers.Seen()[1].caption, L"Event List");
        EXPECT_NE(answers.Seen()[1].text.find(L"Cannot open the event table"), std::wstring::npos);
        EXPECT_EQ(RowCount(), 0);
        EXPECT_TRUE(IsWindow(App().EventList()->Hwnd()));
        std::ifstream in(TableFile(), std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), bytes);
    }
};

TEST_F(BadTableTest, RandomBytes) {
    std::string bytes(4096, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 2654435761u >> 13);
    ExpectReportedAndUntouched(bytes);
}

TEST_F(BadTableTest, TruncatedDatabase) {
    {
        EventCursor cursor;
        cursor.Open(TableFile());
        for (int i = 0; i < 300; ++i) {
            cursor.Insert();
            cursor.SetFieldText("subject", "event number " + std::to_string(i));
            cursor.SetFieldText("memo", std::string(200, 'x'));
            cursor.Post();
        }
    }
    std::ifstream in(TableFile(), std::ios::binary);
    std::string bytes(std::istreambuf_iterator<char>(in), {});
    in.close();
    bytes.resize(bytes.size() / 3);
    std::filesystem::remove(TableFile());
    ExpectReportedAndUntouched(bytes);
}

TEST_F(BadTableTest, DatabaseOfAnotherSchema) {
    auto other = ProgramFolder() / "other.db";
    {
        sql::Database db(other, sql::OpenMode::kCreate);
        db.Exec("CREATE TABLE TODOLIST (Title TEXT, Due REAL)");
    }
    std::ifstream in(other, std::ios::binary);
    ExpectReportedAndUntouched(std::string(std::istreambuf_iterator<char>(in), {}));
}

// Wine run as root writes into read-only folders, so a folder that cannot be
// made stands in for one that cannot be written: "db" is a file here.
TEST_F(BadTableTest, ATableFolderThatCannotBeMade) {
    { std::ofstream(ProgramFolder() / "db", std::ios::binary) << "not a folder"; }
    MessageBoxAnswerer answers;
    Start();
    ASSERT_EQ(answers.Seen().size(), 2u);
    EXPECT_EQ(answers.Seen()[0].text, L"Connect Error");
    EXPECT_NE(answers.Seen()[1].text.find(L"Cannot open the event table"), std::wstring::npos);
    EXPECT_EQ(RowCount(), 0);
    std::ifstream in(ProgramFolder() / "db", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "not a folder");
}

}  // namespace
}  // namespace orbelle::testing
