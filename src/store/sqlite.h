#pragma once
// A small move-only wrapper over SQLite: a connection, a statement that
// finalises itself, a write transaction that rolls back unless committed, a
// read transaction, and the online backup of one connection into another;
// every failure throws Failure, an Error with SQLite's own words. No other
// file sees SQLite's own header.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "base/error.h"

struct sqlite3;
struct sqlite3_stmt;
struct sqlite3_backup;

namespace orbelle::sql {

// What a failure says about the file: damage is about its bytes (corrupt, not
// a database, not our table); a trouble may pass (busy, locked, no access, an
// I/O error, no memory) and never calls for replacing the file.
enum class FailureKind { kDamage, kTrouble };

// How many failures of this process so far spoke of damage, whichever file
// they were about: a run that met one leaves no mark of a clean close that
// would spare the table its check at the next open.
std::uint64_t DamageNotices();
void NoteDamage();

// Every failure of the wrapper, with SQLite's own words.
class Failure : public Error {
public:
    Failure(const std::string& message, FailureKind kind) : Error(message), kind_(kind) {
        if (kind == FailureKind::kDamage) NoteDamage();
    }
    FailureKind Kind() const { return kind_; }

private:
    FailureKind kind_;
};

enum class OpenMode {
    kExisting,  // read and write a file that exists
    kCreate,    // the same, making the file when it is missing
    kReadOnly,  // read a file that exists
    // Read the main file alone, as it lies on the disk: no lock, no journal
    // or log read, no file created.
    kImmutableView,
};

class Database {
public:
    Database() = default;
    // For one thread (no locking inside SQLite), with extended result codes.
    Database(const std::filesystem::path& file, OpenMode mode);
    Database(Database&& other) noexcept;
    Database& operator=(Database&& other) noexcept;
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;
    ~Database();

    explicit operator bool() const { return db_ != nullptr; }
    // How long a statement waits for another connection's lock before it fails as busy.
    void SetBusyTimeout(std::chrono::milliseconds wait);
    void Exec(const char* sql);
    std::int64_t LastInsertId() const;
    int Changes() const;
    std::string LastError() const;

private:
    friend class Transaction;
    friend class Statement;
    friend class ReadTransaction;
    friend class Backup;
    sqlite3* db_ = nullptr;
};

// BEGIN IMMEDIATE at construction: the write lock is taken at once, so a
// table another program holds fails here rather than at the first write.
// The destructor rolls back unless Commit ran.
class Transaction {
public:
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void Commit();

private:
    Database& db_;
    bool open_ = true;
};

// A deferred BEGIN: the read lock comes with the first read and holds until
// the end, so every read in between sees one state of the file and no other
// connection commits meanwhile. The destructor ends it (a read has nothing to
// roll back); End reports a failure to end it.
class ReadTransaction {
public:
    explicit ReadTransaction(Database& db);
    ~ReadTransaction();
    ReadTransaction(const ReadTransaction&) = delete;
    ReadTransaction& operator=(const ReadTransaction&) = delete;

    void End();

private:
    Database& db_;
    bool open_ = true;
};

// SQLite's online backup: a consistent copy of one open database into
// another, a given number of pages at a time, so that the caller can keep
// its window responsive between steps (or run the steps on a thread of
// their own with connections of their own). Another connection's write
// between steps makes the copy start over at the next step; a write through
// the source connection itself is carried into the copy.
class Backup {
public:
    // Both connections stay open for the copy's lifetime.
    Backup(const Database& from, const Database& to);
    Backup(Backup&& other) noexcept;
    Backup& operator=(Backup&&) = delete;
    Backup(const Backup&) = delete;
    Backup& operator=(const Backup&) = delete;
    // An unfinished copy is abandoned; the target is left as the last step left it.
    ~Backup();

    // Copies up to `pages` more pages (all when negative); true once every
    // page is in the target. Throws Error with SQLite's words on failure,
    // also when the source stays locked past its connection's busy timeout.
    bool Step(int pages);
    bool Done() const { return done_; }
    // Known after the first step.
    int PageCount() const;
    int Remaining() const;

private:
    sqlite3* to_ = nullptr;
    sqlite3_backup* backup_ = nullptr;
    bool done_ = false;
};

class Statement {
public:
    Statement(const Database& db, std::string_view sql);
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&& other) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement();

    // True while a row is available; false when done.
    bool Step();
    // For a statement that returns no rows and may break a constraint: false
    // when it did (SQLite then undid the statement and the statement is
    // reset), true when it is done; any other failure throws as Step.
    bool StepUnlessConstraint();
    void Reset();

    // Every bind throws when SQLite refuses it (an index out of range, a
    // statement already stepping).
    void BindNull(int index);
    void BindInt(int index, std::int64_t value);
    void BindDouble(int index, double value);
    // The text is copied by SQLite, so a temporary is safe here.
    void BindText(int index, std::string_view text);
    // Not copied: the string must stay as it is until the statement is
    // stepped and reset, or bound anew. Spares a copy per value where one
    // statement stores many rows.
    void BindTextNoCopy(int index, const std::string& text);
    void BindTextNoCopy(int index, std::string&& text) = delete;

    // The type the value of the column was stored with, in the current row.
    enum class Type { kInteger, kFloat, kText, kBlob, kNull };
    Type ColumnType(int column) const;
    bool IsNull(int column) const;
    std::int64_t ColumnInt(int column) const;
    double ColumnDouble(int column) const;
    std::string ColumnText(int column) const;

private:
    sqlite3* db_ = nullptr;
    sqlite3_stmt* stmt_ = nullptr;
};

}  // namespace orbelle::sql
