#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "base/clock.h"
#include "editor/event_editor.h"
#include "eventlist/commands.h"
#include "eventlist/event_list_window.h"
#include "platform/locale.h"
#include "platform/wide.h"
#include "popup_fixture.h"
#include "store/event_fields.h"
#include "win_fixture.h"

namespace orbelle::testing {
namespace {

using Id = TForm2::ControlId;
using std::chrono::year;

// ---- finding and driving the open editor ------------------------------------

// Controls sit inside the editor's groups and panels, never inside other
// controls (a combo box's own edit field has an id too).
HWND Control(HWND parent, int id) {
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (GetDlgCtrlID(child) == id) return child;
        if (ClassName(child) != L"OrbelleEditorPanel") continue;
        if (HWND inside = Control(child, id)) return inside;
    }
    return nullptr;
}

std::wstring TextOf(HWND form, int id) { return WindowText(Control(form, id)); }
void SetTextOf(HWND form, int id, const std::wstring& text) { SetWindowTextW(Control(form, id), text.c_str()); }
bool IsChecked(HWND form, int id) { return SendMessageW(Control(form, id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
// Clicks go through the editor's own loop, so a message box they raise runs
// there and not inside the test's timer.
void Click(HWND form, int id) { PostMessageW(Control(form, id), BM_CLICK, 0, 0); }
void Key(HWND form, int focused_id, WPARAM key) {
    PostMessageW(Control(form, focused_id), WM_KEYDOWN, key, 0);
    PostMessageW(Control(form, focused_id), WM_KEYUP, key, 0xC0000001);
}

// The place of a control within the editor's client area.
RECT PlaceInForm(HWND form, int id) {
    RECT rect;
    GetWindowRect(Control(form, id), &rect);
    MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

int OuterHeight(HWND form) {
    RECT rect;
    GetWindowRect(form, &rect);
    return rect.bottom - rect.top;
}

void SetPicker(HWND form, int id, int y, int m, int d, int hour = 0, int minute = 0, int second = 0) {
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(y);
    st.wMonth = static_cast<WORD>(m);
    st.wDay = static_cast<WORD>(d);
    st.wHour = static_cast<WORD>(hour);
    st.wMinute = static_cast<WORD>(minute);
    st.wSecond = static_cast<WORD>(second);
    SendMessageW(Control(form, id), DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&st));
}

// Runs its steps against the open editor, one a tick, from the editor's own
// modal loop. A step waits while a message box is up; a step that returns
// false is tried again at the next tick. An editor still open after the last
// step is failed and cancelled, so a broken test cannot hang.
class EditorDriver {
public:
    using Step = std::function<bool(HWND form)>;

    explicit EditorDriver(std::vector<Step> steps) : steps_(std::move(steps)) {
        current_ = this;
        timer_ = SetTimer(nullptr, 0, 30, Tick);
    }
    ~EditorDriver() {
        KillTimer(nullptr, timer_);
        current_ = nullptr;
    }
    bool Finished() const { return next_ == steps_.size(); }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        EditorDriver* self = current_;
        HWND form = VisibleThreadWindow(L"TForm2");
        if (!self || !form || VisibleThreadWindow(L"#32770")) return;
        if (self->next_ < self->steps_.size()) {
            if (self->steps_[self->next_](form)) ++self->next_;
        } else if (++self->idle_ticks_ > 100) {
            ADD_FAILURE() << "the editor is still open after the last step";
            PostMessageW(form, WM_COMMAND, IDCANCEL, 0);
        }
    }

    static inline EditorDriver* current_ = nullptr;
    std::vector<Step> steps_;
    size_t next_ = 0;
    int idle_ticks_ = 0;
    UINT_PTR timer_ = 0;
};

// A step that acts once.
template <typename Action>
EditorDriver::Step Do(Action action) {
    return [action](HWND form) {
        action(form);
        return true;
    };
}

// ---- the table and the list ---------------------------------------------------

using Fields = std::map<std::string, std::string>;

std::string Shown(DateTime value) {
    auto date = value.Date();
    TimeOfDay time = value.Time();
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d:%02d.%03d", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()), time.hour, time.minute,
                  time.second, time.millisecond);
    return text;
}

DateTime At(int y, unsigned m, unsigned d, int hour = 0, int minute = 0, int second = 0) {
    return DateTime::FromParts(year{y} / m / d, {hour, minute, second, 0});
}

class EventEditorTest : public AppTest {
protected:
    EventEditorTest() {
        SetClockForTesting([] { return At(2005, 1, 5, 10, 0); });
        names_ = UserLocaleNames();
    }
    ~EventEditorTest() override { SetClockForTesting({}); }

    const std::string& Weekday(int index) { return names_.weekdays[static_cast<size_t>(index)]; }
    const std::string& Month(int index) { return names_.months[static_cast<size_t>(index)]; }

    // A record as a user's table would hold it; the fields not named stay empty.
    std::int64_t Seed(const Fields& fields, DateTime date) {
        EventCursor cursor;
        cursor.Open(TableFile());
        cursor.Insert();
        for (const auto& [name, text] : fields) cursor.SetFieldText(name, text);
        cursor.SetFieldDateTime("Date", date);
        cursor.Post();
        return std::stoll(cursor.FieldText("Id"));
    }

    struct Stored {
        Fields texts;  // every field but the date-times
        std::string date, start_hour, next_alarm;
    };
    std::vector<Stored> TableRecords() {
        EventCursor cursor;
        cursor.Open(TableFile());
        std::vector<Stored> records;
        for (cursor.First(); !cursor.Eof(); cursor.Next()) {
            Stored record;
            for (const FieldDef& field : kEventFields)
                if (field.type != FieldType::DateTime && field.type != FieldType::AutoInc)
                    record.texts[std::string(field.name)] = cursor.FieldText(field.name);
            record.date = Shown(cursor.FieldDateTime("Date"));
            record.start_hour = Shown(cursor.FieldDateTime("StartHour"));
            record.next_alarm = Shown(cursor.FieldDateTime("NextAlarm"));
            records.push_back(record);
        }
        return records;
    }

    std::vector<std::string> TableSubjects() {
        std::vector<std::string> subjects;
        for (Stored& record : TableRecords()) subjects.push_back(record.texts["Subject"]);
        return subjects;
    }

    HWND List() { return App().EventList()->ListView(); }
    int RowCount() { return ListView_GetItemCount(List()); }
    std::wstring Cell(int row, int column) {
        wchar_t text[256] = {};
        ListView_GetItemText(List(), row, column, text, 256);
        return text;
    }
    int SelectedRow() { return ListView_GetNextItem(List(), -1, LVNI_SELECTED); }
    void Select(int row) { ListView_SetItemState(List(), row, LVIS_SELECTED, LVIS_SELECTED); }
    // Returns when the editor that the command opens has closed.
    void Command(WORD id) { SendMessageW(App().EventList()->Hwnd(), WM_COMMAND, id, 0); }

    LocaleNames names_;
};

// ---- new events -----------------------------------------------------------------

TEST_F(EventEditorTest, ANewEventWithOnlyASubjectStoresTheDefaultsAndGetsASelectedRow) {
    Start();
    std::wstring caption;
    RECT place{};
    LONG style = 0;
    EditorDriver driver({Do([&](HWND form) {
        caption = WindowText(form);
        GetWindowRect(form, &place);
        style = GetWindowLongW(form, GWL_STYLE);
        SetTextOf(form, Id::Edit_subject, L"Dentist");
        Key(form, Id::Edit_subject, VK_RETURN);  // Enter is OK
    })});
    Command(kCmdNew);

    EXPECT_TRUE(driver.Finished());
    EXPECT_EQ(caption, L"A New Event");
    EXPECT_EQ(place.left, 214);
    EXPECT_EQ(place.top, 108);
    EXPECT_FALSE(style & WS_SYSMENU) << "no border icons";

    auto records = TableRecords();
    ASSERT_EQ(records.size(), 1u);
    Fields expected = {
        {"Subject", "Dentist"},     {"Complete", ""},        {"Priority", "Highest"},
        {"Memo", ""},               {"Type", "Alarm"},       {"Remind", "0 minutes"},
        {"Duration", "30 minutes"}, {"Sound", "Alarm.wav"},  {"Repleat", "N"},
        {"Dwmy", "2"},              {"Day_day", "1"},        {"Week_week", "1"},
        {"Week_1", "N"},            {"Week_2", "N"},         {"Week_3", "N"},
        {"Week_4", "N"},            {"Week_5", "N"},         {"Week_6", "N"},
        {"Week_7", "N"},            {"Month_dayweek", "W"},  {"Month_day1", "1"},
        {"Month_day2", "1"},        {"Month_week1", "First"}, {"Month_week2", Weekday(0)},
        {"Month_week3", "1"},       {"Year_dayweek", "W"},   {"Year_day1", Month(0)},
        {"Year_day2", "1"},         {"Year_week1", "First"}, {"Year_week2", Weekday(0)},
        {"Year_week3", Month(0)},   {"Start", ""},           {"Accepttext", "N"},
    };
    EXPECT_EQ(records[0].texts, expected);
    EXPECT_EQ(records[0].date, "2005-01-05 23:19:13.000");
    EXPECT_EQ(records[0].start_hour, "2005-01-05 23:19:13.000");
    EXPECT_EQ(records[0].next_alarm, "2005-01-12 23:19:13.000");

    ASSERT_EQ(RowCount(), 1);
    EXPECT_EQ(SelectedRow(), 0);
    EXPECT_EQ(Cell(0, 0), L"Dentist");
    EXPECT_EQ(Cell(0, 1), L"January 5,2005");
    EXPECT_EQ(Cell(0, 7), Widen(std::to_string(App().EventList()->Rows()[0].id)));

    // Modify rewrites the row, and its start cell takes the other form.
    // The tray's New while the editor is open must not take the cursor from it.
    std::wstring modify_caption;
    EditorDriver modify({Do([&](HWND form) {
        modify_caption = WindowText(form);
        SetTextOf(form, Id::Edit_subject, L"Dentist at nine");
        Command(kCmdNew);
        Click(form, Id::BB_OK);
    })});
    Command(kCmdModify);
    EXPECT_EQ(modify_caption, L"Modify Event");
    ASSERT_EQ(RowCount(), 1);
    EXPECT_EQ(Cell(0, 0), L"Dentist at nine");
    EXPECT_EQ(Cell(0, 1), L"January 5, 2005");
    EXPECT_EQ(TableRecords().size(), 1u);
}

TEST_F(EventEditorTest, CancelAfterNewLeavesNoRowInListOrTable) {
    Start();
    struct Way {
        const char* name;
        std::function<void(HWND)> cancel;
    };
    const Way ways[] = {
        {"Esc key", [](HWND form) { Key(form, Id::Edit_subject, VK_ESCAPE); }},
        {"Cancel button", [](HWND form) { Click(form, Id::BB_CC); }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        EditorDriver driver({Do([&](HWND form) {
            SetTextOf(form, Id::Edit_subject, L"Never saved");
            way.cancel(form);
        })});
        Command(kCmdNew);
        EXPECT_TRUE(driver.Finished());
        EXPECT_EQ(RowCount(), 0);
        EXPECT_TRUE(TableRecords().empty());
        EXPECT_EQ(App().EventList()->Cursor().GetState(), EventCursor::State::Browse);
    }
}

// Every failure shows its message, posts nothing and leaves the editor open;
// the OK after them writes every field again.
TEST_F(EventEditorTest, BadBoxesShowTheirMessagesAndPostNothing) {
    struct BadBox {
        const char* name;
        int kind;     // the kind radio chosen for the case
        int variant;  // its variant radio, or 0
        int box;
        const wchar_t* bad;
        const wchar_t* good;
        const wchar_t* message;
    };
    const BadBox cases[] = {
        {"empty subject", Id::cbx_weekly, 0, Id::Edit_subject, L"", L"Dentist",
         L"Subject field should not be empty!"},
        {"weekly count not a number", Id::cbx_weekly, 0, Id::week_week, L"abc", L"1",
         L"'abc' is not a valid integer value"},
        {"remind count beyond 32 bits", Id::cbx_weekly, 0, Id::Edit_remind, L"99999999999 minutes", L"0 minutes",
         L"'99999999999' is not a valid integer value"},
        {"empty daily count", Id::cbx_daily, 0, Id::Day_day, L"", L"1", L"'' is not a valid integer value"},
        {"monthly day 0", Id::cbx_monthly, Id::rd_day, Id::month_day1, L"0", L"1",
         L"Invalid argument to date encode"},
        {"box of another kind not a number", Id::cbx_weekly, 0, Id::Day_day, L"x", L"1",
         L"'x' is not a valid integer value for field 'Day_day'"},
        {"chosen count out of range", Id::cbx_weekly, 0, Id::week_week, L"40000", L"1",
         L"40000 is not a valid value for field 'Week_week'. The allowed range is -32768 to 32767"},
        {"yearly day of another variant out of range", Id::cbx_Yearly, Id::rb_yearweek, Id::year_day2, L"-40000",
         L"1", L"-40000 is not a valid value for field 'Year_day2'. The allowed range is -32768 to 32767"},
    };
    Start();
    MessageBoxAnswerer answers;
    std::vector<std::string> after_failure;  // what each case found once its message was answered
    std::vector<EditorDriver::Step> steps{Do([](HWND form) { SetTextOf(form, Id::Edit_subject, L"Dentist"); })};
    for (const BadBox& c : cases) {
        steps.push_back(Do([&c](HWND form) {
            SendMessageW(Control(form, c.kind), BM_CLICK, 0, 0);
            if (c.variant) SendMessageW(Control(form, c.variant), BM_CLICK, 0, 0);
            SetTextOf(form, c.box, c.bad);
            Click(form, Id::BB_OK);
        }));
        steps.push_back(Do([&, this](HWND form) {
            bool open = IsWindowVisible(form);
            bool pending = App().EventList()->Cursor().GetState() == EventCursor::State::Insert;
            after_failure.push_back(std::string(c.name) + (open ? " open" : " closed") +
                                    (pending ? " pending " : " not pending ") +
                                    std::to_string(TableRecords().size()));
            SetTextOf(form, c.box, c.good);
            SendMessageW(Control(form, Id::cbx_weekly), BM_CLICK, 0, 0);
        }));
    }
    steps.push_back(Do([](HWND form) { Click(form, Id::BB_OK); }));
    EditorDriver driver(steps);
    Command(kCmdNew);

    EXPECT_TRUE(driver.Finished());
    ASSERT_EQ(answers.Seen().size(), std::size(cases));
    ASSERT_EQ(after_failure.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].name);
        EXPECT_EQ(answers.Seen()[i].text, cases[i].message);
        EXPECT_EQ(after_failure[i], std::string(cases[i].name) + " open pending 0");
    }
    EXPECT_EQ(answers.Seen()[1].caption, L"Event List");
    auto records = TableRecords();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].texts["Subject"], "Dentist");
    EXPECT_EQ(records[0].texts["Week_week"], "1");
    EXPECT_EQ(records[0].texts["Year_day2"], "1");
    EXPECT_EQ(RowCount(), 1);
}

