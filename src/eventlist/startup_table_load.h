#pragma once
// The list's first open of the event table and its first read of the rows,
// begun on threads of their own as the program starts: with many events the
// check of the table and the read of its rows then run while the calendar
// and the hidden windows are made. The list takes the outcome at the step
// where it used to do this work, so what it shows and asks stays the same.
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "eventlist/list_rows.h"
#include "store/event_cursor.h"

namespace orbelle {

class StartupTableLoad {
public:
    explicit StartupTableLoad(std::filesystem::path table);
    ~StartupTableLoad();
    StartupTableLoad(const StartupTableLoad&) = delete;
    StartupTableLoad& operator=(const StartupTableLoad&) = delete;

    struct Outcome {
        // Open unless `failure` holds the open's message.
        EventCursor cursor;
        std::optional<std::string> failure;
        // The list's rows as the cursor would read them; absent when the
        // read failed or the table changed after it, and the cursor must read.
        std::optional<std::vector<ListRow>> rows;
    };
    // Waits for both threads; once only.
    Outcome Take();

private:
    void Join();

    std::filesystem::path table_;
    Outcome outcome_;
    std::optional<FieldSnapshot> snapshot_;
    std::vector<ListRow> rows_;
    bool rows_read_ = false;
    std::thread open_;
    std::thread read_;
};

}  // namespace orbelle
