#pragma once
// The tray's Options, About and the toolbar's Find: the options dialog made at
// start, shown again each time; a fresh about box or find dialog each time,
// kept until the end so that each writes its place when it goes, and the
// ones made at start, destroyed after these, have the last word.
#include <vector>

#include "ui/list_rooms.h"
#include "ui/window.h"
#include "ui/window_context.h"

namespace orbelle {

class OptionsDialog;

class DialogCommands final : public ProgramDialogs {
public:
    explicit DialogCommands(WindowContext context) : context_(std::move(context)) {}
    DialogCommands(const DialogCommands&) = delete;
    DialogCommands& operator=(const DialogCommands&) = delete;
    ~DialogCommands() { DestroyShown(); }

    // The options dialog made at start; null once it has gone.
    void SetOptions(OptionsDialog* options) { options_ = options; }

    void ShowOptions() override;
    void ShowAbout() override;
    void ShowFind() override;

    // Every about box and find dialog shown, newest first.
    void DestroyShown();

private:
    WindowContext context_;
    OptionsDialog* options_ = nullptr;
    std::vector<WindowPtr<ModalWindow>> shown_;
};

}  // namespace orbelle
