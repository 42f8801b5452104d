#include "desktop/desktop_window.h"

#include <windowsx.h>

#include <system_error>
#include <thread>
#include <utility>

#include "base/clock.h"
#include "desktop/calendar_face.h"
#include "desktop/displayed_date.h"
#include "desktop/face_layout.h"
#include "platform/settings.h"
#include "platform/startup_trace.h"
#include "platform/wide.h"
#include "ui/controls.h"
#include "ui/message_loop.h"

namespace orbelle {
namespace {
constexpr DWORD kStyle = WS_POPUP | WS_CLIPSIBLINGS | WS_BORDER;
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW;
constexpr UINT_PTR kTimer1 = 1;
constexpr UINT kStayAtTheBottom = WM_APP + 1;
constexpr DWORD kRedrawPauseMs = 100;

}  // namespace

DesktopWindow::DesktopWindow(WindowContext context, QuitRequest& quit, std::function<void()> beside_first_pause)
    : context_(std::move(context)), quit_(quit), beside_first_pause_(std::move(beside_first_pause)) {
    SIZE outer = OuterSizeForClient(kClientWidth, kClientHeight, kStyle, kExStyle);
    Create({.name = L"TForm1", .background = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))},
           {.caption = L"Orbelle", .style = kStyle, .ex_style = kExStyle, .x = 0, .y = 0, .width = outer.cx,
            .height = outer.cy, .owner = GetDesktopWindow(), .paints_content = true});
}

LRESULT DesktopWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_EXITSIZEMOVE:
            PostMessageW(Hwnd(), kStayAtTheBottom, 0, 0);
            return DefaultHandling();
        case kStayAtTheBottom:
            StayAtTheBottom();
            return 0;
        // The face answers HTCAPTION everywhere, so the mouse over it speaks
        // only in non-client messages.
        case WM_NCMOUSEMOVE:
            OnNcMouseMove({GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)});
            return DefaultHandling();
        case WM_NCMOUSEHOVER:
            OnNcMouseHover({GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)});
            return 0;
        case WM_NCMOUSELEAVE:
            hover_day_ = 0;
            HideTip();
            return 0;
        // A drag leaves no tip behind.
        case WM_NCLBUTTONDOWN:
        case WM_ENTERSIZEMOVE:
            HideTip();
            return DefaultHandling();
        case WM_NCLBUTTONDBLCLK:
            if (OnNcDoubleClick({GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)})) return 0;
            return DefaultHandling();
        default:
            return Window::HandleMessage(message, wparam, lparam);
    }
}

void DesktopWindow::OnDestroy() {
    KillTimer(Hwnd(), kTimer1);
    if (tip_) DestroyWindow(std::exchange(tip_, nullptr));
    FormDestroy();
}

// Closing the main window ends the program.
void DesktopWindow::OnClose() { quit_.RequestQuit(); }

// Some window managers raise a clicked window without asking first.
void DesktopWindow::OnActivate(bool) {
    PostMessageW(Hwnd(), kStayAtTheBottom, 0, 0);
    DefaultHandling();
}

void DesktopWindow::OnTimer(UINT_PTR id) {
    if (id == kTimer1) Timer1Timer();
}

void DesktopWindow::FormCreate() {
    // The timer, the label's font and the displayed date exist whether or not
    // the steps below fail.
    SetTimer(Hwnd(), kTimer1, 100, nullptr);
    label_font_ = MakeFontPixels(L"Tahoma", 14, true);
    displayed_date_ = Today().Date();

    // A value that is not an integer stops the creation here, with its message.
    SettingsFile settings(ProgramSettingsPath(context_.program_folder));
    constexpr UINT kMoveOnly = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;
    RECT place;
    GetWindowRect(Hwnd(), &place);
    const int left = settings.ReadInteger("init", "x", "0");
    SetWindowPos(Hwnd(), nullptr, left, place.top, 0, 0, kMoveOnly);
    const int top = settings.ReadInteger("init", "y", "0");
    SetWindowPos(Hwnd(), nullptr, left, top, 0, 0, kMoveOnly);
    calendar_alpha_ = orbelle::CalendarAlpha(settings.ReadInteger("ini", "transparency", "0"));

    current_day_ = Today().Date();
    StartupMark("  calendar: settings read");
    repaintpng1();
    ComeBackFromOffScreen();
}

