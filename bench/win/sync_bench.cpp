// Under Wine, against the Radicale that scripts/sync-servers starts on
// loopback: a sync with nothing changed, one change each way, the first sync
// of 10,000 events up into an empty calendar and down into an empty table,
// and the memory the big syncs take. Each big sync runs in a process of its
// own (this program again), so that memory freed by earlier work cannot hide
// what the sync takes. The server's share is its process's CPU time, read
// from the /proc stat file the script names in ORBELLE_BENCH_SERVER_STAT.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "../exchange_bench_table.h"
#include "exchange/exchange_context.h"
#include "store/sqlite.h"
#include "sync/caldav_client.h"
#include "sync/content_hash.h"
#include "sync/http_client.h"
#include "sync/sync_engine.h"
#include "sync/sync_item.h"
#include "sync/sync_tables.h"

namespace {

namespace fs = std::filesystem;
using namespace orbelle;
using namespace orbelle::sync;
using Clock = std::chrono::steady_clock;

constexpr int kBigEvents = 10'000;
constexpr int kSmallEvents = 100;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// The server process's user and system CPU time so far, in ms; -1 when the
// script gave no stat file.
double ServerCpuMs() {
    static const std::string stat = Env("ORBELLE_BENCH_SERVER_STAT");
    static const double tick_ms = 1000.0 / std::max(1, std::atoi(Env("ORBELLE_BENCH_CLK_TCK").c_str()));
    if (stat.empty()) return -1;
    std::ifstream file(stat);
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    // Fields after the command name, which is in parentheses and may hold spaces.
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    double ticks = 0;
    for (int i = 3; fields >> field && i <= 15; ++i)
        if (i == 14 || i == 15) ticks += std::atof(field.c_str());  // utime, stime
    return ticks * tick_ms;
}

double OwnCpuMs() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto ms = [](FILETIME t) { return double((ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10'000.0; };
    return ms(kernel) + ms(user);
}

struct Spread {
    double median = 0, low = 0, high = 0;
};

Spread SpreadOf(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return {values[values.size() / 2], values.front(), values.back()};
}

std::string Show(const Spread& s, const char* unit = "ms") {
    char text[96];
    std::snprintf(text, sizeof text, "median %.0f %s (%.0f to %.0f)", s.median, unit, s.low, s.high);
    return text;
}

std::string Goal(bool met) { return met ? "goal met" : "GOAL NOT MET"; }

Account RadicaleAccount() {
    return {Env("ORBELLE_RADICALE_URL"), Env("ORBELLE_RADICALE_USER"), Env("ORBELLE_RADICALE_PASSWORD"), {}};
}

std::string NewCalendar(const Account& account) {
    static std::mt19937_64 random{std::random_device{}()};
    std::ostringstream name;
    name << account.url << account.user << "/bench" << std::hex << random() << "/";
    HttpClient http(account.url, account.user, account.password);
    const std::string body =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?><c:mkcalendar xmlns:d=\"DAV:\" "
        "xmlns:c=\"urn:ietf:params:xml:ns:caldav\"><d:set><d:prop><d:displayname>Bench</d:displayname>"
        "</d:prop></d:set></c:mkcalendar>";
    const int status = http.Request("MKCALENDAR", name.str(), {{"Content-Type", "application/xml"}}, body).status;
    if (status != 201) throw std::runtime_error("MKCALENDAR answered " + std::to_string(status));
    return name.str();
}

void DropCalendar(const Account& account, const std::string& calendar) {
    HttpClient(account.url, account.user, account.password).Request("DELETE", calendar, {}, {});
}

SyncReport Sync(const Account& account, const std::string& calendar, const fs::path& table) {
    SyncReport report = RunSync({.account = account, .calendar_url = calendar}, table, SystemExchangeContext());
    if (report.outcome != SyncOutcome::kDone || !report.set_aside.empty())
        std::printf("  (the sync said: %s; %zu set aside)\n", report.message.c_str(), report.set_aside.size());
    return report;
}

std::vector<SyncItemRow> Rows(const fs::path& table) {
    sql::Database db(table, sql::OpenMode::kExisting);
    return SyncTables(db).Items();
}

// One event edited here, as the editor would change its subject, and
// another by a second client on the server, with a later LAST-MODIFIED.
void ChangeEachWay(const Account& account, const std::string& calendar, const fs::path& table, int round) {
    const std::vector<SyncItemRow> rows = Rows(table);
    const SyncItemRow& here = rows[(2 * round) % rows.size()];
    const SyncItemRow& there = rows[(2 * round + 1) % rows.size()];
    {
        sql::Database db(table, sql::OpenMode::kExisting);
        db.Exec(("UPDATE TODOLIST SET Subject = 'Edited here " + std::to_string(round) + "' WHERE Id = " +
                 std::to_string(here.event_id))
                    .c_str());
    }
    CalDavClient client(account);
    std::vector<Fetched> item = client.Multiget(calendar, {there.href});
    std::string text = item.at(0).text;
    std::erase(text, '\r');  // XML hands calendar data over with LF alone
    const std::size_t summary = text.find("\nSUMMARY:") + 1;
    text.replace(summary, text.find('\n', summary) - summary, "SUMMARY:Edited on the server " + std::to_string(round));
    SYSTEMTIME now{};
    GetSystemTime(&now);
    char stamp[40];
    std::snprintf(stamp, sizeof stamp, "LAST-MODIFIED:%04u%02u%02uT%02u%02u%02uZ\n", now.wYear, now.wMonth, now.wDay,
                  now.wHour, now.wMinute, now.wSecond);
    text.insert(text.find("END:VEVENT"), stamp);
    const int status = client.Update(item.at(0).href, item.at(0).etag, text).status;
    if (status / 100 != 2) throw std::runtime_error("the server edit answered " + std::to_string(status));
}

// Times of a sync with nothing changed, and of one with one change each way.
void QuietAndOneEach(const Account& account, const std::string& calendar, const fs::path& table, int quiet_runs,
                     int change_runs, const char* what) {
    std::vector<double> quiet, quiet_server;
    for (int run = 0; run < quiet_runs; ++run) {
        const double cpu = ServerCpuMs();
        const auto start = Clock::now();
        const SyncReport report = Sync(account, calendar, table);
        quiet.push_back(MsSince(start));
        quiet_server.push_back(ServerCpuMs() - cpu);
        if (report.up + report.down + report.deleted_here + report.deleted_there != 0)
            std::printf("  (a quiet sync moved something: %s)\n", report.Summary().c_str());
    }
    const Spread q = SpreadOf(quiet);
    std::printf("%s, nothing changed: %s over %d syncs, server CPU median %.0f ms; %s (under 300 ms)\n", what,
                Show(q).c_str(), quiet_runs, SpreadOf(quiet_server).median, Goal(q.median < 300).c_str());
    std::vector<double> each, each_server;
    for (int run = 0; run < change_runs; ++run) {
        ChangeEachWay(account, calendar, table, run);
        const double cpu = ServerCpuMs();
        const auto start = Clock::now();
        const SyncReport report = Sync(account, calendar, table);
        each.push_back(MsSince(start));
        each_server.push_back(ServerCpuMs() - cpu);
        if (report.up != 1 || report.down != 1)
            std::printf("  (one change each way gave: %s)\n", report.Summary().c_str());
    }
    const Spread e = SpreadOf(each);
    std::printf("%s, one change each way: %s over %d syncs, server CPU median %.0f ms; %s (under 1 s)\n", what,
                Show(e).c_str(), change_runs, SpreadOf(each_server).median, Goal(e.median < 1000).c_str());
}

// What a big sync's process measured: the child prints one line of these.
struct BigSync {
    double ms = 0, own_cpu_ms = 0, server_cpu_ms = 0;
    double idle_ws_mb = 0, peak_ws_mb = 0, idle_private_mb = 0, peak_private_mb = 0;
    std::size_t up = 0, down = 0;
};

double Mb(SIZE_T bytes) { return double(bytes) / (1024.0 * 1024.0); }

// The child: one sync of `table` with `calendar`, its time, CPU and memory.
int RunChild(const fs::path& table, const std::string& calendar, const fs::path& out) {
    const Account account = RadicaleAccount();
    PROCESS_MEMORY_COUNTERS_EX before{}, after{};
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&before), sizeof before);
    const double cpu = OwnCpuMs();
    const auto start = Clock::now();
    const SyncReport report = Sync(account, calendar, table);
    const double ms = MsSince(start);
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&after), sizeof after);
    std::ofstream(out) << ms << ' ' << OwnCpuMs() - cpu << ' ' << Mb(before.WorkingSetSize) << ' '
                       << Mb(after.PeakWorkingSetSize) << ' ' << Mb(std::max(before.PrivateUsage, before.PagefileUsage))
                       << ' '
                       << Mb(after.PeakPagefileUsage) << ' ' << report.up << ' ' << report.down << '\n';
    return report.outcome == SyncOutcome::kDone ? 0 : 1;
}

