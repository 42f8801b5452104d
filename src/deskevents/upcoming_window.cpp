#include "deskevents/upcoming_window.h"

#include <algorithm>
#include <utility>

#include "platform/settings.h"
#include "platform/wide.h"
#include "ui/controls.h"

namespace orbelle {
namespace {
constexpr DWORD kStyle = WS_POPUP | WS_CLIPSIBLINGS;
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW;
constexpr UINT kStayAtTheBottom = WM_APP + 60;
// A light card with a dark rim and dark text reads on a light and on a dark
// desktop alike.
constexpr COLORREF kCard = RGB(252, 251, 247);
constexpr COLORREF kRim = RGB(31, 64, 122);
constexpr COLORREF kInk = RGB(38, 44, 58);
constexpr COLORREF kHeading = RGB(52, 102, 176);
constexpr COLORREF kPast = RGB(150, 154, 162);
constexpr COLORREF kHigh = RGB(214, 84, 70);
// Past events grey and the days move on with the clock.
constexpr UINT_PTR kMinuteTimer = 1;
constexpr UINT kMinuteMs = 60 * 1000;
using OwnedBrush = Owned<HBRUSH, DeleteGdiObject>;
}  // namespace

UpcomingWindow::UpcomingWindow(WindowContext context, std::function<void()> minute_tick)
    : context_(std::move(context)), minute_tick_(std::move(minute_tick)) {
    Create({.name = L"TUpcoming", .background = nullptr},
           {.caption = L"Upcoming Events", .style = kStyle, .ex_style = kExStyle, .x = 0, .y = 0,
            .width = kWidth, .height = 2 * kPadding + kLineHeight, .owner = GetDesktopWindow(),
            .paints_content = true});
}

void UpcomingWindow::OnCreate() {
    font_ = MakeFontPixels(L"Tahoma", 13);
    heading_font_ = MakeFontPixels(L"Tahoma", 13, true);
    SettingsFile settings(ProgramSettingsPath(context_.program_folder));
    const int left = settings.ReadIntegerOr("Upcoming", "Left", 0);
    const int top = settings.ReadIntegerOr("Upcoming", "Top", 480);
    SetWindowPos(Hwnd(), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetTimer(Hwnd(), kMinuteTimer, kMinuteMs, nullptr);
}

void UpcomingWindow::OnDestroy() {
    KillTimer(Hwnd(), kMinuteTimer);
    SavePlace();
}

void UpcomingWindow::SavePlace() const {
    RECT place;
    GetWindowRect(Hwnd(), &place);
    SettingsFile settings(ProgramSettingsPath(context_.program_folder));
    settings.WriteInteger("Upcoming", "Left", place.left);
    settings.WriteInteger("Upcoming", "Top", place.top);
}

LRESULT UpcomingWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_EXITSIZEMOVE:
            SavePlace();
            PostMessageW(Hwnd(), kStayAtTheBottom, 0, 0);
            return DefaultHandling();
        case WM_ACTIVATE:
            PostMessageW(Hwnd(), kStayAtTheBottom, 0, 0);
            return DefaultHandling();
        case kStayAtTheBottom:
            SetWindowPos(Hwnd(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            return 0;
        default:
            return Window::HandleMessage(message, wparam, lparam);
    }
}

void UpcomingWindow::OnTimer(UINT_PTR id) {
    if (id == kMinuteTimer && minute_tick_) minute_tick_();
}

LRESULT UpcomingWindow::OnNcHitTest(int, int) {
    const LRESULT hit = DefaultHandling();
    return hit == HTCLIENT ? HTCAPTION : hit;
}

void UpcomingWindow::Show(std::vector<UpcomingLine> lines, int opacity) {
    lines_ = std::move(lines);
    const int shown = std::max<int>(1, static_cast<int>(lines_.size()));
    SetWindowPos(Hwnd(), nullptr, 0, 0, kWidth, 2 * kPadding + kLineHeight * shown,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    const LONG_PTR ex_style = GetWindowLongPtrW(Hwnd(), GWL_EXSTYLE);
    if (opacity >= 255) {
        if (ex_style & WS_EX_LAYERED) SetWindowLongPtrW(Hwnd(), GWL_EXSTYLE, ex_style & ~WS_EX_LAYERED);
    } else {
        if (!(ex_style & WS_EX_LAYERED)) SetWindowLongPtrW(Hwnd(), GWL_EXSTYLE, ex_style | WS_EX_LAYERED);
        SetLayeredWindowAttributes(Hwnd(), 0, static_cast<BYTE>(opacity), LWA_ALPHA);
    }
    InvalidateRect(Hwnd(), nullptr, FALSE);
    if (!IsWindowVisible(Hwnd())) ShowWindow(Hwnd(), SW_SHOWNOACTIVATE);
    UpdateWindow(Hwnd());
}

void UpcomingWindow::PaintContent(HDC dc, const RECT& client) {
    OwnedBrush card(CreateSolidBrush(kCard));
    FillRect(dc, &client, card.Get());
    OwnedBrush rim(CreateSolidBrush(kRim));
    FrameRect(dc, &client, rim.Get());
    SetBkMode(dc, TRANSPARENT);
    if (lines_.empty()) {
        SelectedObject font(dc, font_.Get());
        SetTextColor(dc, kPast);
        TextOutW(dc, kPadding, kPadding, L"No events in the next 7 days", 28);
        return;
    }
    int y = kPadding;
    for (const UpcomingLine& line : lines_) {
        const std::wstring text = Widen(line.text);
        const bool heading = line.kind == UpcomingLine::Kind::Day;
        SelectedObject font(dc, heading ? heading_font_.Get() : font_.Get());
        const int x = heading ? kPadding : kPadding + 12;
        if (line.high) {
            // A "High" event: a small coral square before its line.
            RECT dot{kPadding + 2, y + 5, kPadding + 8, y + 11};
            OwnedBrush high(CreateSolidBrush(kHigh));
            FillRect(dc, &dot, high.Get());
        }
        SetTextColor(dc, heading ? kHeading : line.past ? kPast : line.high ? kHigh : kInk);
        TextOutW(dc, x, y, text.c_str(), static_cast<int>(text.size()));
        y += kLineHeight;
    }
}

}  // namespace orbelle
