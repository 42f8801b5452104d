#include "exchange/ical_time.h"

#include <chrono>
#include <cstdio>

namespace orbelle::ical {
namespace {
using namespace std::chrono;

constexpr std::int64_t kMsPerDay = 86'400'000;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }

std::optional<int> Digits(std::string_view text, std::size_t at, std::size_t count) {
    if (at + count > text.size()) return std::nullopt;
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

const std::int64_t kFirstMs = (sys_days{year{1} / January / 1} - kDateTimeEpoch).count() * kMsPerDay;
const std::int64_t kEndMs = (sys_days{year{10000} / January / 1} - kDateTimeEpoch).count() * kMsPerDay;

}  // namespace

std::int64_t ToMs(DateTime value) {
    std::int64_t day = (sys_days{value.Date()} - kDateTimeEpoch).count();
    TimeOfDay time = value.Time();
    return day * kMsPerDay + ((time.hour * 60LL + time.minute) * 60 + time.second) * 1000 + time.millisecond;
}

bool IsEncodableMs(std::int64_t ms) { return ms >= kFirstMs && ms < kEndMs; }

DateTime FromMs(std::int64_t ms) {
    std::int64_t day = FloorDiv(ms, kMsPerDay);
    auto of_day = static_cast<int>(ms - day * kMsPerDay);
    return DateTime::FromParts(year_month_day{kDateTimeEpoch + days{day}},
                               {of_day / 3'600'000, of_day / 60'000 % 60, of_day / 1000 % 60, of_day % 1000});
}

std::string FormatDate(DateTime value) {
    year_month_day date = value.Date();
    char text[16];
    std::snprintf(text, sizeof text, "%04d%02u%02u", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
    return text;
}

std::string FormatDateTime(DateTime value) {
    TimeOfDay time = value.Time();
    char text[16];
    std::snprintf(text, sizeof text, "T%02d%02d%02d", time.hour, time.minute, time.second);
    return FormatDate(value) + text;
}

std::optional<ParsedDateTime> ParseDateTime(std::string_view text) {
    auto y = Digits(text, 0, 4), mo = Digits(text, 4, 2), d = Digits(text, 6, 2);
    if (!y || !mo || !d || *y < 1) return std::nullopt;
    year_month_day date = year{*y} / month{static_cast<unsigned>(*mo)} / day{static_cast<unsigned>(*d)};
    if (!date.ok()) return std::nullopt;
    ParsedDateTime parsed;
    if (text.size() == 8) {
        parsed.date_only = true;
        parsed.value = DateTime::FromDate(date);
        return parsed;
    }
    if (text.size() < 15 || text[8] != 'T') return std::nullopt;
    auto h = Digits(text, 9, 2), mi = Digits(text, 11, 2), s = Digits(text, 13, 2);
    if (!h || !mi || !s || *h > 23 || *mi > 59 || *s > 60) return std::nullopt;
    if (text.size() == 16) {
        if (text[15] != 'Z') return std::nullopt;
        parsed.utc = true;
    } else if (text.size() != 15) {
        return std::nullopt;
    }
    parsed.value = DateTime::FromParts(date, {*h, *mi, *s == 60 ? 59 : *s, 0});  // a leap second reads as :59
    return parsed;
}

std::string FormatDuration(std::int64_t seconds) {
    std::string out = seconds < 0 ? "-P" : "P";
    std::uint64_t left = seconds < 0 ? static_cast<std::uint64_t>(-seconds) : static_cast<std::uint64_t>(seconds);
    if (left != 0 && left % (7 * 86400) == 0) return out + std::to_string(left / (7 * 86400)) + "W";
    if (left >= 86400) {
        out += std::to_string(left / 86400) + "D";
        left %= 86400;
        if (left == 0) return out;
    }
    out += "T";
    if (left >= 3600) out += std::to_string(left / 3600) + "H";
    if (left % 3600 >= 60) out += std::to_string(left % 3600 / 60) + "M";
    if (left % 60 != 0 || out.back() == 'T') out += std::to_string(left % 60) + "S";
    return out;
}

std::optional<std::int64_t> ParseDuration(std::string_view text) {
    std::size_t i = 0;
    int sign = 1;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) sign = text[i++] == '-' ? -1 : 1;
    if (i == text.size() || text[i++] != 'P') return std::nullopt;
    std::int64_t total = 0;
    bool in_time = false, any = false;
    while (i < text.size()) {
        if (text[i] == 'T') {
            if (in_time) return std::nullopt;
            in_time = true;
            ++i;
            continue;
        }
        std::int64_t number = 0;
        std::size_t digits = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            if (++digits > 9) return std::nullopt;  // beyond any date the table can hold
            number = number * 10 + (text[i++] - '0');
        }
        if (digits == 0 || i == text.size()) return std::nullopt;
        char unit = text[i++];
        std::int64_t scale = 0;
        if (!in_time && unit == 'W') scale = 7 * 86400;
        else if (!in_time && unit == 'D') scale = 86400;
        else if (in_time && unit == 'H') scale = 3600;
        else if (in_time && unit == 'M') scale = 60;
        else if (in_time && unit == 'S') scale = 1;
        else return std::nullopt;
        total += number * scale;
        any = true;
    }
    if (!any) return std::nullopt;
    return sign * total;
}

std::optional<int> ParseUtcOffset(std::string_view text) {
    if (text.size() != 5 && text.size() != 7) return std::nullopt;
    if (text[0] != '+' && text[0] != '-') return std::nullopt;
    auto h = Digits(text, 1, 2), m = Digits(text, 3, 2);
    auto s = text.size() == 7 ? Digits(text, 5, 2) : std::optional<int>(0);
    if (!h || !m || !s || *h > 23 || *m > 59 || *s > 59) return std::nullopt;
    int seconds = (*h * 60 + *m) * 60 + *s;
    return text[0] == '-' ? -seconds : seconds;
}

std::string FormatUtcOffset(int seconds) {
    char sign = seconds < 0 ? '-' : '+';
    int left = seconds < 0 ? -seconds : seconds;
    char text[16];
    if (left % 60 != 0)
        std::snprintf(text, sizeof text, "%c%02d%02d%02d", sign, left / 3600, left / 60 % 60, left % 60);
    else
        std::snprintf(text, sizeof text, "%c%02d%02d", sign, left / 3600, left / 60 % 60);
    return text;
}

}  // namespace orbelle::ical
