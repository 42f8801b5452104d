#pragma once
// "Restore from Backup": the backups of the event table, newest first, with
// their date and time, number of events and size; Restore asks to confirm
// and ends the dialog with the backup chosen. The list window restores it.
#include <windows.h>

#include <filesystem>
#include <optional>
#include <vector>

#include "platform/handles.h"
#include "store/backups.h"
#include "ui/controls.h"
#include "ui/window.h"
#include "ui/window_context.h"

namespace orbelle {

class RestoreBackupDialog : public ModalWindow {
public:
    enum ControlId : int {
        kRestoreButton = IDOK,
        kCloseButton = IDCANCEL,
        kBackupList = 100,
        kHint,
    };

    RestoreBackupDialog(const WindowContext& context, const std::filesystem::path& table);

    // The backup to restore after ShowModal answered IDOK.
    const std::optional<BackupEntry>& Chosen() const { return chosen_; }
    HWND BackupList() const { return controls_[kBackupList]; }
    const std::vector<BackupEntry>& Backups() const { return backups_; }

private:
    void OnCreate() override;
    void OnCommand(WORD id, WORD code, HWND control) override;
    void OnClose() override { EndModal(IDCANCEL); }
    void Restore();

    std::filesystem::path table_;
    std::vector<BackupEntry> backups_;
    std::optional<BackupEntry> chosen_;
    OwnedFont font_;
    Controls<ControlId> controls_;
};

// "10/12/2026 14:05:12" as the list and the start-up question show a backup's time.
std::wstring BackupTimeText(DateTime taken);

}  // namespace orbelle
