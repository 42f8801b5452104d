#pragma once
// Names of the backup files and which of them to keep. A backup is named
// TODOLIST-YYYYMMDD-HHMMSS-N.DB: the local time it was made, for the user,
// and its number N, one more than any backup before it in the folder. The
// number gives the order of creation, which the local time cannot: the
// clock may be set back, wrong for a while, or repeat an hour in autumn.
// Names of the older form TODOLIST-YYYYMMDD-HHMMSS.DB are still read: they
// were all made before any numbered one.
#include <cstdint>
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

struct BackupStamp {
    // The order of creation; 0 for a name of the older form.
    std::int64_t number = 0;
    // The local time the backup was made, as the user's clock showed it.
    DateTime taken;

    bool operator==(const BackupStamp&) const = default;
};

// Whether `a` was made after `b`: the higher number; between names of the
// older form, the later time.
bool MadeAfter(const BackupStamp& a, const BackupStamp& b);

// "TODOLIST-20261210-140512-7.DB" for backup 7, made at the moment given (to the second).
std::string BackupFileName(const BackupStamp& stamp);
// The stamp in a backup's file name, of either form; nullopt for any other
// name, so that files of other kinds in the folder are never taken for backups.
std::optional<BackupStamp> ParseBackupFileName(std::string_view name);

// The positions in `backups` of the backups to delete: all but the
// kKeepNewestBackups made last and the last one made in each of the last
// kKeepWeeklyBackups calendar weeks (Monday to Sunday by the time in its
// name, the week of `now` the last of them). A backup dated after now is
// kept only as one of the newest.
std::vector<std::size_t> BackupsToRemove(const std::vector<BackupStamp>& backups, DateTime now);

}  // namespace orbelle
