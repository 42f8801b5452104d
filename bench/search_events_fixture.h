#pragma once
// 100,000 events for the search's benchmarks, the same on every run: subjects
// of a few words, memos from empty to a few sentences, every rule kind, some
// done, starts over eight years.
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "search/event_search.h"

namespace orbelle::bench {

inline constexpr std::size_t kSearchEvents = 100000;

inline std::vector<SearchEvent> MakeSearchEvents(std::size_t count = kSearchEvents) {
    static const char* const kWords[] = {
        "dentist", "appointment", "meeting", "team", "review", "call", "mum", "birthday", "pay", "rent",
        "insurance", "car", "service", "school", "parents", "evening", "project", "deadline", "report", "quarterly",
        "doctor", "flight", "Berlin", "hotel", "booking", "café", "Zoë", "lunch", "with", "the", "garden",
        "water", "plants", "library", "books", "return", "gym", "tennis", "piano", "lesson", "bank", "tax",
        "renew", "passport", "vet", "dog", "haircut", "Müller", "Straße", "anniversary", "dinner", "Renée"};
    static const char* const kTypes[] = {"Alarm",   "Anniversary", "Appointment", "Birthday", "Phone Call", "Holiday",
                                         "Internet", "Meeting",    "Payment",     "Travel",   "TV Program"};
    static const char* const kPriorities[] = {"Highest", "High", "Normal", "Low", "Lowest"};
    static const char* const kSounds[] = {"Alarm.wav", "Beep.wav", "BigBen.wav", "Chimes.wav", "Clock.wav",
                                          "Cuckoo.wav", "Doorbl.wav", "Mac.wav", "Phone.wav", "Reville.wav",
                                          "Rooster.wav"};
    std::mt19937 random(20261211);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    auto words = [&](int low, int high) {
        std::string text;
        for (int i = 0, n = low + pick(high - low + 1); i < n; ++i) {
            if (!text.empty()) text += ' ';
            text += kWords[pick(static_cast<int>(std::size(kWords)))];
        }
        return text;
    };
    std::vector<SearchEvent> events;
    events.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        SearchEvent event;
        event.id = static_cast<std::int64_t>(i + 1);
        event.subject = words(2, 5);
        // Two memos in five are empty; the rest a line to a few sentences.
        if (pick(5) >= 2) event.memo = words(3, 30);
        event.type = kTypes[pick(11)];
        event.priority = kPriorities[pick(5)];
        event.sound = kSounds[pick(11)];
        event.start = DateTime(43831.0 + pick(8 * 365) + pick(96) / 96.0);  // 2020 to 2027
        event.done = pick(5) == 0;
        const int kind = pick(100);
        RecurrenceRule& rule = event.rule;
        if (kind < 60) {
            rule.kind = RecurrenceKind::None;
        } else if (kind < 72) {
            rule.kind = RecurrenceKind::Daily;
            rule.daily.every = 1 + pick(3);
        } else if (kind < 84) {
            rule.kind = RecurrenceKind::Weekly;
            rule.weekly.every = 1 + pick(2);
            for (int d = 0, n = 1 + pick(3); d < n; ++d) rule.weekly.on[static_cast<std::size_t>(pick(7))] = true;
        } else if (kind < 92) {
            rule.kind = RecurrenceKind::Monthly;
            rule.monthly = pick(2) ? MonthlyRule{.variant = MonthlyVariant::DayOfMonth, .day = 1 + pick(31), .day_every = 1}
                                   : MonthlyRule{.ordinal = pick(5), .weekday = pick(7), .weekday_every = 1 + pick(3)};
        } else {
            rule.kind = RecurrenceKind::Yearly;
            rule.yearly = pick(2) ? YearlyRule{.variant = YearlyVariant::MonthDay, .day_month = pick(12), .day = 1 + pick(28)}
                                  : YearlyRule{.ordinal = pick(4), .weekday = pick(7), .weekday_month = pick(12)};
        }
        events.push_back(std::move(event));
    }
    return events;
}

// What the user types, one key at a time.
inline std::vector<std::string> Keystrokes(const std::string& text) {
    std::vector<std::string> typed;
    for (std::size_t i = 1; i <= text.size(); ++i)
        if ((static_cast<unsigned char>(text[i - 1]) & 0xC0) != 0x80 || i == text.size()) typed.push_back(text.substr(0, i));
    return typed;
}

}  // namespace orbelle::bench
