#pragma once
// The desktop calendar (`TForm1`): the main window, borderless, below every
// other window, dragged by its face. It holds the displayed date (whose month
// the face shows), the current day of the day rollover and the calendar alpha.
#include <chrono>
#include <functional>
#include <string>

#include "base/datefmt.h"
#include "desktop/day_marks.h"
#include "platform/handles.h"
#include "platform/locale.h"
#include "ui/window.h"
#include "ui/window_context.h"

namespace orbelle {

class DesktopWindow : public Window {
public:
    // Closing the calendar is the quit request. Work given here runs on a
    // thread of its own beside the first redraw's pause, when the window
    // thread holds nothing, and the pause's end waits for it.
    DesktopWindow(WindowContext context, QuitRequest& quit, std::function<void()> beside_first_pause = {});

    static constexpr int kClientWidth = 561;
    static constexpr int kClientHeight = 464;

    // Steps of the displayed date for the tray's commands; none redraws, the
    // caller runs repaintpng1 afterwards. At a month end the day is cut to the
    // target month's last day; 29 February first becomes 28 February before a
    // year step.
    void MonthBack();
    void MonthForward();
    void YearBack();
    void YearForward();
    void SetDisplayedDate(std::chrono::year_month_day date);
    std::chrono::year_month_day DisplayedDate() const { return displayed_date_; }

    // The date on which the day rollover last ran.
    std::chrono::year_month_day CurrentDay() const { return current_day_; }
    void SetCurrentDay(std::chrono::year_month_day day) { current_day_ = day; }

    // Set by the options dialog, which then runs repaintpngbuf to show it.
    int CalendarAlpha() const { return calendar_alpha_; }
    void SetCalendarAlpha(int calendar_alpha) { calendar_alpha_ = calendar_alpha; }

    // Redraws the face for the displayed date, then runs repaintpngbuf.
    void repaintpng1();
    // Cuts the window to the face the first time, shows the calendar alpha
    // as the window's opacity and lets pending messages run.
    void repaintpngbuf();

    // A redraw ends with a 100 ms pause; a benchmark turns it off to time the
    // redraw itself.
    void SetPauseAfterRedraw(bool pause) { pause_after_redraw_ = pause; }

    // The events shown on the face, the tip and the double click; none, or
    // one whose switch is off, leaves the calendar exactly as it is without.
    void SetEvents(CalendarEvents* events) { events_ = events; }
    // The events changed or their switch did: the face again for the
    // displayed date, at once and without the redraw's pause.
    void RefreshEvents();
    // The tip now shown (empty when none) and its window (none before the first).
    const std::wstring& ShownTip() const { return shown_tip_; }
    HWND TipWindow() const { return tip_; }

    // `Image1`: the face bitmap (empty before the first redraw or without a
    // background skin) and its size.
    HBITMAP FaceBitmap() const { return image1_.Get(); }
    SIZE FaceSize() const { return face_size_; }
    // `Label_Week`: the date line above the grid.
    const std::wstring& DateLine() const { return label_week_; }

    static constexpr POINT kDateLineOrigin{64, 8};

private:
    LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
    void OnCreate() override { FormCreate(); }
    void OnDestroy() override;
    void OnClose() override;
    void OnActivate(bool active) override;
    void OnTimer(UINT_PTR id) override;
    // The face drags the window: a click on it is a click on a caption.
    LRESULT OnNcHitTest(int screen_x, int screen_y) override;
    // Always at the bottom of the z-order.
    void OnWindowPosChanging(WINDOWPOS& position) override;
    // The client as it shows: white, the face at (0, 0), the date line over it.
    void PaintContent(HDC dc, const RECT& client) override;
    void FormCreate();
    void FormDestroy();
    void ComposeAndShow();
    bool EventsOn() const { return events_ && events_->ShowEvents(); }
    // The day of the displayed month under a screen point; 0 for none.
    int DayAtScreen(POINT screen) const;
    void OnNcMouseMove(POINT screen);
    void OnNcMouseHover(POINT screen);
    bool OnNcDoubleClick(POINT screen);
    void ShowTip(const std::wstring& text, POINT screen);
    void HideTip();
    void Timer1Timer();
    void StayAtTheBottom();
    void ShowCalendarAlpha();
    void ComeBackFromOffScreen();

    WindowContext context_;
    QuitRequest& quit_;
    std::chrono::year_month_day displayed_date_{};
    // The zero date-time's day until creation sets it: a failed creation
    // leaves the rollover to set it at its first check.
    std::chrono::year_month_day current_day_{std::chrono::year{1899}, std::chrono::December, std::chrono::day{30}};
    int calendar_alpha_ = 0;
    bool region_made_ = false;
    bool pause_after_redraw_ = true;
    std::function<void()> beside_first_pause_;
    OwnedBitmap image1_;
    SIZE face_size_{0, 0};
    std::wstring label_week_;
    LocaleNames names_ = UserLocaleNames();
    OwnedFont label_font_;
    CalendarEvents* events_ = nullptr;
    HWND tip_ = nullptr;  // owned by the calendar, gone with it
    std::wstring shown_tip_;
    // The day the mouse rests on, whose tip shows or is awaited.
    int hover_day_ = 0;
};

}  // namespace orbelle
