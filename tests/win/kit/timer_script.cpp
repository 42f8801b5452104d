#include "kit/timer_script.h"

#include <algorithm>
#include <string>
#include <utility>

#include "kit/window_finder.h"

namespace orbelle::testing {
namespace {

struct Running {
    UINT_PTR timer;
    TimerScript* script;
};

std::vector<Running>& RunningScripts() {
    static std::vector<Running> scripts;
    return scripts;
}

}  // namespace

TimerScript::TimerScript(std::vector<Step> steps, UINT interval_ms) : steps_(std::move(steps)) {
    timer_ = SetTimer(nullptr, 0, interval_ms, Tick);
    RunningScripts().push_back({timer_, this});
}

TimerScript::~TimerScript() {
    KillTimer(nullptr, timer_);
    std::erase_if(RunningScripts(), [this](const Running& running) { return running.script == this; });
}

void CALLBACK TimerScript::Tick(HWND, UINT, UINT_PTR timer, DWORD) {
    auto& scripts = RunningScripts();
    auto running = std::find_if(scripts.begin(), scripts.end(), [timer](const Running& r) { return r.timer == timer; });
    if (running == scripts.end()) return;
    TimerScript* self = running->script;
    if (self->busy_ || self->Finished()) return;
    self->busy_ = true;
    // The step may end the script's owner's loop; the script lives on until
    // its owner's scope ends, so this object is still valid afterwards.
    if (self->steps_[self->next_]()) ++self->next_;
    self->busy_ = false;
}

TimerScript::Step WhenVisible(std::wstring class_name, std::function<void(HWND)> action) {
    return [class_name = std::move(class_name), action = std::move(action)] {
        HWND window = VisibleThreadWindow(class_name);
        if (!window) return false;
        action(window);
        return true;
    };
}

}  // namespace orbelle::testing
