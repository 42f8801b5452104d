// The CalDAV client against the two real servers scripts/sync-servers starts
// (Radicale and Xandikos on loopback), each test in a calendar of its own;
// and the discovery answers both servers gave, recorded in fixtures/.
#include <winsock2.h>
#include <windows.h>
#include <wincred.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "sync/caldav_client.h"
#include "sync/credentials.h"
#include "sync/dav_xml.h"
#include "sync/http_client.h"
#include "sync_servers.h"

namespace orbelle::sync {
namespace {

std::string EventText(const std::string& uid, const std::string& summary, const std::string& extra = {}) {
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Orbelle tests//EN\r\nBEGIN:VEVENT\r\nUID:" + uid +
           "\r\nDTSTAMP:20261211T080000Z\r\nDTSTART:20261212T090000Z\r\nDTEND:20261212T100000Z\r\nSUMMARY:" + summary +
           "\r\n" + extra + "END:VEVENT\r\nEND:VCALENDAR\r\n";
}

class SyncClientTest : public ServerCalendarTest {
protected:
    std::string Create(CalDavClient& client, const std::string& uid, const std::string& summary,
                       std::string* etag = nullptr) {
        std::string href;
        PutAnswer answer = client.Create(calendar_, uid, EventText(uid, summary), href);
        EXPECT_EQ(answer.status, 201) << uid;
        EXPECT_FALSE(answer.etag.empty());
        if (etag) *etag = answer.etag;
        return href;
    }
};

TEST_P(SyncClientTest, FindsTheCalendarsFromTheServerAndFromACalendarAddress) {
    struct Start {
        const char* what;
        std::string url;
    };
    for (const Start& start : {Start{"server root", root_}, Start{"well-known address", root_ + ".well-known/caldav"}}) {
        SCOPED_TRACE(start.what);
        Account account = account_;
        account.url = start.url;
        std::vector<CalendarInfo> calendars = CalDavClient(account).FindCalendars();
        auto ours = std::find_if(calendars.begin(), calendars.end(),
                                 [&](const CalendarInfo& info) { return info.url == calendar_; });
        ASSERT_NE(ours, calendars.end());
        EXPECT_EQ(ours->name, name_);
        EXPECT_FALSE(ours->token.empty());
        EXPECT_FALSE(ours->ctag.empty());
    }
    Account direct = account_;
    direct.url = calendar_;
    std::vector<CalendarInfo> calendars = CalDavClient(direct).FindCalendars();
    ASSERT_EQ(calendars.size(), 1u);
    EXPECT_EQ(calendars[0].url, calendar_);
    EXPECT_EQ(calendars[0].name, name_);
}

TEST_P(SyncClientTest, ARepeatedCreateOrAStaleWriteIsRefusedAndMakesNoCopy) {
    CalDavClient client(account_);
    // A UID that cannot be a path as it is gets a name of its own, the same each time.
    for (std::string uid : {UniqueName("plain-") + "@orbelle", UniqueName("slash/and space?")}) {
        SCOPED_TRACE(uid);
        std::string etag;
        std::string href = Create(client, uid, "First", &etag);
        std::string again;
        EXPECT_EQ(client.Create(calendar_, uid, EventText(uid, "Second"), again).status, 412);
        EXPECT_EQ(again, href);

        EXPECT_EQ(client.Update(href, "\"not-the-etag\"", EventText(uid, "Stale")).status, 412);
        PutAnswer updated = client.Update(href, etag, EventText(uid, "Edited"));
        EXPECT_TRUE(updated.status == 204 || updated.status == 201 || updated.status == 200) << updated.status;
        EXPECT_NE(updated.etag, etag);
    }
    // The same UID under another name: each server says so its own way.
    std::string taken = UniqueName("taken-");
    Create(client, taken, "Taken");
    std::string elsewhere;
    EXPECT_EQ(client.Create(calendar_, UniqueName("elsewhere-"), EventText(taken, "Copy"), elsewhere).status, 409);

    std::vector<Member> members = client.ListAll(calendar_);
    EXPECT_EQ(members.size(), 3u);
    std::vector<std::string> hrefs;
    for (const Member& member : members) hrefs.push_back(member.href);
    for (const Fetched& item : client.Multiget(calendar_, hrefs)) {
        bool edited = item.text.find("SUMMARY:Edited") != std::string::npos;
        EXPECT_TRUE(edited || item.text.find("SUMMARY:Taken") != std::string::npos) << item.text;
    }
}

TEST_P(SyncClientTest, SyncCollectionTellsWhatChangedSinceAToken) {
    CalDavClient client(account_);
    std::optional<Changes> first = client.SyncCollection(calendar_, "");
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->changed.empty());
    EXPECT_TRUE(first->deleted.empty());