// ---- the cursor belongs to the open editor -------------------------------------

// The tray's New Event opens the editor while the list is hidden, so the
// modal loop leaves the list enabled; shown afterwards, it takes commands.
TEST_F(EventEditorTest, CommandsWaitWhileTheEditorFromTheTrayIsOpenAndTheListIsShown) {
    for (const char* subject : {"keep-1", "victim", "keep-2"}) Seed({{"Subject", subject}}, At(2005, 1, 5, 9, 0));
    Start();
    HWND list_window = App().EventList()->Hwnd();
    ASSERT_FALSE(IsWindowVisible(list_window));
    struct Route {
        const char* name;
        std::function<void()> run;
    };
    const Route routes[] = {
        {"Delete of the toolbar and the menu", [&] { SendMessageW(list_window, WM_COMMAND, kCmdDelete, 0); }},
        {"Del key",
         [&] {
             SetFocus(List());
             PostMessageW(List(), WM_KEYDOWN, VK_DELETE, 0);
             PostMessageW(List(), WM_KEYUP, VK_DELETE, 0xC0000001);
         }},
        {"Modify of the toolbar, the menu and Alt+Enter",
         [&] { SendMessageW(list_window, WM_COMMAND, kCmdModify, 0); }},
        {"New of the toolbar, the menu and the tray", [&] { SendMessageW(list_window, WM_COMMAND, kCmdNew, 0); }},
    };
    MessageBoxAnswerer answers({IDYES, IDYES, IDYES, IDYES});
    std::vector<std::string> after;  // what each route left behind
    std::vector<EditorDriver::Step> steps{Do([&](HWND form) {
        SetTextOf(form, Id::Edit_subject, L"new event");
        SendMessageW(list_window, WM_COMMAND, kCmdShowMainWindow, 0);
    })};
    for (const Route& route : routes) {
        steps.push_back(Do([&, this](HWND) {
            Select(1);
            route.run();
        }));
        steps.push_back(Do([&, this](HWND form) {
            bool pending = App().EventList()->Cursor().GetState() == EventCursor::State::Insert;
            after.push_back(std::string(route.name) + ": " + std::to_string(answers.Seen().size()) +
                            " questions, " + std::to_string(TableRecords().size()) + " records, " +
                            (pending ? "pending, " : "not pending, ") +
                            (IsWindowVisible(form) ? "editor open" : "editor closed"));
        }));
    }
    steps.push_back(Do([](HWND form) { Click(form, Id::BB_OK); }));
    EditorDriver driver(steps);
    Command(kCmdNew);  // as the tray menu sends it

    EXPECT_TRUE(driver.Finished());
    EXPECT_TRUE(IsWindowVisible(list_window));
    ASSERT_EQ(after.size(), std::size(routes));
    for (size_t i = 0; i < std::size(routes); ++i)
        EXPECT_EQ(after[i], std::string(routes[i].name) + ": 0 questions, 3 records, pending, editor open");
    EXPECT_EQ(TableSubjects(), (std::vector<std::string>{"keep-1", "victim", "keep-2", "new event"}));
    ASSERT_EQ(RowCount(), 4);
    EXPECT_EQ(Cell(1, 0), L"victim");
    EXPECT_EQ(Cell(3, 0), L"new event");
}

