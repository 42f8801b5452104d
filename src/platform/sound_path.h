#pragma once
// Where the editor's sound text leads, and whether it may be played at all.
// Playing a path hands it to the system's file layer, which for a network
// path signs in to the other computer: only local files are played.
#include <optional>
#include <string>
#include <string_view>

namespace orbelle {

// The file to play, joined as text: a bare name (no "\") lies in the program
// folder's "sounds" folder, a text with a "\" is the path itself. Blanks
// around the text do not count. UTF-8 in and out.
std::string SoundFileText(std::string_view program_folder, std::string_view sound_text);

// Why the sound text must not be played, or nothing when it names an ordinary
// local file: network paths (\\host\share, //host/share), the \\?\, \\.\ and
// \??\ forms, and device names (CON, NUL, COM1 ...) in any part of the path.
std::optional<std::string> SoundPathRefusal(std::string_view sound_text);

}  // namespace orbelle
