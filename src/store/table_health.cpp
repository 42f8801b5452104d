#include "store/table_health.h"

#include <sqlite3.h>

#include <optional>
#include <string_view>
#include <system_error>
#include <utility>

#include "store/event_fields.h"

namespace orbelle {
namespace {

// Only these results speak about the bytes of the file; every other failure
// (busy, locked, I/O error, no access, no memory) may pass and is no damage.
bool IsDamage(int rc) {
    int primary = rc & 0xff;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB || primary == SQLITE_FORMAT;
}

TableHealth Failure(sqlite3* db, int rc) {
    std::string reason = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    return {IsDamage(rc) ? TableState::Damaged : TableState::Unavailable, std::move(reason), 0};
}

class Connection {
public:
    ~Connection() { sqlite3_close(db_); }
    int Open(const std::filesystem::path& file) {
        auto name = file.u8string();
        // Without SQLITE_OPEN_CREATE nothing is made where there was no file;
        // a file that cannot be written is opened for reading.
        return sqlite3_open_v2(reinterpret_cast<const char*>(name.c_str()), &db_,
                               SQLITE_OPEN_READWRITE | SQLITE_OPEN_EXRESCODE | SQLITE_OPEN_NOMUTEX, nullptr);
    }
    sqlite3* Handle() const { return db_; }

private:
    sqlite3* db_ = nullptr;
};

// Runs one query and hands each row to on_row; the result code of the
// failure, or SQLITE_OK.
template <typename OnRow>
int Query(sqlite3* db, const char* sql, OnRow&& on_row) {
    sqlite3_stmt* statement = nullptr;
    int rc = sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
    if (rc != SQLITE_OK) return rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        if (!on_row(statement)) {
            rc = SQLITE_DONE;
            break;
        }
    }
    sqlite3_finalize(statement);
    return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

std::string_view Text(sqlite3_stmt* statement, int column) {
    auto text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    return text ? std::string_view(text, static_cast<size_t>(sqlite3_column_bytes(statement, column)))
                : std::string_view();
}

}  // namespace

TableHealth ExamineTable(const std::filesystem::path& file, CheckDepth depth, std::chrono::milliseconds busy_wait) {
    std::error_code ec;
    auto status = std::filesystem::status(file, ec);
    if (status.type() == std::filesystem::file_type::not_found) return {TableState::Missing, {}, 0};
    if (ec) return {TableState::Unavailable, ec.message(), 0};
    if (std::filesystem::is_directory(status)) return {TableState::Unavailable, "a folder has the table's name", 0};
    auto size = std::filesystem::file_size(file, ec);
    if (ec) return {TableState::Unavailable, ec.message(), 0};
    // SQLite would take an empty file for an empty database; a table file is never empty.
    if (size == 0) return {TableState::Damaged, "the file is empty", 0};

    Connection connection;
    if (int rc = connection.Open(file); rc != SQLITE_OK) return Failure(connection.Handle(), rc);
    sqlite3* db = connection.Handle();
    sqlite3_busy_timeout(db, static_cast<int>(busy_wait.count()));

    std::optional<std::string> problem;
    int rc = Query(db, depth == CheckDepth::Full ? "PRAGMA integrity_check(1)" : "PRAGMA quick_check(1)",
                   [&](sqlite3_stmt* row) {
                       if (Text(row, 0) != "ok") problem = std::string(Text(row, 0));
                       return false;
                   });
    if (rc != SQLITE_OK) return Failure(db, rc);
    if (problem) return {TableState::Damaged, *problem, 0};

    std::size_t columns = 0;
    bool in_order = true;
    rc = Query(db, "PRAGMA table_info(TODOLIST)", [&](sqlite3_stmt* row) {
        auto index = FindEventField(Text(row, 1));
        if (!index || *index != columns) in_order = false;
        ++columns;
        return true;
    });
    if (rc != SQLITE_OK) return Failure(db, rc);
    if (!in_order || columns != kEventFields.size())
        return {TableState::Damaged, "the file holds no event table of this program", 0};

    std::int64_t events = 0;
    rc = Query(db, "SELECT count(*) FROM TODOLIST", [&](sqlite3_stmt* row) {
        events = sqlite3_column_int64(row, 0);
        return false;
    });
    if (rc != SQLITE_OK) return Failure(db, rc);
    return {TableState::Sound, {}, events};
}

const char* TableStateName(TableState state) {
    switch (state) {
        case TableState::Missing: return "missing";
        case TableState::Sound: return "sound";
        case TableState::Damaged: return "damaged";
        case TableState::Unavailable: return "unavailable";
    }
    return "?";
}

}  // namespace orbelle
