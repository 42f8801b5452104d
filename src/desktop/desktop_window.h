#pragma once
// The desktop calendar (`TForm1`): the main window, borderless, below every
// other window, dragged by its face.
#include <chrono>

#include "app/application.h"

namespace orbelle {

class DesktopWindow : public Window {
public:
    explicit DesktopWindow(Application& app);
    ~DesktopWindow() override;

    static constexpr int kClientWidth = 561;
    static constexpr int kClientHeight = 464;

private:
    LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
    void FormCreate();
    void FormDestroy();
    LRESULT WMNCHitTest(UINT message, WPARAM wparam, LPARAM lparam);
    void WMWindowPosChanging(WINDOWPOS& position);
    void Timer1Timer();
    void StayAtTheBottom();

    Application& app_;
    bool created_past_guard_ = false;
    std::chrono::year_month_day displayed_date_{};
    std::chrono::year_month_day current_day_{};
};

}  // namespace orbelle
