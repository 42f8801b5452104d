#include "editor/event_editor.h"

#include <windows.h>
#include <commctrl.h>

#include <array>
#include <span>
#include <utility>

#include "base/alarm_time.h"
#include "base/amount_text.h"
#include "base/clock.h"
#include "base/convert.h"
#include "base/error.h"
#include "base/text.h"
#include "platform/file_dialogs.h"
#include "platform/locale.h"
#include "platform/sound.h"
#include "platform/sound_path.h"
#include "platform/wide.h"
#include "popup/reminder_popup.h"
#include "ui/controls.h"
#include "ui/errors.h"
#include "ui/message_loop.h"

namespace orbelle {
namespace {

// A fixed dialog frame without title-bar buttons.
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

// Groups and kind panels hold their controls as children, so that showing or
// hiding one shows or hides its contents, and pass the children's commands up.
constexpr wchar_t kPanelClass[] = L"OrbelleEditorPanel";

LRESULT CALLBACK PanelProc(HWND panel, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_COMMAND || message == WM_NOTIFY)
        return SendMessageW(GetParent(panel), message, wparam, lparam);
    return DefWindowProcW(panel, message, wparam, lparam);
}

void RegisterPanelClass() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW existing{sizeof existing};
    if (GetClassInfoExW(instance, kPanelClass, &existing)) return;
    WNDCLASSEXW wc{sizeof wc};
    wc.lpfnWndProc = PanelProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kPanelClass;
    RegisterClassExW(&wc);
}

using Id = TForm2::ControlId;

// How a control holds its field. Text: its text, both ways. Choice: a list
// whose item equal to the stored text (any case) is selected on load, its text
// stored. Flag: a stored "Y" ticks the box, anything else leaves it as the
// fresh dialog has it; stored as "Y" or "N".
enum class Binding { Text, Choice, Flag };

struct FieldBinding {
    std::size_t field;  // EventField(...): a name not in the table does not compile
    Id control;
    Binding kind;
};

constexpr Id WeekDayBox(int day) { return static_cast<Id>(Id::Week_1 + day); }

// The fields the controls hold as they are, in the order they are written,
// which is also the order in which a refused value is reported. The start,
// the alarm times and the three choices among radio buttons are computed.
constexpr FieldBinding kBindings[] = {
    {EventField("Subject"), Id::Edit_subject, Binding::Text},
    {EventField("Priority"), Id::edit_Priority, Binding::Choice},
    {EventField("Memo"), Id::edit_memo, Binding::Text},
    {EventField("Type"), Id::Edit_type, Binding::Choice},
    {EventField("Remind"), Id::Edit_remind, Binding::Text},
    {EventField("Duration"), Id::Edit_duration, Binding::Text},
    {EventField("Sound"), Id::Edit_sound, Binding::Text},
    {EventField("Repleat"), Id::chx_recu, Binding::Flag},
    {EventField("Accepttext"), Id::chx_accept, Binding::Flag},
    {EventField("Day_day"), Id::Day_day, Binding::Text},
    {EventField("Week_week"), Id::week_week, Binding::Text},
    {EventField("Week_1"), WeekDayBox(0), Binding::Flag},
    {EventField("Week_2"), WeekDayBox(1), Binding::Flag},
    {EventField("Week_3"), WeekDayBox(2), Binding::Flag},
    {EventField("Week_4"), WeekDayBox(3), Binding::Flag},
    {EventField("Week_5"), WeekDayBox(4), Binding::Flag},
    {EventField("Week_6"), WeekDayBox(5), Binding::Flag},
    {EventField("Week_7"), WeekDayBox(6), Binding::Flag},
    {EventField("Month_day1"), Id::month_day1, Binding::Text},
    {EventField("Month_day2"), Id::month_day2, Binding::Text},
    {EventField("Month_week1"), Id::month_week1, Binding::Choice},
    {EventField("Month_week2"), Id::month_week2, Binding::Choice},
    {EventField("Month_week3"), Id::month_week3, Binding::Text},
    {EventField("Year_day1"), Id::year_day1, Binding::Choice},
    {EventField("Year_day2"), Id::year_day2, Binding::Text},
    {EventField("Year_week1"), Id::year_week1, Binding::Choice},
    {EventField("Year_week2"), Id::Year_week2, Binding::Choice},
    {EventField("Year_week3"), Id::Year_week3, Binding::Choice},
};

