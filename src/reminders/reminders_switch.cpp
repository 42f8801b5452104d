#include "reminders/reminders_switch.h"

#include "platform/settings.h"
#include "ui/errors.h"

namespace orbelle {

RemindersSwitch::RemindersSwitch(WindowContext context, EventChangeSink& changes)
    : context_(std::move(context)), changes_(changes), on_(Setting(context_.program_folder)) {}

RemindersSwitch::~RemindersSwitch() = default;

bool RemindersSwitch::Setting(const std::filesystem::path& program_folder) {
    return SettingsFile(ProgramSettingsPath(program_folder)).ReadString("Reminders", "AtAlarmTime", "") == "1";
}

std::filesystem::path RemindersSwitch::TableFile() const { return context_.program_folder / "db" / "TODOLIST.DB"; }

void RemindersSwitch::AddToolsItems(ToolsMenu& tools) {
    tools.AddGroup({{.command = kCmdRemindAtAlarmTime,
                     .caption = L"Remind at the Alarm Time",
                     .run = [this](HWND) { Toggle(); },
                     .checked = [this] { return on_; }}});
}

void RemindersSwitch::Toggle() {
    const bool on = !on_;
    // Stored first: a key that cannot be written leaves the mode as it was.
    SettingsFile(ProgramSettingsPath(context_.program_folder)).WriteString("Reminders", "AtAlarmTime", on ? "1" : "0");
    on_ = on;
    if (on)
        Start();
    else
        Stop();
}

void RemindersSwitch::Start() {
    if (watch_ || !on_ || !list_ || !list_->TableOpen()) return;
    watch_ = std::make_unique<AlarmWatch>(context_, TableFile(), *list_, changes_);
    watch_->Start();
}

void RemindersSwitch::Stop() { watch_.reset(); }

void RemindersSwitch::EventSaved(std::int64_t id) {
    if (watch_) Guarded([&] { watch_->EventSaved(id); });
}

void RemindersSwitch::EventDeleted(std::int64_t id) {
    if (watch_) Guarded([&] { watch_->EventDeleted(id); });
}

void RemindersSwitch::EventsReloaded() {
    if (watch_) Guarded([&] { watch_->EventsReloaded(); });
}

void RemindersSwitch::TableClosing() {
    if (watch_) Guarded([&] { watch_->CloseTable(); });
}

void RemindersSwitch::TableReopened() {
    if (watch_) Guarded([&] { watch_->ReopenTable(); });
}

}  // namespace orbelle
