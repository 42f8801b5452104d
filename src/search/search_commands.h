#pragma once
// The search as a capability beside the list: "Search Events..." in the
// Tools menu and Ctrl+F in the list open the one search window, made at the
// first use (never at start) and kept, hidden, until the end. It hears
// "the events changed" so its results follow every change; opening and
// deleting an event go through the list, which owns the cursor.
#include <windows.h>

#include <cstdint>

#include "search/search_window.h"
#include "store/cursor_gate.h"
#include "store/event_changes.h"
#include "ui/tools_menu.h"
#include "ui/window_context.h"

namespace orbelle {

enum SearchCommand : WORD {
    kCmdSearchEvents = 350,
};

class SearchCommands final : public EventChangeSink, private SearchWindow::Actions {
public:
    explicit SearchCommands(WindowContext context);
    SearchCommands(const SearchCommands&) = delete;
    SearchCommands& operator=(const SearchCommands&) = delete;

    void AddToolsItems(ToolsMenu& tools);
    // The list made: the events open and are deleted through it.
    void Attach(EventListAccess& list) { list_ = &list; }
    // Before the list goes: the window goes first, writing its place.
    void Detach();

    // Shows the window, making it the first time.
    void ShowSearch();
    // Null until the first ShowSearch.
    SearchWindow* Window() const { return window_.get(); }

    void EventSaved(std::int64_t id) override;
    void EventDeleted(std::int64_t id) override;
    void EventsReloaded() override;

private:
    void Open(std::int64_t event_id) override;
    void Delete(std::int64_t event_id, HWND owner) override;

    WindowContext context_;
    EventListAccess* list_ = nullptr;
    WindowPtr<SearchWindow> window_;
};

}  // namespace orbelle
