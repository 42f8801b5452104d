#pragma once
// The notification-area icon: today's day of the month drawn on the tray
// picture, and its registration with the shell from the event list window's
// creation to its destruction. The owner window handles the callback message
// and opens the tray menu.
#include <windows.h>
#include <shellapi.h>

#include <filesystem>
#include <string>

#include "base/datetime.h"
#include "platform/handles.h"

namespace orbelle {

// "pic\tutorial.bmp" of the program folder with `day` (1..31) written on it as
// two digit cells from "Skins\Default\Numbers Large Ex Blue.png": tens at
// (0, 10), units at (15, 10), the tens also when 0. Throws Error when the
// picture cannot be read; a digit strip that cannot be decoded leaves the
// picture's own pixels.
OwnedBitmap MakeDayPicture(const std::filesystem::path& program_folder, unsigned day);

// An icon of the system icon size with the picture stretched onto it; the
// colour of the picture's bottom-left pixel (white for a monochrome picture)
// is transparent wherever it occurs. Throws Error when no icon can be made.
OwnedIcon BitmapToIcon(HBITMAP picture);

class TrayIcon {
public:
    static constexpr UINT kId = 1;
    // Sent to the owner with the mouse message in lParam.
    static constexpr UINT kCallbackMessage = WM_USER + 10;  // 1034

    TrayIcon() = default;
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;
    ~TrayIcon() { Remove(); }

    // Registers the icon and tip (cut to the field) for `owner` and keeps
    // the icon until Remove. A shell that is not running yet answers false;
    // the icon then comes with the shell's "TaskbarCreated" (Readd).
    bool Add(HWND owner, OwnedIcon icon, const std::wstring& tip);

    // Today's icon and tip: the day picture of the program folder, today from
    // the clock, names from the user's locale. Throws Error as MakeDayPicture.
    bool AddToday(HWND owner, const std::filesystem::path& program_folder);

    // Deletes the registration and releases the icon; nothing when not added.
    void Remove();

    // The shell's "TaskbarCreated" message: a restarted shell has forgotten
    // every icon. The owner calls Readd when it receives it.
    static UINT TaskbarCreatedMessage();
    // Registers the same icon and tip again; nothing when not added.
    bool Readd();

    // A balloon over the icon with a warning sign. The icon itself keeps the
    // first record layout; the balloon's fields come with the second, which
    // the shell takes for this one call. False when the shell refuses it.
    bool ShowWarningBalloon(const std::wstring& title, const std::wstring& text);

    bool IsAdded() const { return added_; }
    HICON Icon() const { return icon_.Get(); }

private:
    NOTIFYICONDATAW Record() const;

    HWND owner_ = nullptr;
    OwnedIcon icon_;
    std::wstring tip_;
    bool added_ = false;
};

}  // namespace orbelle
