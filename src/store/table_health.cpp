#include "store/table_health.h"

#include <system_error>

#include "store/sqlite.h"

namespace orbelle {

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

    try {
        sql::Database db = OpenEventTable(file, TableAccess::kWrite, depth, busy_wait);
        sql::Statement count(db, "SELECT count(*) FROM TODOLIST");
        return {TableState::Sound, {}, count.Step() ? count.ColumnInt(0) : 0};
    } catch (const sql::Failure& failure) {
        return {failure.Kind() == sql::FailureKind::kDamage ? TableState::Damaged : TableState::Unavailable,
                failure.what(), 0};
    }
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
