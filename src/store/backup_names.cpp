#include "store/backup_names.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <set>
#include <numeric>

namespace orbelle {
namespace {

constexpr std::string_view kPrefix = "TODOLIST-";
constexpr std::string_view kSuffix = ".DB";

std::optional<int> Digits(std::string_view text) {
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

}  // namespace

std::string BackupFileName(DateTime taken) {
    auto date = taken.Date();
    auto time = taken.Time();
    char name[64];
    std::snprintf(name, sizeof name, "TODOLIST-%04d%02u%02u-%02d%02d%02d.DB", int(date.year()),
                  unsigned(date.month()), unsigned(date.day()), time.hour, time.minute, time.second);
    return name;
}

std::optional<DateTime> ParseBackupFileName(std::string_view name) {
    // TODOLIST-YYYYMMDD-HHMMSS.DB
    if (name.size() != kPrefix.size() + 15 + kSuffix.size()) return std::nullopt;
    if (!name.starts_with(kPrefix) || !name.ends_with(kSuffix)) return std::nullopt;
    std::string_view stamp = name.substr(kPrefix.size(), 15);
    if (stamp[8] != '-') return std::nullopt;
    auto year = Digits(stamp.substr(0, 4));
    auto month = Digits(stamp.substr(4, 2));
    auto day = Digits(stamp.substr(6, 2));
    auto hour = Digits(stamp.substr(9, 2));
    auto minute = Digits(stamp.substr(11, 2));
    auto second = Digits(stamp.substr(13, 2));
    if (!year || !month || !day || !hour || !minute || !second) return std::nullopt;
    year_month_day date{std::chrono::year{*year}, std::chrono::month(unsigned(*month)),
                        std::chrono::day(unsigned(*day))};
    if (!date.ok() || *hour > 23 || *minute > 59 || *second > 59) return std::nullopt;
    return DateTime::FromParts(date, {*hour, *minute, *second, 0});
}

std::vector<std::size_t> BackupsToRemove(const std::vector<DateTime>& taken, DateTime now) {
    std::vector<std::size_t> newest_first(taken.size());
    std::iota(newest_first.begin(), newest_first.end(), std::size_t{0});
    std::stable_sort(newest_first.begin(), newest_first.end(),
                     [&](std::size_t a, std::size_t b) { return taken[a] > taken[b]; });
    std::vector<bool> keep(taken.size(), false);
    for (std::size_t rank = 0; rank < newest_first.size() && rank < kKeepNewestBackups; ++rank)
        keep[newest_first[rank]] = true;
    // Calendar weeks from Monday: a week's newest backup stays its newest as
    // time goes on, so the weekly ones do not thin out as windows slide.
    auto week_of = [](DateTime moment) {
        // Day 0 of the date-time scale, 1899-12-30, was a Saturday.
        return static_cast<std::int64_t>(std::floor((moment.Days() - 2) / 7));
    };
    std::int64_t this_week = week_of(now);
    std::set<std::int64_t> weeks_kept;
    for (std::size_t index : newest_first) {
        std::int64_t week = week_of(taken[index]);
        if (week > this_week || week <= this_week - kKeepWeeklyBackups) continue;
        if (weeks_kept.insert(week).second) keep[index] = true;
    }
    std::vector<std::size_t> remove;
    for (std::size_t i = 0; i < taken.size(); ++i)
        if (!keep[i]) remove.push_back(i);
    return remove;
}

}  // namespace orbelle