// Should a command still take the cursor away, OK writes nothing and says so.
TEST_F(EventEditorTest, OkWritesNothingWhenTheCursorWasTakenFromTheEditor) {
    for (const char* subject : {"keep-1", "keep-2"}) Seed({{"Subject", subject}}, At(2005, 1, 5, 9, 0));
    Start();
    struct Case {
        const char* name;
        WORD command;
        int row;  // selected before the command, or -1
    };
    const Case cases[] = {
        {"new event", kCmdNew, -1},
        {"modified event", kCmdModify, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.row >= 0) Select(c.row);
        MessageBoxAnswerer answers;
        bool open_after_ok = false;
        EditorDriver driver({
            Do([this](HWND form) {
                SetTextOf(form, Id::Edit_subject, L"typed");
                EventCursor& cursor = App().EventList()->Cursor();  // as a careless command would
                cursor.Cancel();
                cursor.First();
                Click(form, Id::BB_OK);
            }),
            Do([&](HWND form) {
                open_after_ok = IsWindowVisible(form);
                Click(form, Id::BB_CC);
            }),
        });
        Command(c.command);

        EXPECT_TRUE(driver.Finished());
        EXPECT_TRUE(open_after_ok);
        ASSERT_EQ(answers.Seen().size(), 1u);
        EXPECT_EQ(answers.Seen()[0].text,
                  L"This event was changed or deleted while the dialog was open, so nothing was saved. "
                  L"Cancel, then open the event again.");
        EXPECT_EQ(TableSubjects(), (std::vector<std::string>{"keep-1", "keep-2"}));
        ASSERT_EQ(RowCount(), 2);
        EXPECT_EQ(Cell(0, 0), L"keep-1");
        EXPECT_EQ(Cell(1, 0), L"keep-2");
    }
}

