#pragma once
// One class per window. `this` is stored on WM_NCCREATE and cleared on
// WM_NCDESTROY; the base's HandleMessage unpacks the common messages into
// the named handlers below, and a subclass overrides only the handlers it
// needs (and HandleMessage for messages of its own). Every message runs
// inside the guarded dispatch, so an error a handler throws is shown in the
// standard error message box and the program goes on.
//
// Destruction: a window is destroyed while its whole object still lives, so
// that WM_DESTROY reaches the subclass's OnDestroy. Whoever holds a window
// destroys it first: windows made with MakeWindow (on the heap, or kept by
// the application) are held by a WindowPtr, whose deleter calls Destroy()
// before the object goes. The base's own destructor is the last resort: it
// only detaches the window from the object and destroys it without the
// subclass's handlers.
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <optional>
#include <span>

#include "platform/handles.h"

namespace orbelle {

class Window {
public:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window();

    HWND Hwnd() const { return hwnd_; }
    // Destroys the window (WM_DESTROY runs its OnDestroy); nothing without one.
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
        // A menu bar, which the window owns from then on.
        HMENU menu = nullptr;
        // Enter, Esc and Tab work as in a dialog box for as long as the window lives.
        bool dialog_keys = false;
        // Keyboard shortcuts, active while the window or a child has the message.
        std::span<const ACCEL> accelerators = {};
        // The client is painted by PaintContent alone, through a memory bitmap.
        bool paints_content = false;
    };

    // Registers the class once per process, then creates the window. False,
    // with the system's error code left for GetLastError, when the class
    // cannot be registered or the window cannot be made (a WM_CREATE step
    // that fails does not count: the window stands, its later steps skipped).
    bool Create(const ClassSpec& window_class, const CreateSpec& window);

    // The message switch; an override passes what it does not handle on to
    // Window::HandleMessage.
    virtual LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
    // The system's handling of the message now being handled.
    LRESULT DefaultHandling();
    LRESULT DefaultHandling(UINT message, WPARAM wparam, LPARAM lparam);

    // Unpacked handlers. A handler that is not overridden gives the system's
    // handling, except that WM_CREATE, WM_COMMAND, WM_TIMER and WM_NOTIFY
    // answer 0.
    virtual void OnCreate() {}
    virtual void OnDestroy() {}
    virtual void OnClose() { DefaultHandling(); }
    virtual void OnSize(UINT /*kind*/, int /*width*/, int /*height*/) { DefaultHandling(); }
    // A menu item, shortcut or control: the id, the notification code
    // (0 for a menu, 1 for a shortcut) and the control (null for both).
    virtual void OnCommand(WORD /*id*/, WORD /*code*/, HWND /*control*/) {}
    virtual void OnTimer(UINT_PTR /*id*/) {}
    virtual LRESULT OnNotify(const NMHDR& /*header*/) { return 0; }
    // Screen coordinates, which are negative on a monitor left of or above the main one.
    virtual LRESULT OnNcHitTest(int /*screen_x*/, int /*screen_y*/) { return DefaultHandling(); }
    virtual void OnActivate(bool /*active*/) { DefaultHandling(); }
    virtual void OnHorizontalScroll(HWND /*bar*/, int /*code*/, int /*thumb*/) { DefaultHandling(); }
    virtual void OnWindowPosChanging(WINDOWPOS& /*position*/) { DefaultHandling(); }
    // With paints_content: the whole client, into whatever the dc draws on.
    virtual void PaintContent(HDC /*dc*/, const RECT& /*client*/) {}
    // Runs once, as ShowWindow is first about to show the window: the place
    // to build what nobody sees before then, for a window made hidden at start.
    virtual void OnFirstShowing() {}

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    void PaintBuffered();

    struct CurrentMessage {
        UINT message;
        WPARAM wparam;
        LPARAM lparam;
    };

    HWND hwnd_ = nullptr;
    bool dialog_keys_ = false;
    bool paints_content_ = false;
    bool shown_before_ = false;
    OwnedAccelerators accelerators_;
    CurrentMessage current_{};
};

// Destroys the window, then deletes the object: the rule above for windows on the heap.
struct WindowDeleter {
    void operator()(Window* window) const {
        window->Destroy();
        delete window;
    }
};
template <typename W>
using WindowPtr = std::unique_ptr<W, WindowDeleter>;

template <typename W, typename... Args>
WindowPtr<W> MakeWindow(Args&&... args) {
    return WindowPtr<W>(new W(std::forward<Args>(args)...));
}

// A window shown modally: ShowModal runs until EndModal, the window's own
// disappearance or the quit request, and answers the result given to
// EndModal (0 otherwise). The window is hidden, not destroyed, at the end.
class ModalWindow : public Window {
public:
    int ShowModal();

protected:
    void EndModal(int result);
    // Runs as each modal showing starts.
    virtual void BeforeModal() {}

private:
    std::optional<int> result_;
};

// Outer window size for a wanted client size with this style.
SIZE OuterSizeForClient(int client_width, int client_height, DWORD style, DWORD ex_style, bool menu = false);

}  // namespace orbelle
