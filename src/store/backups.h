#pragma once
// Backups of the event table in db/backups: online copies made while the
// program runs, each checked before it takes its name, the oldest removed
// only once a new one is in place.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "base/datetime.h"
#include "store/backup_names.h"
#include "store/sqlite.h"

namespace orbelle {

// db/backups and db/damaged beside the table file.
std::filesystem::path BackupFolderFor(const std::filesystem::path& table);
std::filesystem::path DamagedFolderFor(const std::filesystem::path& table);

struct BackupEntry {
    std::filesystem::path file;
    DateTime taken;  // local time, from the file's name
    std::int64_t number = 0;  // the order of creation, from the name (0: a name of the older form)
    std::uintmax_t bytes = 0;
    std::optional<std::int64_t> events;  // nullopt when the copy cannot be read
};

// Pages per step: small enough that one step keeps a window's thread busy
// only briefly (the benchmark measures the longest step).
inline constexpr int kBackupStepPages = 256;

// One backup in the making. The caller drives it with Step (from a timer of
// its window, or in a loop on a thread of its own: the job owns its two
// connections) and ends it with Finish. Dropping an unfinished job removes
// its temporary file.
class BackupJob {
public:
    // Opens the table for reading and a temporary file in the folder (made
    // when missing) under the name the backup will take: the next number
    // after every backup in the folder, and `now`, the local time.
    BackupJob(const std::filesystem::path& table, const std::filesystem::path& folder, DateTime now);
    BackupJob(const BackupJob&) = delete;
    BackupJob& operator=(const BackupJob&) = delete;
    ~BackupJob();

    // Copies up to `pages` more pages; true once all are copied.
    bool Step(int pages = kBackupStepPages);
    enum class AfterNaming { Prune, KeepAll };
    // After the last step: checks the copy (integrity_check and the 37
    // columns in order), renames it into place, then (Prune) removes the
    // backups no longer kept. Throws Error when the copy fails its check.
    BackupEntry Finish(AfterNaming after = AfterNaming::Prune);

    int PageCount() const { return copy_ ? copy_->PageCount() : 0; }
    int Remaining() const { return copy_ ? copy_->Remaining() : 0; }
    const std::filesystem::path& File() const { return final_; }

private:
    std::filesystem::path folder_;
    std::filesystem::path final_;
    std::filesystem::path temp_;
    BackupStamp stamp_;
    sql::Database from_;
    sql::Database to_;
    std::optional<sql::Backup> copy_;
    bool finished_ = false;
};

// A whole backup at once: for the command line and the tests.
BackupEntry MakeBackup(const std::filesystem::path& table, const std::filesystem::path& folder, DateTime now);

// The number the next backup in the folder takes: one more than that of
// any backup there, or of any file named after one (a temporary copy, a
// journal), so that it is the newest whatever the clock says.
std::int64_t NextBackupNumber(const std::filesystem::path& folder);

// Every backup in the folder, newest (last made) first, with its size and its count of
// events (nullopt for a copy that cannot be read). Other files are ignored.
std::vector<BackupEntry> ListBackups(const std::filesystem::path& folder);

// The newest backup that passes the full check, for the offer to restore.
std::optional<BackupEntry> NewestGoodBackup(const std::filesystem::path& folder);

// Whether the table differs from the newest backup: true when there is no
// backup or either file cannot be read (a backup attempt then tells what is
// wrong). Compares the files page for page, leaving out the header counters
// that the copy writes for itself, so an unchanged table is never copied
// again and any change of a record is seen: no change leaves every page as
// it was. Reads both files whole: for 100,000 events about 14 MB each.
bool ChangedSinceNewestBackup(const std::filesystem::path& table, const std::filesystem::path& folder);

// Removes the backups that BackupsToRemove names, but never `spare` (the
// backup a restore has just put in place); files it cannot remove stay for
// the next time. Returns the files removed.
std::vector<std::filesystem::path> PruneBackups(const std::filesystem::path& folder, DateTime now,
                                                const std::filesystem::path& spare = {});

}  // namespace orbelle