    std::string etag;
    std::string kept = Create(client, UniqueName("kept-"), "Kept");
    std::string href = Create(client, UniqueName("changing-"), "Before", &etag);
    std::optional<Changes> created = client.SyncCollection(calendar_, first->token);
    ASSERT_TRUE(created);
    EXPECT_EQ(created->changed.size(), 2u);
    EXPECT_NE(created->token, first->token);

    std::string uid = client.Multiget(calendar_, {href})[0].text;
    uid = uid.substr(uid.find("UID:") + 4);
    uid = uid.substr(0, uid.find_first_of("\r\n"));
    PutAnswer edit = client.Update(href, etag, EventText(uid, "After"));
    std::optional<Changes> edited = client.SyncCollection(calendar_, created->token);
    ASSERT_TRUE(edited);
    ASSERT_EQ(edited->changed.size(), 1u);
    EXPECT_EQ(edited->changed[0].href, href);
    EXPECT_EQ(edited->changed[0].etag, edit.etag);
    EXPECT_TRUE(edited->deleted.empty());

    EXPECT_LT(client.Delete(href, edit.etag), 300);
    std::optional<Changes> deleted = client.SyncCollection(calendar_, edited->token);
    ASSERT_TRUE(deleted);
    EXPECT_TRUE(deleted->changed.empty());
    EXPECT_EQ(deleted->deleted, std::vector<std::string>{href});

