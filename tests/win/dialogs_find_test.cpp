#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "dialogs/find_dialog.h"
#include "eventlist/commands.h"
#include "eventlist/event_list_window.h"
#include "win_fixture.h"

namespace orbelle::testing {
namespace {

using Id = FindDialog::ControlId;

class FindDialogTest : public AppTest {
protected:
    // Every find dialog of this thread, the one made at start first.
    std::vector<HWND> FindDialogs() {
        std::vector<HWND> found = ThreadWindows(OfClass(L"TForm3"));
        std::sort(found.begin(), found.end(), [](HWND a, HWND b) { return a < b; });
        return found;
    }
    void Command(WORD id) { SendMessageW(App().EventList()->Hwnd(), WM_COMMAND, id, 0); }
    // The toolbar's Find; the action runs on the fresh dialog while it is open.
    void FindWith(std::function<void(HWND)> action) {
        TimerScript driver({WhenVisible(L"TForm3", std::move(action))});
        Command(kCmdFind);
        EXPECT_TRUE(driver.Finished());
    }
    static void Click(HWND dialog, int id) { SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
    static POINT Place(HWND window) {
        RECT rect = WindowRect(window);
        return {rect.left, rect.top};
    }
};

SYSTEMTIME PickerValue(HWND dialog, int id) {
    SYSTEMTIME value{};
    SendMessageW(GetDlgItem(dialog, id), DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&value));
    return value;
}

TEST_F(FindDialogTest, AFreshDialogShowsItsFixedFirstValuesInItsKeyboardOrder) {
    Start();
    FindWith([](HWND dialog) {
        EXPECT_EQ(WindowText(dialog), L"Form3");
        RECT rect = WindowRect(dialog);
        EXPECT_EQ(rect.right - rect.left, 334);
        EXPECT_EQ(rect.bottom - rect.top, 239);
        EXPECT_EQ(GetWindowLongPtrW(dialog, GWL_STYLE) & (WS_SYSMENU | WS_THICKFRAME), WS_THICKFRAME);
        EXPECT_EQ(WindowText(GetDlgItem(dialog, Id::Edit1)), L"");
        EXPECT_EQ(WindowText(GetDlgItem(dialog, Id::Label1)), L"Subject");
        EXPECT_EQ(WindowText(GetDlgItem(dialog, Id::Label2)), L"Start ");
        EXPECT_EQ(WindowText(GetDlgItem(dialog, Id::CheckBox1)), L"Accept");
        EXPECT_EQ(WindowText(GetDlgItem(dialog, Id::BitBtn1)), L"OK");
        EXPECT_EQ(WindowText(GetDlgItem(dialog, Id::BitBtn2)), L"Abort");
        EXPECT_EQ(IsDlgButtonChecked(dialog, Id::CheckBox1), BST_UNCHECKED);

        HWND types = GetDlgItem(dialog, Id::ComboBox1);
        const wchar_t* expected[] = {L"Alarm",    L"Anniversary", L"Appointment", L"Birthday",
                                     L"Phone Call", L"Holiday",   L"Internet",    L"Meeting",
                                     L"Payment",  L"Travel",      L"TV Program"};
        ASSERT_EQ(SendMessageW(types, CB_GETCOUNT, 0, 0), 11);
        for (int i = 0; i < 11; ++i) {
            wchar_t text[32] = {};
            SendMessageW(types, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
            EXPECT_STREQ(text, expected[i]);
        }
        EXPECT_EQ(SendMessageW(types, CB_GETCURSEL, 0, 0), 0);
        EXPECT_EQ(WindowText(types), L"Alarm");

        for (int picker : {Id::DateTimePicker1, Id::DateTimePicker2}) {
            SYSTEMTIME date = PickerValue(dialog, picker);
            EXPECT_EQ(date.wYear, 2005);
            EXPECT_EQ(date.wMonth, 6);
            EXPECT_EQ(date.wDay, 8);
        }
        SYSTEMTIME first = PickerValue(dialog, Id::DateTimePicker3);
        SYSTEMTIME second = PickerValue(dialog, Id::DateTimePicker4);
        EXPECT_EQ(first.wHour * 100 + first.wMinute, 1439);
        EXPECT_EQ(second.wHour * 100 + second.wMinute, 1440);

        const int order[] = {Id::Edit1,     Id::DateTimePicker1, Id::DateTimePicker2, Id::ComboBox1, Id::CheckBox1,
                             Id::BitBtn1, Id::BitBtn2,         Id::DateTimePicker3, Id::DateTimePicker4};
        for (size_t i = 0; i < std::size(order); ++i) {
            HWND next = GetNextDlgTabItem(dialog, GetDlgItem(dialog, order[i]), FALSE);
            EXPECT_EQ(next, GetDlgItem(dialog, order[(i + 1) % std::size(order)])) << i;
        }
        Click(dialog, Id::BitBtn2);  // Abort closes too
    });
}

// Without stored values at (0, 0); the one made at start is destroyed last,
// so the place read at start is what stays, however a fresh one was moved.
TEST_F(FindDialogTest, ThePlaceReadAtStartIsWrittenBackAtTheEnd) {
    Start();
    ASSERT_EQ(FindDialogs().size(), 1u);
    EXPECT_EQ(Place(FindDialogs()[0]).x, 0);
    EXPECT_EQ(Place(FindDialogs()[0]).y, 0);
    Stop();
    EXPECT_EQ(Setting(L"Init", L"listx"), L"0");
    EXPECT_EQ(Setting(L"Init", L"listy"), L"0");

    SetSetting(L"Init", L"listx", L"120");
    SetSetting(L"Init", L"listy", L"-30");  // a monitor above the main one
    Start();
    POINT opened{};
    FindWith([&](HWND dialog) {
        opened = Place(dialog);
        SetWindowPos(dialog, nullptr, 400, 300, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        Click(dialog, Id::BitBtn1);
    });
    EXPECT_EQ(opened.x, 120);
    EXPECT_EQ(opened.y, -30);
    const std::vector<HWND> dialogs = FindDialogs();
    ASSERT_EQ(dialogs.size(), 2u);  // the fresh one is kept, hidden
    for (HWND dialog : dialogs) EXPECT_FALSE(IsWindowVisible(dialog));
    EXPECT_EQ(Setting(L"Init", L"listx"), L"120");  // nothing written while the program runs
    Stop();
    EXPECT_EQ(Setting(L"Init", L"listx"), L"120");
    EXPECT_EQ(Setting(L"Init", L"listy"), L"-30");

    Start();
    EXPECT_EQ(Place(FindDialogs()[0]).x, 120);
    EXPECT_EQ(Place(FindDialogs()[0]).y, -30);
}

TEST_F(FindDialogTest, ACoordinateThatIsNoNumberIsReportedAndKeepsTheDesignedPlace) {
    struct Case {
        const char* name;
        const wchar_t* listx;
        const wchar_t* listy;
        const wchar_t* message;
        POINT place;
    };
    const Case cases[] = {
        {"left fails", L"abc", L"40", L"'abc' is not a valid integer value", {322, 263}},
        {"top fails", L"50", L"4.5", L"'4.5' is not a valid integer value", {50, 263}},
        {"left present but empty", L"", L"40", L"'' is not a valid integer value", {322, 263}},
    };
    Start();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetSetting(L"Init", L"listx", c.listx);
        SetSetting(L"Init", L"listy", c.listy);
        MessageBoxAnswerer answers;
        auto dialog = MakeWindow<FindDialog>(App().Context());
        ASSERT_EQ(answers.Seen().size(), 1u);
        EXPECT_EQ(answers.Seen()[0].text, c.message);
        // Shown, it stays there and reports nothing more.
        ShowWindow(dialog->Hwnd(), SW_SHOWNA);
        EXPECT_EQ(answers.Seen().size(), 1u);
        EXPECT_EQ(Place(dialog->Hwnd()).x, c.place.x);
        EXPECT_EQ(Place(dialog->Hwnd()).y, c.place.y);
        HWND types = GetDlgItem(dialog->Hwnd(), Id::ComboBox1);
        ASSERT_TRUE(types);
        EXPECT_EQ(SendMessageW(types, CB_GETCURSEL, 0, 0), 0);
    }
}

std::string FileBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// It searches nothing: OK with any input changes neither the list, nor its
// selection, nor the table.
TEST_F(FindDialogTest, OkClosesWithListSelectionAndTableUnchanged) {
    {
        EventCursor cursor;
        cursor.Open(TableFile());
        for (const char* subject : {"Dentist", "Call home", "Pay rent"}) {
            cursor.Insert();
            cursor.SetFieldText("subject", subject);
            cursor.SetFieldText("accepttext", "Y");  // not announced while the dialog is open
            cursor.Post();
        }
    }
    const std::string table_before = FileBytes(TableFile());
    Start();
    HWND list = App().EventList()->ListView();
    ListView_SetItemState(list, 1, LVIS_SELECTED, LVIS_SELECTED);
    App().EventList()->ShowMainWindow();
    FindWith([](HWND dialog) {
        SetWindowTextW(GetDlgItem(dialog, Id::Edit1), L"Dentist");
        SendMessageW(GetDlgItem(dialog, Id::ComboBox1), CB_SETCURSEL, 7, 0);
        Click(dialog, Id::CheckBox1);
        Click(dialog, Id::BitBtn1);
    });
    EXPECT_TRUE(IsWindowEnabled(App().EventList()->Hwnd()));
    EXPECT_EQ(ListView_GetItemCount(list), 3);
    EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_SELECTED), 1);
    EXPECT_EQ(ListView_GetSelectedCount(list), 1u);
    Stop();
    EXPECT_EQ(FileBytes(TableFile()), table_before);
}

}  // namespace
}  // namespace orbelle::testing
