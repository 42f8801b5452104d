#include "store/online_copy.h"

#include <sqlite3.h>

#include <string>
#include <utility>

#include "base/error.h"

namespace orbelle::sql {

OnlineCopy::OnlineCopy(const Database& from, const Database& to) : to_(to.db_) {
    backup_ = sqlite3_backup_init(to.db_, "main", from.db_, "main");
    if (!backup_) throw Error(sqlite3_errmsg(to.db_));
}

OnlineCopy::OnlineCopy(OnlineCopy&& other) noexcept
    : to_(other.to_), backup_(std::exchange(other.backup_, nullptr)), done_(other.done_) {}

OnlineCopy::~OnlineCopy() {
    if (backup_) sqlite3_backup_finish(backup_);
}

bool OnlineCopy::Step(int pages) {
    if (done_) return true;
    if (!backup_) throw Error("The copy has already failed");
    int rc = sqlite3_backup_step(backup_, pages);
    if (rc == SQLITE_OK) return false;
    if (rc == SQLITE_DONE) {
        // Finishing releases the target's lock; its result is the copy's.
        rc = sqlite3_backup_finish(std::exchange(backup_, nullptr));
        if (rc != SQLITE_OK) throw Error(sqlite3_errmsg(to_));
        done_ = true;
        return true;
    }
    // A failed step leaves the target in an unknown state: end the copy here
    // so that no later step writes on top of it.
    std::string message = sqlite3_errstr(rc);
    sqlite3_backup_finish(std::exchange(backup_, nullptr));
    throw Error(message);
}

int OnlineCopy::PageCount() const { return backup_ ? sqlite3_backup_pagecount(backup_) : 0; }

int OnlineCopy::Remaining() const { return backup_ ? sqlite3_backup_remaining(backup_) : 0; }

}  // namespace orbelle::sql
