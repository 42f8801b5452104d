#pragma once
// What a sync does with one event, from how each side stands against the
// state last synced: a change always beats a deletion, and of two changes
// the later wins while the other is kept whole.
#include <cstddef>

namespace orbelle::sync {

enum class SideState {
    kUnchanged,
    kChanged,
    kNew,
    kDeleted,
    kAbsent,  // never synced and not there
};

enum class SyncAction {
    kNothing,
    kUpload,
    kDownload,
    kCreateRemote,
    kCreateLocal,
    kDeleteRemote,
    kDeleteLocal,
    kForget,         // deleted on both: only our row of it goes
    kRestoreRemote,  // deleted here, changed there: bring it back here
    kRestoreLocal,   // deleted there, changed here: upload again as new
    kConflictKeepLocal,
    kConflictKeepRemote,
    kPairIfSame,     // new on both with the same UID
};

// `local_changed_last` settles a conflict: the side changed last wins, and
// the caller keeps the other version whole.
SyncAction Decide(SideState local, SideState remote, bool local_changed_last);

struct PlannedDeletions {
    std::size_t local_total = 0;
    std::size_t remote_total = 0;
    std::size_t delete_local = 0;
    std::size_t delete_remote = 0;
};

// True when the sync would delete every event of a side that has any, or
// more than half of a side and more than 20: it then deletes nothing until
// the user confirms.
bool GuardStops(const PlannedDeletions& planned);

}  // namespace orbelle::sync