// A refused OK leaves the record as stored: Preview shows it, its Accept
// posts only the mark, Cancel discards the rest and a later OK still saves.
TEST_F(EventEditorTest, PreviewAfterARefusedOkSeesTheRecordAsStored) {
    Seed({{"Subject", "Stored"}, {"Dwmy", "2"}, {"Day_day", "1"}, {"Accepttext", "N"}}, At(2005, 1, 5, 9, 0));
    Start();
    struct Case {
        const char* name;
        WORD command;
        bool fix_and_save;
        const wchar_t* previewed;
        const char* subject, *accept_text;
    };
    const Case cases[] = {
        {"new event, then Cancel", kCmdNew, false, L"", "Stored", "N"},
        {"stored event, then Cancel", kCmdModify, false, L"Stored", "Stored", "Y"},
        {"stored event, then OK", kCmdModify, true, L"Stored", "Changed", "Y"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Select(0);
        MessageBoxAnswerer answers;
        PopupAnswerer popups({TForm5::SpeedButton1});
        EditorDriver driver({
            Do([](HWND form) {
                SetTextOf(form, Id::Edit_subject, L"Changed");
                SetTextOf(form, Id::Day_day, L"40000");  // refused after the subject was written
                Click(form, Id::BB_OK);
            }),
            Do([](HWND form) { Click(form, Id::BitBtn1); }),
            [&](HWND form) {
                if (popups.Seen().empty() || !ThreadWindows(Visible(OfClass(L"TForm5"))).empty()) return false;
                if (c.fix_and_save) SetTextOf(form, Id::Day_day, L"1");
                Click(form, c.fix_and_save ? Id::BB_OK : Id::BB_CC);
                return true;
            },
        });
        Command(c.command);

        EXPECT_TRUE(driver.Finished());
        ASSERT_EQ(answers.Seen().size(), 1u);
        EXPECT_EQ(answers.Seen()[0].text,
                  L"40000 is not a valid value for field 'Day_day'. The allowed range is -32768 to 32767");
        ASSERT_EQ(popups.Seen().size(), 1u);
        EXPECT_EQ(popups.Seen()[0].subject, c.previewed);
        auto records = TableRecords();
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0].texts["Subject"], c.subject);
        EXPECT_EQ(records[0].texts["Day_day"], "1");
        EXPECT_EQ(records[0].texts["Accepttext"], c.accept_text);
        EXPECT_EQ(App().EventList()->Cursor().GetState(), EventCursor::State::Browse);
        EXPECT_EQ(RowCount(), 1);
    }
}

