#pragma once
// A small move-only wrapper over SQLite: a connection and a statement that
// finalises itself; every failure throws Error with SQLite's own words.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace orbelle::sql {

class Database {
public:
    Database() = default;
    // flags are SQLite's SQLITE_OPEN_* bits.
    Database(const std::filesystem::path& file, int flags);
    // The name as SQLite takes it, in UTF-8: a plain path, or a "file:" URI
    // when flags hold SQLITE_OPEN_URI.
    Database(const std::string& name_utf8, int flags);
    Database(Database&& other) noexcept;
    Database& operator=(Database&& other) noexcept;
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;
    ~Database();

    explicit operator bool() const { return db_ != nullptr; }
    sqlite3* Handle() const { return db_; }
    void Exec(const char* sql);
    std::int64_t LastInsertId() const;
    int Changes() const;
    std::string LastError() const;

private:
    sqlite3* db_ = nullptr;
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
    void Reset();

    void BindNull(int index);
    void BindInt(int index, std::int64_t value);
    void BindDouble(int index, double value);
    // The text is copied by SQLite, so a temporary is safe here.
    void BindText(int index, std::string_view text);

    bool IsNull(int column) const;
    std::int64_t ColumnInt(int column) const;
    double ColumnDouble(int column) const;
    std::string ColumnText(int column) const;

private:
    sqlite3* db_ = nullptr;
    sqlite3_stmt* stmt_ = nullptr;
};

}  // namespace orbelle::sql
