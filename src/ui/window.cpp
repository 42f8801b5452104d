#include "ui/window.h"

#include <windowsx.h>

#include <utility>

#include "ui/errors.h"
#include "ui/message_loop.h"

namespace orbelle {

Window::~Window() {
    // Reached with a live window only when its holder broke the rule: the
    // subclass is gone already, so only the system's handling runs.
    if (hwnd_) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        if (dialog_keys_) UnregisterDialogKeys(hwnd_);
        if (accelerators_) UnregisterAccelerators(hwnd_);
        DestroyWindow(std::exchange(hwnd_, nullptr));
    }
}

void Window::Destroy() {
    if (hwnd_) DestroyWindow(hwnd_);  // WM_NCDESTROY clears hwnd_
}

bool Window::Create(const ClassSpec& window_class, const CreateSpec& window) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW existing{sizeof existing};
    if (!GetClassInfoExW(instance, window_class.name, &existing)) {
        WNDCLASSEXW wc{sizeof wc};
        wc.style = window_class.style;
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = window_class.background;
        wc.lpszClassName = window_class.name;
        wc.hIcon = LoadIconW(instance, L"MAINICON");
        if (!RegisterClassExW(&wc)) return false;
    }
    dialog_keys_ = window.dialog_keys;
    paints_content_ = window.paints_content;
    if (!window.accelerators.empty())
        accelerators_.Reset(CreateAcceleratorTableW(const_cast<ACCEL*>(window.accelerators.data()),
                                                    static_cast<int>(window.accelerators.size())));
    return CreateWindowExW(window.ex_style, window_class.name, window.caption, window.style, window.x, window.y,
                           window.width, window.height, window.owner, window.menu, instance, this) != nullptr;
}

LRESULT Window::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_CREATE:
            OnCreate();
            return 0;
        case WM_DESTROY:
            OnDestroy();
            return 0;
        case WM_CLOSE:
            OnClose();
            return 0;
        case WM_SIZE:
            OnSize(static_cast<UINT>(wparam), LOWORD(lparam), HIWORD(lparam));
            return 0;
        case WM_COMMAND:
            OnCommand(LOWORD(wparam), HIWORD(wparam), reinterpret_cast<HWND>(lparam));
            return 0;
        case WM_TIMER:
            OnTimer(wparam);
            return 0;
        case WM_NOTIFY:
            return OnNotify(*reinterpret_cast<const NMHDR*>(lparam));
        case WM_NCHITTEST:
            return OnNcHitTest(GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam));
        case WM_ACTIVATE:
            OnActivate(LOWORD(wparam) != WA_INACTIVE);
            return 0;
        case WM_HSCROLL:
            OnHorizontalScroll(reinterpret_cast<HWND>(lparam), LOWORD(wparam), HIWORD(wparam));
            return 0;
        case WM_WINDOWPOSCHANGING:
            OnWindowPosChanging(*reinterpret_cast<WINDOWPOS*>(lparam));
            return 0;
        case WM_SHOWWINDOW:
            if (wparam && !std::exchange(shown_before_, true)) OnFirstShowing();
            break;
        case WM_ERASEBKGND:
            if (paints_content_) return 1;  // the paint covers the whole client
            break;
        case WM_PAINT:
            if (!paints_content_) break;
            PaintBuffered();
            return 0;
        case WM_PRINTCLIENT:
            if (!paints_content_) break;
            {
                RECT client;
                GetClientRect(hwnd_, &client);
                PaintContent(reinterpret_cast<HDC>(wparam), client);
            }
            return 0;
        default:
            break;
    }
    return DefaultHandling(message, wparam, lparam);
}

// Painted into a memory bitmap first, so the client never flickers; straight
// onto the screen when there is no memory for the bitmap.
void Window::PaintBuffered() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd_, &paint);
    RECT client;
    GetClientRect(hwnd_, &client);
    OwnedDc buffer(CreateCompatibleDC(dc));
    OwnedBitmap pixels(CreateCompatibleBitmap(dc, client.right, client.bottom));
    if (buffer && pixels) {
        SelectedObject selected(buffer.Get(), pixels.Get());
        PaintContent(buffer.Get(), client);
        BitBlt(dc, 0, 0, client.right, client.bottom, buffer.Get(), 0, 0, SRCCOPY);
    } else {
        PaintContent(dc, client);
    }
    EndPaint(hwnd_, &paint);
}

LRESULT Window::DefaultHandling() { return DefWindowProcW(hwnd_, current_.message, current_.wparam, current_.lparam); }

LRESULT Window::DefaultHandling(UINT message, WPARAM wparam, LPARAM lparam) {
    return DefWindowProcW(hwnd_, message, wparam, lparam);
}

LRESULT CALLBACK Window::WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    Window* self = nullptr;
    if (message == WM_NCCREATE) {
        self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        if (self->dialog_keys_) RegisterDialogKeys(hwnd);
        if (self->accelerators_) RegisterAccelerators(hwnd, self->accelerators_.Get());
    } else {
        self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (!self) return DefWindowProcW(hwnd, message, wparam, lparam);

    // A handler may send messages to its own window: the outer message is
    // the current one again afterwards.
    const CurrentMessage outer = std::exchange(self->current_, {message, wparam, lparam});
    LRESULT result = 0;
    bool handled = Guarded([&] { result = self->HandleMessage(message, wparam, lparam); });
    self->current_ = outer;
    if (message == WM_NCDESTROY) {
        if (self->dialog_keys_) UnregisterDialogKeys(hwnd);
        if (self->accelerators_) UnregisterAccelerators(hwnd);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
    }
    // A failed WM_CREATE step still leaves the window standing, as its later
    // steps are simply skipped.
    return handled ? result : 0;
}

int ModalWindow::ShowModal() {
    result_.reset();
    BeforeModal();
    RunModal(Hwnd(), [this] { return result_.has_value(); });
    return result_.value_or(0);
}

void ModalWindow::EndModal(int result) { result_ = result; }

SIZE OuterSizeForClient(int client_width, int client_height, DWORD style, DWORD ex_style, bool menu) {
    RECT rect{0, 0, client_width, client_height};
    AdjustWindowRectEx(&rect, style, menu, ex_style);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

}  // namespace orbelle
