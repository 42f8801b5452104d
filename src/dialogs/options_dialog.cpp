#include "dialogs/options_dialog.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "platform/settings.h"
#include "ui/controls.h"
#include "ui/message_loop.h"

namespace orbelle {
namespace {

// A sizeable frame without title-bar buttons. Not clipping its children:
// the frame around the transparency controls paints no inside of its own.
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_THICKFRAME;
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT;

constexpr int kMinPercent = 0;
constexpr int kMaxPercent = 100;

using Id = OptionsDialog::ControlId;

constexpr DWORD kCheck = BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP;
constexpr DWORD kButton = BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP;

// Created in keyboard order, which the dialog keys follow; the labels and the
// frame take no focus, so where they stand does not matter. The frame comes
// first so that it lies below the controls it surrounds. Labels are sized to
// their text after creation.
constexpr ControlSpec kControls[] = {
    {WC_BUTTONW, Id::GroupBox1, 32, 72, 241, 105, L"", BS_GROUPBOX},
    {WC_BUTTONW, Id::cb_startrup, 40, 24, 177, 17, L"Run this Program startup", kCheck},
    {WC_BUTTONW, Id::cb_Icon, 40, 48, 97, 17, L"Show Tray Icon", kCheck},
    {WC_SCROLLBARW, Id::ScrollBar1, 40, 128, 225, 17, L"", SBS_HORZ | WS_TABSTOP | WS_GROUP},
    {WC_BUTTONW, Id::BitBtn1, 40, 200, 75, 25, L"OK", kButton | BS_DEFPUSHBUTTON},
    {WC_BUTTONW, Id::BitBtn2, 152, 200, 75, 25, L"Cancel", kButton},
    {WC_BUTTONW, Id::CheckBox1, 40, 96, 217, 17, L"Transparent", kCheck},
    {WC_STATICW, Id::Label1, 40, 112, 0, 0, L"transparency", SS_LEFT | SS_NOPREFIX},
    {WC_STATICW, Id::Label3, 152, 112, 0, 0, L"Label3", SS_LEFT | SS_NOPREFIX},
};

// A label as wide and high as its text in its font.
void SizeToText(HWND label) {
    wchar_t text[64] = {};
    int length = GetWindowTextW(label, text, 64);
    HDC dc = GetDC(label);
    auto font = reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0));
    SIZE size{};
    {
        SelectedObject selected(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
        GetTextExtentPoint32W(dc, text, length, &size);
    }
    ReleaseDC(label, dc);
    SetWindowPos(label, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(GetParent(label), nullptr, TRUE);
}

std::wstring ThisExecutable() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

}  // namespace

OptionsDialog::OptionsDialog(WindowContext context, TransparencySink& transparency, OptionsRegistry registry)
    : context_(std::move(context)), transparency_(transparency), registry_(std::move(registry)) {
    Create({.name = L"TForm_Option"}, {.caption = L"Options", .style = kStyle, .ex_style = kExStyle, .x = 275,
                                       .y = 167, .width = 291, .height = 287, .owner = context_.owner,
                                       .dialog_keys = true});
}

void OptionsDialog::OnFirstShowing() {
    CreateChildControls();
    if (read_.startup) CheckDlgButton(Hwnd(), cb_startrup, BST_CHECKED);
    if (read_.icon) CheckDlgButton(Hwnd(), cb_Icon, BST_CHECKED);
    if (read_.transparency) {
        SetPosition(*read_.transparency);
        SetLabel3(Position());
    }
}

void OptionsDialog::OnCommand(WORD id, WORD code, HWND) {
    if (code != BN_CLICKED) return;
    if (id == BitBtn1) BitBtn1Click();
    if (id == BitBtn2) BitBtn2Click();
}

// Alt+F4 hides, as Cancel does: the one instance lives until the end.
void OptionsDialog::OnClose() { BitBtn2Click(); }

void OptionsDialog::CreateChildControls() {
    font_ = MakeFontPoints(L"Tahoma", 8);
    controls_.Create(Hwnd(), kControls, font_.Get());
    SizeToText(controls_[Label1]);
    SizeToText(controls_[Label3]);
    // Arrow and page steps of 1 are the handler's; page size 0 keeps the
    // thumb small and lets it reach 100.
    SCROLLINFO range{sizeof range, SIF_RANGE | SIF_PAGE | SIF_POS, kMinPercent, kMaxPercent, 0, 0, 0};
    SetScrollInfo(controls_[ScrollBar1], SB_CTL, &range, FALSE);
}

std::filesystem::path OptionsDialog::SettingsPath() const {
    return OptionsSettingsPath(context_.program_folder, registry_.machine_root);
}

void OptionsDialog::FormCreate() {
    const SettingsFile settings(SettingsPath());
    // Only "1" ticks a box: "yes" or "true" leave it clear.
    read_.startup = settings.ReadString("ini", "startup", "0") == "1";
    read_.icon = settings.ReadString("ini", "Icon", "0") == "1";
    // A text that is not a whole number stops the creation here with its
    // message: once shown, the slider stays at 0 and Label3 keeps its caption.
    read_.transparency = settings.ReadInteger("ini", "transparency", "0");
    // The calendar alpha is the calendar's own, read by it at start.
}

void OptionsDialog::ShowOptions() {
    ShowWindow(Hwnd(), SW_SHOW);
    SetForegroundWindow(Hwnd());
}

void OptionsDialog::OnHorizontalScroll(HWND bar, int code, int thumb) {
    if (!bar || bar != controls_[ScrollBar1]) return;
    int position = Position();
    switch (code) {
        case SB_LINELEFT:
        case SB_PAGELEFT: position -= 1; break;
        case SB_LINERIGHT:
        case SB_PAGERIGHT: position += 1; break;
        case SB_LEFT: position = kMinPercent; break;
        case SB_RIGHT: position = kMaxPercent; break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: position = thumb; break;  // 16 bits hold 0..100
        default: break;  // SB_ENDSCROLL: the position as it stands
    }
    SetPosition(position);
    ScrollBar1Scroll(Position());
}

void OptionsDialog::ScrollBar1Scroll(int position) {
    SetLabel3(position);
    transparency_.ShowTransparency(position);
}

void OptionsDialog::BitBtn1Click() {
    SettingsFile settings(SettingsPath());
    // A failed write stops here with "Unable to write to ..." and the dialog
    // stays open; what was written before stays written.
    const bool startup = Checked(cb_startrup);
    settings.WriteString("Ini", "startup", startup ? "1" : "0");
    // Registry failures are not reported: with no right to either Run key
    // the program simply does not start with Windows.
    SetStartWithWindows(startup, ExePath(), registry_.run_keys);
    settings.WriteString("Ini", "Icon", Checked(cb_Icon) ? "1" : "0");
    settings.WriteInteger("Ini", "transparency", Position());
    ShowWindow(Hwnd(), SW_HIDE);
}

void OptionsDialog::BitBtn2Click() { ShowWindow(Hwnd(), SW_HIDE); }

bool OptionsDialog::Checked(int id) const { return IsDlgButtonChecked(Hwnd(), id) == BST_CHECKED; }

int OptionsDialog::Position() const { return GetScrollPos(controls_[ScrollBar1], SB_CTL); }

void OptionsDialog::SetPosition(int position) {
    SetScrollPos(controls_[ScrollBar1], SB_CTL, std::clamp(position, kMinPercent, kMaxPercent), TRUE);
}

void OptionsDialog::SetLabel3(int position) {
    SetWindowTextW(controls_[Label3], (std::to_wstring(position) + L"%").c_str());
    SizeToText(controls_[Label3]);
}

std::wstring OptionsDialog::ExePath() const {
    return registry_.exe_path.empty() ? ThisExecutable() : registry_.exe_path;
}

}  // namespace orbelle
