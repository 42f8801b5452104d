#include "reminders/alarm_watch.h"

#include <algorithm>

#include "base/error.h"
#include "base/text.h"
#include "platform/locale.h"
#include "platform/settings.h"
#include "platform/sound.h"
#include "platform/sound_path.h"
#include "platform/wide.h"

namespace orbelle {
namespace {

constexpr const char* kSection = "Reminders";
constexpr const char* kSnoozeKey = "SnoozeLength";

}  // namespace

SnoozeLength RememberedSnoozeLength(const std::filesystem::path& program_folder) {
    SettingsFile settings(ProgramSettingsPath(program_folder));
    return SnoozeLengthFromText(settings.ReadString(kSection, kSnoozeKey, "")).value_or(kDefaultSnoozeLength);
}

AlarmWatch::AlarmWatch(const WindowContext& context, std::filesystem::path table_file, EventListAccess& list,
                       EventChangeSink& changes)
    : context_(context),
      table_file_(std::move(table_file)),
      list_(list),
      changes_(changes),
      names_(UserLocaleNames()),
      window_(MakeWindow<RemindersWindow>(context_, static_cast<RemindersWindow::Actions&>(*this), RememberedSnoozeLength(context_.program_folder))) {}

AlarmWatch::~AlarmWatch() { window_.reset(); }

void AlarmWatch::Start() {
    OpenState();
    ClockReading now = ReadClock();
    const ReminderChanges changes = schedule_.Build(ReadEvents(), now);
    Apply(changes, now);
    // Rows shown before the restart come back without a sound, but in view.
    if (changes.appeared.empty() && !schedule_.Rows().empty()) window_->Announce();
}

void AlarmWatch::OpenState() {
    ReminderState::OpenResult opened = state_.Open(table_file_);
    // A first start finds no tables and makes them: nothing to tell.
    if (opened.opening != ReminderState::Opening::Kept && opened.opening != ReminderState::Opening::Missing)
        MessageBoxW(window_->Hwnd(), Widen(opened.message).c_str(), L"Reminders", MB_OK | MB_ICONWARNING);
}

// The schedule keeps its copy of the state meanwhile; the rebuild that
// follows the reopening takes the state of the file then in place.
void AlarmWatch::CloseTable() { state_ = ReminderState(); }

void AlarmWatch::ReopenTable() { OpenState(); }

std::vector<ReminderEvent> AlarmWatch::ReadEvents() {
    // A cursor of its own: the list's may be under an open editor.
    EventCursor reader;
    reader.Open(table_file_);
    std::vector<ReminderEvent> events;
    for (reader.First(); !reader.Eof(); reader.Next()) events.push_back(ReminderEventFromCursor(reader, names_));
    return events;
}

void AlarmWatch::EventSaved(std::int64_t event_id) {
    EventCursor reader;
    reader.Open(table_file_);
    ClockReading now = ReadClock();
    if (reader.SeekId(event_id)) Apply(schedule_.Post(ReminderEventFromCursor(reader, names_), now), now);
    else Apply(schedule_.Delete(event_id), now);
}

void AlarmWatch::EventDeleted(std::int64_t event_id) { Apply(schedule_.Delete(event_id), ReadClock()); }

void AlarmWatch::EventsReloaded() {
    // Another writer may have changed our state too (a sync that brought a
    // dismissal from another device): it is read again with the events.
    state_.ReadAgain();
    ClockReading now = ReadClock();
    Apply(schedule_.Build(ReadEvents(), now), now);
}

void AlarmWatch::Wake() {
    ClockReading now = ReadClock();
    Apply(schedule_.Check(now), now);
}

void AlarmWatch::Dismiss(std::int64_t event_id) {
    // Dismissing an event that does not recur writes its record, which waits
    // while an editor or a popup holds the list's cursor.
    if (!list_.CursorFree()) {
        MessageBeep(MB_OK);
        return;
    }
    ClockReading now = ReadClock();
    Apply(Accept(schedule_.Dismiss(event_id, now)), now);
}

void AlarmWatch::DismissAll() {
    if (!list_.CursorFree()) {
        MessageBeep(MB_OK);
        return;
    }
    ClockReading now = ReadClock();
    Apply(Accept(schedule_.DismissAll(now)), now);
}

ReminderChanges AlarmWatch::Accept(const Dismissed& dismissed) {
    for (const Dismissal& dismissal : dismissed.dismissals) {
        if (dismissal.accept_event) list_.AcceptEvent(dismissal.event_id);
        else changes_.AlarmsDismissed(dismissal.event_id);
    }
    return dismissed.changes;
}

void AlarmWatch::Snooze(std::int64_t event_id, SnoozeLength length) {
    RememberSnoozeLength(length);
    ClockReading now = ReadClock();
    Apply(schedule_.Snooze(event_id, length, now), now);
}

void AlarmWatch::Open(std::int64_t event_id) {
    if (!list_.OpenEvent(event_id)) MessageBeep(MB_OK);
}

void AlarmWatch::Apply(const ReminderChanges& changes, ClockReading now) {
    // The "how late" texts move on with the clock, so the rows are shown
    // again whenever the window is up.
    if (changes.rows_changed || !changes.appeared.empty() || IsWindowVisible(window_->Hwnd())) ShowRows(now);
    for (std::int64_t event_id : changes.appeared) PlaySound(event_id);
    if (!changes.appeared.empty()) window_->Announce();
    SetWakeTimer(now);
}

void AlarmWatch::ShowRows(ClockReading now) {
    std::vector<RemindersWindow::Row> rows;
    for (const ReminderRow& row : schedule_.Rows())
        rows.push_back({row.event_id, Widen(row.subject), Widen(FormatDateTime12(row.alarm, names_)),
                        Widen(LatenessText(row.lateness, now, names_))});
    const bool empty = rows.empty();
    window_->SetRows(std::move(rows));
    if (empty) ShowWindow(window_->Hwnd(), SW_HIDE);
}

void AlarmWatch::PlaySound(std::int64_t event_id) const {
    for (const ReminderRow& row : schedule_.Rows()) {
        if (row.event_id != event_id) continue;
        // Only a local file: a network path would sign in to another computer.
        if (row.sound.find_first_not_of(" \t") == std::string::npos || SoundPathRefusal(row.sound)) return;
        PlaySoundFile(Widen(SoundFileText(PathToUtf8(context_.program_folder), row.sound)));
        return;
    }
}

void AlarmWatch::SetWakeTimer(ClockReading now) {
    const std::int64_t delay = std::max<std::int64_t>(schedule_.WakeDelay(now, kSafetyTickMs), USER_TIMER_MINIMUM);
    SetTimer(window_->Hwnd(), RemindersWindow::kWakeTimer, static_cast<UINT>(delay), nullptr);
}

void AlarmWatch::RememberSnoozeLength(SnoozeLength length) const {
    SettingsFile(ProgramSettingsPath(context_.program_folder)).WriteString(kSection, kSnoozeKey, SnoozeText(length));
}

}  // namespace orbelle
