#pragma once
// SQLite's online backup: a consistent copy of one open database into
// another, a given number of pages at a time, so that the caller can keep
// its window responsive between steps (or run the steps on a thread of
// their own with connections of their own). Another connection's write
// between steps makes the copy start over at the next step; a write through
// the source connection itself is carried into the copy.
#include "store/sqlite.h"

struct sqlite3_backup;

namespace orbelle::sql {

class OnlineCopy {
public:
    // Both connections stay open for the copy's lifetime.
    OnlineCopy(const Database& from, const Database& to);
    OnlineCopy(OnlineCopy&& other) noexcept;
    OnlineCopy& operator=(OnlineCopy&&) = delete;
    OnlineCopy(const OnlineCopy&) = delete;
    OnlineCopy& operator=(const OnlineCopy&) = delete;
    // An unfinished copy is abandoned; the target is left as the last step left it.
    ~OnlineCopy();

    // Copies up to `pages` more pages (all when negative); true once every
    // page is in the target. Throws Error with SQLite's words on failure,
    // also when the source stays locked past its connection's busy timeout.
    bool Step(int pages);
    bool Done() const { return done_; }
    // Known after the first step.
    int PageCount() const;
    int Remaining() const;

private:
    sqlite3* to_ = nullptr;
    sqlite3_backup* backup_ = nullptr;
    bool done_ = false;
};

}  // namespace orbelle::sql
