#include "sync/sync_runner.h"

#include <windows.h>

#include <functional>

#include "base/error.h"
#include "platform/wide.h"
#include "sync/credentials.h"

namespace orbelle::sync {

std::filesystem::path EventTableOf(const std::filesystem::path& program_folder) {
    return program_folder / "db" / "TODOLIST.DB";
}

std::optional<Account> AccountOf(const SyncSettings& settings, std::string& why_not) {
    if (!settings.Ready()) {
        why_not = "Calendar sync is not set up: choose a server and a calendar in Tools > Calendar Sync..., or run "
                  "Orbelle.exe /sync-set URL USER.";
        return std::nullopt;
    }
    std::optional<std::string> password = ReadPassword(settings.server);
    if (!password) {
        why_not = "No password is stored for " + settings.user + " at " + settings.server + ".";
        return std::nullopt;
    }
    return Account{.url = settings.server, .user = settings.user, .password = *password,
                   .pinned_sha256 = settings.pinned_sha256};
}

void RememberPassword(const SyncSettings& settings, const std::string& password) {
    if (!StorePassword(settings.server, settings.user, password))
        throw Error("Windows would not keep the password for " + settings.server + ".");
}

SyncLock::SyncLock(const std::filesystem::path& program_folder) {
    // One name per program folder: two copies in two folders sync two tables.
    const std::wstring folder = std::filesystem::absolute(program_folder).lexically_normal().wstring();
    const std::wstring name = L"Local\\OrbelleSync-" + std::to_wstring(std::hash<std::wstring>{}(folder));
    mutex_ = CreateMutexW(nullptr, FALSE, name.c_str());
    if (!mutex_) return;
    const DWORD wait = WaitForSingleObject(mutex_, 0);
    held_ = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
}

SyncLock::~SyncLock() {
    if (held_) ReleaseMutex(mutex_);
    if (mutex_) CloseHandle(mutex_);
}

SyncReport SyncProgramFolder(const std::filesystem::path& program_folder, const ExchangeContext& context,
                             const SyncRequest& request) {
    SyncReport report;
    const SyncSettings settings = ReadSyncSettings(program_folder);
    std::string why_not;
    const std::optional<Account> account = AccountOf(settings, why_not);
    if (!account) {
        report.outcome = SyncOutcome::kFailed;
        report.message = why_not;
        return report;
    }
    SyncLock lock(program_folder);
    if (!lock.Held()) {
        report.outcome = SyncOutcome::kFailed;
        report.message = "Another sync of these events is running; try again when it ends.";
        return report;
    }
    return RunSync({.account = *account, .calendar_url = settings.calendar_url}, EventTableOf(program_folder), context,
                   request);
}

}  // namespace orbelle::sync
