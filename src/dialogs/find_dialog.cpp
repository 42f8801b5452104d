#include "dialogs/find_dialog.h"

#include <commctrl.h>

#include "platform/settings.h"
#include "ui/controls.h"
#include "ui/message_loop.h"

namespace orbelle {
namespace {

// A sizeable frame without title-bar buttons.
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_THICKFRAME | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT;

using Id = FindDialog::ControlId;

constexpr DWORD kFocusable = WS_TABSTOP | WS_GROUP;
// A drop-down's height covers its open list; the closed box keeps the font's height.
constexpr int kDropHeight = 200;

// Created in keyboard order, which the dialog keys follow; the labels take no
// focus, so where they stand does not matter.
constexpr ControlSpec kControls[] = {
    {WC_EDITW, Id::Edit1, 56, 24, 169, 21, L"", ES_AUTOHSCROLL | kFocusable, WS_EX_CLIENTEDGE},
    {DATETIMEPICK_CLASSW, Id::DateTimePicker1, 56, 56, 105, 17, L"", DTS_SHORTDATEFORMAT | kFocusable},
    {DATETIMEPICK_CLASSW, Id::DateTimePicker2, 56, 80, 105, 21, L"", DTS_SHORTDATEFORMAT | kFocusable},
    {WC_COMBOBOXW, Id::ComboBox1, 232, 24, 81, 21 + kDropHeight, L"", CBS_DROPDOWNLIST | WS_VSCROLL | kFocusable},
    {WC_BUTTONW, Id::CheckBox1, 56, 112, 97, 17, L"Accept", BS_AUTOCHECKBOX | kFocusable},
    {WC_BUTTONW, Id::BitBtn1, 96, 152, 75, 25, L"OK", BS_DEFPUSHBUTTON | kFocusable},
    {WC_BUTTONW, Id::BitBtn2, 192, 152, 75, 25, L"Abort", BS_PUSHBUTTON | kFocusable},
    {DATETIMEPICK_CLASSW, Id::DateTimePicker3, 168, 56, 57, 21, L"", DTS_TIMEFORMAT | kFocusable},
    {DATETIMEPICK_CLASSW, Id::DateTimePicker4, 168, 80, 57, 21, L"", DTS_TIMEFORMAT | kFocusable},
    {WC_STATICW, Id::Label1, 13, 24, 36, 13, L"Subject", SS_RIGHT | SS_NOPREFIX},
    {WC_STATICW, Id::Label2, 24, 56, 25, 13, L"Start ", SS_RIGHT | SS_NOPREFIX},
};

constexpr const wchar_t* kEventTypes[] = {
    L"Alarm",    L"Anniversary", L"Appointment", L"Birthday", L"Phone Call", L"Holiday",
    L"Internet", L"Meeting",     L"Payment",     L"Travel",   L"TV Program",
};

// The pickers' fixed first values: 8 June 2005, 14:39 and 14:40.
void SetPicker(HWND picker, WORD hour, WORD minute) {
    SYSTEMTIME value{};
    value.wYear = 2005;
    value.wMonth = 6;
    value.wDay = 8;
    value.wDayOfWeek = 3;  // a Wednesday
    value.wHour = hour;
    value.wMinute = minute;
    SendMessageW(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&value));
}

}  // namespace

FindDialog::FindDialog(const WindowContext& context) : program_folder_(context.program_folder) {
    Create({.name = L"TForm3"}, {.caption = L"Form3", .style = kStyle, .ex_style = kExStyle,
                                 .x = kDesignPlace.x, .y = kDesignPlace.y, .width = kOuterSize.cx,
                                 .height = kOuterSize.cy, .owner = context.owner, .dialog_keys = true});
}

void FindDialog::OnFirstShowing() {
    CreateChildControls();
    SendMessageW(controls_[ComboBox1], CB_SETCURSEL, 0, 0);
}

void FindDialog::OnCommand(WORD id, WORD code, HWND) {
    if (code != BN_CLICKED) return;
    // OK, Abort and Esc only close: the opener takes no action on how.
    if (id == BitBtn1 || id == BitBtn2 || id == IDCANCEL) Close();
}

// Hidden, never destroyed before the end: its place is written then.
void FindDialog::OnClose() { Close(); }

void FindDialog::CreateChildControls() {
    font_ = MakeFontPoints(L"Tahoma", 8);
    controls_.Create(Hwnd(), kControls, font_.Get());
    HWND types = controls_[ComboBox1];
    for (const wchar_t* type : kEventTypes) SendMessageW(types, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(type));
    SetPicker(controls_[DateTimePicker1], 0, 0);
    SetPicker(controls_[DateTimePicker2], 0, 0);
    for (ControlId picker : {DateTimePicker3, DateTimePicker4})
        SendMessageW(controls_[picker], DTM_SETFORMATW, 0, reinterpret_cast<LPARAM>(L"HH:mm"));
    SetPicker(controls_[DateTimePicker3], 14, 39);
    SetPicker(controls_[DateTimePicker4], 14, 40);
}

void FindDialog::FormCreate() {
    // Joined as the other windows do not: the doubled separator names the same file.
    const SettingsFile settings(program_folder_.wstring() + L"\\" + std::wstring(kSettingsFileName));
    // A coordinate that is not a whole number stops here with its message:
    // the failing one and any after it keep the designed place.
    const int left = settings.ReadInteger("init", "listx", "0");
    SetWindowPos(Hwnd(), nullptr, left, kDesignPlace.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    const int top = settings.ReadInteger("init", "listy", "0");
    SetWindowPos(Hwnd(), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void FindDialog::FormDestroy() {
    RECT place;
    GetWindowRect(Hwnd(), &place);
    SettingsFile settings(program_folder_.wstring() + L"\\" + std::wstring(kSettingsFileName));
    settings.WriteInteger("Init", "listx", place.left);
    settings.WriteInteger("Init", "listy", place.top);
}

void FindDialog::BeforeModal() { focus_ = nullptr; }

void FindDialog::Close() {
    EndModal(IDOK);
    ShowWindow(Hwnd(), SW_HIDE);
}

void FindDialog::OnActivate(bool active) {
    // The focus goes back to the control that had it, or to the first one.
    if (active) {
        HWND target = focus_ && IsWindow(focus_) ? focus_ : controls_[Edit1];
        SetFocus(target);
    } else {
        HWND focused = GetFocus();
        if (focused && IsChild(Hwnd(), focused)) focus_ = focused;
    }
}

}  // namespace orbelle
