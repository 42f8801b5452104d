// Posts numbered records to the table file named on the command line and
// writes each subject to standard output only after its post has returned;
// store_kill_driver kills it and relies on every written subject being in
// the file. The Windows twin of the native kill test's post loop.
#include <windows.h>

#include <string>

#include "store/event_cursor.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) return 2;
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    orbelle::EventCursor cursor;
    cursor.Open(argv[1]);
    const std::string pid = std::to_string(GetCurrentProcessId());
    for (long n = 0;; ++n) {
        cursor.Insert();
        cursor.SetFieldText("subject", "post " + pid + "." + std::to_string(n));
        cursor.SetFieldText("memo", std::string(static_cast<size_t>(n % 700), 'm'));
        cursor.Post();
        if (n % 3 == 0) {  // rewrites too, so a kill can land inside an update
            cursor.Edit();
            cursor.SetFieldText("accepttext", "Y");
            cursor.Post();
        }
        const std::string line = cursor.FieldText("subject") + "\n";
        DWORD written = 0;
        WriteFile(out, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);  // unbuffered
    }
}
