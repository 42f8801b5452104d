#include "platform/startup_trace.h"

#include <windows.h>

#include <cstdio>

namespace orbelle {
namespace {

double FileTimeMs(const FILETIME& time) {
    ULARGE_INTEGER value{};
    value.LowPart = time.dwLowDateTime;
    value.HighPart = time.dwHighDateTime;
    return static_cast<double>(value.QuadPart) / 10'000.0;
}

// Null when tracing is off; looked up once.
std::FILE* TraceFile() {
    static std::FILE* const file = []() -> std::FILE* {
        wchar_t path[MAX_PATH];
        DWORD length = GetEnvironmentVariableW(L"ORBELLE_STARTUP_TRACE", path, MAX_PATH);
        if (length == 0 || length >= MAX_PATH) return nullptr;
        return _wfopen(path, L"a");
    }();
    return file;
}

}  // namespace

void StartupMark(const char* step) {
    std::FILE* file = TraceFile();
    if (!file) return;
    FILETIME now{}, created{}, unused{};
    GetSystemTimePreciseAsFileTime(&now);
    GetProcessTimes(GetCurrentProcess(), &created, &unused, &unused, &unused);
    std::fprintf(file, "%8.1f %s\n", FileTimeMs(now) - FileTimeMs(created), step);
    std::fflush(file);
}

}  // namespace orbelle
