#include "store/backup_schedule.h"

#include <cmath>

namespace orbelle {
namespace {
constexpr long long kOneDay = 24 * 60 * 60;  // seconds
constexpr long long kRetryAfter = 60 * 60;

// Whole seconds from `from` to `to`, so that 10:00 is an hour after 09:00
// despite the fractions of days.
long long SecondsBetween(DateTime from, DateTime to) {
    return std::llround((to.Days() - from.Days()) * 24 * 60 * 60);
}
}  // namespace

bool BackupSchedule::Due(DateTime now) const {
    if (last_failed_ && (!last_done_ || *last_failed_ > *last_done_))
        return SecondsBetween(*last_failed_, now) >= kRetryAfter || now < *last_failed_;
    if (!last_done_) return true;
    // A clock set back also makes one due, rather than none for days.
    return SecondsBetween(*last_done_, now) >= kOneDay || now < *last_done_;
}

void BackupSchedule::Done(DateTime now) { last_done_ = now; }

bool BackupSchedule::Failed(DateTime now) {
    last_failed_ = now;
    if (failure_reported_) return false;
    failure_reported_ = true;
    return true;
}

}  // namespace orbelle
