#pragma once
// The XML of WebDAV and CalDAV: the multistatus answers read with the
// system's XmlLite (names matched by namespace, never by prefix: servers
// choose their own), and the request bodies we send.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orbelle::sync {

// The properties of one resource we ask for; only those the server gave
// with a 2xx status are filled.
struct DavProps {
    bool collection = false;
    bool calendar = false;
    std::optional<std::string> display_name;
    std::optional<std::vector<std::string>> components;  // supported-calendar-component-set, e.g. "VEVENT"
    std::optional<std::string> ctag;                      // CalendarServer's getctag
    std::optional<std::string> sync_token;
    std::optional<std::string> etag;                      // exactly as sent
    std::optional<std::string> content_type;
    std::optional<std::string> calendar_data;
    std::optional<std::string> current_user_principal;    // href as sent
    std::optional<std::string> calendar_home_set;         // href as sent
};

struct DavResponse {
    std::string href;  // absolute, resolved against the request's URL
    int status = 0;    // the response's own status; 0 when it has only propstats
    DavProps props;
};

struct Multistatus {
    std::vector<DavResponse> responses;
    std::string sync_token;  // a sync-collection answer's new token
};

// Throws DavError(kBadAnswer) for text that is not a multistatus.
Multistatus ParseMultistatus(std::string_view xml, const std::string& request_url);

// The names of the conditions in a DAV:error body ("valid-sync-token",
// "no-uid-conflict"...); empty when the body is none.
std::vector<std::string> ErrorConditions(std::string_view xml);

// "HTTP/1.1 404 Not Found" -> 404; 0 when unreadable.
int StatusOfLine(std::string_view line);

enum class PropfindKind {
    kPrincipal,  // current-user-principal and what tells a calendar
    kHomeSet,    // calendar-home-set
    kCalendar,   // what a calendar is called and its change marks
    kToken,      // its sync token alone: the cheapest mark of a change
    kMembers,    // the ETag and type of each member
};
std::string PropfindBody(PropfindKind kind);
std::string SyncCollectionBody(const std::string& token);
// `hrefs`: as the server wants them in the body (paths).
std::string MultigetBody(const std::vector<std::string>& hrefs);

std::string XmlEscape(std::string_view text);

}  // namespace orbelle::sync
