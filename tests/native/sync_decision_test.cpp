#include <gtest/gtest.h>

#include "sync/sync_decision.h"

namespace orbelle::sync {
namespace {

using enum SideState;
using enum SyncAction;

const char* Name(SideState state) {
    constexpr const char* kNames[] = {"unchanged", "changed", "new", "deleted", "absent"};
    return kNames[static_cast<int>(state)];
}

TEST(SyncDecisionTest, EveryCombinationOfTheTwoSides) {
    struct Case {
        SideState local, remote;
        SyncAction local_last, remote_last;  // as the local side or the remote one changed last
    };
    // New and Absent beside a paired side: a row whose other half is gone;
    // New then counts as a change, Absent as a deletion.
    const Case cases[] = {
        {kUnchanged, kUnchanged, kNothing, kNothing},
        {kUnchanged, kChanged, kDownload, kDownload},
        {kUnchanged, kNew, kDownload, kDownload},
        {kUnchanged, kDeleted, kDeleteLocal, kDeleteLocal},
        {kUnchanged, kAbsent, kDeleteLocal, kDeleteLocal},
        {kChanged, kUnchanged, kUpload, kUpload},
        {kChanged, kChanged, kConflictKeepLocal, kConflictKeepRemote},
        {kChanged, kNew, kConflictKeepLocal, kConflictKeepRemote},
        {kChanged, kDeleted, kRestoreLocal, kRestoreLocal},
        {kChanged, kAbsent, kRestoreLocal, kRestoreLocal},
        {kNew, kUnchanged, kUpload, kUpload},
        {kNew, kChanged, kConflictKeepLocal, kConflictKeepRemote},
        {kNew, kNew, kPairIfSame, kPairIfSame},
        {kNew, kDeleted, kRestoreLocal, kRestoreLocal},
        {kNew, kAbsent, kCreateRemote, kCreateRemote},
        {kDeleted, kUnchanged, kDeleteRemote, kDeleteRemote},
        {kDeleted, kChanged, kRestoreRemote, kRestoreRemote},
        {kDeleted, kNew, kRestoreRemote, kRestoreRemote},
        {kDeleted, kDeleted, kForget, kForget},
        {kDeleted, kAbsent, kForget, kForget},
        {kAbsent, kUnchanged, kDeleteRemote, kDeleteRemote},
        {kAbsent, kChanged, kRestoreRemote, kRestoreRemote},
        {kAbsent, kNew, kCreateLocal, kCreateLocal},
        {kAbsent, kDeleted, kForget, kForget},
        {kAbsent, kAbsent, kNothing, kNothing},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("here ") + Name(c.local) + ", there " + Name(c.remote));
        EXPECT_EQ(Decide(c.local, c.remote, true), c.local_last);
        EXPECT_EQ(Decide(c.local, c.remote, false), c.remote_last);
    }
}

TEST(SyncDecisionTest, TheGuardStopsAWipeOrALargeShareOfASide) {
    struct Case {
        const char* name;
        PlannedDeletions planned;
        bool stops;
    };
    const Case cases[] = {
        {"nothing deleted", {0, 0, 0, 0}, false},
        {"nothing deleted of an empty side", {0, 100, 0, 0}, false},
        {"the only event here", {1, 1, 1, 0}, true},
        {"every event there", {50, 50, 0, 50}, true},
        {"all but one here", {50, 50, 49, 0}, true},
        {"21 of 41 here", {41, 41, 21, 0}, true},
        {"21 of 42 there: half, not more", {42, 42, 0, 21}, false},
        {"20 of 30: not more than 20", {30, 30, 20, 0}, false},
        {"20 of 21 there", {21, 21, 0, 20}, false},
        {"10 of 100 on each side", {100, 100, 10, 10}, false},
        {"a small share each side, a wipe of one", {100, 3, 3, 3}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(GuardStops(c.planned), c.stops);
    }
}

}  // namespace
}  // namespace orbelle::sync
