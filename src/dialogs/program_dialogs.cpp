#include "dialogs/program_dialogs.h"

#include "dialogs/about_box.h"
#include "dialogs/find_dialog.h"
#include "dialogs/options_dialog.h"

namespace orbelle {

void DialogCommands::ShowOptions() {
    if (options_) options_->ShowOptions();
}

void DialogCommands::ShowAbout() {
    shown_.push_back(MakeWindow<AboutBox>(context_));
    shown_.back()->ShowModal();
}

void DialogCommands::ShowFind() {
    shown_.push_back(MakeWindow<FindDialog>(context_));
    shown_.back()->ShowModal();
}

void DialogCommands::DestroyShown() {
    while (!shown_.empty()) shown_.pop_back();
}

}  // namespace orbelle
