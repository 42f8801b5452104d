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
    HGDIOBJ old = SelectObject(dc, font);
    SetTextColor(dc, colour);
    SetBkMode(dc, TRANSPARENT);
    RECT place = box;
    DrawTextW(dc, text, -1, &place, DT_CENTER | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
    SelectObject(dc, old);
}

bool Contains(const RECT& box, POINT point) { return PtInRect(&box, point) != FALSE; }

}  // namespace

AboutBox::AboutBox(const WindowContext& context) {
    SIZE outer = OuterSizeForClient(kClientSize.cx, kClientSize.cy, kStyle, kExStyle);
    Create({.name = L"TFormabout"}, {.caption = L"About", .style = kStyle, .ex_style = kExStyle, .x = kPlace.x,
                                     .y = kPlace.y, .width = outer.cx, .height = outer.cy, .owner = context.owner,
                                     .dialog_keys = true});
}

AboutBox::~AboutBox() { Destroy(); }

LRESULT AboutBox::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_CREATE:
            FormCreate();
            return 0;
        case WM_ERASEBKGND:
            OnEraseBackground(reinterpret_cast<HDC>(wparam));
            return 1;
        case WM_PAINT:
            OnPaint();
            return 0;
        case WM_NCHITTEST:
            return OnNcHitTest(GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam));
        case WM_COMMAND:
            if (LOWORD(wparam) == SpeedButton2 && HIWORD(wparam) == BN_CLICKED) SpeedButton2Click();
            return 0;
        case WM_CLOSE:  // hidden, never destroyed before the end
            SpeedButton2Click();
            return 0;
        default:
            return DefaultHandling(message, wparam, lparam);
    }
}

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

void AboutBox::OnEraseBackground(HDC dc) {
    RECT client;
    GetClientRect(Hwnd(), &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    if (!picture_) return;
    BITMAP size{};
    GetObjectW(picture_.Get(), sizeof size, &size);
    OwnedDc source(CreateCompatibleDC(dc));
    HGDIOBJ old = SelectObject(source.Get(), picture_.Get());
    BitBlt(dc, 0, 0, size.bmWidth, size.bmHeight, source.Get(), 0, 0, SRCCOPY);
    SelectObject(source.Get(), old);
}

void AboutBox::OnPaint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(Hwnd(), &paint);
    if (picture_) {  // `Image1`: the picture within its box
        OwnedDc source(CreateCompatibleDC(dc));
        HGDIOBJ old = SelectObject(source.Get(), picture_.Get());
        BitBlt(dc, kImage1.left, kImage1.top, kImage1.right - kImage1.left, kImage1.bottom - kImage1.top,
               source.Get(), 0, 0, SRCCOPY);
        SelectObject(source.Get(), old);
    }
    DrawLabel(dc, kLabel2, kVersionText, tahoma_bold_.Get(), GetSysColor(COLOR_WINDOWTEXT));
    DrawLabel(dc, kLabel1, kHomePageText, tahoma_.Get(), kNavy);
    DrawLabel(dc, kLabel3, kRightsText, sans_serif_.Get(), GetSysColor(COLOR_WINDOWTEXT));
    EndPaint(Hwnd(), &paint);
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

void AboutBox::ShowModal() {
    closed_ = false;
    RunModal(Hwnd(), [this] { return closed_; });
}

void AboutBox::SpeedButton2Click() {
    closed_ = true;
    ShowWindow(Hwnd(), SW_HIDE);
}

}  // namespace orbelle