    std::optional<Changes> quiet = client.SyncCollection(calendar_, deleted->token);
    ASSERT_TRUE(quiet);
    EXPECT_TRUE(quiet->changed.empty());
    EXPECT_TRUE(quiet->deleted.empty());
    EXPECT_EQ(client.State(calendar_).token, deleted->token);
}

TEST_P(SyncClientTest, ATokenTheServerDoesNotKnowAsksForTheFullListing) {
    CalDavClient client(account_);
    Create(client, UniqueName("any-"), "Any");
    // A token in the server's own form that it never gave.
    std::string token = client.State(calendar_).token;
    ASSERT_GT(token.size(), 8u);
    token.replace(token.size() - 8, 8, "00000000");
    EXPECT_FALSE(client.SyncCollection(calendar_, token));
    EXPECT_EQ(client.ListAll(calendar_).size(), 1u);
}

TEST_P(SyncClientTest, MultigetFetchesInBatchesAndTellsOfItemsGone) {
    CalDavClient client(account_);
    std::string one = Create(client, "one-" + UniqueName(""), "One");
    std::string two = Create(client, "two-" + UniqueName(""), "Two");
    // More hrefs than one batch holds; all but two name nothing.
    std::vector<std::string> hrefs;
    for (int i = 0; i < 150; ++i) hrefs.push_back(calendar_ + "missing-" + std::to_string(i) + ".ics");
    hrefs.insert(hrefs.begin() + 60, one);
    hrefs.push_back(two);
    std::vector<Fetched> items = client.Multiget(calendar_, hrefs);
    EXPECT_EQ(items.size(), hrefs.size());
    int found = 0;
    for (const Fetched& item : items) {
        if (item.href == one || item.href == two) {
            ++found;
            EXPECT_EQ(item.status, 200);
            EXPECT_FALSE(item.etag.empty());
            EXPECT_NE(item.text.find(item.href == one ? "SUMMARY:One" : "SUMMARY:Two"), std::string::npos);
        } else {
            EXPECT_EQ(item.status, 404) << item.href;
            EXPECT_TRUE(item.text.empty());
        }
    }
    EXPECT_EQ(found, 2);
}

TEST_P(SyncClientTest, DeleteNeedsTheCurrentETag) {
    CalDavClient client(account_);
    std::string etag;
    std::string href = Create(client, UniqueName("gone-"), "Gone", &etag);
    EXPECT_EQ(client.Delete(href, "\"stale\""), 412);
    int status = client.Delete(href, etag);
    EXPECT_TRUE(status == 200 || status == 204) << status;
    EXPECT_EQ(client.Delete(href, etag), 404);
    EXPECT_TRUE(client.ListAll(calendar_).empty());
}

TEST_P(SyncClientTest, TheServerKeepsBothFormsOfAnAlarmAcknowledgement) {
    CalDavClient client(account_);
    std::string uid = UniqueName("ack-");
    std::string alarm =
        "X-MOZ-LASTACK:20261212T085000Z\r\nBEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:Acked\r\n"
        "TRIGGER:-PT15M\r\nACKNOWLEDGED:20261212T085000Z\r\nEND:VALARM\r\n";
    std::string href;
    ASSERT_EQ(client.Create(calendar_, uid, EventText(uid, "Acked", alarm), href).status, 201);
    std::vector<Fetched> items = client.Multiget(calendar_, {href});
    ASSERT_EQ(items.size(), 1u);
    const std::string& text = items[0].text;
    EXPECT_NE(text.find("X-MOZ-LASTACK:20261212T085000Z"), std::string::npos) << text;
    size_t alarm_at = text.find("BEGIN:VALARM");
    ASSERT_NE(alarm_at, std::string::npos) << text;
    size_t ack_at = text.find("ACKNOWLEDGED:20261212T085000Z", alarm_at);
    EXPECT_TRUE(ack_at != std::string::npos && ack_at < text.find("END:VALARM")) << text;
}

INSTANTIATE_TEST_SUITE_P(Servers, SyncClientTest, ::testing::ValuesIn(kServers),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SyncClientRadicale, AWrongPasswordOrAnotherUsersCalendarIsRefused) {
    std::string root = Env("ORBELLE_RADICALE_URL");
    REQUIRE_SERVER(root);
    std::string user = Env("ORBELLE_RADICALE_USER");
    std::string calendar = root + user + "/personal/";
    try {
        CalDavClient({root, user, "not-" + Env("ORBELLE_RADICALE_PASSWORD"), {}}).FindCalendars();
        ADD_FAILURE() << "a wrong password was accepted";
    } catch (const DavError& error) {
        EXPECT_EQ(error.kind, DavError::kAuth);
        EXPECT_EQ(error.status, 401);
    }
    CalDavClient other({root, Env("ORBELLE_RADICALE_USER2"), Env("ORBELLE_RADICALE_PASSWORD2"), {}});
    try {
        other.State(calendar);
        ADD_FAILURE() << "another user read " << calendar;
    } catch (const DavError& error) {
        EXPECT_EQ(error.kind, DavError::kRefused) << error.message;
    }
}

TEST(SyncClientRadicale, ASelfSignedCertificateIsAcceptedOnlyWhenPinned) {
    std::string root = Env("ORBELLE_RADICALE_TLS_URL");
    REQUIRE_SERVER(root);
    std::string pin = Env("ORBELLE_RADICALE_TLS_SHA256");
    std::string colons;  // as a certificate viewer shows it
    for (size_t i = 0; i < pin.size(); i += 2) colons += (i ? ":" : "") + pin.substr(i, 2);
    std::transform(colons.begin(), colons.end(), colons.begin(), ::toupper);
    std::string wrong = pin;
    wrong[0] = wrong[0] == '0' ? '1' : '0';
    struct Case {
        const char* what;
        std::string pin;
        bool accepted;
    };
    for (const Case& c : {Case{"no pin", "", false}, Case{"another certificate's pin", wrong, false},
                          Case{"its pin", pin, true}, Case{"its pin, with colons", colons, true}}) {
        SCOPED_TRACE(c.what);
        CalDavClient client({root, Env("ORBELLE_RADICALE_USER"), Env("ORBELLE_RADICALE_PASSWORD"), c.pin});
        try {
            client.FindCalendars();
            EXPECT_TRUE(c.accepted);
        } catch (const DavError& error) {
            EXPECT_FALSE(c.accepted) << error.message;
            EXPECT_EQ(error.kind, DavError::kCertificate) << error.message;
            EXPECT_NE(error.message.find("127.0.0.1"), std::string::npos) << error.message;
        }
    }
}

TEST(SyncClient, AServerThatIsGoneIsANetworkError) {
    // A loopback port just freed: nothing listens there.
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof address;
    bind(probe, reinterpret_cast<sockaddr*>(&address), size);
    getsockname(probe, reinterpret_cast<sockaddr*>(&address), &size);
    closesocket(probe);
    WSACleanup();
    std::string url = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/cal/";
    try {
        CalDavClient({url, "alice", "secret", {}}).State(url);
        ADD_FAILURE() << "an answer from nowhere";
    } catch (const DavError& error) {
        EXPECT_EQ(error.kind, DavError::kNetwork) << error.message;
        EXPECT_NE(error.message.find("127.0.0.1"), std::string::npos) << error.message;
    }
}

std::string Fixture(const std::string& name) {
    std::ifstream file(std::string(ORBELLE_SYNC_FIXTURES) + "/" + name, std::ios::binary);
    EXPECT_TRUE(file) << name;
    return std::string(std::istreambuf_iterator<char>(file), {});
}

TEST(SyncDavXml, ReadsTheDiscoveryAnswersOfBothServers) {
    struct Case {
        const char* server;
        std::string principal, home, calendar_url, calendar_name;
        std::vector<std::string> components;
    };
    const Case cases[] = {
        {"radicale", "/alice/", "/alice/", "http://h:1/alice/personal/", "Personal", {"VTODO", "VEVENT", "VJOURNAL"}},
        {"xandikos", "/user/", "/user/calendars/", "http://h:1/user/calendars/calendar/", "calendar",
         {"VEVENT", "VTODO", "VJOURNAL", "VFREEBUSY"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.server);
        std::string server = c.server;
        Multistatus principal = ParseMultistatus(Fixture(server + "-principal.xml"), "http://h:1/");
        ASSERT_EQ(principal.responses.size(), 1u);
        EXPECT_EQ(principal.responses[0].href, "http://h:1/");
        EXPECT_EQ(principal.responses[0].props.current_user_principal, c.principal);

        Multistatus home = ParseMultistatus(Fixture(server + "-home-set.xml"), "http://h:1" + c.principal);
        ASSERT_EQ(home.responses.size(), 1u);
        EXPECT_EQ(home.responses[0].props.calendar_home_set, c.home);

        Multistatus listing = ParseMultistatus(Fixture(server + "-calendars.xml"), "http://h:1" + c.home);
        ASSERT_EQ(listing.responses.size(), 2u);
        const DavResponse& parent = listing.responses[0];
        EXPECT_TRUE(parent.props.collection);
        EXPECT_FALSE(parent.props.calendar);
        // Asked for but not found: a 404 propstat gives nothing.
        EXPECT_FALSE(parent.props.components);
        const DavResponse& calendar = listing.responses[1];
        EXPECT_EQ(calendar.href, c.calendar_url);
        EXPECT_TRUE(calendar.props.collection && calendar.props.calendar);
        EXPECT_EQ(calendar.props.display_name, c.calendar_name);
        EXPECT_EQ(calendar.props.components, c.components);
        EXPECT_TRUE(calendar.props.ctag && !calendar.props.ctag->empty());
        EXPECT_TRUE(calendar.props.sync_token && !calendar.props.sync_token->empty());
    }
}

TEST(SyncDavXml, ReadsErrorConditionsAndRefusesWhatIsNotAMultistatus) {
    EXPECT_EQ(ErrorConditions(Fixture("radicale-invalid-token.xml")), std::vector<std::string>{"valid-sync-token"});
    EXPECT_TRUE(ErrorConditions("500 Internal Server Error").empty());
    for (const char* text : {"", "<html><body>Not here</body></html>", "<d:multistatus xmlns:d=\"DAV:\"><d:response>"}) {
        SCOPED_TRACE(text);
        EXPECT_THROW(ParseMultistatus(text, "http://h/"), DavError);
    }
}

// A server with more changes than it gives at once marks the calendar's
// own response 507 and gives the token to go on from.
TEST(SyncDavXml, ReadsASyncCollectionAnswerCutShortByTheServer) {
    const Multistatus reply = ParseMultistatus(
        "<?xml version=\"1.0\"?><multistatus xmlns=\"DAV:\"><response><href>/alice/cal/a%40b.ics</href><propstat>"
        "<prop><getetag>\"e1\"</getetag></prop><status>HTTP/1.1 200 OK</status></propstat></response>"
        "<response><href>/alice/cal/gone.ics</href><status>HTTP/1.1 404 Not Found</status></response>"
        "<response><href>/alice/cal/</href><status>HTTP/1.1 507 Insufficient Storage</status></response>"
        "<sync-token>http://h/sync/7</sync-token></multistatus>",
        "http://h:1/alice/cal/");
    ASSERT_EQ(reply.responses.size(), 3u);
    EXPECT_EQ(reply.responses[0].href, "http://h:1/alice/cal/a%40b.ics");
    EXPECT_EQ(reply.responses[0].props.etag, "\"e1\"");
    EXPECT_EQ(reply.responses[1].status, 404);
    EXPECT_EQ(reply.responses[2].href, "http://h:1/alice/cal/");
    EXPECT_EQ(reply.responses[2].status, 507);
    EXPECT_EQ(reply.sync_token, "http://h/sync/7");
}

TEST(SyncClient, ItemNamesArePlainForPlainUidsAndDistinctOtherwise) {
    EXPECT_EQ(ItemName("0123abcd@orbelle"), "0123abcd@orbelle.ics");
    std::string slash = ItemName("a/b");
    std::string space = ItemName("a b");
    EXPECT_EQ(slash.size(), 64u + 4u);
    EXPECT_NE(slash, space);
    EXPECT_EQ(slash, ItemName("a/b"));
    EXPECT_EQ(ItemName("..").size(), 68u);
}

TEST(SyncCredentials, ThePasswordIsKeptByWindowsUnderOurNameAndForgotten) {
    std::string url = "http://127.0.0.1:1/" + UniqueName("cred-") + "/";
    EXPECT_FALSE(ReadPassword(url));
    ASSERT_TRUE(StorePassword(url, "alice", "pässword with ü"));
    std::string user;
    EXPECT_EQ(ReadPassword(url, &user), "pässword with ü");
    EXPECT_EQ(user, "alice");
    PCREDENTIALW kept = nullptr;
    ASSERT_TRUE(CredReadW(CredentialTarget(url).c_str(), CRED_TYPE_GENERIC, 0, &kept));
    EXPECT_EQ(std::wstring(kept->TargetName), L"Orbelle Calendar Sync:" + std::wstring(url.begin(), url.end()));
    CredFree(kept);
    ForgetPassword(url);
    EXPECT_FALSE(ReadPassword(url));
}

}  // namespace
}  // namespace orbelle::sync
