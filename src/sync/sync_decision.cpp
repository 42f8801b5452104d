#include "sync/sync_decision.h"

namespace orbelle::sync {
namespace {

// A side as the decision sees it. New and Absent belong to events never
// paired; met beside a paired side (a row that lost its other half), New
// reads as a change and Absent as a deletion, so that what is there is kept.
enum class Stand { kSame, kChanged, kGone };

Stand StandOf(SideState state) {
    switch (state) {
        case SideState::kUnchanged: return Stand::kSame;
        case SideState::kChanged:
        case SideState::kNew: return Stand::kChanged;
        case SideState::kDeleted:
        case SideState::kAbsent: return Stand::kGone;
    }
    return Stand::kChanged;
}

bool Unpaired(SideState state) { return state == SideState::kNew || state == SideState::kAbsent; }

}  // namespace

SyncAction Decide(SideState local, SideState remote, bool local_changed_last) {
    if (Unpaired(local) && Unpaired(remote)) {
        if (local == SideState::kNew && remote == SideState::kNew) return SyncAction::kPairIfSame;
        if (local == SideState::kNew) return SyncAction::kCreateRemote;
        if (remote == SideState::kNew) return SyncAction::kCreateLocal;
        return SyncAction::kNothing;
    }
    Stand here = StandOf(local), there = StandOf(remote);
    if (here == Stand::kGone && there == Stand::kGone) return SyncAction::kForget;
    if (here == Stand::kGone) return there == Stand::kSame ? SyncAction::kDeleteRemote : SyncAction::kRestoreRemote;
    if (there == Stand::kGone) return here == Stand::kSame ? SyncAction::kDeleteLocal : SyncAction::kRestoreLocal;
    if (here == Stand::kSame && there == Stand::kSame) return SyncAction::kNothing;
    if (there == Stand::kSame) return SyncAction::kUpload;
    if (here == Stand::kSame) return SyncAction::kDownload;
    return local_changed_last ? SyncAction::kConflictKeepLocal : SyncAction::kConflictKeepRemote;
}

bool GuardStops(const PlannedDeletions& planned) {
    auto stops = [](std::size_t total, std::size_t deleted) {
        if (deleted == 0) return false;
        if (deleted >= total) return true;
        return deleted * 2 > total && deleted > 20;
    };
    return stops(planned.local_total, planned.delete_local) || stops(planned.remote_total, planned.delete_remote);
}

}  // namespace orbelle::sync