// ---- modifying events ---------------------------------------------------------------

// A record that uses every field, with a value that differs from the new-event
// default wherever it can.
Fields FullRecord(const LocaleNames& names) {
    return {
        {"Subject", "Board meeting"}, {"Priority", "Low"},          {"Memo", "Room 4\r\nBring the slides"},
        {"Type", "Meeting"},          {"Remind", "1 hour"},         {"Duration", "2 hours"},
        {"Sound", "C:\\Media\\gong.wav"}, {"Repleat", "Y"},         {"Accepttext", "Y"},
        {"Day_day", "3"},             {"Week_week", "2"},           {"Week_1", "N"},
        {"Week_2", "Y"},              {"Week_3", "N"},              {"Week_4", "N"},
        {"Week_5", "N"},              {"Week_6", "Y"},              {"Week_7", "N"},
        {"Month_day1", "10"},         {"Month_day2", "2"},          {"Month_week1", "Forth"},
        {"Month_week2", names.weekdays[0]}, {"Month_week3", "1"},   {"Year_day1", names.months[2]},
        {"Year_day2", "15"},          {"Year_week1", "Second"},     {"Year_week2", names.weekdays[2]},
        {"Year_week3", names.months[5]}, {"Complete", ""},          {"Start", ""},
    };
}

