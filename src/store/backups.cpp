#include "store/backups.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <system_error>

#include "base/error.h"
#include "base/stdio_file.h"
#include "base/text.h"
#include "store/backup_names.h"
#include "store/table_health.h"

namespace orbelle {
namespace {

using namespace std::chrono_literals;

constexpr double kOneSecond = 1.0 / (24 * 60 * 60);
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

// A temporary copy left by a run that ended during a backup; one from the
// last day may belong to another copy of the program still at work.
void RemoveStaleTemps(const std::filesystem::path& folder, DateTime now) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        auto name = PathToUtf8(entry.path().filename());
        if (!name.ends_with(kTempSuffix)) continue;
        auto taken = ParseBackupFileName(std::string_view(name).substr(0, name.size() - 4));
        if (taken && now.Days() - taken->Days() > 1) RemoveWithJournal(entry.path());
    }
}

std::vector<std::pair<std::filesystem::path, DateTime>> BackupFiles(const std::filesystem::path& folder) {
    std::vector<std::pair<std::filesystem::path, DateTime>> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        if (!entry.is_regular_file(ec)) continue;
        if (auto taken = ParseBackupFileName(PathToUtf8(entry.path().filename())))
            files.emplace_back(entry.path(), *taken);
    }
    std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
    return files;
}

std::optional<std::int64_t> CountEvents(const std::filesystem::path& file) {
    try {
        sql::Database db(file, sql::OpenMode::kReadOnly);
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
    sql::Database db(table, sql::OpenMode::kReadOnly);
    db.SetBusyTimeout(5s);
    db.Exec("BEGIN");
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
    // Two backups within one second (a restore saves the table first) each keep a name.
    taken_ = now;
    for (;;) {
        final_ = folder / BackupFileName(taken_);
        temp_ = TempFor(final_);
        if (!std::filesystem::exists(final_, ec) && !std::filesystem::exists(temp_, ec)) break;
        taken_ = DateTime(taken_.Days() + kOneSecond);
    }
    from_ = sql::Database(table, sql::OpenMode::kReadOnly);
    from_.SetBusyTimeout(5s);
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

BackupEntry BackupJob::Finish() {
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
    BackupEntry entry{final_, taken_, std::filesystem::file_size(final_, ec), health.events};
    PruneBackups(folder_, taken_);
    return entry;
}

BackupEntry MakeBackup(const std::filesystem::path& table, const std::filesystem::path& folder, DateTime now) {
    BackupJob job(table, folder, now);
    while (!job.Step()) {
    }
    return job.Finish();
}

std::vector<BackupEntry> ListBackups(const std::filesystem::path& folder) {
    std::vector<BackupEntry> list;
    for (const auto& [file, taken] : BackupFiles(folder)) {
        std::error_code ec;
        auto bytes = std::filesystem::file_size(file, ec);
        list.push_back({file, taken, ec ? 0 : bytes, CountEvents(file)});
    }
    return list;
}

std::optional<BackupEntry> NewestGoodBackup(const std::filesystem::path& folder) {
    for (const auto& [file, taken] : BackupFiles(folder)) {
        auto health = ExamineTable(file, CheckDepth::Full, std::chrono::milliseconds(0));
        if (health.state != TableState::Sound) continue;
        std::error_code ec;
        auto bytes = std::filesystem::file_size(file, ec);
        return BackupEntry{file, taken, ec ? 0 : bytes, health.events};
    }
    return std::nullopt;
}

bool ChangedSinceNewestBackup(const std::filesystem::path& table, const std::filesystem::path& folder) {
    auto files = BackupFiles(folder);
    if (files.empty()) return true;
    try {
        return !SamePages(table, files.front().first);
    } catch (const Error&) {
        return true;
    }
}

std::vector<std::filesystem::path> PruneBackups(const std::filesystem::path& folder, DateTime now) {
    auto files = BackupFiles(folder);
    std::vector<DateTime> taken;
    for (const auto& file : files) taken.push_back(file.second);
    std::vector<std::filesystem::path> removed;
    for (std::size_t index : BackupsToRemove(taken, now)) {
        std::error_code ec;
        if (std::filesystem::remove(files[index].first, ec)) removed.push_back(files[index].first);
    }
    return removed;
}

}  // namespace orbelle
