#include "backups/backup_commands.h"

#include <utility>

#include "backups/restore_backup_dialog.h"
#include "base/clock.h"
#include "platform/file_replace.h"
#include "platform/wide.h"
#include "store/table_health.h"
#include "store/table_recovery.h"
#include "ui/errors.h"

namespace orbelle {
namespace {
constexpr UINT kBackupTimerInterval = 60 * 1000;
}  // namespace

BackupCommands::BackupCommands(WindowContext context, EventChanges& changes)
    : context_(std::move(context)), changes_(changes) {}

std::filesystem::path BackupCommands::TableFile() const { return context_.program_folder / "db" / "TODOLIST.DB"; }

void BackupCommands::AddToolsItems(ToolsMenu& tools) {
    tools.AddGroup({
        {.command = kCmdBackUpNow, .caption = L"Back Up Now", .run = [this](HWND) { BackUpNowClick(); }},
        {.command = kCmdRestoreBackup,
         .caption = L"Restore from Backup...",
         .run = [this](HWND) { RestoreFromBackupClick(); }},
    });
}

void BackupCommands::Attach(HWND list, ListNotices& notices, const CursorGate& cursor) {
    list_ = list;
    notices_ = &notices;
    cursor_ = &cursor;
    // After the calendar's first showing: the message is read once the loop runs.
    if (cursor.TableOpen()) PostMessageW(list_, kFirstBackupMessage, 0, 0);
}

void BackupCommands::Detach() {
    // A backup under way ends before the table's connection goes.
    worker_.Wait();
    list_ = nullptr;
    notices_ = nullptr;
    cursor_ = nullptr;
}

bool BackupCommands::OnWindowMessage(HWND window, UINT message, WPARAM wparam, LPARAM, LRESULT& result) {
    if (message == kFirstBackupMessage) {
        Guarded([this] { StartAutomaticBackup(); });
        SetTimer(window, kBackupTimer, kBackupTimerInterval, nullptr);
    } else if (message == kBackupDoneMessage) {
        Guarded([this] { OnBackupDone(); });
    } else if (message == WM_TIMER && wparam == kBackupTimer) {
        Guarded([this] { StartAutomaticBackup(); });
    } else {
        return false;
    }
    result = 0;
    return true;
}

bool BackupCommands::RestoreDamagedTable(HWND owner) {
    // Only damage is offered a backup: a file locked or busy for now is left
    // alone.
    if (ExamineTable(TableFile(), CheckDepth::Quick, std::chrono::seconds(1)).state != TableState::Damaged)
        return false;
    const std::optional<BackupEntry> backup = NewestGoodBackup(BackupFolderFor(TableFile()));
    if (!backup || !backup->events) return false;
    const std::wstring question =
        L"The event table cannot be read. Restore the "
        L"events from the backup of " +
        BackupTimeText(backup->taken) + L" (" + std::to_wstring(*backup->events) + L" events)?";
    if (MessageBoxW(owner, question.c_str(), ApplicationTitle().c_str(), MB_YESNO | MB_ICONQUESTION) != IDYES)
        return false;
    return Guarded([&] { RestoreTable(TableFile(), backup->file, Now(), FileReplaceRefusal); });
}

void BackupCommands::StartAutomaticBackup() {
    if (!cursor_ || !cursor_->TableOpen() || worker_.Running()) return;
    if (!schedule_.Due(Now())) return;
    worker_.Start(TableFile(), Now(), /*only_if_changed=*/true, list_, kBackupDoneMessage);
}

void BackupCommands::BackUpNowClick() {
    if (!cursor_ || !cursor_->TableOpen()) return;
    if (worker_.Running()) {
        // The one under way is the user's now: its end is told.
        asked_by_user_ = true;
        return;
    }
    ShowStatus(L"Backing up...");
    if (worker_.Start(TableFile(), Now(), /*only_if_changed=*/false, list_, kBackupDoneMessage)) asked_by_user_ = true;
}

void BackupCommands::OnBackupDone() {
    std::optional<BackupOutcome> outcome = worker_.TakeOutcome();
    if (!outcome) return;
    const bool asked_by_user = std::exchange(asked_by_user_, false);
    const DateTime now = Now();
    switch (outcome->kind) {
        // The automatic backup keeps quiet; the status bar answers the user's own
        // command.
        case BackupOutcome::Kind::Made:
            schedule_.Done(now);
            if (asked_by_user)
                ShowStatus(L"Backed up " + std::to_wstring(outcome->entry->events.value_or(0)) + L" events at " +
                           BackupTimeText(outcome->entry->taken));
            break;
        case BackupOutcome::Kind::Unneeded:
            schedule_.Done(now);
            // Back Up Now came while the automatic one found nothing to do.
            if (asked_by_user) BackUpNowClick();
            break;
        case BackupOutcome::Kind::Failed: {
            const std::wstring text = L"The events could not be backed up: " + Widen(outcome->error);
            if (asked_by_user) {
                ShowStatus(L"");
                MessageBoxW(list_, text.c_str(), ApplicationTitle().c_str(), MB_OK | MB_ICONWARNING);
                break;
            }
            // Retried later without a word; only the run's first failure is told.
            if (schedule_.Failed(now) && !(notices_ && notices_->ShowWarningBalloon(L"Orbelle backup", text)))
                ShowStatus(text);
            break;
        }
    }
}

void BackupCommands::RestoreFromBackupClick() {
    if (!cursor_ || !cursor_->CursorFree() || !cursor_->TableOpen()) return;
    auto dialog = MakeWindow<RestoreBackupDialog>(context_, TableFile());
    if (dialog->ShowModal() != IDOK || !dialog->Chosen()) return;
    RestoreFromBackup(dialog->Chosen()->file);
}

void BackupCommands::RestoreFromBackup(const std::filesystem::path& backup) {
    // The cursor must not move under an editor or a popup.
    if (!cursor_ || !cursor_->CursorFree()) return;
    // Every connection to the table closes first: the copy under way reads
    // it, and Windows renames over no open file.
    worker_.Wait();
    changes_.TableClosing();
    // Restored or not, the connections open again and every listener reads
    // the events afresh.
    struct ReopenAndReload {
        EventChanges& changes;
        ~ReopenAndReload() {
            changes.TableReopened();
            changes.EventsReloaded();
        }
    } reopen{changes_};
    const RestoreResult result = RestoreTable(TableFile(), backup, Now(), FileReplaceRefusal);
    ShowStatus(L"Restored " + std::to_wstring(result.events) + L" events");
}

void BackupCommands::ShowStatus(const std::wstring& text) {
    if (notices_) notices_->ShowStatus(text);
}

}  // namespace orbelle
