#include "store/sqlite.h"

#include <sqlite3.h>

#include <utility>

#include "base/error.h"

namespace orbelle::sql {
namespace {
[[noreturn]] void Fail(sqlite3* db) {
    throw Error(db ? sqlite3_errmsg(db) : "out of memory");
}
}  // namespace

Database::Database(const std::filesystem::path& file, int flags)
    : Database(std::string(reinterpret_cast<const char*>(file.u8string().c_str())), flags) {}

Database::Database(const std::string& name_utf8, int flags) {
    int rc = sqlite3_open_v2(name_utf8.c_str(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        std::string message = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
        sqlite3_close(db_);
        db_ = nullptr;
        throw Error(message);
    }
    sqlite3_extended_result_codes(db_, 1);
}

Database::Database(Database&& other) noexcept : db_(std::exchange(other.db_, nullptr)) {}

Database& Database::operator=(Database&& other) noexcept {
    if (this != &other) {
        sqlite3_close(db_);
        db_ = std::exchange(other.db_, nullptr);
    }
    return *this;
}

Database::~Database() { sqlite3_close(db_); }

void Database::Exec(const char* sql) {
    if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK) Fail(db_);
}

std::int64_t Database::LastInsertId() const { return sqlite3_last_insert_rowid(db_); }

int Database::Changes() const { return sqlite3_changes(db_); }

std::string Database::LastError() const { return sqlite3_errmsg(db_); }

Statement::Statement(const Database& db, std::string_view sql) : db_(db.Handle()) {
    if (sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &stmt_, nullptr) != SQLITE_OK)
        Fail(db_);
}

Statement::Statement(Statement&& other) noexcept
    : db_(other.db_), stmt_(std::exchange(other.stmt_, nullptr)) {}

Statement& Statement::operator=(Statement&& other) noexcept {
    if (this != &other) {
        sqlite3_finalize(stmt_);
        db_ = other.db_;
        stmt_ = std::exchange(other.stmt_, nullptr);
    }
    return *this;
}

Statement::~Statement() { sqlite3_finalize(stmt_); }

bool Statement::Step() {
    int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    std::string message = sqlite3_errmsg(db_);
    sqlite3_reset(stmt_);
    throw Error(message);
}

void Statement::Reset() { sqlite3_reset(stmt_); }

void Statement::BindNull(int index) { sqlite3_bind_null(stmt_, index); }

void Statement::BindInt(int index, std::int64_t value) { sqlite3_bind_int64(stmt_, index, value); }

void Statement::BindDouble(int index, double value) { sqlite3_bind_double(stmt_, index, value); }

void Statement::BindText(int index, std::string_view text) {
    if (sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT) !=
        SQLITE_OK)
        Fail(db_);
}

bool Statement::IsNull(int column) const { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }

std::int64_t Statement::ColumnInt(int column) const { return sqlite3_column_int64(stmt_, column); }

double Statement::ColumnDouble(int column) const { return sqlite3_column_double(stmt_, column); }

std::string Statement::ColumnText(int column) const {
    auto text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    return text ? std::string(text, static_cast<size_t>(sqlite3_column_bytes(stmt_, column))) : std::string();
}

}  // namespace orbelle::sql