TEST_F(EventEditorTest, EveryKindRoundTripsThroughModifyWithEveryField) {
    struct KindCase {
        const char* name;
        const char* dwmy;
        const char* month_variant;
        const char* year_variant;
        const char* repleat;
        int radio, panel;
        std::string next_alarm;  // from the start 2004-01-20 08:00, a Tuesday
    };
    const KindCase cases[] = {
        {"daily every 3 days", "1", "W", "W", "Y", Id::cbx_daily, Id::Gday, "2004-01-23 08:00:00.000"},
        {"weekly every 2 weeks, Monday and Friday", "2", "D", "D", "N", Id::cbx_weekly, Id::Gweek,
         "2004-02-06 08:00:00.000"},
        {"monthly day 10 of every 2 months", "3", "D", "W", "Y", Id::cbx_monthly, Id::GMonth,
         "2004-03-10 00:00:00.000"},
        {"monthly forth Sunday of every month", "3", "W", "D", "N", Id::cbx_monthly, Id::GMonth,
         "2004-02-22 00:00:00.000"},
        {"yearly every March 15", "4", "W", "D", "Y", Id::cbx_Yearly, Id::Gyear, "2004-03-15 00:00:00.000"},
        {"yearly second Tuesday of June", "4", "D", "W", "N", Id::cbx_Yearly, Id::Gyear,
         "2004-06-08 00:00:00.000"},
    };
    std::vector<Fields> seeded;
    for (const KindCase& c : cases) {
        Fields fields = FullRecord(names_);
        fields["Subject"] += std::string(" ") + c.dwmy + c.month_variant + c.year_variant;
        fields["Dwmy"] = c.dwmy;
        fields["Month_dayweek"] = c.month_variant;
        fields["Year_dayweek"] = c.year_variant;
        fields["Repleat"] = c.repleat;
        Seed(fields, At(2004, 1, 20, 8, 0));
        seeded.push_back(fields);
    }
    Start();

    for (size_t i = 0; i < std::size(cases); ++i) {
        const KindCase& c = cases[i];
        SCOPED_TRACE(c.name);
        bool kind_checked = false, panel_shown = false, others_hidden = true;
        int height = 0;
        Select(static_cast<int>(i));
        EditorDriver driver({Do([&](HWND form) {
            kind_checked = IsChecked(form, c.radio);
            // The panel's own flag: the group around it is hidden when Recurrence is unticked.
            for (int panel : {Id::Gday, Id::Gweek, Id::GMonth, Id::Gyear}) {
                bool shown = GetWindowLongW(Control(form, panel), GWL_STYLE) & WS_VISIBLE;
                if (panel == c.panel) panel_shown = shown;
                else if (shown) others_hidden = false;
            }
            height = OuterHeight(form);
            Click(form, Id::BB_OK);
        })});
        Command(kCmdModify);
        EXPECT_TRUE(kind_checked);
        EXPECT_TRUE(panel_shown);
        EXPECT_TRUE(others_hidden);
        EXPECT_EQ(height, std::string(c.repleat) == "Y" ? 504 : 376);

        Stored stored = TableRecords()[i];
        for (const auto& [field, text] : seeded[i]) EXPECT_EQ(stored.texts[field], text) << field;
        EXPECT_EQ(stored.date, "2004-01-20 08:00:00.000");
        EXPECT_EQ(stored.start_hour, "2004-01-20 07:00:00.000");  // an hour's lead
        EXPECT_EQ(stored.next_alarm, c.next_alarm);
    }
}

TEST_F(EventEditorTest, ModifyRepairsWhatTheListsAndBoxesCannotShow) {
    struct Repair {
        const char* field;
        std::string stored;
        std::string saved;
    };
    const Repair repairs[] = {
        {"Priority", "Urgent", "Highest"},
        {"Type", "tv program", "TV Program"},
        {"Month_week1", "forth", "Forth"},
        {"Month_week2", "nameless day", Weekday(0)},
        {"Year_day1", "", Month(0)},
        {"Year_week3", Month(11).substr(0, 3) + "x", Month(0)},
        {"Day_day", "", "1"},
        {"Month_day2", "", "1"},
        {"Dwmy", "7", "2"},               // no kind: the fresh dialog's weekly
        {"Month_dayweek", "", "W"},       // anything but "D": the ordinal weekday
        {"Accepttext", "", "N"},
    };
    Fields fields{{"Subject", "Old record"}};
    for (const Repair& r : repairs) fields[r.field] = r.stored;
    Seed(fields, At(2005, 1, 5, 15, 7));
    Start();
    Select(0);
    std::wstring priority_shown;
    EditorDriver driver({Do([&](HWND form) {
        priority_shown = TextOf(form, Id::edit_Priority);
        Click(form, Id::BB_OK);
    })});
    Command(kCmdModify);

    EXPECT_EQ(priority_shown, L"Highest");
    Stored stored = TableRecords().at(0);
    for (const Repair& r : repairs) EXPECT_EQ(stored.texts[r.field], r.saved) << r.field;
}

