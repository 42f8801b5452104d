// Posts numbered records to the table file named on the command line and
// prints each number only after its post has returned; the kill test relies on
// every printed number being in the file.
#include <cstdio>
#include <string>
#include <unistd.h>

#include "post_loop.h"

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    orbelle::EventCursor cursor;
    cursor.Open(argv[1]);
    orbelle::PostUntilKilled(cursor, std::to_string(getpid()), [](const std::string& subject) {
        std::printf("%s\n", subject.c_str());
        std::fflush(stdout);
    });
}