constexpr DWORD kEdit = ES_AUTOHSCROLL | WS_TABSTOP;
constexpr DWORD kList = CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
constexpr DWORD kEditableList = CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP;
constexpr DWORD kCheck = BS_AUTOCHECKBOX | WS_TABSTOP;
constexpr DWORD kRadio = BS_AUTORADIOBUTTON;
constexpr DWORD kButton = BS_PUSHBUTTON | WS_TABSTOP;
// No WS_CLIPCHILDREN: a group's frame covers the whole panel and paints no
// background of its own, so the panel paints under it.
constexpr DWORD kPanel = 0;
// A drop-down's height covers its open list; the closed box keeps the font's height.
constexpr int kDropHeight = 200;

// Rows read as the layout is written down: class, id, left, top, width and
// height within the parent, caption, style.
constexpr ControlSpec kFormControls[] = {
    {WC_STATICW, 0, 16, 19, 60, 16, L"Subject"},
    {WC_EDITW, Id::Edit_subject, 80, 16, 297, 22, L"", kEdit | WS_GROUP, WS_EX_CLIENTEDGE},
    {WC_COMBOBOXW, Id::Edit_type, 384, 16, 89, 22 + kDropHeight, L"", kList},
    {WC_STATICW, 0, 16, 51, 60, 16, L"Start"},
    {DATETIMEPICK_CLASSW, Id::edit_date, 80, 48, 129, 22, L"", DTS_LONGDATEFORMAT | WS_TABSTOP},
    {DATETIMEPICK_CLASSW, Id::startHour, 216, 48, 57, 21, L"", DTS_TIMEFORMAT | WS_TABSTOP},
    {WC_BUTTONW, Id::chx_recu, 296, 47, 89, 25, L"Recurrence", kCheck},
    {WC_BUTTONW, Id::chx_accept, 392, 51, 81, 17, L"Accept", kCheck},
    {WC_STATICW, 0, 16, 83, 60, 16, L"Duration"},
    {WC_COMBOBOXW, Id::Edit_duration, 81, 80, 89, 22 + kDropHeight, L"", kEditableList},
    {WC_STATICW, 0, 180, 83, 48, 16, L"Remind"},
    {WC_COMBOBOXW, Id::Edit_remind, 232, 80, 89, 22 + kDropHeight, L"", kEditableList},
    {WC_STATICW, 0, 326, 83, 40, 16, L"Before"},
    {WC_STATICW, 0, 370, 83, 44, 16, L"Priority"},
    {WC_COMBOBOXW, Id::edit_Priority, 416, 80, 65, 22 + kDropHeight, L"", kList},
    {WC_STATICW, 0, 16, 107, 60, 16, L"Memo"},
    {WC_EDITW, Id::edit_memo, 80, 104, 401, 97, L"",
     ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE},
    {kPanelClass, Id::GB_bottom, 80, 208, 401, 73, L"", kPanel, WS_EX_CONTROLPARENT},
    {kPanelClass, Id::G_Recurrence, 16, 288, 457, 121, L"", kPanel, WS_EX_CONTROLPARENT},
    // The tops follow the recurrence group's layout.
    {WC_BUTTONW, Id::BB_OK, 312, 429, 75, 25, L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP},
    {WC_BUTTONW, Id::BB_CC, 400, 429, 75, 25, L"Cancel", kButton},
};

constexpr ControlSpec kSoundControls[] = {
    {WC_BUTTONW, 0, 0, 0, 401, 73, L"Sound", BS_GROUPBOX},
    {WC_STATICW, 0, 8, 19, 62, 16, L"Sound File"},
    {WC_COMBOBOXW, Id::Edit_sound, 72, 16, 169, 22 + kDropHeight, L"", kEditableList | WS_GROUP},
    {WC_BUTTONW, Id::Play, 64, 40, 73, 25, L"Play", kButton},
    {WC_BUTTONW, Id::Browse, 144, 40, 75, 25, L"Browse", kButton},
    {WC_BUTTONW, Id::BitBtn1, 336, 40, 59, 25, L"Preview", kButton},
};

// Every kind panel starts where the daily one lies.
constexpr int kPanelLeft = 80, kPanelTop = 8, kPanelWidth = 369, kPanelHeight = 105;

