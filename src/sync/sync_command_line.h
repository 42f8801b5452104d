#pragma once
// The sync's command-line forms, for scripts: `/sync-set URL USER` (the
// password on standard input) stores the settings once the server shows a
// calendar; `/sync [/confirm-deletions]` runs one sync and prints its summary.
#include <filesystem>
#include <string>
#include <vector>

namespace orbelle::sync {

inline constexpr int kSyncExitDone = 0;
inline constexpr int kSyncExitFailed = 1;
inline constexpr int kSyncExitBadArguments = 2;
inline constexpr int kSyncExitStoppedByGuard = 3;

struct FormResult {
    int exit_code = kSyncExitDone;
    bool table_changed = false;  // running copies should read the table again
};

FormResult RunSyncSetForm(const std::filesystem::path& program_folder, const std::vector<std::wstring>& arguments);
FormResult RunSyncForm(const std::filesystem::path& program_folder, const std::vector<std::wstring>& arguments);

}  // namespace orbelle::sync
