#include "store/backups.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <system_error>

#include "base/error.h"
#include "base/stdio_file.h"
#include "base/text.h"
#include "store/backup_names.h"
#include "store/table_health.h"
#include "store/table_open.h"

namespace orbelle {
namespace {

constexpr const char* kTempSuffix = ".tmp";

std::filesystem::path TempFor(const std::filesystem::path& file) {
    auto temp = file;
    temp += kTempSuffix;
    return temp;
}

void RemoveWithJournal(const std::filesystem::path& file) {
    std::error_code ec;
    std::filesystem::remove(file, ec);
    auto journal = file;
    journal += "-journal";
    std::filesystem::remove(journal, ec);
}

// A temporary copy left by a run that ended during a backup; one from
// within a day may belong to another copy of the program still at work. One
// dated more than a day ahead was named while the clock was wrong.
void RemoveStaleTemps(const std::filesystem::path& folder, DateTime now) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        auto name = PathToUtf8(entry.path().filename());
        if (!name.ends_with(kTempSuffix)) continue;
        auto stamp = ParseBackupFileName(std::string_view(name).substr(0, name.size() - 4));
        if (stamp && std::abs(now.Days() - stamp->taken.Days()) > 1) RemoveWithJournal(entry.path());
    }
}

struct BackupFile {
    std::filesystem::path file;
    BackupStamp stamp;
};

// The backups in the folder, last made first.
std::vector<BackupFile> BackupFiles(const std::filesystem::path& folder) {
    std::vector<BackupFile> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        if (!entry.is_regular_file(ec)) continue;
        if (auto stamp = ParseBackupFileName(PathToUtf8(entry.path().filename())))
            files.push_back({entry.path(), *stamp});
    }
    std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) { return MadeAfter(a.stamp, b.stamp); });
    return files;
}

std::optional<std::int64_t> CountEvents(const std::filesystem::path& file) {
    try {
        sql::Database db = OpenEventTable(file, TableAccess::kRead);
        sql::Statement count(db, "SELECT count(*) FROM TODOLIST");
        if (count.Step()) return count.ColumnInt(0);
    } catch (const Error&) {
    }
    return std::nullopt;
}

// Header bytes that a backup copy writes for itself: the change counter and
// in-header page count (24..31), the schema cookie (40..43), the version the
// counter is valid for and the library version (92..99). Every other byte of
// a fresh copy is the source's own: the online copy writes page for page.
bool CopyOwnsHeaderByte(std::size_t offset) {
    return (offset >= 24 && offset < 32) || (offset >= 40 && offset < 44) || (offset >= 92 && offset < 100);
}

// Whether the two files hold the same pages, apart from the header bytes a
// copy owns. Equal pages mean equal data; unequal pages with equal data (the
// table vacuumed by another tool) only cost one backup more. The table is
// read under a read transaction, so no writer of ours changes it meanwhile.
bool SamePages(const std::filesystem::path& table, const std::filesystem::path& backup) {
    sql::Database db = OpenEventTable(table, TableAccess::kRead);
    sql::ReadTransaction reading(db);
    sql::Statement(db, "SELECT count(*) FROM sqlite_schema").Step();  // takes the read lock
    std::error_code ec;
    auto size = std::filesystem::file_size(table, ec);
    if (ec || size != std::filesystem::file_size(backup, ec) || ec) return false;
    StdioFile a(table, "rb"), b(backup, "rb");
    std::vector<char> block_a(1 << 16), block_b(1 << 16);
    for (std::uintmax_t offset = 0; offset < size;) {
        auto length = static_cast<std::size_t>(std::min<std::uintmax_t>(block_a.size(), size - offset));
        if (!a.Read(block_a.data(), length) || !b.Read(block_b.data(), length)) return false;
        if (offset == 0) {
            for (std::size_t i = 0; i < 100 && i < length; ++i)
                if (CopyOwnsHeaderByte(i)) block_a[i] = block_b[i];
        }
        if (!std::equal(block_a.begin(), block_a.begin() + std::ptrdiff_t(length), block_b.begin())) return false;
        offset += length;
    }
    return true;
}

}  // namespace

std::filesystem::path BackupFolderFor(const std::filesystem::path& table) { return table.parent_path() / "backups"; }

std::filesystem::path DamagedFolderFor(const std::filesystem::path& table) { return table.parent_path() / "damaged"; }