constexpr ControlSpec kRecurrenceControls[] = {
    {WC_BUTTONW, 0, 0, 0, 457, 121, L"Recurrence", BS_GROUPBOX},
    {WC_BUTTONW, Id::cbx_daily, 16, 16, 62, 17, L"Daily", kRadio | WS_GROUP | WS_TABSTOP},
    {WC_BUTTONW, Id::cbx_weekly, 16, 40, 62, 17, L"Weekly", kRadio},
    {WC_BUTTONW, Id::cbx_monthly, 16, 64, 62, 17, L"Monthly", kRadio},
    {WC_BUTTONW, Id::cbx_Yearly, 16, 88, 62, 17, L"Yearly", kRadio},
    {kPanelClass, Id::Gday, kPanelLeft, kPanelTop, kPanelWidth, kPanelHeight, L"", kPanel | WS_GROUP,
     WS_EX_CONTROLPARENT},
    {kPanelClass, Id::Gweek, kPanelLeft, kPanelTop, kPanelWidth, kPanelHeight, L"", kPanel | WS_GROUP,
     WS_EX_CONTROLPARENT},
    {kPanelClass, Id::GMonth, kPanelLeft, kPanelTop, kPanelWidth, kPanelHeight, L"", kPanel | WS_GROUP,
     WS_EX_CONTROLPARENT},
    {kPanelClass, Id::Gyear, kPanelLeft, kPanelTop, kPanelWidth, kPanelHeight, L"", kPanel | WS_GROUP,
     WS_EX_CONTROLPARENT},
};

constexpr ControlSpec kDailyControls[] = {
    {WC_STATICW, 0, 8, 11, 40, 16, L"Every"},
    {WC_EDITW, Id::Day_day, 56, 8, 49, 21, L"1", kEdit | WS_GROUP, WS_EX_CLIENTEDGE},
    {WC_STATICW, 0, 112, 11, 60, 16, L"Day(s)"},
};

// The weekday boxes get the locale's names when the dialog is created.
constexpr ControlSpec kWeeklyControls[] = {
    {WC_STATICW, 0, 8, 11, 40, 16, L"Every"},
    {WC_EDITW, Id::week_week, 56, 8, 49, 21, L"1", kEdit | WS_GROUP, WS_EX_CLIENTEDGE},
    {WC_STATICW, 0, 112, 11, 60, 16, L"Week(s)"},
    {WC_BUTTONW, Id::Week_1, 16, 40, 85, 17, L"", kCheck},
    {WC_BUTTONW, Id::Week_1 + 1, 104, 40, 85, 17, L"", kCheck},
    {WC_BUTTONW, Id::Week_1 + 2, 192, 40, 85, 17, L"", kCheck},
    {WC_BUTTONW, Id::Week_1 + 3, 280, 40, 85, 17, L"", kCheck},
    {WC_BUTTONW, Id::Week_1 + 4, 16, 64, 85, 17, L"", kCheck},
    {WC_BUTTONW, Id::Week_1 + 5, 104, 64, 85, 17, L"", kCheck},
    {WC_BUTTONW, Id::week_7, 192, 64, 85, 17, L"", kCheck},
};

constexpr ControlSpec kMonthlyControls[] = {
    {WC_BUTTONW, Id::rd_day, 16, 12, 49, 17, L"Day", kRadio | WS_GROUP | WS_TABSTOP},
    {WC_EDITW, Id::month_day1, 72, 8, 41, 21, L"1", kEdit, WS_EX_CLIENTEDGE},
    {WC_STATICW, 0, 120, 11, 20, 16, L"Of"},
    {WC_EDITW, Id::month_day2, 144, 8, 41, 21, L"1", kEdit, WS_EX_CLIENTEDGE},
    {WC_STATICW, 0, 192, 11, 60, 16, L"Month(s)"},
    {WC_BUTTONW, Id::rd_week, 16, 48, 49, 17, L"The", kRadio},
    {WC_COMBOBOXW, Id::month_week1, 72, 44, 73, 22 + kDropHeight, L"", kList},
    {WC_COMBOBOXW, Id::month_week2, 152, 44, 97, 22 + kDropHeight, L"", kList},
    {WC_STATICW, 0, 256, 47, 20, 16, L"Of"},
    {WC_EDITW, Id::month_week3, 280, 44, 33, 21, L"1", kEdit, WS_EX_CLIENTEDGE},
    {WC_STATICW, 0, 320, 47, 48, 16, L"Month(s)"},
};

constexpr ControlSpec kYearlyControls[] = {
    {WC_BUTTONW, Id::rb_yearday, 16, 12, 57, 17, L"Every", kRadio | WS_GROUP | WS_TABSTOP},
    {WC_COMBOBOXW, Id::year_day1, 80, 8, 97, 22 + kDropHeight, L"", kList},
    {WC_EDITW, Id::year_day2, 184, 8, 41, 21, L"1", kEdit, WS_EX_CLIENTEDGE},
    {WC_BUTTONW, Id::rb_yearweek, 16, 48, 57, 17, L"The", kRadio},
    {WC_COMBOBOXW, Id::year_week1, 80, 44, 73, 22 + kDropHeight, L"", kList},
    {WC_COMBOBOXW, Id::Year_week2, 160, 44, 97, 22 + kDropHeight, L"", kList},
    {WC_STATICW, 0, 264, 47, 20, 16, L"Of"},
    {WC_COMBOBOXW, Id::Year_week3, 288, 44, 73, 22 + kDropHeight, L"", kList},
};

