#pragma once
// The event editor (`TForm2`): the modal dialog that creates or changes the
// event under the event cursor. It never moves the cursor; OK computes the
// alarm time and the next occurrence, writes every field and posts once.
#include <windows.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "base/datefmt.h"
#include "base/datetime.h"
#include "base/recurrence.h"
#include "platform/handles.h"
#include "store/event_cursor.h"
#include "ui/controls.h"
#include "ui/window.h"
#include "ui/window_context.h"

namespace orbelle {

class TForm2 : public ModalWindow {
public:
    // Control ids, named after the controls. OK and Cancel carry the ids that
    // Enter and Esc send.
    enum ControlId : int {
        BB_OK = IDOK,
        BB_CC = IDCANCEL,
        Edit_subject = 100,
        Edit_type,
        edit_date,
        startHour,
        chx_recu,
        chx_accept,
        Edit_duration,
        Edit_remind,
        edit_Priority,
        edit_memo,
        GB_bottom,
        Edit_sound,
        Play,
        Browse,
        BitBtn1,
        G_Recurrence,
        cbx_daily,
        cbx_weekly,
        cbx_monthly,
        cbx_Yearly,
        Gday,
        Gweek,
        GMonth,
        Gyear,
        Day_day,
        week_week,
        Week_1,  // Sunday; week_2 .. week_7 follow, Saturday last
        week_7 = Week_1 + 6,
        rd_day,
        month_day1,
        month_day2,
        rd_week,
        month_week1,
        month_week2,
        month_week3,
        rb_yearday,
        year_day1,
        year_day2,
        rb_yearweek,
        year_week1,
        Year_week2,
        Year_week3,
    };

    static constexpr POINT kPlace{214, 108};
    static constexpr SIZE kClientSize{493, 421};

    // Reads the record under the cursor: an empty subject opens a new event
    // with the defaults, any other subject loads the record. Cancel sets
    // edit_cancelled.
    // ShowModal runs until OK saves (IDOK) or Cancel discards (IDCANCEL).
    TForm2(WindowContext context, EventCursor& cursor, bool& edit_cancelled);

    void SetCaption(const wchar_t* caption);
    // A new event's start other than the defaults: date and time of day.
    void SetStart(DateTime start);
    // Shown over the editor once it is up; an empty note is none.
    void AddOpeningNote(std::wstring note);

private:
    static constexpr UINT kShowNotesMessage = WM_APP + 1;

    LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
    void OnCreate() override;
    void OnFirstShowing() override;
    void OnCommand(WORD id, WORD code, HWND control) override;
    void OnActivate(bool active) override;
    // Alt+F4 is a Cancel: the dialog ends only by saving or discarding.
    void OnClose() override { BB_CCClick(); }
    void CreateChildControls();

    void FormCreate();
    void FillNameLists();
    void LoadRecord();
    void RepairEmptyControls();

    void BB_OKClick();
    void BB_CCClick();
    void chx_recuClick();
    void cbx_dailyClick() { ShowKindPanel(Gday); }
    void cbx_weeklyClick() { ShowKindPanel(Gweek); }
    void cbx_monthlyClick() { ShowKindPanel(GMonth); }
    void cbx_YearlyClick() { ShowKindPanel(Gyear); }
    void PlayClick();
    void BrowseClick();
    void BitBtn1Click();
    void Edit_durationChange(int code) { NormaliseAmountBox(Edit_duration, code); }
    void Edit_remindChange(int code) { NormaliseAmountBox(Edit_remind, code); }

    DateTime CalcNextAlarmTime() const;
    DateTime CalcNextDatetime() const;
    RecurrenceRule RuleFromControls() const;
    DateTime StartDateTime() const;
    void WriteFields(DateTime alarm, DateTime next);
    // True while the cursor is as this dialog left it: its own pending row,
    // or the record it loaded. Anything else was done by another command, and
    // posting now would write over a record the user never opened.
    bool CursorStillOurs() const;
    // Says so when the cursor is no longer ours; true then.
    bool RefuseForeignCursor();
    // Shows why the sound text is not played; true when it is refused.
    bool RefuseSoundPath(std::wstring_view sound_text);

    void ShowKindPanel(int panel);
    void LayOutRecurrence(bool shown);
    void NormaliseAmountBox(int box, int code);

    HWND Control(int id) const;
    std::wstring Text(int id) const;
    std::string TextUtf8(int id) const;
    void SetText(int id, std::wstring_view text);
    bool Checked(int id) const;
    void Check(int id);
    // Selects the item equal to text without regard to case; no match leaves
    // the list without a selection.
    void SelectMatching(int id, std::string_view text);
    int Selected(int id) const;
    int NumberBox(int id) const;

    WindowContext context_;
    EventCursor& cursor_;
    bool& edit_cancelled_;
    // The cursor as the dialog found it.
    EventCursor::State opened_state_ = EventCursor::State::Inactive;
    std::string opened_id_;
    LocaleNames names_;
    OwnedFont font_;
    Controls<ControlId> controls_;
    HWND focus_ = nullptr;  // the control that had the focus when the dialog was left
    std::vector<std::wstring> opening_notes_;
};

}  // namespace orbelle
