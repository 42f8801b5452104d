#include "store/backup_names.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>
#include <set>

namespace orbelle {
namespace {

constexpr std::string_view kPrefix = "TODOLIST-";
constexpr std::string_view kSuffix = ".DB";
// YYYYMMDD-HHMMSS
constexpr std::size_t kTimeLength = 15;
// A number of up to 18 digits cannot overflow; no folder holds that many.
constexpr std::size_t kMaxNumberDigits = 18;

std::optional<std::int64_t> Digits(std::string_view text) {
    if (text.empty()) return std::nullopt;
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::optional<DateTime> ParseTime(std::string_view stamp) {
    if (stamp.size() != kTimeLength || stamp[8] != '-') return std::nullopt;
    auto year = Digits(stamp.substr(0, 4));
    auto month = Digits(stamp.substr(4, 2));
    auto day = Digits(stamp.substr(6, 2));
    auto hour = Digits(stamp.substr(9, 2));
    auto minute = Digits(stamp.substr(11, 2));
    auto second = Digits(stamp.substr(13, 2));
    if (!year || !month || !day || !hour || !minute || !second) return std::nullopt;
    year_month_day date{std::chrono::year{int(*year)}, std::chrono::month(unsigned(*month)),
                        std::chrono::day(unsigned(*day))};
    if (!date.ok() || *hour > 23 || *minute > 59 || *second > 59) return std::nullopt;
    return DateTime::FromParts(date, {int(*hour), int(*minute), int(*second), 0});
}

}  // namespace

bool MadeAfter(const BackupStamp& a, const BackupStamp& b) {
    if (a.number != b.number) return a.number > b.number;
    return a.taken > b.taken;
}

std::string BackupFileName(const BackupStamp& stamp) {
    auto date = stamp.taken.Date();
    auto time = stamp.taken.Time();
    char name[64];
    std::snprintf(name, sizeof name, "TODOLIST-%04d%02u%02u-%02d%02d%02d-%lld.DB", int(date.year()),
                  unsigned(date.month()), unsigned(date.day()), time.hour, time.minute, time.second,
                  static_cast<long long>(stamp.number));
    return name;
}

std::optional<BackupStamp> ParseBackupFileName(std::string_view name) {
    // TODOLIST-YYYYMMDD-HHMMSS.DB or TODOLIST-YYYYMMDD-HHMMSS-N.DB
    if (!name.starts_with(kPrefix) || !name.ends_with(kSuffix)) return std::nullopt;
    std::string_view stamp = name.substr(kPrefix.size(), name.size() - kPrefix.size() - kSuffix.size());
    if (stamp.size() < kTimeLength) return std::nullopt;
    auto taken = ParseTime(stamp.substr(0, kTimeLength));
    if (!taken) return std::nullopt;
    std::string_view rest = stamp.substr(kTimeLength);
    if (rest.empty()) return BackupStamp{0, *taken};
    // One name for each number: no sign, no leading zero.
    if (rest.size() < 2 || rest[0] != '-' || rest[1] == '0' || rest.size() - 1 > kMaxNumberDigits)
        return std::nullopt;
    auto number = Digits(rest.substr(1));
    if (!number) return std::nullopt;
    return BackupStamp{*number, *taken};
}

std::vector<std::size_t> BackupsToRemove(const std::vector<BackupStamp>& backups, DateTime now) {
    std::vector<std::size_t> newest_first(backups.size());
    std::iota(newest_first.begin(), newest_first.end(), std::size_t{0});
    std::stable_sort(newest_first.begin(), newest_first.end(),
                     [&](std::size_t a, std::size_t b) { return MadeAfter(backups[a], backups[b]); });
    std::vector<bool> keep(backups.size(), false);
    for (std::size_t rank = 0; rank < newest_first.size() && rank < kKeepNewestBackups; ++rank)
        keep[newest_first[rank]] = true;
    // Calendar weeks from Monday: a week's last backup stays its last as
    // time goes on, so the weekly ones do not thin out as windows slide.
    auto week_of = [](DateTime moment) {
        // Day 0 of the date-time scale, 1899-12-30, was a Saturday.
        return static_cast<std::int64_t>(std::floor((moment.Days() - 2) / 7));
    };
    std::int64_t this_week = week_of(now);
    std::set<std::int64_t> weeks_kept;
    for (std::size_t index : newest_first) {
        std::int64_t week = week_of(backups[index].taken);
        if (week > this_week || week <= this_week - kKeepWeeklyBackups) continue;
        if (weeks_kept.insert(week).second) keep[index] = true;
    }
    std::vector<std::size_t> remove;
    for (std::size_t i = 0; i < backups.size(); ++i)
        if (!keep[i]) remove.push_back(i);
    return remove;
}

}  // namespace orbelle