constexpr const wchar_t* kTypes[] = {L"Alarm",   L"Anniversary", L"Appointment", L"Birthday",
                                     L"Phone Call", L"Holiday", L"Internet",   L"Meeting",
                                     L"Payment", L"Travel",      L"TV Program"};
constexpr const wchar_t* kDurations[] = {L"5 minutes", L"10 minutes", L"15 minutes", L"30 minutes", L"1 hour",
                                         L"2 hours",   L"4 hours",    L"8 hours",    L"12 hours",   L"1 day",
                                         L"2 days",    L"3 days",     L"1 week"};
constexpr const wchar_t* kReminds[] = {L"0 minutes", L"5 minutes", L"10 minutes", L"15 minutes", L"30 minutes",
                                       L"1 hour",    L"2 hours",   L"4 hours",    L"8 hours",    L"12 hours",
                                       L"1 day",     L"2 days",    L"3 days",     L"1 week"};
constexpr const wchar_t* kPriorities[] = {L"Highest", L"High", L"Normal", L"Low", L"Lowest"};
constexpr const wchar_t* kSounds[] = {L"Alarm.wav", L"Beep.wav",  L"BigBen.wav", L"Chimes.wav",
                                      L"Clock.wav", L"Cuckoo.wav", L"Doorbl.wav", L"Mac.wav",
                                      L"Phone.wav", L"Reville.wav", L"Rooster.wav"};
constexpr const wchar_t* kMonthlyOrdinals[] = {L"First", L"Second", L"Third", L"Forth", L"Last"};
constexpr const wchar_t* kYearlyOrdinals[] = {L"First", L"Second", L"Third", L"Last"};

// The lists that must always have a selection, in the order they are repaired.
constexpr int kListsWithSelection[] = {Id::month_week1, Id::month_week2, Id::year_day1, Id::year_week1,
                                       Id::Year_week2,  Id::Year_week3,  Id::Edit_type, Id::edit_Priority};
// The number boxes that show "1" for an empty field.
constexpr int kNumberBoxes[] = {Id::year_day2, Id::month_day2, Id::month_day1, Id::week_week, Id::Day_day};

void AddItems(HWND combo, std::span<const wchar_t* const> items) {
    for (const wchar_t* item : items) SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
}

void AddItem(HWND combo, const std::string& item) {
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(item).c_str()));
}

std::wstring ItemText(HWND combo, int index) {
    auto length = SendMessageW(combo, CB_GETLBTEXTLEN, index, 0);
    if (length == CB_ERR) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    return text;
}

SYSTEMTIME ToSystemTime(DateTime value) {
    using namespace std::chrono;
    year_month_day date = value.Date();
    TimeOfDay time = value.Time();
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(static_cast<int>(date.year()));
    st.wMonth = static_cast<WORD>(static_cast<unsigned>(date.month()));
    st.wDay = static_cast<WORD>(static_cast<unsigned>(date.day()));
    st.wDayOfWeek = static_cast<WORD>(weekday{sys_days{date}}.c_encoding());
    st.wHour = static_cast<WORD>(time.hour);
    st.wMinute = static_cast<WORD>(time.minute);
    st.wSecond = static_cast<WORD>(time.second);
    st.wMilliseconds = static_cast<WORD>(time.millisecond);
    return st;
}

SYSTEMTIME PickerTime(HWND picker) {
    SYSTEMTIME st{};
    SendMessageW(picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&st));
    return st;
}

void SetPickerTime(HWND picker, DateTime value) {
    SYSTEMTIME st = ToSystemTime(value);
    SendMessageW(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&st));
}

}  // namespace

TForm2::TForm2(WindowContext context, EventCursor& cursor, bool& edit_cancelled)
    : context_(std::move(context)), cursor_(cursor), edit_cancelled_(edit_cancelled) {
    if (cursor.Active()) {
        opened_state_ = cursor.GetState();
        opened_id_ = cursor.FieldText("Id");
    }
    SIZE outer = OuterSizeForClient(kClientSize.cx, kClientSize.cy, kStyle, kExStyle);
    Create({.name = L"TForm2"}, {.caption = L"A New Event", .style = kStyle, .ex_style = kExStyle,
                                 .x = kPlace.x, .y = kPlace.y, .width = outer.cx, .height = outer.cy,
                                 .owner = context_.owner, .dialog_keys = true});
}

void TForm2::SetCaption(const wchar_t* caption) { SetWindowTextW(Hwnd(), caption); }

