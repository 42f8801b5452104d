#pragma once
// iCalendar and CSV files in the list's Tools menu: Import iCalendar File...,
// Export iCalendar File..., Export CSV File..., and "Open with": a file handed
// over by another copy of the program (WM_COPYDATA to the list window) or
// given at start, imported once the message loop runs. An import that stored
// events tells every listener that the events changed before its summary shows.
#include <windows.h>

#include <filesystem>
#include <vector>

#include "store/event_changes.h"
#include "ui/list_rooms.h"
#include "ui/tools_menu.h"
#include "ui/window_context.h"

namespace orbelle {

enum ExchangeCommand : WORD {
    kCmdImportICalendar = 250,
    kCmdExportICalendar,
    kCmdExportCsv,
};

class ExchangeCommands final : public WindowMessageHook {
public:
    ExchangeCommands(WindowContext context, EventChanges& changes);

    void AddToolsItems(ToolsMenu& tools);
    // The window that receives handed-over files and owns the dialogs: the
    // list's.
    void Attach(HWND list) { list_ = list; }
    // Imports the file once the message loop runs ("Open with").
    void QueueImport(std::filesystem::path file);
    // Asks for the file unless given one, imports it and shows the summary.
    void ImportICalendar(HWND owner, const std::filesystem::path& file = {});

    bool OnWindowMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;

private:
    std::filesystem::path TableFile() const;
    void ImportQueuedFiles();

    WindowContext context_;
    EventChanges& changes_;
    HWND list_ = nullptr;
    std::vector<std::filesystem::path> queued_imports_;
};

}  // namespace orbelle
