#pragma once
// The command-line forms: `/import FILE`, `/export FILE`, `/export-csv FILE`,
// `/backup`, `/sync-set URL USER` and `/sync` run without any window and
// without the single-instance guard, on the program folder's table, write
// their messages to standard error and end with an exit code; a bare `FILE.ics` (what "Open with"
// passes) is imported by the running copy or by a new one.
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace orbelle {

// Exit codes of the file forms.
inline constexpr int kExitDone = 0;
inline constexpr int kExitFileRefused = 1;  // nothing was stored
inline constexpr int kExitTableUnavailable = 2;

// The arguments of a command line such as GetCommandLineW's, split as
// CommandLineToArgvW splits them, without the program's own path.
std::vector<std::wstring> CommandLineArguments(const wchar_t* command_line);

// The exit code of the form the arguments (without the program's name)
// name; nullopt when they name none, and the program starts as usual.
std::optional<int> RunCommandLine(const std::vector<std::wstring>& arguments);

// The iCalendar file of a bare `FILE.ics` argument.
std::optional<std::filesystem::path> FileToOpen(std::span<const std::wstring> arguments);

// Hands the file to a running copy's list window, the copy of this program
// folder first; false when no copy runs.
bool HandToRunningCopy(const std::filesystem::path& file, const std::filesystem::path& program_folder);

// Tells every running copy's list window that the event table changed.
void TellRunningCopies();

}  // namespace orbelle
