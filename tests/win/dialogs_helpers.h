#pragma once
// What the dialog tests share: a driver that acts on a modal window once it
// shows, from inside the modal loop that runs it.
#include <windows.h>

#include <functional>
#include <string>

#include "win_fixture.h"

namespace orbelle::testing {

// Waits on a thread timer for a visible window of the class; when it shows,
// runs the action once with it. The action usually ends the modal loop.
class WhenShown {
public:
    WhenShown(std::wstring window_class, std::function<void(HWND)> action)
        : class_(std::move(window_class)), action_(std::move(action)) {
        current_ = this;
        timer_ = SetTimer(nullptr, 0, 20, Tick);
    }
    ~WhenShown() {
        KillTimer(nullptr, timer_);
        current_ = nullptr;
    }
    WhenShown(const WhenShown&) = delete;
    WhenShown& operator=(const WhenShown&) = delete;

    int Runs() const { return runs_; }

private:
    struct Search {
        const std::wstring* window_class;
        HWND found = nullptr;
    };
    static BOOL CALLBACK Match(HWND window, LPARAM param) {
        auto* search = reinterpret_cast<Search*>(param);
        if (IsWindowVisible(window) && ClassName(window) == *search->window_class) {
            search->found = window;
            return FALSE;
        }
        return TRUE;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        WhenShown* self = current_;
        if (!self || self->busy_ || self->runs_ > 0) return;
        Search search{&self->class_};
        EnumThreadWindows(GetCurrentThreadId(), Match, reinterpret_cast<LPARAM>(&search));
        if (!search.found) return;
        self->busy_ = true;  // the action may run a nested loop of its own
        ++self->runs_;
        self->action_(search.found);
        self->busy_ = false;
    }

    static inline WhenShown* current_ = nullptr;
    std::wstring class_;
    std::function<void(HWND)> action_;
    UINT_PTR timer_ = 0;
    int runs_ = 0;
    bool busy_ = false;
};

inline RECT WindowRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

}  // namespace orbelle::testing
