#pragma once
// One backup of the event table at a time, made on a thread of its own so
// that the window's thread is never held up by the copy or by the change
// test (which reads both files whole). The thread makes and uses its own
// connections: the store opens every connection for one thread only. When
// it ends it posts a message to the window, which then takes the outcome.
#include <windows.h>

#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "base/datetime.h"
#include "store/backups.h"

namespace orbelle {

struct BackupOutcome {
    enum class Kind { Made, Unneeded, Failed } kind = Kind::Failed;
    std::optional<BackupEntry> entry;  // Made
    std::string error;                 // Failed: what went wrong, in words for the user
};

class BackupWorker {
public:
    BackupWorker() = default;
    BackupWorker(const BackupWorker&) = delete;
    BackupWorker& operator=(const BackupWorker&) = delete;
    // Waits for a backup under way: its temporary file is then removed.
    ~BackupWorker() { Wait(); }

    // Starts a backup of `table` into its backup folder, named by `now`;
    // with only_if_changed, none is made when the table is as the newest
    // backup. Posts `done_message` to `notify` at the end. False, and
    // nothing started, while one is under way.
    bool Start(const std::filesystem::path& table, DateTime now, bool only_if_changed, HWND notify,
               UINT done_message);
    bool Running() const;
    // Waits for the backup under way, if any (a restore must not replace the
    // table while the copy reads it).
    void Wait();
    // The outcome of the finished backup, once; nullopt while one runs or
    // when it was taken already.
    std::optional<BackupOutcome> TakeOutcome();

private:
    mutable std::mutex mutex_;
    std::thread thread_;
    bool running_ = false;
    std::optional<BackupOutcome> outcome_;
};

// The whole backup as the worker makes it, on the calling thread.
BackupOutcome RunBackup(const std::filesystem::path& table, DateTime now, bool only_if_changed);

}  // namespace orbelle
