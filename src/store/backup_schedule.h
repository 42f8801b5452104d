#pragma once
// When the running program tries an automatic backup: once at start, then
// at most once a day; after a failure again at the next chance, an hour
// later, without a message each time: only the first failure of a run is
// for the user to see.
#include <optional>
#include <string>

#include "base/datetime.h"

namespace orbelle {

class BackupSchedule {
public:
    // Whether to try now (the change test then decides whether to copy).
    bool Due(DateTime now) const;
    // A backup made, or found unneeded because nothing changed.
    void Done(DateTime now);
    // A failed attempt; returns true only for the first failure of the run,
    // the one to tell the user about.
    bool Failed(DateTime now);

private:
    std::optional<DateTime> last_done_;
    std::optional<DateTime> last_failed_;
    bool failure_reported_ = false;
};

}  // namespace orbelle
