#pragma once
// A test VFS over SQLite's default one, registered as the default so that
// the real event cursor uses it. Every call goes through to the real file;
// on the way the VFS can
// - record each write, truncate and sync, and "cut the power" after the
//   n-th of them: later calls fail, and CrashImages() rebuilds each file as
//   a disk might hold it after the cut: its content at its last sync plus
//   any subset of the later writes, some of them torn at sector bounds;
// - fail the n-th read, write, sync, lock or truncate with an I/O error.
// Syncs are not passed on: the model above decides what survives.
#include <sqlite3.h>

#include <array>
#include <cstring>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace fault_vfs {

enum Kind { kRead, kWrite, kSync, kLock, kTruncate, kKinds };
inline const char* KindName(int kind) {
    static const char* names[] = {"read", "write", "sync", "lock", "truncate"};
    return names[kind];
}

struct PendingOp {
    bool truncate = false;
    sqlite3_int64 offset = 0;  // or the new size
    std::string bytes;
};

struct FileModel {
    std::string durable;  // the content as of the last sync
    std::vector<PendingOp> pending;
};

struct State {
    sqlite3_vfs* real = nullptr;
    // Power cut
    bool recording = false;
    long events = 0;  // writes, truncates and syncs while recording
    long cut_after = -1;
    bool powered_off = false;
    std::map<std::string, FileModel> files;
    // Injected faults
    std::array<long, kKinds> counts{};
    int fail_kind = -1;
    long fail_at = 0;
};

inline State& state() {
    static State s;
    return s;
}

struct File {
    sqlite3_file base;
    sqlite3_file* real;
    std::string name;
};

inline sqlite3_file* Real(sqlite3_file* file) { return reinterpret_cast<File*>(file)->real; }

// Counts the call; true when it is the one to fail.
inline bool Fails(int kind) {
    auto& s = state();
    return ++s.counts[kind] == s.fail_at && s.fail_kind == kind;
}

inline std::string ReadAll(sqlite3_file* real) {
    sqlite3_int64 size = 0;
    real->pMethods->xFileSize(real, &size);
    std::string bytes(static_cast<size_t>(size), '\0');
    if (size > 0) real->pMethods->xRead(real, bytes.data(), static_cast<int>(size), 0);
    return bytes;
}

// The file's model, its durable content taken when first seen in a recording.
inline FileModel& Model(sqlite3_file* file) {
    auto* f = reinterpret_cast<File*>(file);
    auto [it, inserted] = state().files.try_emplace(f->name);
    if (inserted) it->second.durable = ReadAll(f->real);
    return it->second;
}

// After the cut_after-th event the power is off.
inline void CountEvent() {
    auto& s = state();
    if (++s.events == s.cut_after) s.powered_off = true;
}

inline int Close(sqlite3_file* file) {
    int rc = Real(file)->pMethods->xClose(Real(file));
    reinterpret_cast<File*>(file)->name.~basic_string();
    return rc;
}

inline int Read(sqlite3_file* file, void* buffer, int amount, sqlite3_int64 offset) {
    if (state().powered_off || Fails(kRead)) return SQLITE_IOERR_READ;
    return Real(file)->pMethods->xRead(Real(file), buffer, amount, offset);
}

inline int Write(sqlite3_file* file, const void* buffer, int amount, sqlite3_int64 offset) {
    auto& s = state();
    if (s.powered_off || Fails(kWrite)) return SQLITE_IOERR_WRITE;
    if (s.recording) {
        Model(file).pending.push_back({false, offset, std::string(static_cast<const char*>(buffer), size_t(amount))});
        CountEvent();
    }
    return Real(file)->pMethods->xWrite(Real(file), buffer, amount, offset);
}

inline int Truncate(sqlite3_file* file, sqlite3_int64 size) {
    auto& s = state();
    if (s.powered_off || Fails(kTruncate)) return SQLITE_IOERR_TRUNCATE;
    if (s.recording) {
        Model(file).pending.push_back({true, size, {}});
        CountEvent();
    }
    return Real(file)->pMethods->xTruncate(Real(file), size);
}

inline int Sync(sqlite3_file* file, int) {
    auto& s = state();
    if (s.powered_off || Fails(kSync)) return SQLITE_IOERR_FSYNC;
    if (s.recording) {
        FileModel& model = Model(file);
        CountEvent();
        if (s.powered_off) return SQLITE_IOERR_FSYNC;  // the cut came before the sync ended
        model.durable = ReadAll(Real(file));
        model.pending.clear();
    }
    return SQLITE_OK;
}

inline int FileSize(sqlite3_file* file, sqlite3_int64* size) {
    return Real(file)->pMethods->xFileSize(Real(file), size);
}

inline int Lock(sqlite3_file* file, int level) {
    if (state().powered_off || Fails(kLock)) return SQLITE_IOERR_LOCK;
    return Real(file)->pMethods->xLock(Real(file), level);
}

// Unlocks always go through: the process's locks must not outlive a test case.
inline int Unlock(sqlite3_file* file, int level) { return Real(file)->pMethods->xUnlock(Real(file), level); }

inline int CheckReservedLock(sqlite3_file* file, int* out) {
    return Real(file)->pMethods->xCheckReservedLock(Real(file), out);
}

inline int FileControl(sqlite3_file* file, int op, void* arg) {
    return Real(file)->pMethods->xFileControl(Real(file), op, arg);
}

inline int SectorSize(sqlite3_file* file) { return Real(file)->pMethods->xSectorSize(Real(file)); }

