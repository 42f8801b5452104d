#pragma once
// What the reminder popup tests share: a fixed clock, records written before
// the program starts, and an answerer that handles each popup as it opens.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "base/clock.h"
#include "popup/reminder_popup.h"
#include "win_fixture.h"

namespace orbelle::testing {

struct PopupRecord {
    std::string subject;
    std::string memo;
    std::string accept_text;
    DateTime next_alarm;
};

struct SeenPopup {
    std::wstring subject;
    std::wstring memo;
};

// Answers every reminder popup of this thread: records its labels, runs
// on_open, lets it stand a few ticks, then clicks the next answer's button
// (TForm5::SpeedButton1 "Accept" or SpeedButton2 "Close"; Close when none left).
class PopupAnswerer {
public:
    explicit PopupAnswerer(std::vector<int> buttons = {}, std::function<void(HWND)> on_open = {})
        : buttons_(std::move(buttons)), on_open_(std::move(on_open)), script_({[this] { return OnTick(); }}, 40) {}

    const std::vector<SeenPopup>& Seen() const { return seen_; }
    // The most popups ever shown at the same moment.
    int MostOpenAtOnce() const { return most_open_; }

private:
    // Never done: it answers for as long as it lives.
    bool OnTick() {
        auto popups = ThreadWindows(Visible(OfClass(L"TForm5")));
        most_open_ = std::max(most_open_, static_cast<int>(popups.size()));
        if (popups.empty()) {
            current_ = nullptr;
        } else if (popups.front() != current_) {
            current_ = popups.front();
            ticks_open_ = 0;
            seen_.push_back({WindowText(GetDlgItem(current_, TForm5::Label1)),
                             WindowText(GetDlgItem(current_, TForm5::Label2))});
            if (on_open_) on_open_(current_);
        } else if (++ticks_open_ >= 3) {
            int button = TForm5::SpeedButton2;
            if (!buttons_.empty()) {
                button = buttons_.front();
                buttons_.erase(buttons_.begin());
            }
            // The popup is hidden by the click, so the next visible one is new.
            HWND answered = std::exchange(current_, nullptr);
            SendMessageW(GetDlgItem(answered, button), BM_CLICK, 0, 0);
        }
        return false;
    }

    std::vector<int> buttons_;
    std::function<void(HWND)> on_open_;
    std::vector<SeenPopup> seen_;
    HWND current_ = nullptr;
    int ticks_open_ = 0;
    int most_open_ = 0;
    TimerScript script_;
};

class PopupTest : public AppTest {
protected:
    PopupTest() {
        keep_reminder_scan_ = true;
        SetClockForTesting([] { return Now10(); });
    }
    ~PopupTest() override { SetClockForTesting({}); }

    // The tests' clock: 2024-03-15 10:00.
    static DateTime Now10() { return At(15, 10, 0); }
    static DateTime At(unsigned day, int hour, int minute) {
        return DateTime::FromParts(std::chrono::year{2024} / 3 / day, {hour, minute, 0, 0});
    }

    void Seed(const std::vector<PopupRecord>& records) const {
        SeedTable(records, [](EventCursor& cursor, const PopupRecord& record) {
            cursor.SetFieldText("subject", record.subject);
            cursor.SetFieldText("memo", record.memo);
            cursor.SetFieldText("accepttext", record.accept_text);
            cursor.SetFieldDateTime("nextalarm", record.next_alarm);
            cursor.SetFieldText("type", "Meeting");
        });
    }

    // The scan ticks a second after start; its popups are answered meanwhile.
    void PumpPastScan(int milliseconds = 2000) { Pump(milliseconds); }

    static std::vector<std::wstring> Subjects(const PopupAnswerer& answerer) {
        std::vector<std::wstring> subjects;
        for (const auto& seen : answerer.Seen()) subjects.push_back(seen.subject);
        return subjects;
    }
};

}  // namespace orbelle::testing