TEST_F(EventEditorTest, CancelAfterAFailedSaveKeepsTheStoredRecord) {
    Seed({{"Subject", "Keep me"}, {"Week_week", "1"}}, At(2005, 1, 5, 15, 7));
    Start();
    Select(0);
    MessageBoxAnswerer answers;
    EditorDriver driver({
        Do([](HWND form) {
            SetTextOf(form, Id::Edit_subject, L"Changed");
            SetTextOf(form, Id::Day_day, L"x");  // refused after the subject was written
            Click(form, Id::BB_OK);
        }),
        Do([](HWND form) { Click(form, Id::BB_CC); }),
    });
    Command(kCmdModify);

    EXPECT_EQ(answers.Seen().size(), 1u);
    EXPECT_EQ(TableRecords().at(0).texts["Subject"], "Keep me");
    EXPECT_EQ(Cell(0, 0), L"Keep me");
    EXPECT_EQ(Cell(0, 1), L"January 5, 2005");  // rewritten, saved or not
}

// ---- the dialog's own behaviour ---------------------------------------------------------

TEST_F(EventEditorTest, TheRecurrenceBoxSizesTheWindowAndKindsSwitchPanelsOnly) {
    Start();
    struct Layout {
        int height, button_top;
        bool group_shown;
    };
    std::vector<Layout> layouts;
    auto record_layout = [&](HWND form) {
        layouts.push_back({OuterHeight(form), static_cast<int>(PlaceInForm(form, Id::BB_OK).top),
                           IsWindowVisible(Control(form, Id::G_Recurrence)) != FALSE});
        EXPECT_EQ(PlaceInForm(form, Id::BB_CC).top, PlaceInForm(form, Id::BB_OK).top);
    };
    std::vector<std::string> panels;  // the visible panels after each kind
    std::vector<EditorDriver::Step> steps{Do(record_layout)};
    for (int tick = 0; tick < 3; ++tick) {
        steps.push_back(Do([](HWND form) { SendMessageW(Control(form, Id::chx_recu), BM_CLICK, 0, 0); }));
        steps.push_back(Do(record_layout));
    }
    steps.push_back(Do([](HWND form) {
        SetTextOf(form, Id::Day_day, L"5");
        SetTextOf(form, Id::month_day1, L"31");
    }));
    for (int kind : {Id::cbx_daily, Id::cbx_monthly, Id::cbx_Yearly, Id::cbx_weekly}) {
        steps.push_back(Do([&panels, kind](HWND form) {
            SendMessageW(Control(form, kind), BM_CLICK, 0, 0);
            std::string shown;
            for (auto [panel, name] : {std::pair{Id::Gday, "day"}, std::pair{Id::Gweek, "week"},
                                       std::pair{Id::GMonth, "month"}, std::pair{Id::Gyear, "year"}})
                if (IsWindowVisible(Control(form, panel))) shown += name;
            panels.push_back(shown + " " + Narrow(TextOf(form, Id::Day_day)) + " " +
                             Narrow(TextOf(form, Id::month_day1)));
        }));
    }
    steps.push_back(Do([](HWND form) { Click(form, Id::BB_CC); }));
    EditorDriver driver(steps);
    Command(kCmdNew);

    ASSERT_EQ(layouts.size(), 4u);
    const Layout expected[] = {{376, 301, false}, {504, 429, true}, {376, 301, false}, {504, 429, true}};
    for (size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(layouts[i].height, expected[i].height);
        EXPECT_EQ(layouts[i].button_top, expected[i].button_top);
        EXPECT_EQ(layouts[i].group_shown, expected[i].group_shown);
    }
    EXPECT_EQ(panels, (std::vector<std::string>{"day 5 31", "month 5 31", "year 5 31", "week 5 31"}));
}

