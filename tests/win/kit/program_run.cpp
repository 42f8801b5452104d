#include "kit/program_run.h"

#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iterator>

namespace orbelle::testing {
namespace {

namespace fs = std::filesystem;

std::string ReadAndRemove(const fs::path& file) {
    std::string text;
    {
        std::ifstream in(file, std::ios::binary);
        text.assign(std::istreambuf_iterator<char>(in), {});
    }
    std::error_code ignored;
    fs::remove(file, ignored);
    return text;
}

HANDLE Inherited(const fs::path& file, DWORD access, DWORD disposition) {
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    return CreateFileW(file.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited, disposition, 0, nullptr);
}

}  // namespace

ProgramRun RunProgram(const fs::path& program, const std::wstring& arguments, const std::string& standard_input) {
    const fs::path folder = program.parent_path();
    const fs::path input = folder / "run-stdin.txt", output = folder / "run-stdout.txt", error = folder / "run-stderr.txt";
    std::ofstream(input, std::ios::binary) << standard_input;
    HANDLE in = Inherited(input, GENERIC_READ, OPEN_EXISTING);
    HANDLE out = Inherited(output, GENERIC_WRITE, CREATE_ALWAYS);
    HANDLE err = Inherited(error, GENERIC_WRITE, CREATE_ALWAYS);
    STARTUPINFOW startup{sizeof startup};
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = err;
    std::wstring command = L"\"" + program.wstring() + L"\" " + arguments;
    PROCESS_INFORMATION process{};
    ProgramRun run;
    if (CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, folder.c_str(), &startup,
                       &process)) {
        DWORD exit_code = 0;
        if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0 &&
            GetExitCodeProcess(process.hProcess, &exit_code))
            run.exit_code = static_cast<long>(exit_code);
        else
            TerminateProcess(process.hProcess, 99);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    } else {
        std::fprintf(stderr, "the program did not start (error %lu)\n", GetLastError());
    }
    CloseHandle(in);
    CloseHandle(out);
    CloseHandle(err);
    std::error_code ignored;
    fs::remove(input, ignored);
    run.output = ReadAndRemove(output);
    run.error = ReadAndRemove(error);
    return run;
}

}  // namespace orbelle::testing
