#pragma once
// The command-line forms: each runs without any window and without the
// single-instance guard, writes its messages to standard error and ends
// with an exit code.
#include <optional>
#include <string>
#include <vector>

namespace orbelle {

// The exit code of the form the arguments (without the program's name)
// name; nullopt when they name none, and the program starts as usual.
std::optional<int> RunCommandLine(const std::vector<std::wstring>& arguments);

}  // namespace orbelle
