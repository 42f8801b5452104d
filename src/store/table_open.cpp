#include "store/table_open.h"

#include <string>
#include <system_error>

#include "store/event_fields.h"
#include "store/table_seal.h"

namespace orbelle {
namespace {

std::string CreateTableSql() {
    std::string sql = "CREATE TABLE TODOLIST (";
    for (const auto& field : kEventFields) {
        if (&field != &kEventFields.front()) sql += ", ";
        sql += field.name;
        switch (field.type) {
            case FieldType::Text:
            case FieldType::Memo: sql += " TEXT"; break;
            case FieldType::AutoInc: sql += " INTEGER PRIMARY KEY AUTOINCREMENT"; break;
            case FieldType::SmallInt: sql += " INTEGER"; break;
            case FieldType::DateTime: sql += " REAL"; break;
        }
    }
    return sql + ")";
}

void CheckColumns(const sql::Database& db) {
    const sql::Failure foreign("the file holds no event table of this program", sql::FailureKind::kDamage);
    sql::Statement columns(db, "PRAGMA table_info(TODOLIST)");
    std::size_t count = 0;
    while (columns.Step()) {
        auto index = FindEventField(columns.ColumnText(1));
        if (count >= kEventFields.size() || !index || *index != count) throw foreign;
        ++count;
    }
    if (count != kEventFields.size()) throw foreign;
}

// Only reads: the file is judged before anything may change it.
void CheckSound(const sql::Database& db, CheckDepth depth) {
    sql::Statement check(db, depth == CheckDepth::Full ? "PRAGMA integrity_check(1)" : "PRAGMA quick_check(1)");
    if (!check.Step() || check.ColumnText(0) != "ok")
        throw sql::Failure("database disk image is malformed", sql::FailureKind::kDamage);
    CheckColumns(db);
}

// Commits every change to the disk before it returns; never the in-memory or
// unsynced journal modes, so a killed process loses no posted record.
void SetDurability(sql::Database& db) {
    db.Exec("PRAGMA journal_mode=TRUNCATE");
    db.Exec("PRAGMA synchronous=FULL");
}

// A failed creation takes its file away again, else every later start would
// find an empty file and refuse it as foreign. Only what this call made goes.
sql::Database CreateTable(const std::filesystem::path& file, std::chrono::milliseconds busy_wait) {
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    std::filesystem::path journal = file;
    journal += "-journal";
    bool had_journal = std::filesystem::exists(journal, ec);
    try {
        sql::Database db(file, sql::OpenMode::kCreate);
        db.SetBusyTimeout(busy_wait);
        SetDurability(db);
        sql::Transaction create(db);
        db.Exec(CreateTableSql().c_str());
        create.Commit();
        return db;
    } catch (const Error&) {
        std::filesystem::remove(file, ec);
        if (!had_journal) std::filesystem::remove(journal, ec);
        throw;
    }
}

}  // namespace

sql::Database OpenEventTable(const std::filesystem::path& file, TableAccess access, CheckDepth depth,
                             std::chrono::milliseconds busy_wait) {
    std::error_code ec;
    if (access == TableAccess::kCreateOrWrite &&
        std::filesystem::status(file, ec).type() == std::filesystem::file_type::not_found)
        return CreateTable(file, busy_wait);
    // Judged before any connection may roll a journal back into the file.
    const bool sealed = access != TableAccess::kRead && depth == CheckDepth::Quick && SealHolds(file);
    {
        sql::Database view(file, sql::OpenMode::kImmutableView);
        CheckColumns(view);
    }
    if (access == TableAccess::kRead) {
        sql::Database db(file, sql::OpenMode::kReadOnly);
        db.SetBusyTimeout(busy_wait);
        return db;
    }
    sql::Database db(file, sql::OpenMode::kExisting);
    db.SetBusyTimeout(busy_wait);
    // Unchanged since a clean close after a checked open: the header and the
    // schema, read again on this connection, are all that is checked.
    if (sealed) CheckColumns(db);
    else CheckSound(db, depth);
    SetDurability(db);
    return db;
}

}  // namespace orbelle
