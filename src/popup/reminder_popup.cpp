#include "popup/reminder_popup.h"

#include <windowsx.h>

#include <algorithm>

#include "platform/bmp_rgn.h"
#include "platform/wide.h"
#include "ui/controls.h"
#include "ui/errors.h"
#include "ui/message_loop.h"

namespace orbelle {
namespace {

constexpr DWORD kStyle = WS_POPUP | WS_CLIPSIBLINGS;  // border style none, no border icons
constexpr DWORD kExStyle = WS_EX_TOPMOST;               // stay on top
constexpr COLORREF kNavy = RGB(0, 0, 128);
// Labels are drawn over the picture: no word wrap, "&" shown as it is.
constexpr DWORD kLabelStyle = SS_LEFTNOWORDWRAP | SS_NOPREFIX;
constexpr UINT kLabelTextFormat = DT_LEFT | DT_EXPANDTABS | DT_NOPREFIX;

// Declaration order. The labels' sizes follow their texts at creation.
const std::array<ControlSpec, 5> kControls{{
    {.window_class = L"STATIC", .id = TForm5::Image1, .x = TForm5::kImage1.left, .y = TForm5::kImage1.top,
     .width = TForm5::kImage1.right - TForm5::kImage1.left, .height = TForm5::kImage1.bottom - TForm5::kImage1.top,
     .style = SS_OWNERDRAW | WS_CLIPSIBLINGS},
    {.window_class = L"STATIC", .id = TForm5::Label1, .x = 48, .y = 72, .style = kLabelStyle},
    {.window_class = L"STATIC", .id = TForm5::Label2, .x = 40, .y = 104, .style = kLabelStyle},
    {.window_class = L"BUTTON", .id = TForm5::SpeedButton1, .x = 104, .y = 232, .width = 49, .height = 25,
     .caption = L"Accept", .style = BS_PUSHBUTTON | BS_FLAT},
    {.window_class = L"BUTTON", .id = TForm5::SpeedButton2, .x = 160, .y = 232, .width = 49, .height = 25,
     .caption = L"Close", .style = BS_PUSHBUTTON | BS_FLAT},
}};

HBITMAP LoadPopupPicture() {
    return static_cast<HBITMAP>(
        LoadImageW(GetModuleHandleW(nullptr), L"POPUP_PICTURE", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}

}  // namespace

std::wstring LabelLines(std::wstring_view text) {
    std::wstring lines;
    lines.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\r' || text[i] == L'\n') {
            if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
            lines += L"\r\n";
        } else {
            lines += text[i];
        }
    }
    return lines;
}

TForm5::TForm5(const WindowContext& context, EventCursor& cursor) : cursor_(cursor) {
    Create({.name = L"TForm5"}, {.style = kStyle, .ex_style = kExStyle, .x = kPlace.x, .y = kPlace.y,
                                 .width = kClientSize.cx, .height = kClientSize.cy, .owner = context.owner,
                                 .paints_content = true});
}

HWND TForm5::Control(ControlId id) const { return controls_[id]; }

LRESULT TForm5::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_CTLCOLORSTATIC:
            return OnControlColour(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
        case WM_DRAWITEM:
            OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
            return TRUE;
        default:
            return Window::HandleMessage(message, wparam, lparam);
    }
}

void TForm5::OnCommand(WORD id, WORD code, HWND) {
    if (code != BN_CLICKED) return;
    if (id == SpeedButton1) SpeedButton1Click();
    if (id == SpeedButton2) SpeedButton2Click();
}

void TForm5::FormCreate() {
    picture_.Reset(LoadPopupPicture());
    CreateChildControls();
    SetLabel(Label1, cursor_.FieldText("subject"), font_.Get());
    SetLabel(Label2, cursor_.FieldText("memo"), bold_font_.Get());
    ApplyShape();
}