void TForm2::SetStart(DateTime start) {
    SetPickerTime(Control(edit_date), start);
    SetPickerTime(Control(startHour), start);
}

void TForm2::AddOpeningNote(std::wstring note) {
    if (!note.empty()) opening_notes_.push_back(std::move(note));
}

void TForm2::OnFirstShowing() {
    // Posted, so that the note comes over the editor as it stands, not before it.
    if (!opening_notes_.empty()) PostMessageW(Hwnd(), kShowNotesMessage, 0, 0);
}

LRESULT TForm2::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    if (message != kShowNotesMessage) return ModalWindow::HandleMessage(message, wparam, lparam);
    for (const std::wstring& note : std::exchange(opening_notes_, {}))
        MessageBoxW(Hwnd(), note.c_str(), ApplicationTitle().c_str(), MB_OK | MB_ICONINFORMATION);
    return 0;
}

void TForm2::OnCreate() {
    CreateChildControls();
    FormCreate();
}

void TForm2::CreateChildControls() {
    RegisterPanelClass();
    font_ = MakeFontPoints(L"Tahoma", 8);
    HFONT font = font_.Get();
    // Each table's controls lie inside the panel made by the table before.
    controls_.Create(Hwnd(), kFormControls, font);
    controls_.Create(controls_[GB_bottom], kSoundControls, font);
    controls_.Create(controls_[G_Recurrence], kRecurrenceControls, font);
    controls_.Create(controls_[Gday], kDailyControls, font);
    controls_.Create(controls_[Gweek], kWeeklyControls, font);
    controls_.Create(controls_[GMonth], kMonthlyControls, font);
    controls_.Create(controls_[Gyear], kYearlyControls, font);

    AddItems(Control(Edit_type), kTypes);
    AddItems(Control(Edit_duration), kDurations);
    AddItems(Control(Edit_remind), kReminds);
    AddItems(Control(edit_Priority), kPriorities);
    AddItems(Control(Edit_sound), kSounds);
    AddItems(Control(month_week1), kMonthlyOrdinals);
    AddItems(Control(year_week1), kYearlyOrdinals);
    // A combo box takes no text from its creation.
    SetText(Edit_duration, L"30 minutes");
    SetText(Edit_remind, L"0 minutes");
    SetText(Edit_sound, L"Alarm.wav");
    SetPickerTime(Control(startHour), DateTime::FromParts(Today().Date(), {23, 19, 13, 0}));
    Check(cbx_weekly);
    Check(rd_week);
    Check(rb_yearweek);
}

void TForm2::OnActivate(bool active) {
    // The focus goes back to the control that had it, not to the frame.
    if (active) {
        SetFocus(focus_ && IsWindow(focus_) ? focus_ : Control(Edit_subject));
    } else {
        HWND focus = GetFocus();
        if (focus && IsChild(Hwnd(), focus)) focus_ = focus;
    }
}

void TForm2::OnCommand(WORD id, WORD code, HWND) {
    switch (id) {
        case BB_OK: BB_OKClick(); break;
        case BB_CC: BB_CCClick(); break;
        case Play: PlayClick(); break;
        case Browse: BrowseClick(); break;
        case BitBtn1: BitBtn1Click(); break;
        case chx_recu: chx_recuClick(); break;
        case cbx_daily: cbx_dailyClick(); break;
        case cbx_weekly: cbx_weeklyClick(); break;
        case cbx_monthly: cbx_monthlyClick(); break;
        case cbx_Yearly: cbx_YearlyClick(); break;
        case Edit_duration: Edit_durationChange(code); break;
        case Edit_remind: Edit_remindChange(code); break;
        default: break;
    }
}

void TForm2::FormCreate() {
    DateTime_SetFormat(Control(startHour), L"HH:mm");
    SetPickerTime(Control(edit_date), Today());
    FillNameLists();
    cbx_weeklyClick();
    if (cursor_.FieldText("Subject").empty()) {
        // A new event: every list starts on its first item, the rest as created.
        for (int list : kListsWithSelection) SendMessageW(Control(list), CB_SETCURSEL, 0, 0);
    } else {
        SetCaption(L"Modify Event");
        LoadRecord();
        RepairEmptyControls();
    }
    LayOutRecurrence(Checked(chx_recu));
}

void TForm2::FillNameLists() {
    names_ = UserLocaleNames();
    for (int day = 0; day < 7; ++day) {
        const std::string& name = names_.weekdays[static_cast<size_t>(day)];
        SetText(Week_1 + day, Widen(name));
        AddItem(Control(month_week2), name);
        AddItem(Control(Year_week2), name);
    }
    for (const std::string& name : names_.months) {
        AddItem(Control(year_day1), name);
        AddItem(Control(Year_week3), name);
    }
}

