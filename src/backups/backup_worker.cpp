#include "backups/backup_worker.h"

#include <exception>

#include "base/error.h"

namespace orbelle {

BackupOutcome RunBackup(const std::filesystem::path& table, DateTime now, bool only_if_changed) {
    BackupOutcome outcome;
    try {
        const std::filesystem::path folder = BackupFolderFor(table);
        if (only_if_changed && !ChangedSinceNewestBackup(table, folder)) {
            outcome.kind = BackupOutcome::Kind::Unneeded;
            return outcome;
        }
        BackupJob job(table, folder, now);
        // Between steps the table is unlocked, so a post from the window
        // waits at most one step.
        while (!job.Step()) std::this_thread::yield();
        outcome.entry = job.Finish();
        outcome.kind = BackupOutcome::Kind::Made;
    } catch (const std::exception& error) {
        outcome.kind = BackupOutcome::Kind::Failed;
        outcome.error = error.what();
    }
    return outcome;
}

bool BackupWorker::Start(const std::filesystem::path& table, DateTime now, bool only_if_changed, HWND notify,
                         UINT done_message) {
    std::lock_guard lock(mutex_);
    if (running_) return false;
    if (thread_.joinable()) thread_.join();  // ended already: its message is posted
    running_ = true;
    outcome_.reset();
    try {
        thread_ = std::thread([this, table, now, only_if_changed, notify, done_message] {
            BackupOutcome outcome = RunBackup(table, now, only_if_changed);
            {
                std::lock_guard lock(mutex_);
                outcome_ = std::move(outcome);
                running_ = false;
            }
            PostMessageW(notify, done_message, 0, 0);
        });
    } catch (const std::system_error& error) {
        running_ = false;
        throw Error(std::string("Cannot start the backup: ") + error.what());
    }
    return true;
}

bool BackupWorker::Running() const {
    std::lock_guard lock(mutex_);
    return running_;
}

void BackupWorker::Wait() {
    if (thread_.joinable()) thread_.join();
}

std::optional<BackupOutcome> BackupWorker::TakeOutcome() {
    std::lock_guard lock(mutex_);
    std::optional<BackupOutcome> taken = std::move(outcome_);
    outcome_.reset();
    return taken;
}

}  // namespace orbelle
