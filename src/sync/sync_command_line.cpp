#include "sync/sync_command_line.h"

#include <windows.h>

#include <exception>

#include "exchange/exchange_context.h"
#include "platform/standard_streams.h"
#include "platform/wide.h"
#include "sync/sync_runner.h"

namespace orbelle::sync {
namespace {

bool SameUrl(std::string a, std::string b) {
    while (a.ends_with('/')) a.pop_back();
    while (b.ends_with('/')) b.pop_back();
    return a == b;
}

}  // namespace

FormResult RunSyncSetForm(const std::filesystem::path& program_folder, const std::vector<std::wstring>& arguments) {
    if (arguments.size() != 2) {
        WriteStandardError("Usage: Orbelle.exe /sync-set URL USER (the password on standard input)");
        return {kSyncExitBadArguments};
    }
    const std::optional<std::string> password = ReadStandardInputLine();
    if (!password) {
        WriteStandardError("No password was given on standard input.");
        return {kSyncExitBadArguments};
    }
    SyncSettings settings = ReadSyncSettings(program_folder);
    settings.server = Narrow(arguments[0]);
    settings.user = Narrow(arguments[1]);
    try {
        CalDavClient client({.url = settings.server, .user = settings.user, .password = *password,
                             .pinned_sha256 = settings.pinned_sha256});
        const std::vector<CalendarInfo> calendars = client.FindCalendars();
        if (calendars.empty()) {
            WriteStandardError("The server at " + settings.server + " shows no calendar of events to " + settings.user +
                               ".");
            return {kSyncExitFailed};
        }
        const CalendarInfo* chosen = &calendars.front();
        for (const CalendarInfo& calendar : calendars)
            if (SameUrl(calendar.url, settings.server)) chosen = &calendar;
        settings.calendar_url = chosen->url;
        settings.calendar_name = chosen->name;
        RememberPassword(settings, *password);
        WriteSyncSettings(program_folder, settings);
        WriteStandardOutput("Calendar sync is set up with \"" + chosen->name + "\" (" + chosen->url + ").");
        return {kSyncExitDone};
    } catch (const std::exception& error) {
        WriteStandardError(std::string("Calendar sync was not set up: ") + error.what());
        return {kSyncExitFailed};
    }
}

FormResult RunSyncForm(const std::filesystem::path& program_folder, const std::vector<std::wstring>& arguments) {
    const bool confirmed = arguments.size() == 1 && CompareStringOrdinal(arguments[0].c_str(), -1,
                                                                         L"/confirm-deletions", -1, TRUE) == CSTR_EQUAL;
    if (arguments.size() > 1 || (arguments.size() == 1 && !confirmed)) {
        WriteStandardError("Usage: Orbelle.exe /sync [/confirm-deletions]");
        return {kSyncExitBadArguments};
    }
    const SyncReport report =
        SyncProgramFolder(program_folder, SystemExchangeContext(), {.deletions_confirmed = confirmed});
    FormResult result{.table_changed = report.table_changed};
    for (const AsideItem& aside : report.set_aside)
        WriteStandardError("Set aside: " + (aside.subject.empty() ? aside.href : aside.subject) + ": " + aside.reason);
    switch (report.outcome) {
    case SyncOutcome::kDone: WriteStandardOutput(report.Summary()); break;
    case SyncOutcome::kStoppedByGuard:
        WriteStandardError(report.message + " Run Orbelle.exe /sync /confirm-deletions to go on.");
        result.exit_code = kSyncExitStoppedByGuard;
        break;
    case SyncOutcome::kFailed:
    case SyncOutcome::kNeedsPassword:
        WriteStandardError("The sync failed: " + report.message);
        result.exit_code = kSyncExitFailed;
        break;
    }
    return result;
}

}  // namespace orbelle::sync
