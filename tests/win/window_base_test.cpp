// The window base on its own: creation that fails, buffered painting and
// WM_PRINTCLIENT, the first showing, destruction through the holder, and the
// modal run.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>

#include "kit/timer_script.h"
#include "platform/handles.h"
#include "ui/window.h"

namespace orbelle::testing {
namespace {

constexpr COLORREF kContent = RGB(200, 40, 10);

class ProbeWindow : public ModalWindow {
public:
    explicit ProbeWindow(DWORD style = WS_POPUP) {
        created = Create({.name = L"OrbelleProbe"}, {.caption = L"probe", .style = style, .x = 10, .y = 10,
                                                     .width = 60, .height = 40, .paints_content = true});
    }
    void End(int result) { EndModal(result); }

    bool created = false;
    int* destroyed = nullptr;
    std::wstring unpacked;
    int first_showings = 0;
    bool visible_at_first_showing = false;

private:
    void OnFirstShowing() override {
        ++first_showings;
        visible_at_first_showing = IsWindowVisible(Hwnd()) != FALSE;
    }
    void OnDestroy() override {
        if (destroyed) ++*destroyed;
    }
    void OnCommand(WORD id, WORD code, HWND control) override {
        unpacked = std::to_wstring(id) + L"," + std::to_wstring(code) + L"," + (control ? L"control" : L"none");
    }
    LRESULT OnNcHitTest(int x, int y) override { return x < 0 && y < 0 ? HTCAPTION : DefaultHandling(); }
    void PaintContent(HDC dc, const RECT& client) override {
        HBRUSH brush = CreateSolidBrush(kContent);
        FillRect(dc, &client, brush);
        DeleteObject(brush);
    }
};

TEST(WindowBase, CreateReportsAWindowThatCannotBeMade) {
    auto refused = MakeWindow<ProbeWindow>(WS_CHILD);  // a child needs a parent
    EXPECT_FALSE(refused->created);
    EXPECT_EQ(refused->Hwnd(), nullptr);
    auto made = MakeWindow<ProbeWindow>();
    EXPECT_TRUE(made->created);
    EXPECT_NE(made->Hwnd(), nullptr);
}

TEST(WindowBase, PrintClientDrawsTheSameContentAsThePaint) {
    auto window = MakeWindow<ProbeWindow>();
    HDC screen = GetDC(nullptr);
    OwnedDc memory(CreateCompatibleDC(screen));
    OwnedBitmap pixels(CreateCompatibleBitmap(screen, 60, 40));
    ReleaseDC(nullptr, screen);
    SelectedObject selected(memory.Get(), pixels.Get());
    SendMessageW(window->Hwnd(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory.Get()), PRF_CLIENT);
    EXPECT_EQ(GetPixel(memory.Get(), 0, 0), kContent);
    EXPECT_EQ(GetPixel(memory.Get(), 59, 39), kContent);
    // The background is never erased on its own: the content covers it.
    EXPECT_EQ(SendMessageW(window->Hwnd(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory.Get()), 0), 1);
}

TEST(WindowBase, HandlersGetTheMessagesUnpacked) {
    auto window = MakeWindow<ProbeWindow>();
    SendMessageW(window->Hwnd(), WM_COMMAND, MAKEWPARAM(123, 1), 0);
    EXPECT_EQ(window->unpacked, L"123,1,none");
    // A point left of and above the main monitor keeps its sign.
    EXPECT_EQ(SendMessageW(window->Hwnd(), WM_NCHITTEST, 0, MAKELPARAM(-5, -7)), HTCAPTION);
}

// What a window made hidden builds for its first showing is built once,
// before it shows, and never for a hiding.
TEST(WindowBase, TheFirstShowingStepRunsOnceBeforeTheWindowShows) {
    auto window = MakeWindow<ProbeWindow>();
    ShowWindow(window->Hwnd(), SW_HIDE);
    EXPECT_EQ(window->first_showings, 0);
    ShowWindow(window->Hwnd(), SW_SHOWNA);
    EXPECT_EQ(window->first_showings, 1);
    EXPECT_FALSE(window->visible_at_first_showing);
    ShowWindow(window->Hwnd(), SW_HIDE);
    ShowWindow(window->Hwnd(), SW_SHOWNA);
    EXPECT_EQ(window->first_showings, 1);
}

TEST(WindowBase, TheHolderDestroysTheWindowWhileItsHandlersStillRun) {
    int destroyed = 0;
    HWND hwnd = nullptr;
    {
        auto window = MakeWindow<ProbeWindow>();
        window->destroyed = &destroyed;
        hwnd = window->Hwnd();
    }
    EXPECT_EQ(destroyed, 1);
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST(WindowBase, AModalRunEndsWithTheResultGivenToEndModal) {
    auto window = MakeWindow<ProbeWindow>();
    TimerScript end({[&] {
        window->End(42);
        return true;
    }});
    EXPECT_EQ(window->ShowModal(), 42);
    EXPECT_FALSE(IsWindowVisible(window->Hwnd()));  // hidden, not destroyed
    EXPECT_TRUE(IsWindow(window->Hwnd()));
}

}  // namespace
}  // namespace orbelle::testing
