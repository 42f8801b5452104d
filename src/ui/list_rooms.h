#pragma once
// What a capability living beside the list window (backups, iCalendar files)
// gets of it besides its Tools items: the messages meant for the capability
// that arrive at the list window, the list's status bar and tray balloon, and
// the list's question at start when the table is damaged. The list knows
// only these interfaces; the application hands each capability to it.
#include <windows.h>

#include <cstdint>
#include <string>

namespace orbelle {

// A capability's share of the list window's messages: its own posted
// messages, its timers, and what the system sends to the list for it.
class WindowMessageHook {
public:
    // True when the message was this capability's; its answer then in result.
    virtual bool OnWindowMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) = 0;

protected:
    ~WindowMessageHook() = default;
};

// The list's status bar and the tray icon's balloon.
class ListNotices {
public:
    virtual void ShowStatus(const std::wstring& text) = 0;
    // False when the shell could not show it.
    virtual bool ShowWarningBalloon(const std::wstring& title, const std::wstring& text) = 0;

protected:
    ~ListNotices() = default;
};

// The tray's commands that open the dialogs.
class ProgramDialogs {
public:
    // The one options dialog made at start, shown without being modal.
    virtual void ShowOptions() = 0;
    // A fresh about box or find dialog, modal, kept until the end.
    virtual void ShowAbout() = 0;
    virtual void ShowFind() = 0;

protected:
    ~ProgramDialogs() = default;
};

// What a capability has to tell the user as the editor opens an event it
// knows more of than the editor can show.
class EditorNotes {
public:
    // The text shown over the editor once it is up, or an empty one.
    virtual std::wstring NoteOnOpening(std::int64_t event_id) = 0;

protected:
    ~EditorNotes() = default;
};

// The question at start when the table cannot be opened twice.
class StartRecovery {
public:
    // True when the table file was replaced by a sound one (the list then
    // opens it); false when it was not damaged, nothing could mend it, or the
    // user declined.
    virtual bool RestoreDamagedTable(HWND owner) = 0;

protected:
    ~StartRecovery() = default;
};

}  // namespace orbelle
