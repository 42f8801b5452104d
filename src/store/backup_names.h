#pragma once
// Names of the backup files, TODOLIST-YYYYMMDD-HHMMSS.DB in local time, and
// which of them to keep.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/datetime.h"

namespace orbelle {

// How many of the newest backups are always kept, and over how many past
// weeks the newest backup of each week is kept as well.
inline constexpr std::size_t kKeepNewestBackups = 10;
inline constexpr int kKeepWeeklyBackups = 8;

// "TODOLIST-20261210-140512.DB" for the moment given, to the second.
std::string BackupFileName(DateTime taken);
// The moment in a backup's file name; nullopt for any other name, so that
// files of other kinds in the folder are never taken for backups.
std::optional<DateTime> ParseBackupFileName(std::string_view name);

// The positions in `taken` of the backups to delete: all but the newest
// kKeepNewestBackups and the newest one of each of the last
// kKeepWeeklyBackups calendar weeks (Monday to Sunday, the week of `now`
// the last of them). A backup dated after now counts among the newest.
std::vector<std::size_t> BackupsToRemove(const std::vector<DateTime>& taken, DateTime now);

}  // namespace orbelle
