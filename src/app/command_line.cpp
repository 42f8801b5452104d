#include "app/command_line.h"

#include <windows.h>

#include <cwctype>
#include <exception>
#include <string_view>

#include "app/application.h"
#include "exchange/exchange_context.h"
#include "base/clock.h"
#include "base/error.h"
#include "base/text.h"
#include "platform/handles.h"
#include "platform/program_messages.h"
#include "platform/shell_libraries.h"
#include "platform/standard_streams.h"
#include "platform/wide.h"
#include "store/backups.h"
#include "store/table_health.h"
#include "sync/sync_command_line.h"

namespace orbelle {
namespace {

namespace fs = std::filesystem;

bool SameText(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() && CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                                        static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

fs::path TableOf(const fs::path& program_folder) { return program_folder / "db" / "TODOLIST.DB"; }

int RunImport(const fs::path& table, const fs::path& file) {
    ImportReport report = ImportICalendarFile(table, file, SystemExchangeContext());
    if (report.outcome == ImportOutcome::Imported) {
        if (!report.notes.empty()) WriteStandardError(report.Summary());
        if (report.added + report.updated > 0) TellRunningCopies();
        return kExitDone;
    }
    WriteStandardError(report.Summary());
    return report.outcome == ImportOutcome::Refused ? kExitFileRefused : kExitTableUnavailable;
}

template <void (*Export)(const fs::path&, const fs::path&, const ExchangeContext&)>
int RunExport(const fs::path& table, const fs::path& file) {
    try {
        Export(table, file, SystemExchangeContext());
        return kExitDone;
    } catch (const std::exception& error) {
        WriteStandardError(error.what());
        // A table that opens means the file was the trouble.
        return ExamineTable(table).state == TableState::Sound ? kExitFileRefused : kExitTableUnavailable;
    }
}

int BackUpNow(const std::vector<std::wstring>& arguments) {
    if (!arguments.empty()) {
        WriteStandardError("usage: Orbelle.exe /backup\n");
        return 2;
    }
    const std::filesystem::path table = ExecutableFolder() / "db" / "TODOLIST.DB";
    try {
        if (!std::filesystem::is_regular_file(table)) throw std::runtime_error("there is no event table " + PathToUtf8(table));
        const BackupEntry backup = MakeBackup(table, BackupFolderFor(table), Now());
        WriteStandardError("Backed up " + std::to_string(backup.events.value_or(0)) + " events to " +
                           PathToUtf8(backup.file) + "\n");
        return 0;
    } catch (const std::exception& error) {
        WriteStandardError(std::string("The events could not be backed up: ") + error.what() + "\n");
        return 1;
    }
}

// A file form: one FILE argument, the program folder's table.
template <int (*Run)(const fs::path& table, const fs::path& file)>
int RunFileForm(const std::vector<std::wstring>& arguments, std::wstring_view name) {
    if (arguments.size() != 1) {
        WriteStandardError("Usage: Orbelle.exe " + Narrow(name) + " FILE");
        return kExitFileRefused;
    }
    return Run(TableOf(ExecutableFolder()), fs::absolute(fs::path(arguments[0])));
}

template <sync::FormResult (*Form)(const fs::path&, const std::vector<std::wstring>&)>
int RunSyncForm(const std::vector<std::wstring>& arguments) {
    const sync::FormResult result = Form(ExecutableFolder(), arguments);
    if (result.table_changed) TellRunningCopies();
    return result.exit_code;
}

struct CommandForm {
    std::wstring_view name;  // compared without regard to case
    int (*run)(const std::vector<std::wstring>& rest);
};

constexpr CommandForm kForms[] = {
    {L"/import", [](const std::vector<std::wstring>& rest) { return RunFileForm<RunImport>(rest, L"/import"); }},
    {L"/export",
     [](const std::vector<std::wstring>& rest) {
         return RunFileForm<RunExport<ExportICalendarFile>>(rest, L"/export");
     }},
    {L"/export-csv",
     [](const std::vector<std::wstring>& rest) { return RunFileForm<RunExport<ExportCsvFile>>(rest, L"/export-csv"); }},
    {L"/backup", BackUpNow},
    {L"/sync-set", [](const std::vector<std::wstring>& rest) { return RunSyncForm<sync::RunSyncSetForm>(rest); }},
    {L"/sync", [](const std::vector<std::wstring>& rest) { return RunSyncForm<sync::RunSyncForm>(rest); }},
};

fs::path ProcessFolder(DWORD process_id) {
    OwnedKernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process_id));
    if (!process.Get()) return {};
    std::wstring path(MAX_PATH * 4, L'\0');
    DWORD length = static_cast<DWORD>(path.size());
    if (!QueryFullProcessImageNameW(process.Get(), 0, path.data(), &length)) return {};
    path.resize(length);
    return fs::path(path).parent_path();
}

bool SameFolder(const fs::path& a, const fs::path& b) {
    return !a.empty() && SameText(a.lexically_normal().wstring(), b.lexically_normal().wstring());
}

}  // namespace