// Without a title bar or a taskbar button a calendar off every monitor could
// never be fetched back, so it starts at the default place instead. A place
// left of or above the main monitor on another monitor stays.
void DesktopWindow::ComeBackFromOffScreen() {
    RECT visible;
    GetWindowRect(Hwnd(), &visible);
    if (face_size_.cx > 0 && face_size_.cy > 0) {
        // What the region leaves of the window: window pixels (1, 1) to (W, H).
        visible = {visible.left + 1, visible.top + 1, visible.left + face_size_.cx, visible.top + face_size_.cy};
    }
    if (!MonitorFromRect(&visible, MONITOR_DEFAULTTONULL))
        SetWindowPos(Hwnd(), nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void DesktopWindow::FormDestroy() {
    RECT place;
    GetWindowRect(Hwnd(), &place);
    SettingsFile settings(ProgramSettingsPath(context_.program_folder));
    settings.WriteInteger("Init", "x", place.left);
    settings.WriteInteger("Init", "y", place.top);
}

LRESULT DesktopWindow::OnNcHitTest(int, int) {
    LRESULT hit = DefaultHandling();
    return hit == HTCLIENT ? HTCAPTION : hit;
}

void DesktopWindow::OnWindowPosChanging(WINDOWPOS& position) { position.hwndInsertAfter = HWND_BOTTOM; }

void DesktopWindow::StayAtTheBottom() {
    SetWindowPos(Hwnd(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void DesktopWindow::Timer1Timer() {
    KillTimer(Hwnd(), kTimer1);
    InvalidateRect(Hwnd(), nullptr, TRUE);
    UpdateWindow(Hwnd());
}

void DesktopWindow::MonthBack() { displayed_date_ = orbelle::MonthBack(displayed_date_); }
void DesktopWindow::MonthForward() { displayed_date_ = orbelle::MonthForward(displayed_date_); }
void DesktopWindow::YearBack() { displayed_date_ = orbelle::YearBack(displayed_date_); }
void DesktopWindow::YearForward() { displayed_date_ = orbelle::YearForward(displayed_date_); }
void DesktopWindow::SetDisplayedDate(std::chrono::year_month_day date) { displayed_date_ = date; }

void DesktopWindow::ComposeAndShow() {
    std::optional<MonthMarks> marks;
    if (EventsOn()) marks = events_->MarksOf({displayed_date_.year(), displayed_date_.month()});
    ComposedFace face = ComposeFace(context_.program_folder, displayed_date_, marks ? &*marks : nullptr);
    StartupMark("  calendar: face composed");
    label_week_ = Widen(FormatLongDate(displayed_date_, names_));
    // `Image1` takes the composed bitmap as it is: the same pixels a copy
    // onto a black bitmap of the face size would hold.
    face_size_ = face.size;
    image1_ = std::move(face.bitmap);
    InvalidateRect(Hwnd(), nullptr, FALSE);
}

void DesktopWindow::RefreshEvents() {
    HideTip();
    ComposeAndShow();
    UpdateWindow(Hwnd());
}

int DesktopWindow::DayAtScreen(POINT screen) const {
    POINT client = screen;
    ScreenToClient(Hwnd(), &client);
    if (client.x < 0 || client.y < 0 || client.x >= face_size_.cx || client.y >= face_size_.cy) return 0;
    return DayAtFacePoint({displayed_date_.year(), displayed_date_.month()},
                          {static_cast<int>(client.x), static_cast<int>(client.y)});
}

void DesktopWindow::OnNcMouseMove(POINT screen) {
    if (!EventsOn()) return;
    const int day = DayAtScreen(screen);
    if (day == hover_day_ && (day == 0 || !shown_tip_.empty())) return;
    // Another day: its tip waits until the mouse rests on it.
    if (day != hover_day_) HideTip();
    hover_day_ = day;
    TRACKMOUSEEVENT track{.cbSize = sizeof(TRACKMOUSEEVENT),
                          .dwFlags = TME_HOVER | TME_LEAVE | TME_NONCLIENT,
                          .hwndTrack = Hwnd(),
                          .dwHoverTime = HOVER_DEFAULT};
    TrackMouseEvent(&track);
}

void DesktopWindow::OnNcMouseHover(POINT screen) {
    if (!EventsOn()) return;
    hover_day_ = DayAtScreen(screen);
    if (hover_day_ == 0) return HideTip();
    const std::chrono::year_month_day day{displayed_date_.year(), displayed_date_.month(),
                                          std::chrono::day{static_cast<unsigned>(hover_day_)}};
    const std::wstring text = events_->TipOf(day);
    if (text.empty()) return HideTip();
    ShowTip(text, screen);
}

bool DesktopWindow::OnNcDoubleClick(POINT screen) {
    if (!EventsOn()) return false;
    const int day = DayAtScreen(screen);
    if (day == 0) return false;
    HideTip();
    events_->NewEventOn({displayed_date_.year(), displayed_date_.month(), std::chrono::day{static_cast<unsigned>(day)}});
    return true;
}

void DesktopWindow::ShowTip(const std::wstring& text, POINT screen) {
    if (!tip_) {
        tip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, 0,
                               0, 0, 0, Hwnd(), nullptr, GetModuleHandleW(nullptr), nullptr);
        if (!tip_) return;
        TTTOOLINFOW tool{.cbSize = sizeof(TTTOOLINFOW), .uFlags = TTF_TRACK | TTF_ABSOLUTE, .hwnd = Hwnd(), .uId = 1};
        tool.lpszText = const_cast<wchar_t*>(L"");
        SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        SendMessageW(tip_, TTM_SETMAXTIPWIDTH, 0, 400);  // lines break at "\r\n" only
    }
    shown_tip_ = text;
    TTTOOLINFOW tool{.cbSize = sizeof(TTTOOLINFOW), .hwnd = Hwnd(), .uId = 1};
    tool.lpszText = shown_tip_.data();
    SendMessageW(tip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(tip_, TTM_TRACKPOSITION, 0, MAKELPARAM(screen.x + 12, screen.y + 18));
    SendMessageW(tip_, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
}

void DesktopWindow::HideTip() {
    if (shown_tip_.empty()) return;
    shown_tip_.clear();
    TTTOOLINFOW tool{.cbSize = sizeof(TTTOOLINFOW), .hwnd = Hwnd(), .uId = 1};
    if (tip_) SendMessageW(tip_, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
}

void DesktopWindow::repaintpng1() {
    HideTip();
    ComposeAndShow();
    // The new face is painted at once; a command that arrives now may start
    // a nested redraw, whose newer face then stays.
    ProcessPendingMessages();
    repaintpngbuf();
    StartupMark("  calendar: face painted");
    if (!pause_after_redraw_) return;
    std::thread beside;
    if (beside_first_pause_) {
        try {
            beside = std::thread(std::exchange(beside_first_pause_, {}));
        } catch (const std::system_error&) {
            // No thread: whoever gave the work does it later itself.
        }
    }
    Sleep(kRedrawPauseMs);
    if (beside.joinable()) beside.join();
}

void DesktopWindow::repaintpngbuf() {
    if (!region_made_) {
        // Made once, from the first face: the one-pixel border at the left and
        // top and the face's last column and row lie outside it.
        region_made_ = true;
        HRGN region = CreateRectRgn(1, 1, face_size_.cx, face_size_.cy);
        if (region && !SetWindowRgn(Hwnd(), region, TRUE)) DeleteObject(region);  // the window owns it once set
    }
    ShowCalendarAlpha();
    ProcessPendingMessages();
}

// The calendar alpha shows as the window's constant opacity. A fully opaque
// calendar stays an ordinary window: the layered style is added only when the
// window is to be see-through, and taken off again when it no longer is.
void DesktopWindow::ShowCalendarAlpha() {
    const int opacity = CalendarOpacity(calendar_alpha_);  // 26..255
    const LONG_PTR ex_style = GetWindowLongPtrW(Hwnd(), GWL_EXSTYLE);
    if (opacity >= 255) {
        if (ex_style & WS_EX_LAYERED) {
            SetWindowLongPtrW(Hwnd(), GWL_EXSTYLE, ex_style & ~WS_EX_LAYERED);
            RedrawWindow(Hwnd(), nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
        }
        return;
    }
    if (!(ex_style & WS_EX_LAYERED)) SetWindowLongPtrW(Hwnd(), GWL_EXSTYLE, ex_style | WS_EX_LAYERED);
    SetLayeredWindowAttributes(Hwnd(), 0, static_cast<BYTE>(opacity), LWA_ALPHA);
}

void DesktopWindow::PaintContent(HDC dc, const RECT& client) {
    StartupMark("calendar paints");
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    if (image1_) {
        OwnedDc face(CreateCompatibleDC(dc));
        SelectedObject selected(face.Get(), image1_.Get());
        BitBlt(dc, 0, 0, face_size_.cx, face_size_.cy, face.Get(), 0, 0, SRCCOPY);
    }
    // `Label_Week`: transparent over the face, growing to the right.
    SelectedObject font(dc, label_font_.Get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    TextOutW(dc, kDateLineOrigin.x, kDateLineOrigin.y, label_week_.c_str(), static_cast<int>(label_week_.size()));
}

}  // namespace orbelle
