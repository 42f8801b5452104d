// Posts numbered records to the table file named on the command line and
// writes each subject to standard output only after its post has returned;
// store_kill_driver kills it and relies on every written subject being in
// the file. The Windows twin of the native kill test's post loop.
#include <windows.h>

#include <string>

#include "../../tests/native/post_loop.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) return 2;
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    orbelle::EventCursor cursor;
    cursor.Open(argv[1]);
    orbelle::PostUntilKilled(cursor, std::to_string(GetCurrentProcessId()), [out](const std::string& subject) {
        const std::string line = subject + "\n";
        DWORD written = 0;
        WriteFile(out, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);  // unbuffered
    });
}
