#include "app/command_line.h"

#include <windows.h>

#include <exception>
#include <string_view>

#include "app/application.h"
#include "base/clock.h"
#include "base/text.h"
#include "store/backups.h"

namespace orbelle {
namespace {

// A GUI program has no console of its own: the handle it inherited, or the
// console of the program that started it.
void WriteStandardError(const std::string& text) {
    HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
    if (!handle || handle == INVALID_HANDLE_VALUE) {
        if (AttachConsole(ATTACH_PARENT_PROCESS)) handle = GetStdHandle(STD_ERROR_HANDLE);
    }
    if (!handle || handle == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
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

struct CommandForm {
    std::wstring_view name;  // compared without regard to case
    int (*run)(const std::vector<std::wstring>& rest);
};

constexpr CommandForm kForms[] = {
    {L"/backup", BackUpNow},
};

}  // namespace

std::optional<int> RunCommandLine(const std::vector<std::wstring>& arguments) {
    if (arguments.empty()) return std::nullopt;
    for (const CommandForm& form : kForms) {
        if (CompareStringOrdinal(arguments[0].c_str(), static_cast<int>(arguments[0].size()), form.name.data(),
                                 static_cast<int>(form.name.size()), TRUE) != CSTR_EQUAL)
            continue;
        return form.run({arguments.begin() + 1, arguments.end()});
    }
    return std::nullopt;
}

}  // namespace orbelle
