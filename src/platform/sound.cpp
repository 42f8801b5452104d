#include "platform/sound.h"

#include <windows.h>

#include "platform/system_library.h"

namespace orbelle {
namespace {
using SndPlaySoundFunction = BOOL(WINAPI*)(LPCWSTR, UINT);
constexpr UINT kSoundAsync = 0x0001;  // SND_ASYNC

// Resolved on first use.
SndPlaySoundFunction SndPlaySound() {
    static const SndPlaySoundFunction function = [] {
        SndPlaySoundFunction resolved = nullptr;
        ResolveFunction(LoadSystemLibrary(L"winmm.dll"), "sndPlaySoundW", resolved);
        return resolved;
    }();
    return function;
}
}  // namespace

void PlaySoundFile(const std::filesystem::path& file) {
    // No "no default" flag: a missing file plays the system's sound.
    if (SndPlaySoundFunction play = SndPlaySound()) play(file.c_str(), kSoundAsync);
}

}  // namespace orbelle