inline int DeviceCharacteristics(sqlite3_file* file) {
    return Real(file)->pMethods->xDeviceCharacteristics(Real(file));
}

inline const sqlite3_io_methods kMethods = {
    1,    Close, Read, Write, Truncate, Sync, FileSize, Lock, Unlock, CheckReservedLock, FileControl, SectorSize,
    DeviceCharacteristics,
};

inline int Open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* out_flags) {
    auto& s = state();
    auto* f = reinterpret_cast<File*>(file);
    f->base.pMethods = nullptr;
    if (s.powered_off) return SQLITE_CANTOPEN;
    f->real = reinterpret_cast<sqlite3_file*>(f + 1);
    int rc = s.real->xOpen(s.real, name, f->real, flags, out_flags);
    if (rc != SQLITE_OK) return rc;
    new (&f->name) std::string(name ? name : "");
    f->base.pMethods = &kMethods;
    return SQLITE_OK;
}

inline int Delete(sqlite3_vfs*, const char* name, int sync_dir) {
    auto& s = state();
    if (s.powered_off) return SQLITE_IOERR_DELETE;
    s.files.erase(name);  // a deletion counts as done at once
    return s.real->xDelete(s.real, name, sync_dir);
}

inline int Access(sqlite3_vfs*, const char* name, int flags, int* out) {
    return state().real->xAccess(state().real, name, flags, out);
}
inline int FullPathname(sqlite3_vfs*, const char* name, int size, char* out) {
    return state().real->xFullPathname(state().real, name, size, out);
}
inline int Randomness(sqlite3_vfs*, int size, char* out) { return state().real->xRandomness(state().real, size, out); }
inline int Sleep(sqlite3_vfs*, int micro) { return state().real->xSleep(state().real, micro); }
inline int CurrentTime(sqlite3_vfs*, double* out) { return state().real->xCurrentTime(state().real, out); }
inline int GetLastError(sqlite3_vfs*, int size, char* out) {
    return state().real->xGetLastError(state().real, size, out);
}

// Registers the VFS as the default, once per process.
inline void Install() {
    static sqlite3_vfs vfs = [] {
        auto& s = state();
        s.real = sqlite3_vfs_find(nullptr);
        sqlite3_vfs v{};
        v.iVersion = 1;
        v.szOsFile = static_cast<int>(sizeof(File)) + s.real->szOsFile;
        v.mxPathname = s.real->mxPathname;
        v.zName = "fault";
        v.xOpen = Open;
        v.xDelete = Delete;
        v.xAccess = Access;
        v.xFullPathname = FullPathname;
        v.xRandomness = Randomness;
        v.xSleep = Sleep;
        v.xCurrentTime = CurrentTime;
        v.xGetLastError = GetLastError;
        return v;
    }();
    static bool registered = (sqlite3_vfs_register(&vfs, 1), true);
    (void)registered;
}

// Back to the plain real disk: no recording, no cut, no fault.
inline void Reset() {
    auto& s = state();
    s.recording = false;
    s.events = 0;
    s.cut_after = -1;
    s.powered_off = false;
    s.files.clear();
    s.counts = {};
    s.fail_kind = -1;
    s.fail_at = 0;
}

inline void StartRecording(long cut_after) {
    Reset();
    state().recording = true;
    state().cut_after = cut_after;
}

inline void FailNth(int kind, long n) {
    auto& s = state();
    s.counts = {};
    s.fail_kind = kind;
    s.fail_at = n;
}

// Writes each recorded file as the disk might hold it after the cut: the
// synced content, then each later write kept whole, lost, or torn (each
// 512-byte sector of it kept or lost on its own), each truncate kept or lost.
// Then the power is on again and nothing is recorded.
inline void WriteCrashImages(std::mt19937& random) {
    auto& s = state();
    for (auto& [name, model] : s.files) {
        if (model.pending.empty()) continue;
        std::string image = model.durable;
        for (const auto& op : model.pending) {
            int choice = static_cast<int>(random() % 3);
            if (op.truncate) {
                if (choice != 0) image.resize(static_cast<size_t>(op.offset));
                continue;
            }
            if (choice == 0) continue;  // lost
            auto end = static_cast<size_t>(op.offset) + op.bytes.size();
            if (image.size() < end) image.resize(end, '\0');
            for (size_t done = 0; done < op.bytes.size(); done += 512) {
                if (choice == 2 && random() % 2 == 0) continue;  // a torn write loses this sector
                size_t length = std::min<size_t>(512, op.bytes.size() - done);
                std::memcpy(image.data() + op.offset + done, op.bytes.data() + done, length);
            }
        }
        std::ofstream(name, std::ios::binary | std::ios::trunc).write(image.data(), std::streamsize(image.size()));
    }
    Reset();
}

}  // namespace fault_vfs

namespace fault_vfs {

// Every connection opened since the last Forget: how a test reaches the
// connection the cursor opens for itself, to read or change its settings.
inline std::vector<sqlite3*>& Connections() {
    static std::vector<sqlite3*> connections;
    return connections;
}
inline int Capture(sqlite3* db, char**, const struct sqlite3_api_routines*) {
    Connections().push_back(db);
    return SQLITE_OK;
}
inline void CaptureConnections() {
    static bool installed =
        (sqlite3_auto_extension(reinterpret_cast<void (*)(void)>(reinterpret_cast<void*>(Capture))), true);
    (void)installed;
    Connections().clear();
}

}  // namespace fault_vfs