BackupJob::BackupJob(const std::filesystem::path& table, const std::filesystem::path& folder, DateTime now)
    : folder_(folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) throw Error("Cannot make the backup folder " + PathToUtf8(folder) + ": " + ec.message());
    RemoveStaleTemps(folder, now);
    stamp_ = {NextBackupNumber(folder), now};
    for (;;) {
        final_ = folder / BackupFileName(stamp_);
        temp_ = TempFor(final_);
        if (!std::filesystem::exists(final_, ec) && !std::filesystem::exists(temp_, ec)) break;
        ++stamp_.number;
    }
    from_ = OpenEventTable(table, TableAccess::kRead);
    try {
        to_ = sql::Database(temp_, sql::OpenMode::kCreate);
        // The temporary file is thrown away on any failure: no journal needed.
        // The copy's last step still syncs it before the check reads it.
        to_.Exec("PRAGMA journal_mode=OFF");
        to_.Exec("PRAGMA synchronous=FULL");
        copy_.emplace(from_, to_);
    } catch (...) {
        copy_.reset();
        to_ = {};
        RemoveWithJournal(temp_);
        throw;
    }
}

BackupJob::~BackupJob() {
    if (finished_) return;
    copy_.reset();
    to_ = {};
    from_ = {};
    RemoveWithJournal(temp_);
}

bool BackupJob::Step(int pages) {
    if (!copy_) throw Error("The backup has ended");
    return copy_->Step(pages);
}

BackupEntry BackupJob::Finish(AfterNaming after) {
    if (!copy_ || !copy_->Done()) throw Error("The backup copy is not complete");
    copy_.reset();
    to_ = {};
    from_ = {};
    auto health = ExamineTable(temp_, CheckDepth::Full, std::chrono::milliseconds(0));
    if (health.state != TableState::Sound) {
        RemoveWithJournal(temp_);
        throw Error("The backup copy " + PathToUtf8(temp_) + " failed its check: " + health.reason);
    }
    std::error_code ec;
    std::filesystem::rename(temp_, final_, ec);
    if (ec) {
        RemoveWithJournal(temp_);
        throw Error("Cannot name the backup " + PathToUtf8(final_) + ": " + ec.message());
    }
    finished_ = true;
    BackupEntry entry{final_, stamp_.taken, stamp_.number, std::filesystem::file_size(final_, ec), health.events};
    if (after == AfterNaming::Prune) PruneBackups(folder_, stamp_.taken);
    return entry;
}

BackupEntry MakeBackup(const std::filesystem::path& table, const std::filesystem::path& folder, DateTime now) {
    BackupJob job(table, folder, now);
    while (!job.Step()) {
    }
    return job.Finish();
}

std::int64_t NextBackupNumber(const std::filesystem::path& folder) {
    std::int64_t highest = 0;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        auto name = PathToUtf8(entry.path().filename());
        // The backup's own name, without a ".tmp", "-journal", "-wal" or "-shm" after it.
        auto end = name.find(".DB");
        if (end == std::string::npos) continue;
        if (auto stamp = ParseBackupFileName(std::string_view(name).substr(0, end + 3)))
            highest = std::max(highest, stamp->number);
    }
    return highest + 1;
}

std::vector<BackupEntry> ListBackups(const std::filesystem::path& folder) {
    std::vector<BackupEntry> list;
    for (const auto& [file, stamp] : BackupFiles(folder)) {
        std::error_code ec;
        auto bytes = std::filesystem::file_size(file, ec);
        list.push_back({file, stamp.taken, stamp.number, ec ? 0 : bytes, CountEvents(file)});
    }
    return list;
}

std::optional<BackupEntry> NewestGoodBackup(const std::filesystem::path& folder) {
    for (const auto& [file, stamp] : BackupFiles(folder)) {
        auto health = ExamineTable(file, CheckDepth::Full, std::chrono::milliseconds(0));
        if (health.state != TableState::Sound) continue;
        std::error_code ec;
        auto bytes = std::filesystem::file_size(file, ec);
        return BackupEntry{file, stamp.taken, stamp.number, ec ? 0 : bytes, health.events};
    }
    return std::nullopt;
}

bool ChangedSinceNewestBackup(const std::filesystem::path& table, const std::filesystem::path& folder) {
    auto files = BackupFiles(folder);
    if (files.empty()) return true;
    try {
        return !SamePages(table, files.front().file);
    } catch (const Error&) {
        return true;
    }
}

std::vector<std::filesystem::path> PruneBackups(const std::filesystem::path& folder, DateTime now,
                                                const std::filesystem::path& spare) {
    auto files = BackupFiles(folder);
    std::vector<BackupStamp> stamps;
    for (const auto& file : files) stamps.push_back(file.stamp);
    std::vector<std::filesystem::path> removed;
    for (std::size_t index : BackupsToRemove(stamps, now)) {
        const std::filesystem::path& file = files[index].file;
        std::error_code ec;
        if (!spare.empty() && std::filesystem::equivalent(file, spare, ec)) continue;
        if (std::filesystem::remove(file, ec)) removed.push_back(file);
    }
    return removed;
}

}  // namespace orbelle
