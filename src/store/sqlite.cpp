#include "store/sqlite.h"

#include <sqlite3.h>

#include <atomic>
#include <utility>

#include "base/error.h"
#include "base/text.h"

namespace orbelle::sql {
namespace {
std::atomic<std::uint64_t> damage_notices{0};
}  // namespace

std::uint64_t DamageNotices() { return damage_notices.load(); }
void NoteDamage() { ++damage_notices; }

namespace {
// Only these results speak about the bytes of the file.
FailureKind KindOf(int rc) {
    switch (rc & 0xff) {
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
        case SQLITE_FORMAT: return FailureKind::kDamage;
        default: return FailureKind::kTrouble;
    }
}

[[noreturn]] void Fail(sqlite3* db) {
    if (!db) throw Failure("out of memory", FailureKind::kTrouble);
    throw Failure(sqlite3_errmsg(db), KindOf(sqlite3_extended_errcode(db)));
}

// A "file:" URI that reads the main file alone, as it lies on the disk.
std::string ImmutableUri(const std::filesystem::path& file) {
    std::string path = PathToUtf8(std::filesystem::absolute(file));
    std::string uri = "file:";
    if (path.size() > 1 && path[1] == ':') uri += "///";  // a drive letter
    for (char c : path) {
        if (c == '\\') uri += '/';
        else if (c == '%') uri += "%25";
        else if (c == '?') uri += "%3f";
        else if (c == '#') uri += "%23";
        else uri += c;
    }
    return uri + "?mode=ro&immutable=1";
}
}  // namespace

Database::Database(const std::filesystem::path& file, OpenMode mode) {
    int flags = SQLITE_OPEN_EXRESCODE | SQLITE_OPEN_NOMUTEX;
    std::string name = PathToUtf8(file);
    switch (mode) {
        case OpenMode::kExisting: flags |= SQLITE_OPEN_READWRITE; break;
        case OpenMode::kCreate: flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE; break;
        case OpenMode::kReadOnly: flags |= SQLITE_OPEN_READONLY; break;
        case OpenMode::kImmutableView:
            flags |= SQLITE_OPEN_READONLY | SQLITE_OPEN_URI;
            name = ImmutableUri(file);
            break;
    }
    int rc = sqlite3_open_v2(name.c_str(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        std::string message = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
        sqlite3_close(db_);
        db_ = nullptr;
        throw Failure(message, KindOf(rc));
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

void Database::SetBusyTimeout(std::chrono::milliseconds wait) {
    if (sqlite3_busy_timeout(db_, static_cast<int>(wait.count())) != SQLITE_OK) Fail(db_);
}

void Database::Exec(const char* sql) {
    if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK) Fail(db_);
}

std::int64_t Database::LastInsertId() const { return sqlite3_last_insert_rowid(db_); }

int Database::Changes() const { return sqlite3_changes(db_); }

std::string Database::LastError() const { return sqlite3_errmsg(db_); }

Transaction::Transaction(Database& db) : db_(db) { db_.Exec("BEGIN IMMEDIATE"); }

Transaction::~Transaction() {
    // A failed rollback leaves nothing to do: SQLite has rolled back already
    // when the error that brought us here ended the transaction.
    if (open_) sqlite3_exec(db_.db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::Commit() {
    db_.Exec("COMMIT");
    open_ = false;
}

ReadTransaction::ReadTransaction(Database& db) : db_(db) { db_.Exec("BEGIN"); }

ReadTransaction::~ReadTransaction() {
    if (open_) sqlite3_exec(db_.db_, "COMMIT", nullptr, nullptr, nullptr);
}

void ReadTransaction::End() {
    open_ = false;
    db_.Exec("COMMIT");
}

Backup::Backup(const Database& from, const Database& to) : to_(to.db_) {
    backup_ = sqlite3_backup_init(to.db_, "main", from.db_, "main");
    if (!backup_) throw Error(sqlite3_errmsg(to.db_));
}

Backup::Backup(Backup&& other) noexcept
    : to_(other.to_), backup_(std::exchange(other.backup_, nullptr)), done_(other.done_) {}

Backup::~Backup() {
    if (backup_) sqlite3_backup_finish(backup_);
}

bool Backup::Step(int pages) {
    if (done_) return true;
    if (!backup_) throw Error("The copy has already failed");
    int rc = sqlite3_backup_step(backup_, pages);
    if (rc == SQLITE_OK) return false;
    if (rc == SQLITE_DONE) {
        // Finishing releases the target's lock; its result is the copy's.
        rc = sqlite3_backup_finish(std::exchange(backup_, nullptr));
        if (rc != SQLITE_OK) throw Error(sqlite3_errmsg(to_));
        done_ = true;
        return true;
    }
    // A failed step leaves the target in an unknown state: end the copy here
    // so that no later step writes on top of it.
    std::string message = sqlite3_errstr(rc);
    sqlite3_backup_finish(std::exchange(backup_, nullptr));
    throw Error(message);
}

int Backup::PageCount() const { return backup_ ? sqlite3_backup_pagecount(backup_) : 0; }

int Backup::Remaining() const { return backup_ ? sqlite3_backup_remaining(backup_) : 0; }

Statement::Statement(const Database& db, std::string_view sql) : db_(db.db_) {
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
    throw Failure(message, KindOf(rc));
}

bool Statement::StepUnlessConstraint() {
    int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_DONE || rc == SQLITE_ROW) return true;
    if ((rc & 0xff) != SQLITE_CONSTRAINT) {
        std::string message = sqlite3_errmsg(db_);
        sqlite3_reset(stmt_);
        throw Failure(message, KindOf(rc));
    }
    sqlite3_reset(stmt_);
    return false;
}

void Statement::Reset() { sqlite3_reset(stmt_); }

void Statement::BindNull(int index) {
    if (sqlite3_bind_null(stmt_, index) != SQLITE_OK) Fail(db_);
}

void Statement::BindInt(int index, std::int64_t value) {
    if (sqlite3_bind_int64(stmt_, index, value) != SQLITE_OK) Fail(db_);
}

void Statement::BindDouble(int index, double value) {
    if (sqlite3_bind_double(stmt_, index, value) != SQLITE_OK) Fail(db_);
}

void Statement::BindText(int index, std::string_view text) {
    if (sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT) !=
        SQLITE_OK)
        Fail(db_);
}

void Statement::BindTextNoCopy(int index, const std::string& text) {
    if (sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()), SQLITE_STATIC) != SQLITE_OK)
        Fail(db_);
}

Statement::Type Statement::ColumnType(int column) const {
    switch (sqlite3_column_type(stmt_, column)) {
        case SQLITE_INTEGER: return Type::kInteger;
        case SQLITE_FLOAT: return Type::kFloat;
        case SQLITE_BLOB: return Type::kBlob;
        case SQLITE_NULL: return Type::kNull;
        default: return Type::kText;
    }
}

bool Statement::IsNull(int column) const { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }

std::int64_t Statement::ColumnInt(int column) const { return sqlite3_column_int64(stmt_, column); }

double Statement::ColumnDouble(int column) const { return sqlite3_column_double(stmt_, column); }

std::string Statement::ColumnText(int column) const {
    auto text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    return text ? std::string(text, static_cast<size_t>(sqlite3_column_bytes(stmt_, column))) : std::string();
}

}  // namespace orbelle::sql
