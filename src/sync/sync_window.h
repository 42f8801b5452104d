#pragma once
// The sync window (`TSync`, "Calendar Sync"): the server, user and password,
// "Find Calendars" and the choice of one, "Sync every", "Sync Now", and what
// the last sync did: its result, its counts, the versions kept from
// conflicts (with "Restore This Version") and the items set aside, each with
// why. It talks to the network only through its Actions, which run on a
// thread of their own and answer with ShowCalendars and ShowReport.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/handles.h"
#include "sync/caldav_client.h"
#include "sync/sync_engine.h"
#include "sync/sync_settings.h"
#include "ui/controls.h"
#include "ui/window.h"
#include "ui/window_context.h"

namespace orbelle::sync {

class SyncWindow : public Window {
public:
    enum ControlId : int {
        ServerLabel = 100,
        ServerBox,
        UserLabel,
        UserBox,
        PasswordLabel,
        PasswordBox,
        FindButton,
        CalendarLabel,
        CalendarList,
        EveryLabel,
        EveryList,
        SyncNowButton,
        StatusBox,
        KeptLabel,
        KeptList,
        RestoreButton,
        CloseButton,
    };

    class Actions {
    public:
        // Discovery with what the boxes hold; the answer comes to ShowCalendars.
        virtual void FindCalendars(const Account& account) = 0;
        // The boxes as the user left them (the password only when typed).
        virtual void ChangeSettings(const SyncSettings& settings, const std::string& typed_password) = 0;
        virtual void SyncNow(bool deletions_confirmed) = 0;
        virtual void RestoreKept(std::int64_t kept_id) = 0;

    protected:
        ~Actions() = default;
    };

    SyncWindow(const WindowContext& context, Actions& actions);

    void ShowInFront();
    // The calendars found, or why none.
    void ShowCalendars(const std::vector<CalendarInfo>& calendars, const std::string& failure);
    // A sync began or ended; the lists of kept and set-aside items are read anew.
    void ShowSyncing();
    void ShowReport(const SyncReport& report);
    // The last sync's result as stored, and the lists.
    void ShowStored();

    HWND Control(ControlId id) const { return controls_[id]; }
    std::wstring StatusText() const;

private:
    void OnCreate() override;
    void OnClose() override { ShowWindow(Hwnd(), SW_HIDE); }
    void OnCommand(WORD id, WORD code, HWND control) override;

    SyncSettings SettingsInBoxes() const;
    void FillLists();
    void SetStatus(const std::wstring& text);

    WindowContext context_;
    Actions& actions_;
    SyncSettings settings_;
    std::vector<CalendarInfo> calendars_;
    std::vector<std::int64_t> kept_ids_;  // by row of the list; 0 for an item set aside
    Controls<ControlId> controls_;
    OwnedFont font_;
};

}  // namespace orbelle::sync
