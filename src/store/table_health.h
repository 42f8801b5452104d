#pragma once
// What state an event table file is in, telling damage (the bytes are not a
// sound event table) from a transient trouble (locked by another program,
// busy, unreadable for now), which must never lead to replacing the file.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>

#include "store/table_open.h"

namespace orbelle {

enum class TableState {
    Missing,      // no file: the cursor creates a fresh table
    Sound,        // passes the check and holds the 37 columns in order
    Damaged,      // not a database, corrupt, empty, or another schema
    Unavailable,  // locked, busy, not readable now, a folder: not damage
};

struct TableHealth {
    TableState state = TableState::Missing;
    std::string reason;     // SQLite's or our words, for Damaged and Unavailable
    std::int64_t events = 0;  // rows of TODOLIST when Sound
};

// Judges the file through the table's one open (store/table_open.h): first
// on its immutable view, so that a file not ours is Damaged with every byte
// of it and its -journal, -wal and -shm kept. Our own table is then opened
// as the cursor opens it, so that SQLite rolls back a hot journal left by a
// killed writer, and is only read; a file that cannot be written keeps its
// journal and is Unavailable.
// busy_wait: how long to wait on another program's lock before giving up.
TableHealth ExamineTable(const std::filesystem::path& file, CheckDepth depth = CheckDepth::Quick,
                         std::chrono::milliseconds busy_wait = std::chrono::seconds(5));

const char* TableStateName(TableState state);

}  // namespace orbelle
