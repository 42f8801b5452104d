#include "sync/sync_commands.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <system_error>
#include <utility>

#include "base/error.h"
#include "exchange/exchange_context.h"
#include "platform/wide.h"
#include "sync/sync_runner.h"
#include "ui/errors.h"

namespace orbelle::sync {
namespace {

std::string UtcNowStamp() {
    SYSTEMTIME now{};
    GetSystemTime(&now);
    char text[32];
    std::snprintf(text, sizeof text, "%04u%02u%02uT%02u%02u%02uZ", now.wYear, now.wMonth, now.wDay, now.wHour,
                  now.wMinute, now.wSecond);
    return text;
}

}  // namespace

SyncCommands::SyncCommands(WindowContext context, EventChanges& changes)
    : context_(std::move(context)), changes_(changes) {}

SyncCommands::~SyncCommands() {
    stopping_ = true;
    if (thread_.joinable()) thread_.join();
}

void SyncCommands::AddToolsItems(ToolsMenu& tools) {
    tools.AddGroup(
        {{.command = kCmdCalendarSync, .caption = L"Calendar Sync...", .run = [this](HWND) { ShowSync(); }}});
}

void SyncCommands::Attach(HWND list, const CursorGate& cursor) {
    list_ = list;
    cursor_ = &cursor;
}

void SyncCommands::Start() {
    if (!list_) return;
    started_ = true;
    SetTimer(list_, kSoonTimer, kFirstSyncDelay, nullptr);
    SetIntervalTimer();
}

void SyncCommands::Detach() {
    stopping_ = true;
    if (list_) {
        KillTimer(list_, kSoonTimer);
        KillTimer(list_, kIntervalTimer);
    }
    // A sync under way ends its step; what it has not written is written at the next start.
    if (thread_.joinable()) thread_.join();
    window_.reset();
    list_ = nullptr;
    cursor_ = nullptr;
    started_ = false;
}

void SyncCommands::ShowSync() {
    if (!window_) window_ = MakeWindow<SyncWindow>(context_, static_cast<SyncWindow::Actions&>(*this));
    if (!window_->Hwnd()) return;
    if (Syncing()) window_->ShowSyncing();
    window_->ShowInFront();
}

bool SyncCommands::Syncing() const {
    std::lock_guard lock(mutex_);
    return running_;
}

template <typename Work>
void SyncCommands::RunOnThread(Work work) {
    if (thread_.joinable()) thread_.join();  // ended already: its message is posted
    running_ = true;
    try {
        thread_ = std::thread(std::move(work));
    } catch (const std::system_error& error) {
        running_ = false;
        throw Error(std::string("Cannot start the sync: ") + error.what());
    }
}

bool SyncCommands::StartSync(bool deletions_confirmed, bool asked_by_user) {
    if (!list_ || stopping_) return false;
    if (!asked_by_user && waiting_for_password_) return false;
    if (!ReadSyncSettings(context_.program_folder).Ready()) {
        if (asked_by_user && window_)
            window_->ShowReport({.outcome = SyncOutcome::kFailed,
                                 .message = "choose a server and a calendar first (Find Calendars)."});
        return false;
    }
    std::lock_guard lock(mutex_);
    if (running_) return false;
    asked_by_user_ = asked_by_user;
    SyncRequest request{.deletions_confirmed = deletions_confirmed,
                        .changed_here_utc = changed_here_utc_,
                        .unchanged_here = !changed_here_};
    // A change from now on is one for the next sync.
    sync_saw_change_ = changed_here_;
    changed_here_ = false;
    sync_began_utc_ = UtcNowStamp();
    HWND list = list_;
    request.may_write = [this, list] {
        if (stopping_) return true;
        DWORD_PTR free = FALSE;
        return SendMessageTimeoutW(list, kMayWriteMessage, 0, 0, SMTO_NORMAL, 2000, &free) != 0 && free != FALSE;
    };
    RunOnThread([this, request = std::move(request), folder = context_.program_folder] {
        SyncReport report = SyncProgramFolder(folder, SystemExchangeContext(), request);
        HWND notify = nullptr;
        {
            std::lock_guard lock(mutex_);
            report_ = std::move(report);
            running_ = false;
            notify = list_;
        }
        if (notify) PostMessageW(notify, kSyncDoneMessage, 0, 0);
    });
    if (window_ && window_->Hwnd()) window_->ShowSyncing();
    return true;
}

void SyncCommands::SyncEnded() {
    std::optional<SyncReport> taken;
    {
        std::lock_guard lock(mutex_);
        taken = std::move(report_);
        report_.reset();
    }
    if (!taken) return;
    const SyncReport& report = *taken;
    // What this sync did not finish it must see again.
    if (report.outcome != SyncOutcome::kDone) changed_here_ = changed_here_ || sync_saw_change_;
    if (report.table_changed) {
        telling_ = true;
        changes_.EventsReloaded();
        telling_ = false;
    }
    switch (report.outcome) {
    case SyncOutcome::kDone:
        waiting_for_password_ = false;
        failures_in_a_row_ = 0;
        // Changes noted before this sync began went with it.
        std::erase_if(changed_here_utc_, [&](const auto& noted) { return noted.second <= sync_began_utc_; });
        break;
    case SyncOutcome::kNeedsPassword:
        // Asked once: the window shows why, and the timers wait for the user.
        if (!waiting_for_password_) {
            waiting_for_password_ = true;
            ShowSync();
        }
        break;
    case SyncOutcome::kStoppedByGuard:
        if (asked_by_user_ && window_ && window_->Hwnd()) {
            window_->ShowReport(report);
            const std::wstring question = Widen(report.message) + L"\n\nDelete them?";
            const UINT style = MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2;
            if (MessageBoxW(window_->Hwnd(), question.c_str(), L"Calendar Sync", style) == IDYES) StartSync(true, true);
            return;
        }
        break;
    case SyncOutcome::kFailed: {
        // Tried again sooner than the interval, then less and less often.
        const int doublings = std::min(failures_in_a_row_++, 5);
        const UINT delay = std::min<UINT>(kFirstRetryDelay << doublings, kLongestRetryDelay);
        if (list_ && !stopping_) SetTimer(list_, kSoonTimer, delay, nullptr);
        break;
    }
    }
    if (window_ && window_->Hwnd()) window_->ShowReport(report);
}

bool SyncCommands::OnWindowMessage(HWND, UINT message, WPARAM wparam, LPARAM, LRESULT& result) {
    switch (message) {
    case WM_TIMER:
        if (wparam == kSoonTimer) {
            KillTimer(list_, kSoonTimer);
            // A sync under way: this change goes with the next one.
            if (!StartSync(false, false) && Syncing()) SetTimer(list_, kSoonTimer, kAfterChangeDelay, nullptr);
        } else if (wparam == kIntervalTimer) {
            StartSync(false, false);
        } else {
            return false;
        }
        result = 0;
        return true;
    case kSyncDoneMessage:
        SyncEnded();
        result = 0;
        return true;
    case kCalendarsFoundMessage: {
        std::optional<std::pair<std::vector<CalendarInfo>, std::string>> found;
        {
            std::lock_guard lock(mutex_);
            found = std::move(calendars_);
            calendars_.reset();
        }
        if (found && window_ && window_->Hwnd()) window_->ShowCalendars(found->first, found->second);
        result = 0;
        return true;
    }
    case kMayWriteMessage: result = !cursor_ || cursor_->CursorFree(); return true;
    default: return false;
    }
}

void SyncCommands::ChangedHere(std::int64_t id) {
    if (telling_) return;
    changed_here_ = true;
    changed_here_utc_[id] = UtcNowStamp();
    if (started_ && list_) SetTimer(list_, kSoonTimer, kAfterChangeDelay, nullptr);
}

void SyncCommands::EventSaved(std::int64_t id) { ChangedHere(id); }

void SyncCommands::EventDeleted(std::int64_t id) { ChangedHere(id); }

// Goes up as the event's acknowledgement, so that other devices stay quiet.
void SyncCommands::AlarmsDismissed(std::int64_t id) { ChangedHere(id); }

std::wstring SyncCommands::NoteOnOpening(std::int64_t event_id) {
    if (noted_.contains(event_id)) return {};
    const std::string why = WhyNotShownWhole(EventTableOf(context_.program_folder), event_id, SystemExchangeContext());
    if (why.empty()) return {};
    noted_.insert(event_id);
    return L"This event came from your calendar server with more than this editor can show: " + Widen(why) +
           L".\n\nWhat you change here is written into the server's version of the event; the rest of it stays as "
           L"it is.";
}

void SyncCommands::EventsReloaded() {
    if (telling_) return;
    changed_here_ = true;
    if (!started_ || !list_) return;
    SetTimer(list_, kSoonTimer, kAfterChangeDelay, nullptr);
}

void SyncCommands::FindCalendars(const Account& account) {
    std::lock_guard lock(mutex_);
    if (running_) {
        if (window_) window_->ShowCalendars({}, "a sync is running; try again when it ends.");
        return;
    }
    RunOnThread([this, account] {
        std::vector<CalendarInfo> calendars;
        std::string failure;
        try {
            calendars = CalDavClient(account).FindCalendars();
        } catch (const std::exception& error) {
            failure = error.what();
        }
        HWND notify = nullptr;
        {
            std::lock_guard lock(mutex_);
            calendars_.emplace(std::move(calendars), std::move(failure));
            running_ = false;
            notify = list_;
        }
        if (notify) PostMessageW(notify, kCalendarsFoundMessage, 0, 0);
    });
}

void SyncCommands::ChangeSettings(const SyncSettings& settings, const std::string& typed_password) {
    try {
        WriteSyncSettings(context_.program_folder, settings);
        if (!typed_password.empty()) {
            RememberPassword(settings, typed_password);
            waiting_for_password_ = false;
        }
    } catch (const std::exception& error) {
        ShowStandardError(error.what());
    }
    SetIntervalTimer();
}

void SyncCommands::SyncNow(bool deletions_confirmed) {
    if (!StartSync(deletions_confirmed, true) && Syncing()) MessageBeep(MB_OK);
}

void SyncCommands::RestoreKept(std::int64_t kept_id) {
    if (cursor_ && !cursor_->CursorFree()) {
        MessageBeep(MB_OK);
        return;
    }
    try {
        RestoreKeptVersion(EventTableOf(context_.program_folder), kept_id, SystemExchangeContext());
        // A change here like any other: it goes to the server with the next sync.
        changes_.EventsReloaded();
    } catch (const std::exception& error) {
        ShowStandardError(error.what());
    }
    if (window_ && window_->Hwnd()) window_->ShowStored();
}

void SyncCommands::SetIntervalTimer() {
    if (!started_ || !list_) return;
    KillTimer(list_, kIntervalTimer);
    const int every = ReadSyncSettings(context_.program_folder).every_minutes;
    if (every > 0) SetTimer(list_, kIntervalTimer, static_cast<UINT>(every) * 60'000u, nullptr);
}

}  // namespace orbelle::sync
