#pragma once
// Backups as the user sees them: the automatic backup after the calendar has
// first shown and then once a minute when due, Back Up Now and Restore from
// Backup... in the list's Tools menu, and the offer of the newest good backup
// when the table is damaged at start. The copy runs on the worker's thread;
// its end comes back as a message to the list window, which hands it here.
#include <windows.h>

#include <filesystem>
#include <optional>
#include <string>

#include "backups/backup_worker.h"
#include "store/backup_schedule.h"
#include "store/cursor_gate.h"
#include "store/event_changes.h"
#include "ui/list_rooms.h"
#include "ui/tools_menu.h"
#include "ui/window_context.h"

namespace orbelle {

enum BackupCommand : WORD {
    kCmdBackUpNow = 300,
    kCmdRestoreBackup,
};

class BackupCommands final : public WindowMessageHook, public StartRecovery {
public:
    // The automatic backup's check, once a minute after the first one.
    static constexpr UINT_PTR kBackupTimer = 4;
    // Posted once the list is made: the first automatic backup, once the message
    // loop runs.
    static constexpr UINT kFirstBackupMessage = WM_APP + 40;
    // Posted by the backup thread when it ends.
    static constexpr UINT kBackupDoneMessage = WM_APP + 41;

    BackupCommands(WindowContext context, EventChanges& changes);
    BackupCommands(const BackupCommands&) = delete;
    BackupCommands& operator=(const BackupCommands&) = delete;

    // Back Up Now and Restore from Backup...
    void AddToolsItems(ToolsMenu& tools);
    // The list window made: its messages, notices and cursor from now on.
    // The first automatic backup follows once the message loop runs.
    void Attach(HWND list, ListNotices& notices, const CursorGate& cursor);
    // Before the list's window goes: a backup under way ends first.
    void Detach();

    // Whether a backup is being made now.
    bool BackingUp() const { return worker_.Running(); }
    // Replaces the events by the backup's (the table saved as a backup
    // first); every listener then reads the events again. Refused while an
    // editor or a popup of the scan holds the cursor.
    void RestoreFromBackup(const std::filesystem::path& backup);

    bool RestoreDamagedTable(HWND owner) override;
    bool OnWindowMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;

private:
    std::filesystem::path TableFile() const;
    // An automatic backup when one is due and the table changed; Back Up Now
    // always makes one.
    void StartAutomaticBackup();
    void BackUpNowClick();
    void RestoreFromBackupClick();
    void OnBackupDone();
    void ShowStatus(const std::wstring& text);

    WindowContext context_;
    EventChanges& changes_;
    HWND list_ = nullptr;
    ListNotices* notices_ = nullptr;
    const CursorGate* cursor_ = nullptr;
    BackupWorker worker_;
    BackupSchedule schedule_;
    bool asked_by_user_ = false;
};

}  // namespace orbelle
