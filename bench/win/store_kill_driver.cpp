// Under Wine: starts store_post_loop_win.exe, lets it post, kills it with
// TerminateProcess at a random moment, then opens the table as the program
// would (a hot journal is rolled back) and checks it: integrity_check and
// every subject the loop reported after its post returned. Repeats.
// Arguments: store_post_loop_win.exe, a folder for the table, the number of kills.
#include <windows.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <set>
#include <string>

namespace {

std::string QueryOne(sqlite3* db, const char* sql) {
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
    std::string result = "(no answer)";
    if (sqlite3_step(statement) == SQLITE_ROW)
        result = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
    else
        result = sqlite3_errmsg(db);
    sqlite3_finalize(statement);
    return result;
}

void ReadLines(HANDLE pipe, std::string& lines, bool until_first_line) {
    char buffer[4096];
    DWORD got = 0;
    for (;;) {
        if (until_first_line && lines.find('\n') != std::string::npos) return;
        if (!ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) || got == 0) return;
        lines.append(buffer, got);
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: store_kill_driver POST_LOOP.exe FOLDER KILLS\n");
        return 2;
    }
    const std::filesystem::path loop = argv[1];
    const std::filesystem::path table = std::filesystem::path(argv[2]) / "db" / "TODOLIST.DB";
    const int kills = _wtoi(argv[3]);
    std::filesystem::remove_all(table.parent_path());
    std::mt19937 random(20261210);
    std::set<std::string> reported;
    int faults = 0, mid_transaction = 0;
    const auto started = std::chrono::steady_clock::now();
    for (int kill = 0; kill < kills; ++kill) {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE read = nullptr, write = nullptr;
        CreatePipe(&read, &write, &inherit, 0);
        SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOW startup{sizeof startup};
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = write;
        startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
        PROCESS_INFORMATION process{};
        std::wstring command = L"\"" + loop.wstring() + L"\" \"" + table.wstring() + L"\"";
        if (!CreateProcessW(loop.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                            &process)) {
            std::fprintf(stderr, "cannot start the post loop\n");
            return 2;
        }
        CloseHandle(write);
        // The kill lands among posts: after the first one reported, at a random moment.
        std::string lines;
        ReadLines(read, lines, true);
        Sleep(random() % 30);
        TerminateProcess(process.hProcess, 9);
        WaitForSingleObject(process.hProcess, INFINITE);
        ReadLines(read, lines, false);
        for (HANDLE handle : {read, process.hProcess, process.hThread}) CloseHandle(handle);
        for (size_t start = 0, end; (end = lines.find('\n', start)) != std::string::npos; start = end + 1)
            reported.insert(lines.substr(start, end - start));

        std::error_code ec;
        std::filesystem::path journal = table;
        journal += "-journal";
        if (std::filesystem::exists(journal, ec) && std::filesystem::file_size(journal, ec) > 0) ++mid_transaction;
        sqlite3* db = nullptr;
        if (sqlite3_open(table.string().c_str(), &db) != SQLITE_OK) {
            std::printf("kill %d: the table does not open: %s\n", kill, sqlite3_errmsg(db));
            ++faults;
        } else {
            std::string integrity = QueryOne(db, "PRAGMA integrity_check");
            if (integrity != "ok") {
                std::printf("kill %d: integrity_check: %s\n", kill, integrity.c_str());
                ++faults;
            }
            std::set<std::string> stored;
            sqlite3_stmt* subjects = nullptr;
            sqlite3_prepare_v2(db, "SELECT Subject FROM TODOLIST", -1, &subjects, nullptr);
            while (sqlite3_step(subjects) == SQLITE_ROW)
                stored.insert(reinterpret_cast<const char*>(sqlite3_column_text(subjects, 0)));
            sqlite3_finalize(subjects);
            for (const auto& subject : reported) {
                if (!stored.count(subject)) {
                    std::printf("kill %d: %s reported but lost\n", kill, subject.c_str());
                    ++faults;
                }
            }
        }
        sqlite3_close(db);
        if ((kill + 1) % 100 == 0)
            std::printf("%d kills, %zu posts reported, %d faults\n", kill + 1, reported.size(), faults);
        std::fflush(stdout);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("kills: %d, posts reported: %zu, kills that left a hot journal: %d, faults: %d, %.0f s\n", kills,
                reported.size(), mid_transaction, faults, seconds);
    std::filesystem::remove_all(table.parent_path().parent_path());
    return faults == 0 ? 0 : 1;
}
