#include "dialogs/about_box.h"

#include <commctrl.h>
#include <windowsx.h>

#include "platform/bmp_rgn.h"
#include "ui/controls.h"
#include "ui/errors.h"
#include "ui/message_loop.h"

namespace orbelle {
namespace {

constexpr DWORD kStyle = WS_POPUP | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_TOPMOST;

constexpr COLORREF kNavy = RGB(0, 0, 128);

// The graphic labels, drawn by the box itself: centred in their boxes.
constexpr RECT kLabel1{40, 120, 40 + 225, 120 + 13};  // the home-page line
constexpr RECT kLabel2{56, 96, 56 + 193, 96 + 13};    // the version
constexpr RECT kLabel3{40, 152, 40 + 225, 152 + 13};  // the rights notice
constexpr RECT kSpeedButton2{128, 200, 128 + 49, 200 + 25};

void DrawLabel(HDC dc, const RECT& box, const wchar_t* text, HFONT font, COLORREF colour) {
    SelectedObject selected(dc, font);
    SetTextColor(dc, colour);
    SetBkMode(dc, TRANSPARENT);
    RECT place = box;
    DrawTextW(dc, text, -1, &place, DT_CENTER | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
}

bool Contains(const RECT& box, POINT point) { return PtInRect(&box, point) != FALSE; }

}  // namespace

AboutBox::AboutBox(const WindowContext& context) {
    SIZE outer = OuterSizeForClient(kClientSize.cx, kClientSize.cy, kStyle, kExStyle);
    Create({.name = L"TFormabout"}, {.caption = L"About", .style = kStyle, .ex_style = kExStyle, .x = kPlace.x,
                                     .y = kPlace.y, .width = outer.cx, .height = outer.cy, .owner = context.owner,
                                     .dialog_keys = true, .paints_content = true});
}

void AboutBox::OnCommand(WORD id, WORD code, HWND) {
    if (id == SpeedButton2 && code == BN_CLICKED) SpeedButton2Click();
}

// Hidden, never destroyed before the end.
void AboutBox::OnClose() { SpeedButton2Click(); }

void AboutBox::FormCreate() {
    picture_.Reset(static_cast<HBITMAP>(
        LoadImageW(GetModuleHandleW(nullptr), L"POPUP_PICTURE", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    tahoma_ = MakeFontPoints(L"Tahoma", 8);
    tahoma_bold_ = MakeFontPoints(L"Tahoma", 8, true);
    sans_serif_ = MakeFontPoints(L"MS Sans Serif", 8);
    CreateControl(Hwnd(),
                  {.window_class = WC_BUTTONW, .id = SpeedButton2, .x = kSpeedButton2.left, .y = kSpeedButton2.top,
                   .width = kSpeedButton2.right - kSpeedButton2.left,
                   .height = kSpeedButton2.bottom - kSpeedButton2.top, .caption = L"Close",
                   .style = BS_PUSHBUTTON | BS_FLAT | WS_TABSTOP},
                  tahoma_bold_.Get());
    ApplyShape();
}

void AboutBox::ApplyShape() {
    // Cut to the popup's badge; a null region, when no outline was traced,
    // leaves the box rectangular.
    OwnedRegion shape = CreateRegionFromBitmap(Hwnd(), picture_.Get(), ShowStandardError);
    if (SetWindowRgn(Hwnd(), shape.Get(), TRUE)) shape.Release();  // the window owns it now
    InvalidateRect(Hwnd(), nullptr, TRUE);
}

void AboutBox::PaintContent(HDC dc, const RECT& client) {
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    if (picture_) {
        BITMAP size{};
        GetObjectW(picture_.Get(), sizeof size, &size);
        OwnedDc source(CreateCompatibleDC(dc));
        SelectedObject selected(source.Get(), picture_.Get());
        BitBlt(dc, 0, 0, size.bmWidth, size.bmHeight, source.Get(), 0, 0, SRCCOPY);
        // `Image1`: the picture within its box
        BitBlt(dc, kImage1.left, kImage1.top, kImage1.right - kImage1.left, kImage1.bottom - kImage1.top,
               source.Get(), 0, 0, SRCCOPY);
    }
    DrawLabel(dc, kLabel2, kVersionText, tahoma_bold_.Get(), GetSysColor(COLOR_WINDOWTEXT));
    DrawLabel(dc, kLabel1, kHomePageText, tahoma_.Get(), kNavy);
    DrawLabel(dc, kLabel3, kRightsText, sans_serif_.Get(), GetSysColor(COLOR_WINDOWTEXT));
}

LRESULT AboutBox::OnNcHitTest(int screen_x, int screen_y) {
    POINT point{screen_x, screen_y};
    ScreenToClient(Hwnd(), &point);
    RECT client;
    GetClientRect(Hwnd(), &client);
    if (!Contains(client, point)) return HTNOWHERE;
    // A visible control keeps the mouse, the picture included; any other
    // point of the box drags it.
    for (const RECT& control : {kImage1, kLabel1, kLabel2, kLabel3, kSpeedButton2})
        if (Contains(control, point)) return HTCLIENT;
    return HTCAPTION;
}

void AboutBox::SpeedButton2Click() {
    EndModal(IDCANCEL);
    ShowWindow(Hwnd(), SW_HIDE);
}

}  // namespace orbelle
