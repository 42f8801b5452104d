#pragma once
// Standard output and error of the command-line forms, and the first line
// of standard input. A GUI program has them only when its starter passed
// them; a console it was started from takes the output otherwise.
#include <optional>
#include <string>

namespace orbelle {

void WriteStandardError(const std::string& message);
void WriteStandardOutput(const std::string& message);
// Without its line end; nothing when there is no input at all.
std::optional<std::string> ReadStandardInputLine();

}  // namespace orbelle
