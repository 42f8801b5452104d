#pragma once
// A command-line form of the program run as a script runs it: in its program
// folder, with standard input given and standard output and error read back.
#include <filesystem>
#include <string>

namespace orbelle::testing {

struct ProgramRun {
    long exit_code = -1;  // -1: it did not start or did not end within a minute
    std::string output;
    std::string error;
};

ProgramRun RunProgram(const std::filesystem::path& program, const std::wstring& arguments,
                      const std::string& standard_input = {});

}  // namespace orbelle::testing
