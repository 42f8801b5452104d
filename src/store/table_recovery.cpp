#include "store/table_recovery.h"

#include <array>
#include <string>
#include <system_error>
#include <vector>

#include "base/error.h"
#include "base/text.h"
#include "store/backup_names.h"
#include "store/sqlite.h"
#include "store/table_health.h"
#include "store/table_open.h"
#include "store/table_seal.h"

namespace orbelle {
namespace {

constexpr std::array<const char*, 4> kFileEndings{"", "-journal", "-wal", "-shm"};

std::filesystem::path WithEnding(std::filesystem::path file, const char* ending) {
    file += ending;
    return file;
}

bool HasContent(const std::filesystem::path& file) {
    std::error_code ec;
    auto size = std::filesystem::file_size(file, ec);
    return !ec && size > 0;
}

// The backup copied page by page through SQLite, synced, and checked.
void CopyChecked(const std::filesystem::path& from, const std::filesystem::path& to) {
    {
        sql::Database source = OpenEventTable(from, TableAccess::kRead);
        sql::Database target(to, sql::OpenMode::kCreate);
        target.Exec("PRAGMA journal_mode=OFF");
        target.Exec("PRAGMA synchronous=FULL");
        sql::Backup copy(source, target);
        copy.Step(-1);
    }
    auto health = ExamineTable(to, CheckDepth::Full, std::chrono::milliseconds(0));
    if (health.state != TableState::Sound)
        throw Error("The backup " + PathToUtf8(from) + " cannot be restored: " + health.reason);
}

}  // namespace

std::filesystem::path MoveTableAside(const std::filesystem::path& table, const std::filesystem::path& folder,
                                     DateTime now) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) throw Error("Cannot make the folder " + PathToUtf8(folder) + ": " + ec.message());
    std::filesystem::path target;
    for (BackupStamp stamp{NextBackupNumber(folder), now};; ++stamp.number) {
        target = folder / BackupFileName(stamp);
        bool taken = false;
        for (const char* ending : kFileEndings) taken = taken || std::filesystem::exists(WithEnding(target, ending), ec);
        if (!taken) break;
    }
    // The companions first, the table last: if the table cannot move, the
    // companions go back, so that a journal is never parted from its file.
    std::vector<const char*> moved;
    auto undo = [&] {
        for (const char* ending : moved) std::filesystem::rename(WithEnding(target, ending), WithEnding(table, ending), ec);
    };
    for (const char* ending : {"-journal", "-wal", "-shm"}) {
        auto from = WithEnding(table, ending);
        if (!std::filesystem::exists(from, ec)) continue;
        std::error_code move_error;
        std::filesystem::rename(from, WithEnding(target, ending), move_error);
        if (move_error) {
            undo();
            throw Error("Cannot move " + PathToUtf8(from) + " aside: " + move_error.message());
        }
        moved.push_back(ending);
    }
    std::error_code move_error;
    std::filesystem::rename(table, target, move_error);
    if (move_error) {
        undo();
        throw Error("Cannot move " + PathToUtf8(table) + " aside: " + move_error.message());
    }
    return target;
}

RestoreResult RestoreTable(const std::filesystem::path& table, const std::filesystem::path& backup, DateTime now,
                           const ReplaceCheck& replaceable) {
    // Everything that can refuse comes before anything changes.
    auto health = ExamineTable(table);
    if (health.state == TableState::Unavailable)
        throw Error("The event table " + PathToUtf8(table) + " is in use or cannot be read now (" + health.reason +
                    "); it was not replaced");
    // A journal with content would be played into the restored file at its
    // first open; a damaged table's journals move aside with it.
    if (health.state != TableState::Damaged) {
        for (const char* ending : {"-journal", "-wal"}) {
            if (HasContent(WithEnding(table, ending)))
                throw Error("The event table " + PathToUtf8(table) + " has a journal in use; it was not replaced");
        }
    }
    if (replaceable) {
        if (auto refusal = replaceable(table))
            throw Error("The event table " + PathToUtf8(table) + " cannot be replaced now (" + *refusal +
                        "); it was not replaced");
    }

    auto incoming = table.parent_path() / "TODOLIST-restoring.DB";
    std::error_code ec;
    std::filesystem::remove(incoming, ec);
    RestoreResult result;
    try {
        CopyChecked(backup, incoming);
        // Saved, but nothing pruned until the restore has succeeded.
        if (health.state == TableState::Sound) {
            BackupJob job(table, BackupFolderFor(table), now);
            while (!job.Step()) {
            }
            result.saved = job.Finish(BackupJob::AfterNaming::KeepAll);
        } else if (health.state == TableState::Damaged) {
            result.moved_aside = MoveTableAside(table, DamagedFolderFor(table), now);
        }
        BreakSeal(table);  // it describes the file being replaced
        std::filesystem::rename(incoming, table, ec);
        if (ec) {
            const std::string reason = ec.message();
            if (result.saved) std::filesystem::remove(result.saved->file, ec);
            if (result.moved_aside) {
                // Back where it was, the table first: a journal without its
                // file would be played into the next file of that name.
                std::filesystem::rename(*result.moved_aside, table, ec);
                for (const char* ending : {"-journal", "-wal", "-shm"})
                    if (std::filesystem::exists(WithEnding(*result.moved_aside, ending), ec))
                        std::filesystem::rename(WithEnding(*result.moved_aside, ending), WithEnding(table, ending), ec);
            }
            throw Error("Cannot put the backup in place of " + PathToUtf8(table) + ": " + reason);
        }
    } catch (...) {
        std::filesystem::remove(incoming, ec);
        throw;
    }
    // One backup more now: the old ones beyond the kept are removed, but
    // never the one just restored, however old.
    if (result.saved) PruneBackups(BackupFolderFor(table), now, backup);
    result.events = ExamineTable(table).events;
    return result;
}

}  // namespace orbelle
