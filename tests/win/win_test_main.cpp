#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <gtest/gtest.h>

#include "platform/shell_libraries.h"
#include "platform/skin_image.h"

namespace {

// Wine hides its notification area when the last icon goes and may trip over
// that window when the next test adds an icon at once: one icon of the test
// run's own keeps it standing.
class KeepTrayStanding {
public:
    KeepTrayStanding() {
        owner_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        icon_.cbSize = NOTIFYICONDATAW_V1_SIZE;
        icon_.hWnd = owner_;
        icon_.uID = 99;
        icon_.uFlags = NIF_ICON;
        icon_.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
        Shell_NotifyIconW(NIM_ADD, &icon_);
    }
    ~KeepTrayStanding() {
        icon_.uFlags = 0;
        Shell_NotifyIconW(NIM_DELETE, &icon_);
        DestroyWindow(owner_);
    }

private:
    HWND owner_ = nullptr;
    NOTIFYICONDATAW icon_{};
};

}  // namespace

int main(int argc, char** argv) {
    orbelle::StartCommonControls();
    orbelle::GdiplusSession gdiplus;
    KeepTrayStanding tray;
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