void TForm5::CreateChildControls() {
    font_ = MakeFontPoints(L"Tahoma", 8);
    bold_font_ = MakeFontPoints(L"Tahoma", 8, true);
    controls_.Create(Hwnd(), kControls, bold_font_.Get());
    // The picture lies under the labels and buttons, which draw and take
    // clicks over it; it leaves their places alone when it paints.
    SetWindowPos(Control(Image1), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TForm5::SetLabel(ControlId id, const std::string& text_utf8, HFONT font) {
    HWND label = Control(id);
    std::wstring text = LabelLines(Widen(text_utf8));
    SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SetWindowTextW(label, text.c_str());
    // Sized to the text; an empty label keeps the height of one line.
    HDC dc = GetDC(label);
    RECT size{0, 0, 0, 0};
    {
        SelectedObject selected(dc, font);
        DrawTextW(dc, text.empty() ? L" " : text.c_str(), -1, &size, kLabelTextFormat | DT_CALCRECT);
    }
    ReleaseDC(label, dc);
    SetWindowPos(label, nullptr, 0, 0, size.right, size.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm5::ApplyShape() {
    // A null region, when no outline was traced, leaves the window rectangular.
    OwnedRegion shape = CreateRegionFromBitmap(Hwnd(), picture_.Get(), ShowStandardError);
    if (SetWindowRgn(Hwnd(), shape.Get(), TRUE)) shape.Release();  // the window owns it now
    InvalidateRect(Hwnd(), nullptr, TRUE);
}

void TForm5::DrawPicture(HDC dc, int width, int height) const {
    if (!picture_) return;
    OwnedDc source(CreateCompatibleDC(dc));
    SelectedObject selected(source.Get(), picture_.Get());
    BitBlt(dc, 0, 0, width, height, source.Get(), 0, 0, SRCCOPY);
}

void TForm5::PaintContent(HDC dc, const RECT& client) {
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    DrawPicture(dc, kPictureSize.cx, kPictureSize.cy);
}

LRESULT TForm5::OnNcHitTest(int screen_x, int screen_y) {
    const LRESULT default_result = DefaultHandling();
    if (default_result != HTCLIENT) return default_result;
    POINT point{screen_x, screen_y};
    ScreenToClient(Hwnd(), &point);
    for (const auto& [id, control] : controls_) {
        // The control's own visibility, whether or not the popup is shown yet.
        if (!control || !(GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE)) continue;
        RECT bounds;
        GetWindowRect(control, &bounds);
        MapWindowPoints(nullptr, Hwnd(), reinterpret_cast<POINT*>(&bounds), 2);
        if (PtInRect(&bounds, point)) return HTCLIENT;  // the click reaches the control
    }
    return HTCAPTION;  // a bare part of the window drags it
}

LRESULT TForm5::OnControlColour(HDC dc, HWND control) {
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, control == Control(Label1) ? kNavy : GetSysColor(COLOR_WINDOWTEXT));
    return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
}

void TForm5::OnDrawItem(const DRAWITEMSTRUCT& item) {
    if (item.CtlID != static_cast<UINT>(Image1)) return;
    // Natural size from the top-left corner, clipped to the control.
    DrawPicture(item.hDC, std::min<int>(kPictureSize.cx, item.rcItem.right), std::min<int>(kPictureSize.cy, item.rcItem.bottom));
}

void TForm5::SpeedButton1Click() {
    // A record being inserted (the editor's preview of a new event) is not in
    // the table yet: posting it would store a blank event that no one saved.
    if (cursor_.GetState() == EventCursor::State::Insert) {
        Close();
        return;
    }
    const bool started_edit = cursor_.GetState() == EventCursor::State::Browse;
    cursor_.Edit();
    try {
        cursor_.SetFieldText("accepttext", "Y");
        cursor_.Post();
    } catch (...) {
        // The stored record keeps its value; the cursor goes back to it, so
        // the scan can go on past it once the user closes the popup.
        if (started_edit) cursor_.Cancel();
        throw;  // shown with the engine's message; the popup stays open
    }
    Close();
}

void TForm5::SpeedButton2Click() { Close(); }

void TForm5::Close() {
    EndModal(IDOK);
    ShowWindow(Hwnd(), SW_HIDE);
}

}  // namespace orbelle