void TForm2::LoadRecord() {
    for (const FieldBinding& binding : kBindings) {
        const std::string text = cursor_.FieldText(binding.field);
        switch (binding.kind) {
            case Binding::Text: SetText(binding.control, Widen(text)); break;
            case Binding::Choice: SelectMatching(binding.control, text); break;
            case Binding::Flag:
                if (text == "Y") Check(binding.control);
                break;
        }
    }
    DateTime start = cursor_.FieldDateTime("Date");
    SetPickerTime(Control(edit_date), start);
    SetPickerTime(Control(startHour), start);

    // The kind and the variants are only ever set on: any other stored value
    // leaves the radio buttons as the fresh dialog has them.
    std::string kind = cursor_.FieldText("Dwmy");
    struct KindCode {
        const char* code;
        int radio;
        int panel;
    };
    constexpr KindCode kKinds[] = {
        {"1", cbx_daily, Gday}, {"2", cbx_weekly, Gweek}, {"3", cbx_monthly, GMonth}, {"4", cbx_Yearly, Gyear}};
    for (const KindCode& each : kKinds) {
        if (kind != each.code) continue;
        ShowKindPanel(each.panel);
        Check(each.radio);
    }
    Check(cursor_.FieldText("Month_dayweek") == "D" ? rd_day : rd_week);
    Check(cursor_.FieldText("Year_dayweek") == "D" ? rb_yearday : rb_yearweek);
}

void TForm2::RepairEmptyControls() {
    for (int list : kListsWithSelection)
        if (Selected(list) == CB_ERR) SendMessageW(Control(list), CB_SETCURSEL, 0, 0);
    for (int box : kNumberBoxes)
        if (Text(box).empty()) SetText(box, L"1");
}

void TForm2::ShowKindPanel(int panel) {
    RECT daily;
    GetWindowRect(Control(Gday), &daily);
    MapWindowPoints(nullptr, Control(G_Recurrence), reinterpret_cast<POINT*>(&daily), 2);
    for (int other : {GMonth, Gyear, Gweek})
        SetWindowPos(Control(other), nullptr, daily.left, daily.top, daily.right - daily.left,
                     daily.bottom - daily.top, SWP_NOZORDER | SWP_NOACTIVATE);
    for (int each : {Gday, Gweek, GMonth, Gyear}) ShowWindow(Control(each), each == panel ? SW_SHOW : SW_HIDE);
}

void TForm2::chx_recuClick() { LayOutRecurrence(Checked(chx_recu)); }

