#pragma once
// The one way to a connection to an event table file, for everything that
// reads or writes it: the cursor, the read beside the start-up, the
// examination, the reminder state, import and export, backups and restore.
//
// The file is judged first on an immutable view of its bytes, which takes no
// lock, reads no journal or log and creates no file: a file that holds no
// event table of ours (another program's database, in WAL mode or with a hot
// journal) is refused there and keeps every byte of itself and of its
// -journal, -wal and -shm files. Only our table then gets a normal
// connection, which rolls back its own hot journal; one that may write
// changes nothing more (no journal mode, no table) until the file has also
// passed its check on that connection: quick_check, or, for a file unchanged
// since a clean close after a checked open (store/table_seal.h), the schema.
#include <chrono>
#include <filesystem>

#include "store/sqlite.h"

namespace orbelle {

enum class CheckDepth {
    Quick,  // PRAGMA quick_check: what every writer's open relies on
    Full,   // PRAGMA integrity_check, also indexes against their tables
};

enum class TableAccess {
    // A read-only connection: it writes nothing, nor rolls back a journal,
    // which is left for a writer's open.
    kRead,
    // Read and write, durably (a truncated journal, synced commits), once the
    // file has passed the check of `depth`.
    kWrite,
    // kWrite, or a fresh table with the schema, folder and all, where the file
    // is missing: the cursor's open.
    kCreateOrWrite,
};

// Opens the table file for this use, or throws sql::Failure with the reason:
// kDamage when the bytes are no sound event table of ours (not a database,
// another program's, damaged), kTrouble when it cannot be read now (missing,
// locked, busy, no access). busy_wait: how long a statement waits on another
// program's lock.
sql::Database OpenEventTable(const std::filesystem::path& file, TableAccess access,
                             CheckDepth depth = CheckDepth::Quick,
                             std::chrono::milliseconds busy_wait = std::chrono::seconds(5));

}  // namespace orbelle
