#include "deskevents/event_days.h"

#include <algorithm>
#include <cstdio>

namespace orbelle {
namespace {
using namespace std::chrono;

DateTime DayStart(year_month_day day) { return DateTime::FromDate(day); }
DateTime NextDayStart(year_month_day day) { return DateTime::FromDate(year_month_day{sys_days{day} + days{1}}); }

std::string EntryLine(const DayEntry& entry) {
    std::string line = TimeText(entry.when) + " " + entry.event->subject;
    if (entry.event->accepted) line += " (done)";
    return line;
}

std::string MoreLine(std::size_t count) { return "and " + std::to_string(count) + " more"; }

}  // namespace

MonthMarks MarksOfMonth(std::span<const DeskEvent> events, year_month month) {
    MonthMarks marks{};
    const DateTime from = DateTime::FromDate(month / 1);
    const DateTime until = DateTime::FromDate((month + months{1}) / 1);
    for (const DeskEvent& event : events) {
        ForEachOccurrence(event, from, until, [&](DateTime when) {
            DayMark& mark = marks[unsigned{when.Date().day()}];
            if (event.high) mark = DayMark::Strong;
            else if (mark == DayMark::None) mark = DayMark::Normal;
        });
    }
    return marks;
}

std::vector<DayEntry> EventsOnDay(std::span<const DeskEvent> events, year_month_day day) {
    std::vector<DayEntry> entries;
    const DateTime from = DayStart(day), until = NextDayStart(day);
    for (const DeskEvent& event : events)
        ForEachOccurrence(event, from, until, [&](DateTime when) { entries.push_back({when, &event}); });
    std::stable_sort(entries.begin(), entries.end(), [](const DayEntry& a, const DayEntry& b) {
        return a.when != b.when ? a.when < b.when : a.event->id < b.event->id;
    });
    return entries;
}

DateTime NewEventStart(year_month_day day, DateTime now) {
    if (day != now.Date()) return DateTime::FromParts(day, {9, 0, 0, 0});
    const int hour = now.Time().hour + 1;
    return hour < 24 ? DateTime::FromParts(day, {hour, 0, 0, 0}) : DateTime::FromParts(day, {23, 59, 0, 0});
}

std::string TimeText(DateTime when) {
    const TimeOfDay time = when.Time();
    if (time.hour == 0 && time.minute == 0) return "all day";
    char text[8];
    std::snprintf(text, sizeof text, "%02d:%02d", time.hour, time.minute);
    return text;
}

std::string TipText(year_month_day day, std::span<const DayEntry> entries, const LocaleNames& names) {
    if (entries.empty()) return {};
    std::string text = FormatLongDate(day, names);
    const std::size_t shown = std::min(entries.size(), kTipLines);
    for (std::size_t i = 0; i < shown; ++i) text += "\r\n" + EntryLine(entries[i]);
    if (entries.size() > shown) text += "\r\n" + MoreLine(entries.size() - shown);
    return text;
}

std::vector<UpcomingLine> UpcomingLines(std::span<const DeskEvent> events, DateTime now, const LocaleNames& names) {
    std::vector<UpcomingLine> lines;
    const year_month_day today = now.Date();
    std::size_t left_out = 0;
    for (std::size_t offset = 0; offset < kUpcomingDays; ++offset) {
        const year_month_day day{sys_days{today} + days{static_cast<int>(offset)}};
        const std::vector<DayEntry> entries = EventsOnDay(events, day);
        if (entries.empty()) continue;
        // A day heading takes a line only when one of its events fits after it.
        std::size_t room = lines.size() + 1 < kUpcomingLines ? kUpcomingLines - lines.size() - 1 : 0;
        if (room == 0) {
            left_out += entries.size();
            continue;
        }
        const std::string heading =
            offset == 0   ? "Today"
            : offset == 1 ? "Tomorrow"
                          : names.weekdays[weekday{day}.c_encoding()] + ", " +
                                names.months[unsigned{day.month()} - 1] + " " + std::to_string(unsigned{day.day()});
        lines.push_back({UpcomingLine::Kind::Day, heading});
        const std::size_t shown = std::min(entries.size(), room);
        for (std::size_t i = 0; i < shown; ++i) {
            const DayEntry& entry = entries[i];
            const bool all_day = TimeText(entry.when) == "all day";
            lines.push_back({UpcomingLine::Kind::Event, EntryLine(entry), entry.event->high,
                             offset == 0 && !all_day && entry.when < now});
        }
        left_out += entries.size() - shown;
    }
    if (left_out > 0) lines.push_back({UpcomingLine::Kind::More, MoreLine(left_out)});
    return lines;
}

}  // namespace orbelle
