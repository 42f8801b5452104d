// A process killed at any instant loses no posted record and leaves a sound
// file: a child posts and reports each post after it returned; we kill it at
// random moments and check the file each time.
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <set>
#include <thread>

#include "temp_folder.h"

namespace {

std::string QueryOne(sqlite3* db, const char* sql) {
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
    std::string result;
    if (sqlite3_step(statement) == SQLITE_ROW)
        result = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
    sqlite3_finalize(statement);
    return result;
}

TEST(StoreKill, EveryReportedPostSurvivesAKillAtAnyMoment) {
    TempFolder folder;
    auto file = folder.Path() / "db" / "TODOLIST.DB";
    std::mt19937 random(20261210);
    std::set<std::string> reported;
    constexpr int kKills = 60;
    for (int kill_no = 0; kill_no < kKills; ++kill_no) {
        int out[2];
        ASSERT_EQ(pipe(out), 0);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            dup2(out[1], 1);
            close(out[0]);
            execl(STORE_POST_LOOP, STORE_POST_LOOP, file.c_str(), nullptr);
            _exit(127);
        }
        close(out[1]);
        // The kill lands among posts: after the first one reported, at a random moment.
        std::string lines;
        char buffer[4096];
        while (lines.find('\n') == std::string::npos) {
            ssize_t n = read(out[0], buffer, sizeof buffer);
            if (n <= 0) break;
            lines.append(buffer, size_t(n));
        }
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 30000));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the child ended by itself";
        for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) lines.append(buffer, size_t(n));
        close(out[0]);
        for (size_t start = 0, end; (end = lines.find('\n', start)) != std::string::npos; start = end + 1)
            reported.insert(lines.substr(start, end - start));

        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
        EXPECT_EQ(QueryOne(db, "PRAGMA integrity_check"), "ok") << "after kill " << kill_no;
        sqlite3_stmt* subjects = nullptr;
        sqlite3_prepare_v2(db, "SELECT Subject FROM TODOLIST", -1, &subjects, nullptr);
        std::set<std::string> stored;
        while (sqlite3_step(subjects) == SQLITE_ROW)
            stored.insert(reinterpret_cast<const char*>(sqlite3_column_text(subjects, 0)));
        sqlite3_finalize(subjects);
        sqlite3_close(db);
        for (const auto& subject : reported)
            ASSERT_TRUE(stored.count(subject)) << subject << " lost after kill " << kill_no;
    }
    EXPECT_GE(reported.size(), size_t{kKills});
}

}  // namespace
