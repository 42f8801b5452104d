// Posts numbered records to the table file named on the command line and
// prints each number only after its post has returned; the kill test relies on
// every printed number being in the file.
#include <cstdio>
#include <string>
#include <unistd.h>

#include "store/event_cursor.h"

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    orbelle::EventCursor cursor;
    cursor.Open(argv[1]);
    for (long n = 0;; ++n) {
        cursor.Insert();
        cursor.SetFieldText("subject", "post " + std::to_string(getpid()) + "." + std::to_string(n));
        cursor.SetFieldText("memo", std::string(static_cast<size_t>(n % 700), 'm'));
        cursor.Post();
        if (n % 3 == 0) {  // rewrites too, so a kill can land inside an update
            cursor.Edit();
            cursor.SetFieldText("accepttext", "Y");
            cursor.Post();
        }
        std::printf("%s\n", cursor.FieldText("subject").c_str());
        std::fflush(stdout);
    }
}
