#include "backups/restore_backup_dialog.h"

#include <commctrl.h>

#include <cstdio>
#include <string>

#include "platform/wide.h"

namespace orbelle {
namespace {

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT | WS_EX_DLGMODALFRAME;
constexpr int kClientWidth = 420, kClientHeight = 270;
constexpr DWORD kFocusable = WS_TABSTOP | WS_GROUP;

using Id = RestoreBackupDialog::ControlId;

constexpr ControlSpec kControls[] = {
    {WC_LISTVIEWW, Id::kBackupList, 8, 28, 404, 200, L"",
     LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | kFocusable, WS_EX_CLIENTEDGE},
    {WC_BUTTONW, Id::kRestoreButton, 256, 238, 75, 25, L"Restore", BS_DEFPUSHBUTTON | kFocusable},
    {WC_BUTTONW, Id::kCloseButton, 337, 238, 75, 25, L"Close", BS_PUSHBUTTON | kFocusable},
    {WC_STATICW, Id::kHint, 8, 8, 404, 16, L"", SS_NOPREFIX},
};

struct ColumnSpec {
    const wchar_t* title;
    int width;
    int format;
};
constexpr ColumnSpec kColumns[] = {
    {L"Date and time", 170, LVCFMT_LEFT},
    {L"Events", 90, LVCFMT_RIGHT},
    {L"Size", 120, LVCFMT_RIGHT},
};

std::wstring SizeText(std::uintmax_t bytes) {
    wchar_t text[32];
    if (bytes < 1024 * 1024)
        std::swprintf(text, 32, L"%u KB", static_cast<unsigned>((bytes + 1023) / 1024));
    else
        std::swprintf(text, 32, L"%.1f MB", static_cast<double>(bytes) / (1024.0 * 1024.0));
    return text;
}

void SetCell(HWND list, int row, int column, const std::wstring& text) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.iSubItem = column;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    if (column == 0)
        ListView_InsertItem(list, &item);
    else
        ListView_SetItem(list, &item);
}

}  // namespace

std::wstring BackupTimeText(DateTime taken) {
    const year_month_day date = taken.Date();
    const TimeOfDay time = taken.Time();
    wchar_t text[32];
    std::swprintf(text, 32, L"%04d-%02u-%02u %02d:%02d:%02d", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()), time.hour, time.minute,
                  time.second);
    return text;
}

RestoreBackupDialog::RestoreBackupDialog(const WindowContext& context, const std::filesystem::path& table)
    : table_(table) {
    const SIZE outer = OuterSizeForClient(kClientWidth, kClientHeight, kStyle, kExStyle);
    Create({.name = L"TRestoreBackup"},
           {.caption = L"Restore from Backup", .style = kStyle, .ex_style = kExStyle,
            .x = (GetSystemMetrics(SM_CXSCREEN) - outer.cx) / 2, .y = (GetSystemMetrics(SM_CYSCREEN) - outer.cy) / 2,
            .width = outer.cx, .height = outer.cy, .owner = context.owner, .dialog_keys = true});
}

void RestoreBackupDialog::OnCreate() {
    font_ = MakeFontPoints(L"Tahoma", 8);
    controls_.Create(Hwnd(), kControls, font_.Get());
    HWND list = controls_[kBackupList];
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.fmt = kColumns[i].format;
        column.cx = kColumns[i].width;
        column.pszText = const_cast<wchar_t*>(kColumns[i].title);
        ListView_InsertColumn(list, i, &column);
    }
    backups_ = ListBackups(BackupFolderFor(table_));
    for (int row = 0; row < static_cast<int>(backups_.size()); ++row) {
        const BackupEntry& backup = backups_[static_cast<std::size_t>(row)];
        SetCell(list, row, 0, BackupTimeText(backup.taken));
        SetCell(list, row, 1, backup.events ? std::to_wstring(*backup.events) : std::wstring(L"unreadable"));
        SetCell(list, row, 2, SizeText(backup.bytes));
    }
    if (!backups_.empty())
        ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    SetWindowTextW(controls_[kHint], backups_.empty() ? L"There are no backups yet."
                                                      : L"Choose the backup whose events the list should hold.");
    EnableWindow(controls_[kRestoreButton], !backups_.empty());
}

void RestoreBackupDialog::OnCommand(WORD id, WORD code, HWND) {
    if (code != BN_CLICKED) return;
    if (id == kRestoreButton) Restore();
    if (id == kCloseButton) EndModal(IDCANCEL);
}

void RestoreBackupDialog::Restore() {
    const int row = ListView_GetNextItem(controls_[kBackupList], -1, LVNI_SELECTED);
    if (row < 0 || static_cast<std::size_t>(row) >= backups_.size()) return;
    const BackupEntry& backup = backups_[static_cast<std::size_t>(row)];
    if (!backup.events) {
        MessageBoxW(Hwnd(), L"This backup cannot be read.", L"Restore from Backup", MB_OK | MB_ICONSTOP);
        return;
    }
    const std::wstring question = L"Replace the events of the list by the " + std::to_wstring(*backup.events) +
                                  L" events of the backup of " + BackupTimeText(backup.taken) +
                                  L"? The events of the list are saved as a backup first.";
    if (MessageBoxW(Hwnd(), question.c_str(), L"Restore from Backup", MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    chosen_ = backup;
    EndModal(IDOK);
}

}  // namespace orbelle
