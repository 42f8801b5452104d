// Reminders at their alarm time under the real program windows: the mode's
// switch, the Reminders window's rows and buttons, what they leave in the
// table and the state table across a restart, and the scan at start that
// the mode replaces.
#include <windows.h>
#include <commctrl.h>

#include "editor/event_editor.h"
#include "eventlist/commands.h"
#include "eventlist/event_list_window.h"
#include "popup_fixture.h"
#include "platform/locale.h"
#include "reminders/alarm_watch.h"
#include "store/event_rule.h"
#include "store/reminder_state.h"
#include "store/sqlite.h"
#include "store/table_open.h"

namespace orbelle::testing {
namespace {

struct ReminderRecord {
    std::string subject;
    DateTime alarm;            // StartHour; the start is an hour later
    std::string accept_text = "N";
};

DateTime g_now;

class RemindersTest : public AppTest {
protected:
    RemindersTest() {
        g_now = At(15, 10, 0);
        SetClockForTesting([] { return g_now; });
    }
    ~RemindersTest() override { SetClockForTesting({}); }

    static DateTime At(unsigned day, int hour, int minute, int second = 0) {
        return DateTime::FromParts(std::chrono::year{2024} / 3 / day, {hour, minute, second, 0});
    }

    void ModeOn() const { SetSetting(L"Reminders", L"AtAlarmTime", L"1"); }

    void Seed(const std::vector<ReminderRecord>& records) const {
        SeedTable(records, [](EventCursor& cursor, const ReminderRecord& record) {
            cursor.SetFieldText("subject", record.subject);
            cursor.SetFieldText("accepttext", record.accept_text);
            cursor.SetFieldText("repleat", "N");
            cursor.SetFieldText("remind", "1 hour");
            cursor.SetFieldDateTime("date", DateTime(record.alarm.Days() + 1.0 / 24));
            cursor.SetFieldDateTime("starthour", record.alarm);
            // What the scan at start reads: due on any day before today's end.
            cursor.SetFieldDateTime("nextalarm", record.alarm);
            cursor.SetFieldText("type", "Meeting");
        });
    }

    // Starts as the program does and lets the work after the first showing run.
    void StartAndSettle() {
        Start();
        Pump(400);
    }

    HWND Reminders() { return App().Reminders() ? App().Reminders()->Window().Hwnd() : nullptr; }
    HWND ReminderList() { return App().Reminders()->Window().Control(RemindersWindow::List); }
    bool Shown() { return Reminders() && IsWindowVisible(Reminders()); }

    // Each row's subject and how-late texts, as the list shows them.
    std::vector<std::pair<std::wstring, std::wstring>> ShownRows() {
        std::vector<std::pair<std::wstring, std::wstring>> rows;
        HWND list = ReminderList();
        for (int i = 0; i < ListView_GetItemCount(list); ++i) {
            wchar_t subject[256] = {}, late[256] = {};
            ListView_GetItemText(list, i, 0, subject, 256);
            ListView_GetItemText(list, i, 2, late, 256);
            rows.emplace_back(subject, late);
        }
        return rows;
    }