std::vector<std::wstring> CommandLineArguments(const wchar_t* command_line) {
    // Started with no arguments, as nearly always, the program does not wait
    // for shell32 here: only blanks follow the program's name, which ends at
    // its closing quote, or at the first blank when it is not quoted.
    // Anything else is split by shell32.
    const wchar_t* rest = command_line;
    if (*rest == L'"') {
        ++rest;
        while (*rest && *rest != L'"') ++rest;
        if (*rest) ++rest;
    } else {
        while (*rest && *rest != L' ' && *rest != L'\t') ++rest;
    }
    while (*rest == L' ' || *rest == L'\t') ++rest;
    if (!*rest) return {};
    int count = 0;
    wchar_t** values = SplitCommandLine(command_line, count);
    std::vector<std::wstring> arguments;
    for (int i = 1; values && i < count; ++i) arguments.emplace_back(values[i]);
    if (values) LocalFree(values);
    return arguments;
}

std::optional<int> RunCommandLine(const std::vector<std::wstring>& arguments) {
    if (arguments.empty()) return std::nullopt;
    for (const CommandForm& form : kForms) {
        if (!SameText(arguments[0], form.name)) continue;
        return form.run({arguments.begin() + 1, arguments.end()});
    }
    return std::nullopt;
}

std::optional<fs::path> FileToOpen(std::span<const std::wstring> arguments) {
    if (arguments.size() != 1) return std::nullopt;
    fs::path file(arguments[0]);
    if (!SameText(file.extension().wstring(), L".ics")) return std::nullopt;
    return fs::absolute(file);
}

bool HandToRunningCopy(const fs::path& file, const fs::path& program_folder) {
    HWND chosen = nullptr;
    for (HWND list = nullptr; (list = FindWindowExW(nullptr, list, kListWindowClass, nullptr));) {
        DWORD process_id = 0;
        GetWindowThreadProcessId(list, &process_id);
        if (process_id == GetCurrentProcessId()) continue;
        if (!chosen) chosen = list;
        if (SameFolder(ProcessFolder(process_id), program_folder)) {
            chosen = list;
            break;
        }
    }
    if (!chosen) return false;
    DWORD process_id = 0;
    GetWindowThreadProcessId(chosen, &process_id);
    // The summary it shows may come to the front.
    AllowSetForegroundWindow(process_id);
    std::wstring path = file.wstring();
    COPYDATASTRUCT data{kImportFileCopyData, static_cast<DWORD>(path.size() * sizeof(wchar_t)), path.data()};
    DWORD_PTR accepted = FALSE;
    return SendMessageTimeoutW(chosen, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, 10000,
                               &accepted) &&
           accepted == TRUE;
}

void TellRunningCopies() {
    for (HWND list = nullptr; (list = FindWindowExW(nullptr, list, kListWindowClass, nullptr));)
        PostMessageW(list, EventsChangedMessage(), 0, 0);
}

}  // namespace orbelle
