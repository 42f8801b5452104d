#pragma once
// The calendar servers the sync tests run against: scripts/sync-servers
// starts Radicale and Xandikos on loopback and sets their addresses in the
// environment. Each test gets a calendar of its own, deleted at its end.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ostream>
#include <random>
#include <sstream>
#include <string>

#include "sync/caldav_client.h"
#include "sync/http_client.h"

namespace orbelle::sync {

inline std::string Env(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    return value ? value : "";
}

struct Server {
    const char* name;
    const char* variable;  // ORBELLE_{variable}_URL, _USER, _PASSWORD
    const char* home;      // where the user's calendars are, below the URL
};

inline void PrintTo(const Server& server, std::ostream* out) { *out << server.name; }

inline const Server kServers[] = {
    {"Radicale", "RADICALE", "alice/"},
    {"Xandikos", "XANDIKOS", "user/calendars/"},
};

inline std::string UniqueName(const std::string& prefix) {
    static std::mt19937_64 random{std::random_device{}()};
    std::ostringstream name;
    name << prefix << std::hex << random();
    return name.str();
}

// A server from the environment the test command sets. Without it a plain
// developer run skips; the test command (ORBELLE_SYNC_SERVERS_REQUIRED) fails.
#define REQUIRE_SERVER(url)                                                                      \
    do {                                                                                         \
        if ((url).empty()) {                                                                     \
            if (!::orbelle::sync::Env("ORBELLE_SYNC_SERVERS_REQUIRED").empty())                  \
                FAIL() << "no test server running";                                              \
            GTEST_SKIP() << "no test server: start them with scripts/sync-servers start";        \
        }                                                                                        \
    } while (0)

// The account of the server the environment names (its url empty when none runs).
inline Account ServerAccount(const Server& server) {
    const std::string prefix = std::string("ORBELLE_") + server.variable;
    return {Env(prefix + "_URL"), Env(prefix + "_USER"), Env(prefix + "_PASSWORD"), {}};
}

// MKCALENDAR's status: 201 when made.
inline int MakeCalendar(const Account& account, const std::string& url, const std::string& name) {
    const std::string body =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?><c:mkcalendar xmlns:d=\"DAV:\" "
        "xmlns:c=\"urn:ietf:params:xml:ns:caldav\"><d:set><d:prop><d:displayname>" + name +
        "</d:displayname></d:prop></d:set></c:mkcalendar>";
    return HttpClient(account.url, account.user, account.password)
        .Request("MKCALENDAR", url, {{"Content-Type", "application/xml"}}, body)
        .status;
}

inline void DropCalendar(const Account& account, const std::string& url) {
    HttpClient(account.url, account.user, account.password).Request("DELETE", url, {}, {});
}

// A test over each server, in a calendar of its own.
class ServerCalendarTest : public ::testing::TestWithParam<Server> {
protected:
    void SetUp() override {
        account_ = ServerAccount(GetParam());
        root_ = account_.url;
        REQUIRE_SERVER(root_);
        calendar_ = root_ + GetParam().home + UniqueName("t") + "/";
        name_ = UniqueName("Test calendar ");
        ASSERT_EQ(MakeCalendar(account_, calendar_, name_), 201) << "making " << calendar_;
        made_ = true;
    }
    void TearDown() override {
        if (made_) DropCalendar(account_, calendar_);
    }

    std::string root_;
    Account account_;
    std::string calendar_;
    std::string name_;
    bool made_ = false;
};

}  // namespace orbelle::sync
