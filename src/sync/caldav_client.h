#pragma once
// One CalDAV account: finding its calendars, reading what changed in one,
// and writing items with the preconditions that keep a repeated or late
// write from making a copy or undoing another device's edit.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sync/dav_xml.h"
#include "sync/http_client.h"

namespace orbelle::sync {

struct Account {
    std::string url;
    std::string user;
    std::string password;
    std::string pinned_sha256;
};
struct CalendarInfo {
    std::string url;
    std::string name;
    std::string ctag;
    std::string token;
};
struct Member {
    std::string href;  // absolute URL
    std::string etag;
};
struct Fetched {
    std::string href;
    std::string etag;
    std::string text;
    int status = 200;
};
struct Changes {
    std::vector<Member> changed;
    std::vector<std::string> deleted;
    std::string token;
};
// 201/204 done; 412 the precondition failed (the item is there already, or
// changed since); 409 its UID is taken by another item of the calendar;
// another 4xx: the server refused this item.
struct PutAnswer {
    int status;
    std::string etag;
};

class CalDavClient {
public:
    explicit CalDavClient(Account account);

    // RFC 6764 and 4791 discovery from the account's address; an address
    // that names a calendar gives that calendar.
    std::vector<CalendarInfo> FindCalendars();
    // PROPFIND Depth 0: the sync token alone where the server has one;
    // otherwise name and ctag too.
    CalendarInfo State(const std::string& calendar_url);
    // What changed since `token` (everything for an empty one). Nullopt when
    // the server has no sync-collection or refuses the token: list all then.
    std::optional<Changes> SyncCollection(const std::string& calendar_url, const std::string& token);
    // Every event item's href and ETag (PROPFIND Depth 1).
    std::vector<Member> ListAll(const std::string& calendar_url);
    // calendar-multiget in batches; an item gone meanwhile comes back with
    // its status (404) and no text.
    std::vector<Fetched> Multiget(const std::string& calendar_url, const std::vector<std::string>& hrefs);
    // PUT to {calendar}/{ItemName(uid)} with If-None-Match: *.
    PutAnswer Create(const std::string& calendar_url, const std::string& uid, const std::string& text,
                     std::string& href_out);
    // PUT with If-Match: `etag`.
    PutAnswer Update(const std::string& href, const std::string& etag, const std::string& text);
    // 204/200 done, 404 gone already, 412 changed since `etag`.
    int Delete(const std::string& href, const std::string& etag);

private:
    // One request, following redirects ourselves (a few at most); a 401
    // becomes DavError(kAuth), a 5xx DavError(kServer) unless `keep_5xx`.
    HttpAnswer Send(const std::string& method, std::string url, HttpHeaders headers, const std::string& body,
                    bool keep_5xx = false);
    Multistatus Propfind(const std::string& url, int depth, PropfindKind kind);
    PutAnswer Put(const std::string& href, const std::string& text, const HttpHeaders& condition);

    Account account_;
    HttpClient http_;
};

// The item's name in its calendar: "{uid}.ics", or, when the UID holds what
// a URL path cannot carry plainly, a name made from the UID's hash.
std::string ItemName(std::string_view uid);

}  // namespace orbelle::sync
