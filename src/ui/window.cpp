#include "ui/window.h"

#include "ui/errors.h"
#include "ui/message_loop.h"

namespace orbelle {

Window::~Window() { Destroy(); }

void Window::Destroy() {
    if (hwnd_) DestroyWindow(hwnd_);  // WM_NCDESTROY clears hwnd_
}

void Window::Create(const ClassSpec& window_class, const CreateSpec& window) {
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
        RegisterClassExW(&wc);
    }
    dialog_keys_ = window.dialog_keys;
    CreateWindowExW(window.ex_style, window_class.name, window.caption, window.style, window.x, window.y, window.width,
                    window.height, window.owner, window.menu, instance, this);
}

LRESULT Window::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    return DefaultHandling(message, wparam, lparam);
}

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
    } else {
        self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (!self) return DefWindowProcW(hwnd, message, wparam, lparam);

    LRESULT result = 0;
    bool handled = Guarded([&] { result = self->HandleMessage(message, wparam, lparam); });
    if (message == WM_NCDESTROY) {
        if (self->dialog_keys_) UnregisterDialogKeys(hwnd);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
    }
    // A failed WM_CREATE step still leaves the window standing, as its later
    // steps are simply skipped.
    return handled ? result : 0;
}

SIZE OuterSizeForClient(int client_width, int client_height, DWORD style, DWORD ex_style, bool menu) {
    RECT rect{0, 0, client_width, client_height};
    AdjustWindowRectEx(&rect, style, menu, ex_style);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

}  // namespace orbelle
