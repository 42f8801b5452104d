// The yardstick for start-up: a Win32 program that only shows one window
// and waits to be closed.
#include <windows.h>

namespace {
LRESULT CALLBACK MinimalProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(window, message, wparam, lparam);
}
}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = MinimalProc;
    window_class.hInstance = instance;
    window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    window_class.lpszClassName = L"OrbelleMinimal";
    RegisterClassW(&window_class);
    HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, L"OrbelleMinimal", L"Minimal", WS_POPUP | WS_BORDER, 0, 0, 296,
                                  226, nullptr, nullptr, instance, nullptr);
    ShowWindow(window, SW_SHOWNOACTIVATE);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    return 0;
}
