#include "store/table_fingerprint.h"

#include <sqlite3.h>

#include <memory>
#include <string>
#include <vector>

#include "base/error.h"
#include "store/sqlite.h"

namespace orbelle {
namespace {

// 64-bit FNV-1a: enough to tell changed data from unchanged, and simple.
class Hash {
public:
    void Add(const void* data, std::size_t size) {
        auto bytes = static_cast<const unsigned char*>(data);
        for (std::size_t i = 0; i < size; ++i) value_ = (value_ ^ bytes[i]) * 0x100000001b3ull;
    }
    void AddInt(std::int64_t number) { Add(&number, sizeof number); }
    std::uint64_t Value() const { return value_; }

private:
    std::uint64_t value_ = 0xcbf29ce484222325ull;
};

// Type, length and bytes of each value, so that ("ab", "c") and ("a", "bc")
// or 1 and "1" differ.
void AddValue(Hash& hash, sqlite3_stmt* row, int column) {
    int type = sqlite3_column_type(row, column);
    hash.AddInt(type);
    switch (type) {
        case SQLITE_INTEGER: hash.AddInt(sqlite3_column_int64(row, column)); break;
        case SQLITE_FLOAT: {
            double value = sqlite3_column_double(row, column);
            hash.Add(&value, sizeof value);
            break;
        }
        case SQLITE_TEXT:
        case SQLITE_BLOB: {
            const void* bytes = type == SQLITE_TEXT ? static_cast<const void*>(sqlite3_column_text(row, column))
                                                    : sqlite3_column_blob(row, column);
            int size = sqlite3_column_bytes(row, column);
            hash.AddInt(size);
            hash.Add(bytes, static_cast<std::size_t>(size));
            break;
        }
        default: break;
    }
}

std::string QuoteName(const std::string& name) {
    std::string quoted = "\"";
    for (char c : name) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

}  // namespace

std::uint64_t ContentFingerprint(const std::filesystem::path& file) {
    sql::Database db(file, SQLITE_OPEN_READONLY | SQLITE_OPEN_EXRESCODE | SQLITE_OPEN_NOMUTEX);
    sqlite3_busy_timeout(db.Handle(), 5000);
    db.Exec("BEGIN");  // one snapshot for schema and rows
    Hash hash;
    std::vector<std::string> tables;
    {
        sql::Statement schema(db, "SELECT type, name, tbl_name, sql FROM sqlite_schema ORDER BY type, name");
        while (schema.Step()) {
            for (int column = 0; column < 4; ++column) {
                std::string text = schema.ColumnText(column);
                hash.AddInt(static_cast<std::int64_t>(text.size()));
                hash.Add(text.data(), text.size());
            }
            if (schema.ColumnText(0) == "table") tables.push_back(schema.ColumnText(1));
        }
    }
    for (const auto& table : tables) {
        // A table scan walks its b-tree in key order, the same in every copy.
        std::string sql = "SELECT * FROM " + QuoteName(table);
        sqlite3_stmt* raw = nullptr;
        if (sqlite3_prepare_v2(db.Handle(), sql.c_str(), -1, &raw, nullptr) != SQLITE_OK)
            throw Error(db.LastError());
        std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> rows(raw, sqlite3_finalize);
        int columns = sqlite3_column_count(raw);
        hash.AddInt(columns);
        int rc;
        while ((rc = sqlite3_step(raw)) == SQLITE_ROW)
            for (int column = 0; column < columns; ++column) AddValue(hash, raw, column);
        if (rc != SQLITE_DONE) throw Error(db.LastError());
    }
    db.Exec("COMMIT");
    return hash.Value();
}

}  // namespace orbelle
