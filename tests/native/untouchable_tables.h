#pragma once
// Three table files that nothing in the program may change, for the native
// and the Windows tests alike: another program's database in WAL mode whose
// table lives only in its -wal, another program's database with a hot
// journal, and our own event table with a damaged page. Each is made once
// per run and kept as bytes; Lay puts one, side files and all, at a path.
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/text.h"
#include "store/event_cursor.h"

namespace orbelle::untouchable {

// A file and its side files by ending ("", "-journal", "-wal", "-shm"),
// each as its bytes; the absent ones are left out.
using FileSet = std::map<std::string, std::string>;

inline constexpr const char* kEndings[] = {"", "-journal", "-wal", "-shm"};

inline std::filesystem::path WithEnding(const std::filesystem::path& file, const std::string& ending) {
    std::filesystem::path path = file;
    path += ending;
    return path;
}

inline std::string ReadFileBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline FileSet Snapshot(const std::filesystem::path& file) {
    FileSet files;
    for (const char* ending : kEndings)
        if (std::filesystem::exists(WithEnding(file, ending))) files[ending] = ReadFileBytes(WithEnding(file, ending));
    return files;
}

inline void RemoveWithSideFiles(const std::filesystem::path& file) {
    std::error_code ec;
    for (const char* ending : kEndings) std::filesystem::remove(WithEnding(file, ending), ec);
}

// The files at `file`, and no other side file beside it.
inline void Lay(const FileSet& files, const std::filesystem::path& file) {
    RemoveWithSideFiles(file);
    std::filesystem::create_directories(file.parent_path());
    for (const auto& [ending, bytes] : files)
        std::ofstream(WithEnding(file, ending), std::ios::binary) << bytes;
}

struct Fixture {
    const char* name;
    FileSet files;
};

namespace detail {

inline void Exec(sqlite3* db, const char* sql) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        std::string text = message ? message : "?";
        sqlite3_free(message);
        throw std::runtime_error(std::string(sql) + ": " + text);
    }
}

inline sqlite3* OpenRaw(const std::filesystem::path& file) {
    sqlite3* db = nullptr;
    if (sqlite3_open(PathToUtf8(file).c_str(), &db) != SQLITE_OK) throw std::runtime_error("cannot open the fixture");
    return db;
}

// Another program's notes, committed to the log only: the main file holds
// no table at all until a checkpoint, which would also delete the -wal.
inline FileSet ForeignWal(const std::filesystem::path& file) {
    sqlite3* db = OpenRaw(file);
    Exec(db, "PRAGMA journal_mode=WAL; CREATE TABLE notes (text TEXT); INSERT INTO notes VALUES ('kept')");
    FileSet files = Snapshot(file);  // while open: the close would checkpoint
    sqlite3_close(db);
    return files;
}

// Another program's 200 long rows caught in the middle of an update whose
// pages already reached the file: a hot journal beside it.
inline FileSet ForeignHotJournal(const std::filesystem::path& file) {
    sqlite3* db = OpenRaw(file);
    Exec(db,
         "CREATE TABLE notes (text TEXT); "
         "WITH RECURSIVE n(v) AS (SELECT 1 UNION ALL SELECT v + 1 FROM n WHERE v < 200) "
         "INSERT INTO notes SELECT printf('%0500d', v) FROM n");
    Exec(db, "PRAGMA cache_size=1; BEGIN; UPDATE notes SET text = upper(text) || 'x'");
    FileSet files = Snapshot(file);
    Exec(db, "ROLLBACK");
    sqlite3_close(db);
    return files;
}

// Our own table of 60 events, the schema sound, its last page (rows of
// TODOLIST) overwritten with noise.
inline FileSet DamagedTable(const std::filesystem::path& file) {
    {
        EventCursor cursor;
        cursor.Open(file);
        for (int i = 0; i < 60; ++i) {
            cursor.Insert();
            cursor.SetFieldText("subject", "event " + std::to_string(i));
            cursor.SetFieldText("memo", std::string(400, static_cast<char>('a' + i % 26)));
            cursor.Post();
        }
    }
    FileSet files = Snapshot(file);
    std::string& bytes = files.at("");
    const std::size_t page = 4096;
    if (bytes.size() < 4 * page) throw std::runtime_error("the damaged table is too small");
    for (std::size_t i = bytes.size() - page; i < bytes.size(); ++i) bytes[i] = static_cast<char>(0xA5 ^ (i * 7));
    return files;
}

}  // namespace detail

// The three, made at the first call.
inline const std::vector<Fixture>& Fixtures() {
    static const std::vector<Fixture> fixtures = [] {
        std::random_device random;
        const auto folder = std::filesystem::temp_directory_path() / ("orbelle-untouchable-" + std::to_string(random()));
        std::filesystem::create_directories(folder);
        std::vector<Fixture> made{
            {"foreign file in WAL mode, its table only in the -wal", detail::ForeignWal(folder / "wal.db")},
            {"foreign file with a hot journal", detail::ForeignHotJournal(folder / "hot.db")},
            {"our table with a damaged page", detail::DamagedTable(folder / "damaged.db")},
        };
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
        return made;
    }();
    return fixtures;
}

}  // namespace orbelle::untouchable
