#include "exchange/exchange_commands.h"

#include <algorithm>
#include <string>
#include <utility>

#include "exchange/exchange_actions.h"
#include "platform/program_messages.h"

namespace orbelle {
namespace {
// Posted to the list window: import the queued files once the message loop
// runs.
constexpr UINT kImportQueuedMessage = WM_APP + 13;
}  // namespace

ExchangeCommands::ExchangeCommands(WindowContext context, EventChanges& changes)
    : context_(std::move(context)), changes_(changes) {}

std::filesystem::path ExchangeCommands::TableFile() const { return context_.program_folder / "db" / "TODOLIST.DB"; }

void ExchangeCommands::AddToolsItems(ToolsMenu& tools) {
    tools.AddGroup({
        {.command = kCmdImportICalendar,
         .caption = L"Import iCalendar File...",
         .run = [this](HWND owner) { ImportICalendar(owner); }},
        {.command = kCmdExportICalendar,
         .caption = L"Export iCalendar File...",
         .run = [this](HWND owner) { ExportICalendarAskingForFile(owner, TableFile()); }},
        {.command = kCmdExportCsv,
         .caption = L"Export CSV File...",
         .run = [this](HWND owner) { ExportCsvAskingForFile(owner, TableFile()); }},
    });
}

void ExchangeCommands::ImportICalendar(HWND owner, const std::filesystem::path& file) {
    ImportICalendarShowingSummary(owner, TableFile(), file, [this] { changes_.EventsReloaded(); });
}

void ExchangeCommands::QueueImport(std::filesystem::path file) {
    queued_imports_.push_back(std::move(file));
    PostMessageW(list_, kImportQueuedMessage, 0, 0);
}

void ExchangeCommands::ImportQueuedFiles() {
    std::vector<std::filesystem::path> files = std::move(queued_imports_);
    queued_imports_.clear();
    for (const auto& file : files) ImportICalendar(list_, file);
}

bool ExchangeCommands::OnWindowMessage(HWND, UINT message, WPARAM, LPARAM lparam, LRESULT& result) {
    if (message == WM_COPYDATA) {
        const auto& data = *reinterpret_cast<const COPYDATASTRUCT*>(lparam);
        if (data.dwData != kImportFileCopyData) return false;
        result = FALSE;
        if (!data.lpData || data.cbData % sizeof(wchar_t) != 0 || data.cbData > 64 * 1024) return true;
        std::wstring path(static_cast<const wchar_t*>(data.lpData), data.cbData / sizeof(wchar_t));
        path.erase(std::find(path.begin(), path.end(), L'\0'), path.end());
        // The sender waits for this answer: the import and its summary come later.
        QueueImport(path);
        result = TRUE;
        return true;
    }
    if (message == kImportQueuedMessage) {
        ImportQueuedFiles();
        result = 0;
        return true;
    }
    return false;
}

}  // namespace orbelle
