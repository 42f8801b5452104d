#pragma once
// The upcoming-events panel (`TUpcoming`): a borderless window on the desktop
// below every other window, like the calendar, dragged by its face, listing
// the events of today and the next six days. Its place is kept in
// [Upcoming] Left and Top of the settings file.
#include <functional>
#include <vector>

#include "deskevents/event_days.h"
#include "platform/handles.h"
#include "ui/window.h"
#include "ui/window_context.h"

namespace orbelle {

class UpcomingWindow : public Window {
public:
    // The tick comes every minute, for the lines to follow the clock.
    UpcomingWindow(WindowContext context, std::function<void()> minute_tick);

    // The lines to show, and the calendar's opacity (26 to 255).
    void Show(std::vector<UpcomingLine> lines, int opacity);
    const std::vector<UpcomingLine>& Lines() const { return lines_; }

    static constexpr int kWidth = 250;
    static constexpr int kLineHeight = 16;
    static constexpr int kPadding = 8;

private:
    LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
    void OnCreate() override;
    void OnDestroy() override;
    void OnTimer(UINT_PTR id) override;
    LRESULT OnNcHitTest(int screen_x, int screen_y) override;
    void OnWindowPosChanging(WINDOWPOS& position) override { position.hwndInsertAfter = HWND_BOTTOM; }
    void PaintContent(HDC dc, const RECT& client) override;
    void SavePlace() const;

    WindowContext context_;
    std::function<void()> minute_tick_;
    std::vector<UpcomingLine> lines_;
    OwnedFont font_;
    OwnedFont heading_font_;
};

}  // namespace orbelle