void TForm2::LayOutRecurrence(bool shown) {
    constexpr int kGap = 20;          // between the group above and the buttons
    constexpr int kBelowButtons = 50;  // from the buttons' top edge plus height to the window's bottom
    HWND above = Control(shown ? G_Recurrence : GB_bottom);
    RECT rect;
    GetWindowRect(above, &rect);
    MapWindowPoints(nullptr, Hwnd(), reinterpret_cast<POINT*>(&rect), 2);
    ShowWindow(Control(G_Recurrence), shown ? SW_SHOW : SW_HIDE);
    int top = static_cast<int>(rect.bottom) + kGap;
    for (int button : {BB_OK, BB_CC}) {
        RECT place;
        GetWindowRect(Control(button), &place);
        MapWindowPoints(nullptr, Hwnd(), reinterpret_cast<POINT*>(&place), 2);
        SetWindowPos(Control(button), nullptr, place.left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RECT outer;
    GetWindowRect(Hwnd(), &outer);
    RECT ok;
    GetClientRect(Control(BB_CC), &ok);
    SetWindowPos(Hwnd(), nullptr, 0, 0, outer.right - outer.left, top + ok.bottom + kBelowButtons,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm2::NormaliseAmountBox(int box, int code) {
    if (code != CBN_EDITCHANGE && code != CBN_SELCHANGE) return;
    HWND combo = Control(box);
    // A chosen item reaches the box's text only after this notification.
    std::wstring text = code == CBN_SELCHANGE ? ItemText(combo, Selected(box)) : Text(box);
    AmountTextFix fix = NormaliseAmountText(Narrow(text));
    switch (fix.action) {
        case AmountTextFix::Action::Keep:
            return;  // the caret stays where the user typed
        case AmountTextFix::Action::Rewrite: {
            std::wstring normal = Widen(fix.text);
            SetText(box, normal);
            auto end = static_cast<WORD>(normal.size());
            SendMessageW(combo, CB_SETEDITSEL, 0, MAKELPARAM(end, end));
            return;
        }
        case AmountTextFix::Action::SelectFirstItem:
            SendMessageW(combo, CB_SETCURSEL, 0, 0);
            return;
    }
}

DateTime TForm2::StartDateTime() const {
    SYSTEMTIME date = PickerTime(Control(edit_date));
    SYSTEMTIME time = PickerTime(Control(startHour));
    using namespace std::chrono;
    return DateTime::FromParts(year{date.wYear} / month{date.wMonth} / day{date.wDay},
                               {time.wHour, time.wMinute, time.wSecond, time.wMilliseconds});
}

DateTime TForm2::CalcNextAlarmTime() const { return AlarmTime(StartDateTime(), TextUtf8(Edit_remind)); }

DateTime TForm2::CalcNextDatetime() const { return NextOccurrence(RuleFromControls(), StartDateTime()); }

// Only the boxes of the chosen kind and variant are read, so only they can
// stop the computation.
RecurrenceRule TForm2::RuleFromControls() const {
    RecurrenceRule rule;
    if (Checked(cbx_daily)) {
        rule.kind = RecurrenceKind::Daily;
        rule.daily.every = NumberBox(Day_day);
    } else if (Checked(cbx_weekly)) {
        rule.kind = RecurrenceKind::Weekly;
        rule.weekly.every = NumberBox(week_week);
        for (int day = 0; day < 7; ++day) rule.weekly.on[static_cast<size_t>(day)] = Checked(Week_1 + day);
    } else if (Checked(cbx_monthly)) {
        rule.kind = RecurrenceKind::Monthly;
        MonthlyRule& monthly = rule.monthly;
        if (Checked(rd_day)) {
            monthly.variant = MonthlyVariant::DayOfMonth;
            monthly.day = NumberBox(month_day1);
            monthly.day_every = NumberBox(month_day2);
        } else if (Checked(rd_week)) {
            monthly.variant = MonthlyVariant::OrdinalWeekday;
            monthly.ordinal = Selected(month_week1);
            monthly.weekday = Selected(month_week2);
            monthly.weekday_every = NumberBox(month_week3);
        } else {
            monthly.variant = MonthlyVariant::None;
        }
    } else if (Checked(cbx_Yearly)) {
        rule.kind = RecurrenceKind::Yearly;
        YearlyRule& yearly = rule.yearly;
        if (Checked(rb_yearday)) {
            yearly.variant = YearlyVariant::MonthDay;
            yearly.day_month = Selected(year_day1);
            yearly.day = NumberBox(year_day2);
        } else if (Checked(rb_yearweek)) {
            yearly.variant = YearlyVariant::OrdinalWeekday;
            yearly.ordinal = Selected(year_week1);
            yearly.weekday = Selected(Year_week2);
            yearly.weekday_month = Selected(Year_week3);
        } else {
            yearly.variant = YearlyVariant::None;
        }
    } else {
        rule.kind = RecurrenceKind::None;
    }
    return rule;
}

void TForm2::BB_OKClick() {
    if (Text(Edit_subject).empty()) {  // blanks are a subject
        MessageBoxW(Hwnd(), L"Subject field should not be empty!", ApplicationTitle().c_str(), MB_OK);
        return;
    }
    if (RefuseForeignCursor()) return;
    DateTime alarm = CalcNextAlarmTime();
    DateTime next = CalcNextDatetime();
    const bool inserting = cursor_.GetState() == EventCursor::State::Insert;
    cursor_.Edit();  // a row being inserted stays in insert state
    try {
        WriteFields(alarm, next);
        cursor_.Post();
    } catch (...) {
        // A refused field leaves the record as stored, so that Preview and
        // its Accept see no half-written row; the dialog stays open and the
        // next OK writes every field again.
        cursor_.Cancel();
        if (inserting) cursor_.Insert();
        throw;
    }
    EndModal(IDOK);
}

bool TForm2::RefuseForeignCursor() {
    if (CursorStillOurs()) return false;
    MessageBoxW(Hwnd(),
                L"This event was changed or deleted while the dialog was open, so nothing was saved. "
                L"Cancel, then open the event again.",
                ApplicationTitle().c_str(), MB_OK | MB_ICONSTOP);
    return true;
}

bool TForm2::CursorStillOurs() const {
    using State = EventCursor::State;
    if (!cursor_.Active()) return false;
    State state = cursor_.GetState();
    if (opened_state_ == State::Insert) return state == State::Insert;
    return (state == State::Browse || state == State::Edit) && opened_state_ == State::Browse &&
           cursor_.FieldText("Id") == opened_id_;
}

void TForm2::WriteFields(DateTime alarm, DateTime next) {
    for (const FieldBinding& binding : kBindings) {
        if (binding.kind == Binding::Flag) cursor_.SetFieldText(binding.field, Checked(binding.control) ? "Y" : "N");
        else cursor_.SetFieldText(binding.field, TextUtf8(binding.control));
    }
    cursor_.SetFieldDateTime("Date", StartDateTime());
    cursor_.SetFieldDateTime("StartHour", alarm);
    cursor_.SetFieldDateTime("NextAlarm", next);
    const char* kind = Checked(cbx_daily)     ? "1"
                       : Checked(cbx_weekly)  ? "2"
                       : Checked(cbx_monthly) ? "3"
                       : Checked(cbx_Yearly)  ? "4"
                                              : "";
    cursor_.SetFieldText("Dwmy", kind);
    cursor_.SetFieldText("Month_dayweek", Checked(rd_day) ? "D" : "W");
    cursor_.SetFieldText("Year_dayweek", Checked(rb_yearday) ? "D" : "W");
}

void TForm2::BB_CCClick() {
    cursor_.Cancel();  // a new blank row disappears, a changed row keeps its stored values
    edit_cancelled_ = true;
    EndModal(IDCANCEL);
}

bool TForm2::RefuseSoundPath(std::wstring_view sound_text) {
    auto refusal = SoundPathRefusal(Narrow(sound_text));
    if (!refusal) return false;
    MessageBoxW(Hwnd(), Widen(*refusal).c_str(), ApplicationTitle().c_str(), MB_OK | MB_ICONSTOP);
    return true;
}

void TForm2::PlayClick() {
    // A stored or typed path of another computer is never handed to the system.
    std::wstring text = Text(Edit_sound);
    if (RefuseSoundPath(text)) return;
    PlaySoundFile(Widen(SoundFileText(PathToUtf8(context_.program_folder), Narrow(text))));
}

void TForm2::BrowseClick() {
    std::wstring file(32768, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = Hwnd();
    dialog.lpstrFilter = L"WaveForm Audio Files(*.wav)\0*.wav\0MIDI Files(*.mid)\0*.mid\0";
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrTitle = L"Open Audio File";
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_NOCHANGEDIR;
    if (!ShowOpenFileDialog(dialog)) return;  // cancelled: nothing changes
    if (RefuseSoundPath(file.c_str())) return;
    SetText(Edit_sound, file.c_str());
}

void TForm2::BitBtn1Click() {
    if (RefuseForeignCursor()) return;  // its Accept would mark another record
    // The record as stored, not the controls' unsaved changes: blank for a new
    // event, whose Accept then posts nothing.
    MakeWindow<TForm5>(context_, cursor_)->ShowModal();
}

HWND TForm2::Control(int id) const { return controls_[static_cast<ControlId>(id)]; }

std::wstring TForm2::Text(int id) const {
    HWND control = Control(id);
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::string TForm2::TextUtf8(int id) const { return Narrow(Text(id)); }

void TForm2::SetText(int id, std::wstring_view text) { SetWindowTextW(Control(id), std::wstring(text).c_str()); }

bool TForm2::Checked(int id) const { return SendMessageW(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void TForm2::Check(int id) {
    // A radio button unticks the others of its group, as a click would.
    HWND control = Control(id);
    HWND parent = GetParent(control);
    if ((GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK) == BS_AUTORADIOBUTTON) {
        for (HWND sibling = GetWindow(parent, GW_CHILD); sibling; sibling = GetWindow(sibling, GW_HWNDNEXT))
            if ((GetWindowLongW(sibling, GWL_STYLE) & BS_TYPEMASK) == BS_AUTORADIOBUTTON)
                SendMessageW(sibling, BM_SETCHECK, BST_UNCHECKED, 0);
    }
    SendMessageW(control, BM_SETCHECK, BST_CHECKED, 0);
}

void TForm2::SelectMatching(int id, std::string_view text) {
    HWND combo = Control(id);
    std::wstring wanted = Widen(text);
    int count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
    int match = CB_ERR;
    for (int i = 0; i < count && match == CB_ERR; ++i) {
        std::wstring item = ItemText(combo, i);
        if (CompareStringOrdinal(item.c_str(), static_cast<int>(item.size()), wanted.c_str(),
                                 static_cast<int>(wanted.size()), TRUE) == CSTR_EQUAL)
            match = i;
    }
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(match), 0);
}

int TForm2::Selected(int id) const { return static_cast<int>(SendMessageW(Control(id), CB_GETCURSEL, 0, 0)); }

int TForm2::NumberBox(int id) const { return StrToInt(TextUtf8(id)); }

}  // namespace orbelle
