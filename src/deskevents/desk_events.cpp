#include "deskevents/desk_events.h"

#include <algorithm>
#include <optional>
#include <system_error>
#include <utility>

#include "base/clock.h"
#include "base/convert.h"
#include "deskevents/event_days.h"
#include "desktop/desktop_window.h"
#include "desktop/displayed_date.h"
#include "platform/locale.h"
#include "platform/settings.h"
#include "platform/wide.h"
#include "store/event_cursor.h"
#include "store/event_fields.h"
#include "ui/errors.h"

namespace orbelle {
namespace {

// Every field but the memo, which nothing here shows.
std::vector<std::size_t> FieldsRead() {
    std::vector<std::size_t> fields;
    for (std::size_t i = 0; i < kEventFields.size(); ++i)
        if (kEventFields[i].type != FieldType::Memo) fields.push_back(i);
    return fields;
}

template <typename Record>
DeskEvent EventOf(const Record& record, const LocaleNames& names) {
    FieldTextReader text = [&](std::string_view name) { return record.FieldText(FindEventField(name).value_or(0)); };
    return DeskEventFromFields(ParseInt(record.FieldText(kIdField)).value_or(0), text,
                               record.FieldDateTime(EventField("Date")), names);
}

std::vector<DeskEvent> ReadAll(const std::filesystem::path& table_file, const LocaleNames& names) {
    // A cursor of its own: the list's may be under an open editor.
    EventCursor reader;
    reader.Open(table_file);
    std::vector<DeskEvent> events;
    const std::vector<std::size_t> fields = FieldsRead();
    reader.WalkFields(fields, [&](const EventCursor::Fields& record) { events.push_back(EventOf(record, names)); });
    return events;
}

}  // namespace

DeskEvents::DeskEvents(WindowContext context)
    : context_(std::move(context)),
      show_events_(Setting(context_.program_folder, "ShowEvents")),
      show_upcoming_(Setting(context_.program_folder, "ShowUpcoming")),
      names_(UserLocaleNames()) {}

DeskEvents::~DeskEvents() { WaitForLoad(); }

bool DeskEvents::Setting(const std::filesystem::path& program_folder, std::string_view key) {
    return SettingsFile(ProgramSettingsPath(program_folder)).ReadString("Calendar", key, "") == "1";
}

std::filesystem::path DeskEvents::TableFile() const { return context_.program_folder / "db" / "TODOLIST.DB"; }

void DeskEvents::AddToolsItems(ToolsMenu& tools) {
    tools.AddGroup({
        {.command = kCmdShowEvents,
         .caption = L"Show Events on the Calendar",
         .run = [this](HWND) { Toggle("ShowEvents", show_events_); },
         .checked = [this] { return show_events_; }},
        {.command = kCmdShowUpcoming,
         .caption = L"Show Upcoming Events",
         .run = [this](HWND) { Toggle("ShowUpcoming", show_upcoming_); },
         .checked = [this] { return show_upcoming_; }},
    });
}

void DeskEvents::Attach(DesktopWindow& desktop, HWND list_window, EventListAccess& list) {
    desktop_ = &desktop;
    list_ = &list;
    list_window_ = list_window;
    desktop.SetEvents(this);
    // After the calendar's first showing: the message is read once the loop runs.
    if ((show_events_ || show_upcoming_) && list.TableOpen()) PostMessageW(list_window, kLoadMessage, 0, 0);
}

void DeskEvents::Detach() {
    WaitForLoad();
    if (desktop_) desktop_->SetEvents(nullptr);
    upcoming_.reset();
    desktop_ = nullptr;
    list_ = nullptr;
}

void DeskEvents::Toggle(std::string_view key, bool& on) {
    const bool now_on = !on;
    // Stored first: a key that cannot be written leaves the switch as it was.
    SettingsFile(ProgramSettingsPath(context_.program_folder)).WriteString("Calendar", key, now_on ? "1" : "0");
    on = now_on;
    if (on && !loaded_) Load();
    if (!show_upcoming_) upcoming_.reset();
    Changed();
}

bool DeskEvents::Load() {
    if (!list_ || !list_->TableOpen()) return false;
    WaitForLoad();
    events_ = ReadAll(TableFile(), names_);
    loaded_ = true;
    return true;
}

void DeskEvents::StartLoad() {
    if (loaded_ || reader_.joinable() || !list_ || !list_->TableOpen()) return;
    try {
        reader_ = std::thread([this, file = TableFile(), names = names_, window = list_window_] {
            std::vector<DeskEvent> events;
            try {
                events = ReadAll(file, names);
            } catch (...) {
                // Read again on the window thread, where a failure is shown.
            }
            {
                std::lock_guard lock(read_mutex_);
                read_events_ = std::move(events);
            }
            PostMessageW(window, kLoadedMessage, 0, 0);
        });
    } catch (const std::system_error&) {
        Load();  // no thread: read here
        Changed();
    }
}

void DeskEvents::TakeLoad() {
    WaitForLoad();
    std::optional<std::vector<DeskEvent>> events;
    {
        std::lock_guard lock(read_mutex_);
        events = std::exchange(read_events_, std::nullopt);
    }
    if (!events || loaded_) return;
    if (std::exchange(changed_while_reading_, false)) {
        Load();
    } else {
        events_ = std::move(*events);
        loaded_ = true;
    }
    Changed();
}

void DeskEvents::WaitForLoad() {
    if (reader_.joinable()) reader_.join();
}

MonthMarks DeskEvents::MarksOf(std::chrono::year_month month) {
    if (!loaded_) return {};
    auto kept = marks_.find(month);
    if (kept == marks_.end()) kept = marks_.emplace(month, MarksOfMonth(events_, month)).first;
    return kept->second;
}

std::wstring DeskEvents::TipOf(std::chrono::year_month_day day) {
    if (!loaded_) return {};
    return Widen(TipText(day, EventsOnDay(events_, day), names_));
}

void DeskEvents::NewEventOn(std::chrono::year_month_day day) {
    // Refused while an editor or a popup holds the cursor, as New is.
    if (!list_ || !list_->NewEventAt(NewEventStart(day, Now()))) MessageBeep(MB_OK);
}

void DeskEvents::EventSaved(std::int64_t id) {
    if (reader_.joinable()) changed_while_reading_ = true;
    if (!loaded_) return;
    Guarded([&] {
        EventCursor reader;
        reader.Open(TableFile());
        auto kept = std::find_if(events_.begin(), events_.end(), [&](const DeskEvent& e) { return e.id == id; });
        if (!reader.SeekId(id)) {
            if (kept != events_.end()) events_.erase(kept);
        } else if (kept != events_.end()) {
            *kept = EventOf(reader, names_);
        } else {
            events_.push_back(EventOf(reader, names_));
        }
    });
    Changed();
}

void DeskEvents::EventDeleted(std::int64_t id) {
    if (reader_.joinable()) changed_while_reading_ = true;
    if (!loaded_) return;
    std::erase_if(events_, [&](const DeskEvent& e) { return e.id == id; });
    Changed();
}

void DeskEvents::EventsReloaded() {
    if (reader_.joinable()) changed_while_reading_ = true;
    if (!loaded_) return;
    Guarded([&] {
        if (!Load()) events_.clear();
    });
    Changed();
}

bool DeskEvents::OnWindowMessage(HWND, UINT message, WPARAM, LPARAM, LRESULT& result) {
    if (message == kLoadMessage) {
        Guarded([this] { StartLoad(); });
    } else if (message == kLoadedMessage) {
        Guarded([this] { TakeLoad(); });
    } else {
        return false;
    }
    result = 0;
    return true;
}

void DeskEvents::Changed() {
    marks_.clear();
    if (desktop_) desktop_->RefreshEvents();
    if (show_upcoming_ && loaded_) Guarded([this] { ShowPanel(); });
}

void DeskEvents::ShowPanel() {
    if (!upcoming_) {
        upcoming_ = MakeWindow<UpcomingWindow>(context_, [this] { Guarded([this] { ShowPanel(); }); });
        if (!upcoming_->Hwnd()) return upcoming_.reset();
    }
    const int opacity = desktop_ ? CalendarOpacity(desktop_->CalendarAlpha()) : 255;
    upcoming_->Show(UpcomingLines(events_, Now(), names_), opacity);
}

}  // namespace orbelle
