#pragma once
// Putting a backup in the table's place: the damaged file moved aside (never
// deleted), or a sound one saved as a backup first.
#include <cstdint>
#include <filesystem>
#include <optional>

#include "base/datetime.h"
#include "store/backups.h"

namespace orbelle {

// Moves the table file, and with it its -journal, -wal and -shm (a journal
// belongs to its file: left behind it would be played into the next file of
// that name), into `folder` as TODOLIST-<stamp>.DB and the same endings.
// Returns the moved table file. Throws Error when it cannot; then nothing has
// moved.
std::filesystem::path MoveTableAside(const std::filesystem::path& table, const std::filesystem::path& folder,
                                     DateTime now);

struct RestoreResult {
    std::int64_t events = 0;                   // in the restored table
    std::optional<BackupEntry> saved;          // the sound table saved first
    std::optional<std::filesystem::path> moved_aside;  // the damaged table kept
};

// Replaces the table by the backup. The backup is copied and checked beside
// the table first; then a sound table is saved as a new backup, a damaged
// one is moved to db/damaged; then the copy is renamed into the table's
// place. A table that is only unavailable (locked, busy) is not replaced:
// Error. The caller closes its cursor before and opens it again after.
RestoreResult RestoreTable(const std::filesystem::path& table, const std::filesystem::path& backup, DateTime now);

}  // namespace orbelle
