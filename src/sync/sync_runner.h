#pragma once
// One sync of the program folder's table with the calendar its settings
// name: what the window, the timer and the command line all run. Never two
// at once for one program folder, in this process or another.
#include <filesystem>
#include <optional>
#include <string>

#include "exchange/exchange_files.h"
#include "sync/sync_engine.h"
#include "sync/sync_settings.h"

namespace orbelle::sync {

// The account of the settings with the password the credential store keeps;
// nothing (and why) when the settings or the password are missing.
std::optional<Account> AccountOf(const SyncSettings& settings, std::string& why_not);

// Stores the password for the settings' server and user.
void RememberPassword(const SyncSettings& settings, const std::string& password);

// The sync lock of a program folder, held while it lives (when Held()).
class SyncLock {
public:
    explicit SyncLock(const std::filesystem::path& program_folder);
    ~SyncLock();
    SyncLock(const SyncLock&) = delete;
    SyncLock& operator=(const SyncLock&) = delete;
    bool Held() const { return held_; }

private:
    void* mutex_ = nullptr;
    bool held_ = false;
};

// Reads the settings and password, takes the lock, syncs. A sync already
// running elsewhere fails at once with a message saying so.
SyncReport SyncProgramFolder(const std::filesystem::path& program_folder, const ExchangeContext& context,
                             const SyncRequest& request);

std::filesystem::path EventTableOf(const std::filesystem::path& program_folder);

}  // namespace orbelle::sync