TEST_F(EventEditorTest, AmountBoxesKeepTheirTextsInNormalForm) {
    struct Typed {
        int box;
        const wchar_t* typed;
        const wchar_t* shown;
    };
    const Typed cases[] = {
        {Id::Edit_remind, L"  2   days  ", L"2 days"},
        {Id::Edit_remind, L"1 hours", L"1 hour"},
        {Id::Edit_remind, L"", L"0 minutes"},
        {Id::Edit_duration, L"3 hour", L"3 hours"},
        {Id::Edit_duration, L"30 Minutes", L"5 minutes"},
        {Id::Edit_duration, L"45 minutes", L"45 minutes"},
    };
    Start();
    std::vector<std::wstring> shown;
    EditorDriver driver({Do([&](HWND form) {
                             for (const Typed& c : cases) {
                                 COMBOBOXINFO info{sizeof info};
                                 GetComboBoxInfo(Control(form, c.box), &info);
                                 // As pasting over the whole text does.
                                 SendMessageW(info.hwndItem, EM_SETSEL, 0, -1);
                                 SendMessageW(info.hwndItem, EM_REPLACESEL, TRUE,
                                              reinterpret_cast<LPARAM>(c.typed));
                                 shown.push_back(TextOf(form, c.box));
                             }
                         }),
                         Do([](HWND form) { Click(form, Id::BB_CC); })});
    Command(kCmdNew);

    ASSERT_EQ(shown.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(shown[i], cases[i].shown) << cases[i].typed;
}

// The open-file dialog runs its own loop: this timer answers it, while the
// driver waits for it to close.
std::function<bool(HWND box)> g_file_dialog_answer;

void CALLBACK AnswerFileDialog(HWND, UINT, UINT_PTR, DWORD) {
    HWND box = VisibleThreadWindow(L"#32770");
    if (box && g_file_dialog_answer && g_file_dialog_answer(box)) g_file_dialog_answer = nullptr;
}

TEST_F(EventEditorTest, BrowseSetsTheChosenFileAndCancellingChangesNothing) {
    auto chosen = ProgramFolder() / "my sound.wav";
    std::fclose(_wfopen(chosen.c_str(), L"wb"));
    Start();
    std::wstring title, after_cancel, after_choice;
    auto answer = [&](bool choose) {
        return [&, choose](HWND box) {
            title = WindowText(box);
            if (choose) SetDlgItemTextW(box, 0x47c /* the file name box */, chosen.c_str());
            PostMessageW(box, WM_COMMAND, choose ? IDOK : IDCANCEL, 0);
            return true;
        };
    };
    UINT_PTR timer = SetTimer(nullptr, 0, 40, AnswerFileDialog);
    EditorDriver driver({
        Do([&](HWND form) {
            g_file_dialog_answer = answer(false);
            Click(form, Id::Browse);
        }),
        Do([&](HWND form) {
            after_cancel = TextOf(form, Id::Edit_sound);
            g_file_dialog_answer = answer(true);
            Click(form, Id::Browse);
        }),
        Do([&](HWND form) {
            after_choice = TextOf(form, Id::Edit_sound);
            Click(form, Id::BB_CC);
        }),
    });
    Command(kCmdNew);
    KillTimer(nullptr, timer);
    g_file_dialog_answer = nullptr;

    EXPECT_EQ(title, L"Open Audio File");
    EXPECT_EQ(after_cancel, L"Alarm.wav");
    EXPECT_EQ(after_choice, chosen.wstring());
}

// The sound text of a stored record or typed by the user reaches the
// system only when it names a file on this computer.
TEST_F(EventEditorTest, PlayRefusesSoundsOfAnotherComputerAndDevices) {
    Seed({{"Subject", "Gong"}, {"Sound", "\\\\host\\share\\x.wav"}}, At(2005, 1, 5, 9, 0));
    Start();
    Select(0);
    const wchar_t* typed[] = {L"//host/share/x.wav ", L"\\\\?\\UNC\\host\\share\\x.wav", L"nul.wav"};
    MessageBoxAnswerer answers;
    std::vector<EditorDriver::Step> steps{Do([](HWND form) { Click(form, Id::Play); })};
    for (const wchar_t* text : typed) {
        steps.push_back(Do([text](HWND form) {
            SetTextOf(form, Id::Edit_sound, text);
            Click(form, Id::Play);
        }));
    }
    steps.push_back(Do([](HWND form) { Click(form, Id::BB_CC); }));
    EditorDriver driver(steps);
    Command(kCmdModify);

    EXPECT_TRUE(driver.Finished());
    std::vector<std::wstring> messages;
    for (const SeenMessageBox& box : answers.Seen()) messages.push_back(box.text);
    EXPECT_EQ(messages,
              (std::vector<std::wstring>{
                  L"'\\\\host\\share\\x.wav' lies on another computer: only sound files on this computer are played.",
                  L"'//host/share/x.wav' lies on another computer: only sound files on this computer are played.",
                  L"'\\\\?\\UNC\\host\\share\\x.wav' is a device path: only sound files on this computer are played.",
                  L"'nul.wav' names a device, not a sound file.",
              }));
}

}  // namespace
}  // namespace orbelle::testing
