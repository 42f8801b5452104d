#include "desktop/desktop_window.h"

#include "base/clock.h"

namespace orbelle {
namespace {
constexpr DWORD kStyle = WS_POPUP | WS_CLIPSIBLINGS | WS_BORDER;
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW;
constexpr UINT_PTR kTimer1 = 1;
constexpr UINT kStayAtTheBottom = WM_APP + 1;
}  // namespace

DesktopWindow::DesktopWindow(Application& app) : app_(app) {
    SIZE outer = OuterSizeForClient(kClientWidth, kClientHeight, kStyle, kExStyle);
    Create({.name = L"TForm1", .background = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))},
           {.caption = L"Orbelle", .style = kStyle, .ex_style = kExStyle, .x = 0, .y = 0, .width = outer.cx,
            .height = outer.cy, .owner = GetDesktopWindow()});
}

DesktopWindow::~DesktopWindow() { Destroy(); }

LRESULT DesktopWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_CREATE:
            FormCreate();
            return 0;
        case WM_DESTROY:
            KillTimer(Hwnd(), kTimer1);
            FormDestroy();
            return 0;
        case WM_CLOSE:  // closing the main window ends the program
            app_.Terminate();
            return 0;
        case WM_NCHITTEST:
            return WMNCHitTest(message, wparam, lparam);
        case WM_WINDOWPOSCHANGING:
            WMWindowPosChanging(*reinterpret_cast<WINDOWPOS*>(lparam));
            return 0;
        case WM_ACTIVATE:
        case WM_EXITSIZEMOVE:
            // Some window managers raise a clicked window without asking first.
            PostMessageW(Hwnd(), kStayAtTheBottom, 0, 0);
            return DefaultHandling(message, wparam, lparam);
        case kStayAtTheBottom:
            StayAtTheBottom();
            return 0;
        case WM_TIMER:
            if (wparam == kTimer1) Timer1Timer();
            return 0;
        default:
            return DefaultHandling(message, wparam, lparam);
    }
}

void DesktopWindow::FormCreate() {
    // The single-instance guard comes first: a second copy ends here.
    HANDLE guard = CreateMutexW(nullptr, TRUE, app_.MutexName().c_str());
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        if (guard) CloseHandle(guard);
        app_.Terminate();
        return;
    }
    app_.HoldInstanceGuard(OwnedKernelHandle(guard));
    created_past_guard_ = true;
    SetTimer(Hwnd(), kTimer1, 100, nullptr);
    current_day_ = Today().Date();
    displayed_date_ = current_day_;
    // No taskbar button for the program: its owner window is a tool window.
    SetWindowLongPtrW(app_.Owner(), GWL_EXSTYLE, WS_EX_TOOLWINDOW);
}

void DesktopWindow::FormDestroy() {
    if (!created_past_guard_) return;
}

LRESULT DesktopWindow::WMNCHitTest(UINT message, WPARAM wparam, LPARAM lparam) {
    LRESULT hit = DefaultHandling(message, wparam, lparam);
    return hit == HTCLIENT ? HTCAPTION : hit;
}

void DesktopWindow::WMWindowPosChanging(WINDOWPOS& position) { position.hwndInsertAfter = HWND_BOTTOM; }

void DesktopWindow::StayAtTheBottom() {
    SetWindowPos(Hwnd(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void DesktopWindow::Timer1Timer() {
    KillTimer(Hwnd(), kTimer1);
    InvalidateRect(Hwnd(), nullptr, TRUE);
    UpdateWindow(Hwnd());
}

}  // namespace orbelle
