#include <windows.h>
#include <gtest/gtest.h>

#include "dialogs/about_box.h"
#include "eventlist/commands.h"
#include "eventlist/event_list_window.h"
#include "win_fixture.h"

namespace orbelle::testing {
namespace {

class AboutBoxTest : public AppTest {
protected:
    std::vector<HWND> AboutBoxes() { return ThreadWindows(OfClass(L"TFormabout")); }
    void About(std::function<void(HWND)> action) {
        TimerScript driver({WhenVisible(L"TFormabout", std::move(action))});
        SendMessageW(App().EventList()->Hwnd(), WM_COMMAND, kCmdAbout, 0);
        EXPECT_TRUE(driver.Finished());
    }
    static LRESULT HitTest(HWND box, int client_x, int client_y) {
        POINT point{client_x, client_y};
        ClientToScreen(box, &point);
        return SendMessageW(box, WM_NCHITTEST, 0, MAKELPARAM(point.x, point.y));
    }
};

TEST_F(AboutBoxTest, EachAboutShowsAFreshBorderlessTopmostBoxThatCloseHides) {
    Start();
    ASSERT_EQ(AboutBoxes().size(), 1u);
    EXPECT_FALSE(IsWindowVisible(AboutBoxes()[0]));
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        About([](HWND box) {
            EXPECT_EQ(GetWindowLongPtrW(box, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME | WS_BORDER), 0);
            EXPECT_TRUE(GetWindowLongPtrW(box, GWL_EXSTYLE) & WS_EX_TOPMOST);
            RECT client;
            GetClientRect(box, &client);
            EXPECT_EQ(client.right, 314);
            EXPECT_EQ(client.bottom, 318);
            EXPECT_EQ(WindowRect(box).left, 254);
            EXPECT_EQ(WindowRect(box).top, 181);
            HWND close = GetDlgItem(box, AboutBox::SpeedButton2);
            EXPECT_EQ(WindowText(close), L"Close");
            SendMessageW(close, BM_CLICK, 0, 0);
        });
    }
    const std::vector<HWND> boxes = AboutBoxes();
    EXPECT_EQ(boxes.size(), 3u);  // each kept until the end
    for (HWND box : boxes) EXPECT_FALSE(IsWindowVisible(box));
    EXPECT_TRUE(IsWindowEnabled(App().EventList()->Hwnd()));
}

// The box is cut to the round picture: its black corners are not part of it.
// Points on the picture, the labels and the button keep the mouse; the rest
// of the box drags it.
TEST_F(AboutBoxTest, TheBoxIsShapedLikeThePopupAndDraggedOutsideItsControls) {
    Start();
    auto box = MakeWindow<AboutBox>(App().Context());
    ShowWindow(box->Hwnd(), SW_SHOWNA);  // the outline is traced for the first showing
    RECT bounds{};
    ASSERT_NE(GetWindowRgnBox(box->Hwnd(), &bounds), ERROR) << "no region";
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    GetWindowRgn(box->Hwnd(), region);
    EXPECT_TRUE(PtInRegion(region, 150, 147));  // the badge's centre
    EXPECT_TRUE(PtInRegion(region, 152, 212));  // the button
    EXPECT_FALSE(PtInRegion(region, 2, 2));     // a black corner
    EXPECT_FALSE(PtInRegion(region, 300, 5));
    EXPECT_FALSE(PtInRegion(region, 310, 310));  // beyond the picture
    DeleteObject(region);

    EXPECT_EQ(HitTest(box->Hwnd(), 150, 147), HTCLIENT);
    EXPECT_EQ(HitTest(box->Hwnd(), 152, 212), HTCLIENT);
    EXPECT_EQ(HitTest(box->Hwnd(), 150, 300), HTCAPTION);
}

}  // namespace
}  // namespace orbelle::testing
