#pragma once
// Sound playback through the system's winmm.dll.
#include <filesystem>

namespace orbelle {

// Starts the wave file and returns at once; a later sound replaces this one.
// A file that cannot be found plays the system's default sound; without
// winmm.dll nothing plays.
void PlaySoundFile(const std::filesystem::path& file);

}  // namespace orbelle