    void Click(RemindersWindow::ControlId id) {
        SendMessageW(App().Reminders()->Window().Control(id), BM_CLICK, 0, 0);
        Pump();
    }
    void Key(WPARAM key) {
        PostMessageW(ReminderList(), WM_KEYDOWN, key, 0);
        PostMessageW(ReminderList(), WM_KEYUP, key, 0);
        Pump();
    }
    void Restart() {
        Stop();
        StartAndSettle();
    }
};

TEST_F(RemindersTest, AnAlarmDueInAMinuteShowsItsRowAtItsTimeOnceWhateverChecksFollow) {
    ModeOn();
    Seed({{"stand-up", At(15, 10, 1)}, {"accepted", At(15, 10, 1), "Y"}, {"later", At(15, 11, 0)}});
    StartAndSettle();
    ASSERT_NE(App().Reminders(), nullptr);
    EXPECT_FALSE(Shown());

    g_now = At(15, 10, 1, 5);
    SendMessageW(Reminders(), WM_TIMECHANGE, 0, 0);
    Pump();
    ASSERT_TRUE(Shown());
    EXPECT_EQ(ShownRows(), (std::vector<std::pair<std::wstring, std::wstring>>{{L"stand-up", L"now"}}));
    EXPECT_EQ(WindowText(Reminders()), L"Reminders");
    EXPECT_TRUE(GetWindowLongPtrW(Reminders(), GWL_EXSTYLE) & WS_EX_TOPMOST);

    // Every way a check comes, again and again: still one row in one window.
    for (int i = 0; i < 3; ++i) {
        SendMessageW(Reminders(), WM_TIMER, RemindersWindow::kWakeTimer, 0);
        SendMessageW(Reminders(), WM_TIMECHANGE, 0, 0);
        SendMessageW(Reminders(), WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    }
    App().Changes().EventsReloaded();
    Pump();
    EXPECT_EQ(ShownRows().size(), 1u);
    EXPECT_EQ(ThreadWindows(OfClass(L"TReminders")).size(), 1u);
    EXPECT_EQ(ThreadWindows(Visible(OfClass(L"TForm5"))).size(), 0u) << "the scan at start ran as well";
}

TEST_F(RemindersTest, AnAlarmMissedWhileClosedShowsMarkedMissedAtStart) {
    ModeOn();
    Seed({{"yesterday's call", At(14, 9, 0)}});
    StartAndSettle();
    ASSERT_TRUE(Shown());
    auto rows = ShownRows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].first, L"yesterday's call");
    EXPECT_EQ(rows[0].second.rfind(L"missed: ", 0), 0u) << rows[0].second;
}

TEST_F(RemindersTest, EnterLeavesTheRowEscHidesItAndDelDismissesItAsAcceptDoes) {
    ModeOn();
    Seed({{"one", At(15, 9, 0)}, {"two", At(15, 9, 30)}});
    StartAndSettle();
    ASSERT_EQ(ShownRows().size(), 2u);

    Key(VK_RETURN);
    EXPECT_EQ(ShownRows().size(), 2u);
    Key(VK_ESCAPE);
    EXPECT_FALSE(Shown());
    EXPECT_EQ(ShownRows().size(), 2u);

    ListView_SetItemState(ReminderList(), 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    Key(VK_DELETE);
    EXPECT_EQ(Column("accepttext"), (std::vector<std::string>{"Y", "N"}));
    Click(RemindersWindow::DismissButton);
    EXPECT_EQ(Column("accepttext"), (std::vector<std::string>{"Y", "Y"}));
    EXPECT_TRUE(ShownRows().empty());
    EXPECT_FALSE(Shown());

    Restart();
    EXPECT_FALSE(Shown());
    EXPECT_TRUE(App().Reminders()->Schedule().Rows().empty());
}

// A repeating event's dismissed occurrence leaves its record as it was, so
// the dismissal is told to the listeners on its own (the calendar sync takes
// it to other devices); one brought by another writer of the file is taken
// in when the events are read again.
TEST_F(RemindersTest, ARepeatingEventsDismissalIsToldAndOneFromAnotherWriterIsTakenInAtAReload) {
    struct Heard final : EventChangeSink {
        void AlarmsDismissed(std::int64_t id) override { ids.push_back(id); }
        std::vector<std::int64_t> ids;
    } heard;
    ModeOn();
    SeedTable(std::vector<const char*>{"daily one", "daily two"}, [](EventCursor& cursor, const char* subject) {
        cursor.SetFieldText("subject", subject);
        cursor.SetFieldText("accepttext", "N");
        cursor.SetFieldText("remind", "1 hour");
        cursor.SetFieldDateTime("date", At(14, 9, 0));
        cursor.SetFieldDateTime("starthour", At(14, 8, 0));
        cursor.SetFieldText("repleat", "Y");
        for (const auto& [name, text] : FieldsFromRule({.kind = RecurrenceKind::Daily}, UserLocaleNames()))
            cursor.SetFieldText(name, text);
    });
    StartAndSettle();
    App().Changes().Add(heard);
    ASSERT_EQ(ShownRows().size(), 2u);
    const std::vector<std::string> ids = Column("id");

    ListView_SetItemState(ReminderList(), 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    Key(VK_DELETE);
    EXPECT_EQ(heard.ids, std::vector<std::int64_t>{std::stoll(ids[0])});
    EXPECT_EQ(Column("accepttext"), (std::vector<std::string>{"N", "N"}));
    ASSERT_EQ(ShownRows().size(), 1u);

    {
        sql::Database db = OpenEventTable(TableFile(), TableAccess::kWrite);
        AcknowledgeUpTo(db, {{std::stoll(ids[1]), At(15, 9, 0)}});
    }
    App().Changes().EventsReloaded();
    Pump();
    EXPECT_TRUE(ShownRows().empty());
    App().Changes().Remove(heard);
}

TEST_F(RemindersTest, ASnoozeKeepsTheRowAwayAcrossARestartAndItsLengthIsRemembered) {
    ModeOn();
    Seed({{"snoozed", At(15, 9, 55)}, {"stays", At(15, 9, 50)}});
    StartAndSettle();
    ASSERT_EQ(ShownRows().size(), 2u);
    // The rows in the order they rang: "stays" first.
    ListView_SetItemState(ReminderList(), 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    HWND lengths = App().Reminders()->Window().Control(RemindersWindow::SnoozeList);
    EXPECT_EQ(SendMessageW(lengths, CB_GETCOUNT, 0, 0), 7);
    EXPECT_EQ(SendMessageW(lengths, CB_GETCURSEL, 0, 0), 0) << "5 minutes at first";
    SendMessageW(lengths, CB_SETCURSEL, 4, 0);  // 1 hour
    Click(RemindersWindow::SnoozeButton);
    ASSERT_EQ(ShownRows().size(), 1u);
    EXPECT_EQ(ShownRows()[0].first, L"stays");
    EXPECT_EQ(Setting(L"Reminders", L"SnoozeLength"), L"1 hour");

    g_now = At(15, 10, 30);
    Restart();
    ASSERT_EQ(ShownRows().size(), 1u);
    EXPECT_EQ(ShownRows()[0].first, L"stays");
    EXPECT_TRUE(Shown()) << "a row shown before the restart comes back in view, though it does not ring again";
    EXPECT_EQ(SendMessageW(App().Reminders()->Window().Control(RemindersWindow::SnoozeList), CB_GETCURSEL, 0, 0), 4);
    EXPECT_EQ(Column("accepttext"), (std::vector<std::string>{"N", "N"}));
}

TEST_F(RemindersTest, DeletingAnEventInTheListTakesItsRowAway) {
    ModeOn();
    Seed({{"to delete", At(15, 9, 0)}, {"kept", At(15, 9, 5)}});
    StartAndSettle();
    ASSERT_EQ(ShownRows().size(), 2u);
    ListView_SetItemState(App().EventList()->ListView(), 0, LVIS_SELECTED, LVIS_SELECTED);
    {
        MessageBoxAnswerer yes({IDYES});
        SendMessageW(App().EventList()->Hwnd(), WM_COMMAND, kCmdDelete, 0);
    }
    Pump();
    ASSERT_EQ(ShownRows().size(), 1u);
    EXPECT_EQ(ShownRows()[0].first, L"kept");
}

TEST_F(RemindersTest, OpenShowsTheEventInTheEditorAndNothingDismissesUnderIt) {
    ModeOn();
    Seed({{"first", At(15, 9, 0)}, {"second", At(15, 9, 5)}});
    StartAndSettle();
    ASSERT_EQ(ShownRows().size(), 2u);
    ListView_SetItemState(ReminderList(), 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    std::wstring edited;
    HWND reminders = Reminders();
    {
        TimerScript driver({WhenVisible(L"TForm2", [&](HWND editor) {
            edited = WindowText(GetDlgItem(editor, TForm2::Edit_subject));
            // The list's cursor is the editor's until it closes.
            SendMessageW(reminders, WM_COMMAND, RemindersWindow::kDismissSelected, 0);
            SendMessageW(reminders, WM_COMMAND, RemindersWindow::DismissAllButton, 0);
            PostMessageW(editor, WM_COMMAND, IDCANCEL, 0);
        })});
        Click(RemindersWindow::OpenButton);  // returns when the editor closes
    }
    EXPECT_EQ(edited, L"second");
    EXPECT_EQ(ShownRows().size(), 2u);
    EXPECT_EQ(Column("accepttext"), (std::vector<std::string>{"N", "N"}));
}

TEST_F(RemindersTest, ModeOffKeepsTheScanAtStartAndShowsNoRemindersWindow) {
    keep_reminder_scan_ = true;
    Seed({{"due", At(14, 9, 0)}});
    PopupAnswerer answerer;
    StartAndSettle();
    Pump(2000);
    ASSERT_EQ(answerer.Seen().size(), 1u);
    EXPECT_EQ(answerer.Seen()[0].subject, L"due");
    EXPECT_EQ(App().Reminders(), nullptr);
    EXPECT_TRUE(ThreadWindows(OfClass(L"TReminders")).empty());
}

TEST_F(RemindersTest, ModeOnRunsNoScanAtStart) {
    keep_reminder_scan_ = true;
    ModeOn();
    Seed({{"due", At(14, 9, 0)}});
    PopupAnswerer answerer;
    StartAndSettle();
    Pump(2000);
    EXPECT_TRUE(answerer.Seen().empty());
    EXPECT_EQ(ShownRows().size(), 1u);
}

TEST_F(RemindersTest, TheToolsItemTurnsTheModeOnAndOffAndStoresIt) {
    Seed({{"due", At(15, 9, 0)}});
    StartAndSettle();
    HMENU tools = GetSubMenu(GetMenu(App().EventList()->Hwnd()), 1);
    ASSERT_NE(tools, nullptr);
    EXPECT_EQ(GetMenuState(tools, kCmdRemindAtAlarmTime, MF_BYCOMMAND) & MF_CHECKED, 0u);
    EXPECT_EQ(App().Reminders(), nullptr);

    SendMessageW(App().EventList()->Hwnd(), WM_COMMAND, kCmdRemindAtAlarmTime, 0);
    EXPECT_EQ(Setting(L"Reminders", L"AtAlarmTime"), L"1");
    EXPECT_EQ(GetMenuState(tools, kCmdRemindAtAlarmTime, MF_BYCOMMAND) & MF_CHECKED, MF_CHECKED);
    ASSERT_NE(App().Reminders(), nullptr);
    EXPECT_TRUE(Shown());

    SendMessageW(App().EventList()->Hwnd(), WM_COMMAND, kCmdRemindAtAlarmTime, 0);
    EXPECT_EQ(Setting(L"Reminders", L"AtAlarmTime"), L"0");
    EXPECT_EQ(GetMenuState(tools, kCmdRemindAtAlarmTime, MF_BYCOMMAND) & MF_CHECKED, 0u);
    EXPECT_EQ(App().Reminders(), nullptr);
    EXPECT_TRUE(ThreadWindows(OfClass(L"TReminders")).empty());
}

}  // namespace
}  // namespace orbelle::testing
