#include "search/search_commands.h"

#include <utility>

namespace orbelle {

SearchCommands::SearchCommands(WindowContext context) : context_(std::move(context)) {}

void SearchCommands::AddToolsItems(ToolsMenu& tools) {
    tools.AddGroup({{.command = kCmdSearchEvents,
                     .caption = L"Search Events...\tCtrl+F",
                     .run = [this](HWND) { ShowSearch(); },
                     .modifiers = FCONTROL,
                     .key = 'F'}});
}

void SearchCommands::Detach() {
    window_.reset();
    list_ = nullptr;
}

void SearchCommands::ShowSearch() {
    if (!window_) window_ = MakeWindow<SearchWindow>(context_, static_cast<SearchWindow::Actions&>(*this));
    if (window_->Hwnd()) window_->ShowInFront();
}

void SearchCommands::EventSaved(std::int64_t id) {
    if (window_ && window_->Hwnd()) window_->EventSaved(id);
}

void SearchCommands::EventDeleted(std::int64_t id) {
    if (window_ && window_->Hwnd()) window_->EventDeleted(id);
}

void SearchCommands::EventsReloaded() {
    if (window_ && window_->Hwnd()) window_->EventsReloaded();
}

// As Modify in the list: while an editor or a popup of the scan holds the
// cursor, nothing opens and a beep says so.
void SearchCommands::Open(std::int64_t event_id) {
    if (!list_ || !list_->OpenEvent(event_id)) MessageBeep(MB_OK);
}

void SearchCommands::Delete(std::int64_t event_id, HWND owner) {
    if (!list_ || !list_->DeleteEvent(event_id, owner)) MessageBeep(MB_OK);
}

}  // namespace orbelle
