#pragma once
// One class per window: `this` is stored on WM_NCCREATE and cleared on
// WM_NCDESTROY, and one HandleMessage per class calls named handlers. Every
// message runs inside the guarded dispatch, so an error a handler throws is
// shown in the standard error message box and the program goes on.
#include <windows.h>

#include <string>

namespace orbelle {

class Window {
public:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window();

    HWND Hwnd() const { return hwnd_; }
    void Destroy();

protected:
    struct ClassSpec {
        const wchar_t* name;
        HBRUSH background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        UINT style = CS_DBLCLKS;
    };
    struct CreateSpec {
        const wchar_t* caption = L"";
        DWORD style = 0;
        DWORD ex_style = 0;
        int x = CW_USEDEFAULT, y = CW_USEDEFAULT;
        int width = CW_USEDEFAULT, height = CW_USEDEFAULT;
        HWND owner = nullptr;
        HMENU menu = nullptr;
        // Enter, Esc and Tab work as in a dialog box for as long as the window lives.
        bool dialog_keys = false;
    };

    // Registers the class once per process, then creates the window.
    void Create(const ClassSpec& window_class, const CreateSpec& window);
    virtual LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT DefaultHandling(UINT message, WPARAM wparam, LPARAM lparam);

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    HWND hwnd_ = nullptr;
    bool dialog_keys_ = false;
};

// Outer window size for a wanted client size with this style.
SIZE OuterSizeForClient(int client_width, int client_height, DWORD style, DWORD ex_style, bool menu = false);

}  // namespace orbelle
