#pragma once
// What the fault-VFS store tests share: a table file on a memory disk where
// there is one, put back to its saved image before each run, and a reading of
// its integrity check.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <string>
#include <system_error>

#include "temp_folder.h"

namespace orbelle {

// "ok" for a sound file, else the check's first finding or the error that stopped it.
inline std::string IntegrityCheck(sqlite3* db) {
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &statement, nullptr);
    std::string integrity = sqlite3_step(statement) == SQLITE_ROW
                                ? reinterpret_cast<const char*>(sqlite3_column_text(statement, 0))
                                : sqlite3_errmsg(db);
    sqlite3_finalize(statement);
    return integrity;
}

class FaultTableTest : public ::testing::Test {
protected:
    std::filesystem::path Table() const { return folder_.Path() / "db" / "TODOLIST.DB"; }

    // An empty journal is no hot journal; emptying it is cheaper than a new file each time.
    void PutBase() const {
        WriteBytes(Table().string() + "-journal", "");
        WriteBytes(Table(), base_);
    }

    // The VFS is the disk here; the real files only hold its content, so a
    // memory disk serves where there is one and spares the real disk's flushes.
    static std::filesystem::path Scratch() {
        std::error_code ec;
        return std::filesystem::is_directory("/dev/shm", ec) ? std::filesystem::path("/dev/shm")
                                                             : std::filesystem::temp_directory_path();
    }

    TempFolder folder_{Scratch()};
    std::string base_;  // the table's bytes that PutBase writes back
};

}  // namespace orbelle
