#include "exchange/exchange_actions.h"

#include <commdlg.h>

#include <optional>
#include <string>

#include "exchange/exchange_context.h"
#include "platform/file_dialogs.h"
#include "platform/wide.h"

namespace orbelle {
namespace {

namespace fs = std::filesystem;

struct FileKind {
    const wchar_t* filter;  // pairs of title and pattern, each ended by a null
    const wchar_t* extension;
};

constexpr FileKind kICalendarFiles{L"iCalendar files (*.ics)\0*.ics\0All files (*.*)\0*.*\0", L"ics"};
constexpr FileKind kCsvFiles{L"CSV files (*.csv)\0*.csv\0All files (*.*)\0*.*\0", L"csv"};

std::optional<fs::path> AskForFile(HWND owner, const FileKind& kind, const wchar_t* title, bool save) {
    std::wstring name(32768, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = kind.filter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = name.data();
    dialog.nMaxFile = static_cast<DWORD>(name.size());
    dialog.lpstrTitle = title;
    dialog.lpstrDefExt = kind.extension;
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR |
                   (save ? OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST : OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST);
    if (!(save ? ShowSaveFileDialog(dialog) : ShowOpenFileDialog(dialog))) return std::nullopt;
    name.resize(wcslen(name.c_str()));
    return fs::path(name);
}

// The work may take seconds on a large table: the wait cursor meanwhile.
class WaitCursor {
public:
    WaitCursor() : previous_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { SetCursor(previous_); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    HCURSOR previous_;
};

void Tell(HWND owner, const std::string& text, const wchar_t* title, UINT icon) {
    MessageBoxW(owner, Widen(text).c_str(), title, MB_OK | icon | MB_SETFOREGROUND);
}

template <void (*Export)(const fs::path&, const fs::path&, const ExchangeContext&)>
void ExportAskingForFile(HWND owner, const fs::path& table, const FileKind& kind, const wchar_t* title) {
    std::optional<fs::path> file = AskForFile(owner, kind, title, true);
    if (!file) return;
    try {
        WaitCursor waiting;
        Export(table, *file, SystemExchangeContext());
    } catch (const std::exception& error) {
        Tell(owner, error.what(), title, MB_ICONSTOP);
    }
}

}  // namespace

bool ImportICalendarShowingSummary(HWND owner, const fs::path& table, fs::path file,
                                   const std::function<void()>& show_stored) {
    constexpr const wchar_t* kTitle = L"Import iCalendar File";
    if (file.empty()) {
        std::optional<fs::path> chosen = AskForFile(owner, kICalendarFiles, kTitle, false);
        if (!chosen) return false;
        file = *chosen;
    }
    ImportReport report;
    {
        WaitCursor waiting;
        report = ImportICalendarFile(table, file, SystemExchangeContext());
    }
    bool imported = report.outcome == ImportOutcome::Imported;
    bool stored = imported && report.added + report.updated > 0;
    if (stored) show_stored();
    Tell(owner, report.Summary(), kTitle, imported ? MB_ICONINFORMATION : MB_ICONSTOP);
    return stored;
}

void ExportICalendarAskingForFile(HWND owner, const fs::path& table) {
    ExportAskingForFile<ExportICalendarFile>(owner, table, kICalendarFiles, L"Export iCalendar File");
}

void ExportCsvAskingForFile(HWND owner, const fs::path& table) {
    ExportAskingForFile<ExportCsvFile>(owner, table, kCsvFiles, L"Export CSV File");
}

}  // namespace orbelle
