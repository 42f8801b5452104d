#pragma once
// A table of many events for the benchmarks, written in one transaction.
#include <sqlite3.h>

#include <filesystem>
#include <string>

#include "store/event_cursor.h"

namespace orbelle::bench {

inline void MakeEventTable(const std::filesystem::path& file, int rows) {
    std::filesystem::remove(file);
    {
        EventCursor cursor;  // the program's own schema
        cursor.Open(file);
    }
    sqlite3* db = nullptr;
    sqlite3_open(file.string().c_str(), &db);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO TODOLIST (Subject, Priority, Memo, Type, Remind, Duration, Sound, Repleat, Dwmy, "
                       "Day_day, StartHour, NextAlarm, Accepttext, Date) VALUES (?, 'Normal', 'memo text', "
                       "'Meeting', '30 minutes', '1 hour', 'Alarm.wav', 'Y', '2', 1, ?, ?, 'Y', ?)",
                       -1, &insert, nullptr);
    for (int i = 0; i < rows; ++i) {
        std::string subject = "Event number " + std::to_string(i);
        sqlite3_bind_text(insert, 1, subject.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_double(insert, 2, 45000.5 + i * 0.01);
        sqlite3_bind_double(insert, 3, 45001.25 + i * 0.01);
        sqlite3_bind_double(insert, 4, 45000.75 + i * 0.01);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

}  // namespace orbelle::bench
