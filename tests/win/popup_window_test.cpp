// The reminder popup as a window: its place, its badge shape, the hit test
// that keeps its controls clickable, and Accept and Close under the mouse.
#include <windows.h>

#include "popup_fixture.h"

namespace orbelle::testing {
namespace {

class PopupWindowTest : public PopupTest {
protected:
    void SetUp() override {
        // Not due, so the start-up scan leaves the record to the test.
        Seed({{"Dentist", "Bring the card\r\nAsk about the bill", "N", At(22, 9, 0)}});
        Start();
        cursor_.Open(TableFile());
        cursor_.First();
    }

    static void ClickAt(POINT screen) {
        SetCursorPos(screen.x, screen.y);
        INPUT clicks[2] = {};
        clicks[0].type = clicks[1].type = INPUT_MOUSE;
        clicks[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        clicks[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        SendInput(2, clicks, sizeof(INPUT));
    }

    static POINT CentreOf(HWND control) {
        RECT rect;
        GetWindowRect(control, &rect);
        return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    }

    EventCursor cursor_;
};

TEST_F(PopupWindowTest, IsABorderlessTopmostWindowCutToTheBadge) {
    auto popup = MakeWindow<TForm5>(App().Context(), cursor_);
    EXPECT_EQ(ClassName(popup->Hwnd()), L"TForm5");
    RECT place;
    GetWindowRect(popup->Hwnd(), &place);
    EXPECT_EQ(place.left, 239);
    EXPECT_EQ(place.top, 181);
    EXPECT_EQ(place.right - place.left, 363);
    EXPECT_EQ(place.bottom - place.top, 318);
    auto style = GetWindowLongPtrW(popup->Hwnd(), GWL_STYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_THICKFRAME | WS_SYSMENU), 0);
    EXPECT_TRUE(GetWindowLongPtrW(popup->Hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST);

    OwnedRegion shape(CreateRectRgn(0, 0, 0, 0));
    ASSERT_EQ(GetWindowRgn(popup->Hwnd(), shape.Get()), COMPLEXREGION);
    // The badge: a circle of radius 145 round (150.5, 147) on black.
    struct Case {
        const char* name;
        POINT point;
        bool inside;
    };
    const Case cases[] = {
        {"top-left corner", {2, 2}, false},
        {"top-right corner of the picture", {298, 3}, false},
        {"centre", {150, 147}, true},
        {"just inside the left rim", {9, 147}, true},
        {"just inside the top rim", {150, 6}, true},
        {"right of the picture", {330, 150}, false},
        {"below the picture", {150, 305}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(PtInRegion(shape.Get(), c.point.x, c.point.y) != 0, c.inside);
    }

    EXPECT_EQ(WindowText(popup->Control(TForm5::Label1)), L"Dentist");
    EXPECT_EQ(WindowText(popup->Control(TForm5::Label2)), L"Bring the card\r\nAsk about the bill");
    RECT subject, memo;
    GetWindowRect(popup->Control(TForm5::Label1), &subject);
    GetWindowRect(popup->Control(TForm5::Label2), &memo);
    EXPECT_GT(memo.bottom - memo.top, 3 * (subject.bottom - subject.top) / 2) << "two lines, not one";
}

TEST_F(PopupWindowTest, PointsOnAnyVisibleControlStayClientTheRestDrags) {
    auto popup = MakeWindow<TForm5>(App().Context(), cursor_);
    auto hit = [&](int x, int y) {
        POINT screen{x, y};
        ClientToScreen(popup->Hwnd(), &screen);
        return SendMessageW(popup->Hwnd(), WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y));
    };
    struct Case {
        const char* name;
        POINT client;
        LRESULT expected;
    };
    const Case shown[] = {
        {"on the picture control", {150, 30}, HTCLIENT},
        {"on the subject label", {50, 75}, HTCLIENT},
        {"on Accept", {110, 240}, HTCLIENT},
        {"on Close", {200, 250}, HTCLIENT},
        {"last column of the picture control", {304, 100}, HTCLIENT},
        {"first column beyond it", {305, 100}, HTCAPTION},
        {"below the picture control", {150, 290}, HTCAPTION},
    };
    for (const Case& c : shown) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(hit(c.client.x, c.client.y), c.expected);
    }
    // A hidden control no longer holds the point.
    ShowWindow(popup->Control(TForm5::Image1), SW_HIDE);
    EXPECT_EQ(hit(150, 30), HTCAPTION);
    EXPECT_EQ(hit(50, 75), HTCLIENT);
}

TEST_F(PopupWindowTest, MouseClicksReachAcceptAndClose) {
    struct Case {
        const char* name;
        TForm5::ControlId button;
        const char* stored;
    };
    const Case cases[] = {
        {"Close leaves the record", TForm5::SpeedButton2, "N"},
        {"Accept stores Y", TForm5::SpeedButton1, "Y"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto popup = MakeWindow<TForm5>(App().Context(), cursor_);
        ShowWindow(popup->Hwnd(), SW_SHOW);
        SetForegroundWindow(popup->Hwnd());
        Pump(200);
        ClickAt(CentreOf(popup->Control(c.button)));
        Pump(300);
        EXPECT_FALSE(IsWindowVisible(popup->Hwnd()));
        EXPECT_EQ(Column("accepttext"), std::vector<std::string>{c.stored});
    }
}

TEST_F(PopupWindowTest, AcceptThatTheTableRefusesShowsTheEngineMessageAndStaysOpen) {
    {
        EventCursor other;  // another program removes the record meanwhile
        other.Open(TableFile());
        other.First();
        other.Delete();
    }
    auto popup = MakeWindow<TForm5>(App().Context(), cursor_);
    ShowWindow(popup->Hwnd(), SW_SHOW);
    MessageBoxAnswerer boxes;
    SendMessageW(popup->Control(TForm5::SpeedButton1), BM_CLICK, 0, 0);
    ASSERT_EQ(boxes.Seen().size(), 1u);
    EXPECT_EQ(boxes.Seen()[0].text, L"Record not found or changed by another user");
    EXPECT_TRUE(IsWindowVisible(popup->Hwnd()));
    EXPECT_TRUE(Column("subject").empty());
    // Back on the stored record, so the scan can move on past it.
    EXPECT_EQ(cursor_.GetState(), EventCursor::State::Browse);
    EXPECT_EQ(cursor_.FieldText("accepttext"), "N");
}

}  // namespace
}  // namespace orbelle::testing
