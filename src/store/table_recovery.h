#pragma once
// Putting a backup in the table's place: the damaged file moved aside (never
// deleted), or a sound one saved as a backup first.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "base/datetime.h"
#include "store/backups.h"

namespace orbelle {

// Moves the table file, and with it its -journal, -wal and -shm (a journal
// belongs to its file: left behind it would be played into the next file of
// that name), into `folder` under a backup's name (the next number there,
// `now`) and the same endings. Returns the moved table file. Throws Error
// when it cannot; then nothing has moved.
std::filesystem::path MoveTableAside(const std::filesystem::path& table, const std::filesystem::path& folder,
                                     DateTime now);

struct RestoreResult {
    std::int64_t events = 0;                   // in the restored table
    std::optional<BackupEntry> saved;          // the sound table saved first
    std::optional<std::filesystem::path> moved_aside;  // the damaged table kept
};

// Why the file cannot be renamed over now (on Windows: another handle holds
// it without sharing its deletion), or nullopt when it can.
using ReplaceCheck = std::function<std::optional<std::string>(const std::filesystem::path& file)>;

// Replaces the table by the backup, or changes nothing: a failed restore
// leaves the table and every backup as they were. In order: the table is
// examined (one that is only unavailable, locked or busy, is not replaced)
// and `replaceable` asked; the backup is copied and checked beside the table;
// a sound table is saved as a new backup, a damaged one moved to db/damaged;
// the copy is renamed into the table's place (when that fails, the saved
// backup is removed again, the damaged table moved back); only then are old
// backups pruned, never the one restored. Throws Error when it did not
// restore. The caller closes every connection to the table before (the
// rename fails on Windows while one is open) and opens them again after.
RestoreResult RestoreTable(const std::filesystem::path& table, const std::filesystem::path& backup, DateTime now,
                           const ReplaceCheck& replaceable = {});

}  // namespace orbelle
