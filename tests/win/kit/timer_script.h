#pragma once
// Drives the program from inside its own modal loops: a thread timer runs
// the script's steps in order, one attempt a tick. A step answers true when
// it has done its work, false to be tried again at the next tick; the last
// step may keep answering false to act on every tick for as long as the
// script lives. A step that opens a nested loop is not re-entered by the
// ticks that come inside it. Several scripts may run at once.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace orbelle::testing {

class TimerScript {
public:
    using Step = std::function<bool()>;

    explicit TimerScript(std::vector<Step> steps, UINT interval_ms = 20);
    ~TimerScript();
    TimerScript(const TimerScript&) = delete;
    TimerScript& operator=(const TimerScript&) = delete;

    // Steps that have done their work.
    size_t Done() const { return next_; }
    bool Finished() const { return next_ == steps_.size(); }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR timer, DWORD);

    std::vector<Step> steps_;
    size_t next_ = 0;
    bool busy_ = false;
    UINT_PTR timer_ = 0;
};

// A step that waits for a visible window of this thread with the class and
// then acts on it once.
TimerScript::Step WhenVisible(std::wstring class_name, std::function<void(HWND)> action);

}  // namespace orbelle::testing
