#pragma once
// What the sync keeps in the settings file's [Sync] section: the server, the
// user, the chosen calendar and how often it syncs. Never the password: that
// lives in the system's credential store.
#include <filesystem>
#include <string>

namespace orbelle::sync {

// The choices of "Sync every", in minutes; 0 is off.
inline constexpr int kSyncIntervals[] = {0, 5, 15, 60};
inline constexpr int kDefaultSyncInterval = 15;

struct SyncSettings {
    std::string server;         // as the user gave it
    std::string user;
    std::string calendar_url;   // the chosen calendar; empty until one is chosen
    std::string calendar_name;
    int every_minutes = kDefaultSyncInterval;
    std::string pinned_sha256;  // a self-signed server's certificate, when the user pinned it

    bool Ready() const { return !server.empty() && !calendar_url.empty(); }
};

SyncSettings ReadSyncSettings(const std::filesystem::path& program_folder);
// Throws Error when the settings file cannot be written.
void WriteSyncSettings(const std::filesystem::path& program_folder, const SyncSettings& settings);

}  // namespace orbelle::sync
