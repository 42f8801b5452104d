#include "sync/sync_settings.h"

#include <algorithm>
#include <iterator>

#include "platform/settings.h"

namespace orbelle::sync {

SyncSettings ReadSyncSettings(const std::filesystem::path& program_folder) {
    const SettingsFile file(ProgramSettingsPath(program_folder));
    SyncSettings settings;
    settings.server = file.ReadString("Sync", "Server", "");
    settings.user = file.ReadString("Sync", "User", "");
    settings.calendar_url = file.ReadString("Sync", "Calendar", "");
    settings.calendar_name = file.ReadString("Sync", "CalendarName", "");
    settings.pinned_sha256 = file.ReadString("Sync", "Certificate", "");
    const int every = file.ReadIntegerOr("Sync", "Every", kDefaultSyncInterval);
    // A value of no choice (edited by hand) reads as the default.
    settings.every_minutes =
        std::find(std::begin(kSyncIntervals), std::end(kSyncIntervals), every) != std::end(kSyncIntervals)
            ? every
            : kDefaultSyncInterval;
    return settings;
}

void WriteSyncSettings(const std::filesystem::path& program_folder, const SyncSettings& settings) {
    SettingsFile file(ProgramSettingsPath(program_folder));
    file.WriteString("Sync", "Server", settings.server);
    file.WriteString("Sync", "User", settings.user);
    file.WriteString("Sync", "Calendar", settings.calendar_url);
    file.WriteString("Sync", "CalendarName", settings.calendar_name);
    file.WriteInteger("Sync", "Every", settings.every_minutes);
    file.WriteString("Sync", "Certificate", settings.pinned_sha256);
}

}  // namespace orbelle::sync