BigSync RunBigSync(const fs::path& table, const std::string& calendar, const fs::path& folder) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const fs::path out = folder / "child.txt";
    fs::remove(out);
    std::wstring command = L"\"" + std::wstring(self) + L"\" --sync \"" + table.wstring() + L"\" \"" +
                           std::wstring(calendar.begin(), calendar.end()) + L"\" \"" + out.wstring() + L"\"";
    STARTUPINFOW startup{.cb = sizeof(STARTUPINFOW)};
    PROCESS_INFORMATION process{};
    BigSync big;
    const double cpu = ServerCpuMs();
    if (!CreateProcessW(self, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        throw std::runtime_error("the child did not start");
    WaitForSingleObject(process.hThread, INFINITE);
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    big.server_cpu_ms = ServerCpuMs() - cpu;
    std::ifstream(out) >> big.ms >> big.own_cpu_ms >> big.idle_ws_mb >> big.peak_ws_mb >> big.idle_private_mb >>
        big.peak_private_mb >> big.up >> big.down;
    return big;
}

void PrintBig(const char* what, const std::vector<BigSync>& runs, std::size_t BigSync::*moved, int events) {
    std::vector<double> ms, own, server, ws, priv;
    for (const BigSync& run : runs) {
        ms.push_back(run.ms);
        own.push_back(run.own_cpu_ms);
        server.push_back(run.server_cpu_ms);
        ws.push_back(run.peak_ws_mb - run.idle_ws_mb);
        priv.push_back(run.peak_private_mb - run.idle_private_mb);
        std::printf("  %s run: %.0f ms, %zu moved, our CPU %.0f ms, server CPU %.0f ms, working set %.1f -> peak "
                    "%.1f MB, private %.1f -> peak %.1f MB\n",
                    what, run.ms, run.*moved, run.own_cpu_ms, run.server_cpu_ms, run.idle_ws_mb, run.peak_ws_mb,
                    run.idle_private_mb, run.peak_private_mb);
    }
    const Spread t = SpreadOf(ms), w = SpreadOf(ws), p = SpreadOf(priv);
    std::printf("%s of %d events: %s; %s\n", what, events, Show(t).c_str(),
                events == kBigEvents ? Goal(t.median < 60000).append(" (under 60 s)").c_str() : "");
    std::printf("  of which our CPU %s, the server's CPU %s\n", Show(SpreadOf(own)).c_str(), Show(SpreadOf(server)).c_str());
    std::printf("  memory over idle: peak working set %s, peak private %s; %s\n", Show(w, "MB").c_str(),
                Show(p, "MB").c_str(),
                events == kBigEvents ? Goal(std::max(w.high, p.high) < 50).append(" (under 50 MB more)").c_str() : "");
}

// A calendar of `table`'s events, each written as the sync writes it, put
// in one request as Radicale takes a whole calendar: the quick way to fill
// one for the syncs down (one PUT per item would take an hour, see below).
std::string FilledCalendar(const Account& account, const fs::path& table) {
    const ExchangeContext context = SystemExchangeContext();
    std::string body = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Orbelle bench//EN\r\n", zones;
    ExchangeStore(table).VisitAll([&](StoredEvent& event) {
        const std::string text = ItemText(event.uid, event.record, context.local_zone,
                                          context.local_zone.ToUtc(context.now_local), context.names);
        const std::size_t zone = text.find("BEGIN:VTIMEZONE"), event_at = text.find("BEGIN:VEVENT");
        if (zones.empty() && zone != std::string::npos)
            zones = text.substr(zone, text.find("END:VTIMEZONE\r\n") + 15 - zone);
        body += text.substr(event_at, text.rfind("END:VEVENT\r\n") + 12 - event_at);
    });
    body += zones + "END:VCALENDAR\r\n";
    static std::mt19937_64 random{std::random_device{}()};
    std::ostringstream name;
    name << account.url << account.user << "/filled" << std::hex << random() << "/";
    const double cpu = ServerCpuMs();
    const auto start = Clock::now();
    HttpClient http(account.url, account.user, account.password);
    const int status = http.Request("PUT", name.str(), {{"Content-Type", "text/calendar; charset=utf-8"}}, body).status;
    if (status / 100 != 2) throw std::runtime_error("the whole-calendar PUT answered " + std::to_string(status));
    std::printf("a calendar of %d events filled by another client in one request: %.0f ms, server CPU %.0f ms\n",
                kBigEvents, MsSince(start), ServerCpuMs() - cpu);
    return name.str();
}

// Client wall time and server CPU of one request, median of a few.
void TimeRequests(const char* what, int count, const std::function<void(int)>& request) {
    std::vector<double> wall, server;
    for (int i = 0; i < count; ++i) {
        const double cpu = ServerCpuMs();
        const auto start = Clock::now();
        request(i);
        wall.push_back(MsSince(start));
        server.push_back(ServerCpuMs() - cpu);
    }
    std::printf("  %-62s %7.0f ms / %6.0f ms (median of %d)\n", what, SpreadOf(wall).median, SpreadOf(server).median,
                count);
}

std::string NewItem(const std::string& uid) {
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//bench//EN\r\nBEGIN:VEVENT\r\nUID:" + uid +
           "\r\nDTSTAMP:20270101T000000Z\r\nDTSTART:20270313T093000Z\r\nSUMMARY:New\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
}

// The parts of a sync, each timed alone from outside the engine: the
// requests it makes and the work on each item here.
void Phases(const Account& account, const std::string& big, const std::string& small, const fs::path& table) {
    std::printf("where the time goes (each part alone; client wall time / server CPU):\n");
    CalDavClient client(account);
    auto phase = [](const char* what, const std::function<std::size_t()>& work) {
        const double cpu = ServerCpuMs();
        const auto start = Clock::now();
        const std::size_t count = work();
        std::printf("  %-62s %7.0f ms / %6.0f ms (%zu)\n", what, MsSince(start), ServerCpuMs() - cpu, count);
    };
    TimeRequests("PROPFIND Depth 0 (token, ctag), calendar of 100", 5, [&](int) { client.State(small); });
    TimeRequests("PROPFIND Depth 0 (token, ctag), calendar of 10,000", 5, [&](int) { client.State(big); });
    std::vector<Member> members;
    phase("REPORT sync-collection from no token, 10,000", [&] {
        members = client.SyncCollection(big, "")->changed;
        return members.size();
    });
    std::string token = client.State(big).token;
    TimeRequests("REPORT sync-collection from the current token, 10,000", 3,
                 [&](int) { client.SyncCollection(big, token); });
    phase("PROPFIND Depth 1: every href and ETag, 10,000", [&] { return client.ListAll(big).size(); });
    std::vector<std::string> hrefs;
    for (const Member& member : members) hrefs.push_back(member.href);
    std::vector<Fetched> items;
    phase("calendar-multiget of every item, 100 a request", [&] {
        items = client.Multiget(big, hrefs);
        return items.size();
    });
    const ExchangeContext context = SystemExchangeContext();
    phase("each item read (ReadItem) and hashed (ContentHash), no server", [&] {
        std::size_t read = 0;
        for (const Fetched& item : items) {
            std::string refusal;
            read += ReadItem(item.text, context.local_zone, context.now_local, context.names, refusal).has_value();
            ContentHash(item.text);
        }
        return read;
    });
    phase("each event here as an item (ItemText) and hashed, no server", [&] {
        std::size_t count = 0;
        ExchangeStore(table).VisitAll([&](StoredEvent& event) {
            ContentHash(ItemText(event.uid, event.record, context.local_zone,
                                 context.local_zone.ToUtc(context.now_local), context.names));
            ++count;
        });
        return count;
    });
    std::string href;
    TimeRequests("PUT of a new item (If-None-Match: *), calendar of 100", 5, [&](int i) {
        client.Create(small, "bench-new-" + std::to_string(i), NewItem("bench-new-" + std::to_string(i)), href);
    });
    TimeRequests("PUT of a new item (If-None-Match: *), calendar of 10,000", 5, [&](int i) {
        client.Create(big, "bench-new-" + std::to_string(i), NewItem("bench-new-" + std::to_string(i)), href);
    });
    std::string etag = client.Multiget(big, {href}).at(0).etag;
    int refused = 0;
    TimeRequests("PUT of a change (If-Match), calendar of 10,000", 5, [&](int i) {
        std::string text = NewItem("bench-new-4");
        text.replace(text.find("SUMMARY:New"), 11, "SUMMARY:Changed " + std::to_string(i));
        const PutAnswer answer = client.Update(href, etag, text);
        etag = answer.etag;
        refused += answer.status / 100 != 2;
    });
    if (refused) std::printf("  (%d of those changes were refused)\n", refused);
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc == 5 && std::string(argv[1]) == "--sync") return RunChild(argv[2], argv[3], argv[4]);
    const Account account = RadicaleAccount();
    if (account.url.empty()) {
        std::fprintf(stderr, "no server: run through scripts/bench, or start scripts/sync-servers and its env\n");
        return 2;
    }
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const fs::path folder = fs::temp_directory_path() / "orbelle-sync-bench";
    fs::remove_all(folder);
    fs::create_directories(folder);
    std::printf("Radicale at %s; server CPU %s; %d runs of each big sync\n", account.url.c_str(),
                ServerCpuMs() < 0 ? "not known (no stat file given)" : "from its /proc stat file", runs);
    std::vector<std::string> calendars;
    try {
        // A calendar of a few events, as many users have.
        const fs::path small = folder / "small.DB";
        bench::MakeExchangeTable(small, kSmallEvents);
        calendars.push_back(NewCalendar(account));
        const std::string small_calendar = calendars.back();
        Sync(account, small_calendar, small);
        QuietAndOneEach(account, small_calendar, small, 9, 5, "100 events");

        const fs::path big = folder / "big.DB";
        bench::MakeExchangeTable(big, kBigEvents);
        calendars.push_back(FilledCalendar(account, big));
        const std::string big_calendar = calendars.back();
        std::vector<BigSync> downs;
        fs::path down;
        for (int run = 1; run <= runs; ++run) {
            down = folder / ("down" + std::to_string(run) + ".DB");
            bench::MakeEmptyEventTable(down);
            downs.push_back(RunBigSync(down, big_calendar, folder));
        }
        PrintBig("first sync down", downs, &BigSync::down, kBigEvents);
        QuietAndOneEach(account, big_calendar, down, 5, 3, "10,000 events");

        // Radicale looks through every item of the calendar for each new
        // one, so the first sync up grows with the square of the count: 1,000
        // finishes in a minute, 10,000 would take about an hour.
        for (int count : {1000}) {
            const fs::path template_table = folder / ("up" + std::to_string(count) + ".DB");
            bench::MakeExchangeTable(template_table, count);
            std::vector<BigSync> ups;
            for (int run = 1; run <= runs; ++run) {
                calendars.push_back(NewCalendar(account));
                const fs::path up = folder / ("up" + std::to_string(count) + "-" + std::to_string(run) + ".DB");
                fs::copy_file(template_table, up);
                ups.push_back(RunBigSync(up, calendars.back(), folder));
            }
            PrintBig("first sync up", ups, &BigSync::up, count);
        }
        Phases(account, big_calendar, small_calendar, down);
    } catch (const std::exception& error) {
        std::printf("failed: %s\n", error.what());
        for (const std::string& calendar : calendars) DropCalendar(account, calendar);
        return 1;
    }
    for (const std::string& calendar : calendars) DropCalendar(account, calendar);
    fs::remove_all(folder);
    return 0;
}
