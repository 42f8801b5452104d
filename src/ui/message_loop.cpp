#include "ui/message_loop.h"

#include <algorithm>
#include <vector>

namespace orbelle {
namespace {
struct AcceleratorEntry {
    HWND window;
    HACCEL accelerators;
};

std::vector<AcceleratorEntry>& Accelerators() {
    static std::vector<AcceleratorEntry> entries;
    return entries;
}

bool TranslateShortcut(const MSG& message) {
    if (message.message < WM_KEYFIRST || message.message > WM_KEYLAST || !message.hwnd) return false;
    HWND top = GetAncestor(message.hwnd, GA_ROOT);
    for (const auto& entry : Accelerators()) {
        if (entry.window == top && TranslateAcceleratorW(top, entry.accelerators, const_cast<MSG*>(&message)))
            return true;
    }
    return false;
}

std::vector<HWND>& DialogKeyWindows() {
    static std::vector<HWND> windows;
    return windows;
}

bool TranslateDialogKey(const MSG& message) {
    if (message.message < WM_KEYFIRST || message.message > WM_KEYLAST || !message.hwnd) return false;
    HWND top = GetAncestor(message.hwnd, GA_ROOT);
    const auto& windows = DialogKeyWindows();
    if (std::find(windows.begin(), windows.end(), top) == windows.end()) return false;
    // Dispatches the key itself when it is not a dialog key.
    return IsDialogMessageW(top, const_cast<MSG*>(&message));
}
}  // namespace

void RegisterDialogKeys(HWND window) {
    UnregisterDialogKeys(window);
    DialogKeyWindows().push_back(window);
}

void UnregisterDialogKeys(HWND window) { std::erase(DialogKeyWindows(), window); }

void RegisterAccelerators(HWND window, HACCEL accelerators) {
    UnregisterAccelerators(window);
    Accelerators().push_back({window, accelerators});
}

void UnregisterAccelerators(HWND window) {
    std::erase_if(Accelerators(), [window](const AcceleratorEntry& e) { return e.window == window; });
}

bool DispatchOne(const MSG& message) {
    if (message.message == WM_QUIT) return false;
    if (!TranslateShortcut(message) && !TranslateDialogKey(message)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return true;
}

namespace {
struct Disabling {
    HWND modal;
    std::vector<HWND> windows;
};

BOOL CALLBACK DisableOne(HWND hwnd, LPARAM param) {
    auto* disabling = reinterpret_cast<Disabling*>(param);
    if (hwnd != disabling->modal && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) {
        EnableWindow(hwnd, FALSE);
        disabling->windows.push_back(hwnd);
    }
    return TRUE;
}
}  // namespace

void RunModal(HWND window, const std::function<bool()>& done) {
    Disabling disabling{window, {}};
    EnumThreadWindows(GetCurrentThreadId(), DisableOne, reinterpret_cast<LPARAM>(&disabling));

    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    MSG message;
    while (IsWindow(window) && !done()) {
        if (GetMessageW(&message, nullptr, 0, 0) <= 0) {
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        DispatchOne(message);
    }
    for (HWND hwnd : disabling.windows)
        if (IsWindow(hwnd)) EnableWindow(hwnd, TRUE);
    if (IsWindow(window)) ShowWindow(window, SW_HIDE);
}

void ProcessPendingMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (!DispatchOne(message)) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
    }
}

}  // namespace orbelle
