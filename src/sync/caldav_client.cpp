#include "sync/caldav_client.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "sync/content_hash.h"

namespace orbelle::sync {

namespace {

constexpr int kMostRedirects = 5;
constexpr size_t kMultigetBatch = 100;
// Each 507 round gives the rest of the changes; a server that never ends
// them is not waited for forever.
constexpr int kMostSyncRounds = 1000;
const HttpHeaders kXml = {{"Content-Type", "application/xml; charset=utf-8"}};

HttpHeaders WithDepth(int depth) {
    HttpHeaders headers = kXml;
    headers.emplace_back("Depth", std::to_string(depth));
    return headers;
}

// The path of an absolute URL, which is how an href goes into a request body.
std::string PathOf(const std::string& url) {
    size_t scheme = url.find("://");
    if (scheme == std::string::npos) return url;
    size_t path = url.find('/', scheme + 3);
    return path == std::string::npos ? "/" : url.substr(path);
}

std::string WithoutTrailingSlash(std::string url) {
    while (url.size() > 1 && url.back() == '/') url.pop_back();
    return url;
}

bool SameResource(const std::string& a, const std::string& b) {
    return WithoutTrailingSlash(a) == WithoutTrailingSlash(b);
}

std::string AsCollection(std::string url) {
    if (url.empty() || url.back() != '/') url += '/';
    return url;
}

bool HasEvents(const DavProps& props) {
    if (!props.components) return true;  // a server that does not say holds any kind
    return std::find(props.components->begin(), props.components->end(), "VEVENT") != props.components->end();
}

CalendarInfo InfoOf(const DavResponse& response) {
    CalendarInfo info;
    info.url = response.href;
    info.name = response.props.display_name.value_or("");
    if (info.name.empty()) {
        std::string path = WithoutTrailingSlash(PathOf(response.href));
        info.name = path.substr(path.rfind('/') + 1);
    }
    info.ctag = response.props.ctag.value_or("");
    info.token = response.props.sync_token.value_or("");
    return info;
}

std::string StatusText(int status) {
    return "the server answered " + std::to_string(status);
}

// A member that is not an event (a task, a note) by its content type's
// component parameter, when the server gives one.
bool NotAnEvent(const DavProps& props) {
    if (!props.content_type) return false;
    std::string type = *props.content_type;
    std::transform(type.begin(), type.end(), type.begin(), [](unsigned char c) { return std::tolower(c); });
    size_t component = type.find("component=");
    return component != std::string::npos && type.compare(component + 10, 6, "vevent") != 0;
}

}  // namespace

std::string ItemName(std::string_view uid) {
    constexpr size_t kLongest = 120;
    bool plain = !uid.empty() && uid.size() <= kLongest && uid.front() != '.';
    for (char c : uid) {
        bool safe = std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == '.' || c == '@';
        plain = plain && safe;
    }
    if (plain) return std::string(uid) + ".ics";
    return Sha256Hex(uid) + ".ics";
}

CalDavClient::CalDavClient(Account account)
    : account_(std::move(account)), http_(account_.url, account_.user, account_.password, account_.pinned_sha256) {}

HttpAnswer CalDavClient::Send(const std::string& method, std::string url, HttpHeaders headers,
                              const std::string& body, bool keep_5xx) {
    for (int redirects = 0;; ++redirects) {
        HttpAnswer answer = http_.Request(method, url, headers, body);
        bool redirect = answer.status == 301 || answer.status == 302 || answer.status == 303 ||
                        answer.status == 307 || answer.status == 308;
        if (redirect && !answer.location.empty() && redirects < kMostRedirects) {
            url = ResolveUrl(url, answer.location);
            continue;
        }
        if (answer.status == 401) {
            throw DavError(DavError::kAuth, 401, "the server did not accept the user name and password");
        }
        if (answer.status >= 500 && !keep_5xx) {
            throw DavError(DavError::kServer, answer.status, "the server failed (" + StatusText(answer.status) + ")");
        }
        return answer;
    }
}

Multistatus CalDavClient::Propfind(const std::string& url, int depth, PropfindKind kind) {
    HttpAnswer answer = Send("PROPFIND", url, WithDepth(depth), PropfindBody(kind));
    if (answer.status == 404) throw DavError(DavError::kRefused, 404, "there is nothing at " + url);
    if (answer.status == 403) throw DavError(DavError::kRefused, 403, "the server does not let this user read " + url);
    if (answer.status != 207) throw DavError(DavError::kBadAnswer, answer.status, StatusText(answer.status) + " for " + url);
    return ParseMultistatus(answer.body, url);
}

std::vector<CalendarInfo> CalDavClient::FindCalendars() {
    const std::string start = account_.url;
    Multistatus first = Propfind(start, 0, PropfindKind::kPrincipal);
    for (const DavResponse& response : first.responses) {
        if (response.props.calendar && SameResource(response.href, start)) return {InfoOf(response)};
    }
    std::string principal;
    if (!first.responses.empty() && first.responses.front().props.current_user_principal) {
        principal = ResolveUrl(start, *first.responses.front().props.current_user_principal);
    } else {
        // The address names only the server: ask its well-known address.
        std::string well_known = ResolveUrl(start, "/.well-known/caldav");
        Multistatus known = Propfind(well_known, 0, PropfindKind::kPrincipal);
        if (!known.responses.empty() && known.responses.front().props.current_user_principal) {
            principal = ResolveUrl(well_known, *known.responses.front().props.current_user_principal);
        }
    }
    std::string home = start;
    if (!principal.empty()) {
        Multistatus homes = Propfind(principal, 0, PropfindKind::kHomeSet);
        if (!homes.responses.empty() && homes.responses.front().props.calendar_home_set) {
            home = ResolveUrl(principal, *homes.responses.front().props.calendar_home_set);
        }
    }
    std::vector<CalendarInfo> calendars;
    for (const DavResponse& response : Propfind(AsCollection(home), 1, PropfindKind::kCalendar).responses) {
        if (response.props.calendar && HasEvents(response.props)) calendars.push_back(InfoOf(response));
    }
    return calendars;
}

CalendarInfo CalDavClient::State(const std::string& calendar_url) {
    // The token alone where the server keeps one: a server may read every
    // item for each mark it is asked for (Radicale does, for both).
    for (PropfindKind kind : {PropfindKind::kToken, PropfindKind::kCalendar}) {
        Multistatus state = Propfind(calendar_url, 0, kind);
        for (const DavResponse& response : state.responses) {
            if (!SameResource(response.href, calendar_url)) continue;
            CalendarInfo info = InfoOf(response);
            info.url = calendar_url;
            if (kind == PropfindKind::kCalendar || !info.token.empty()) return info;
        }
    }
    throw DavError(DavError::kBadAnswer, 207, "the server did not describe the calendar " + calendar_url);
}

std::optional<Changes> CalDavClient::SyncCollection(const std::string& calendar_url, const std::string& token) {
    Changes changes;
    std::map<std::string, size_t> changed_at;
    std::map<std::string, bool> deleted;
    std::string current = token;
    for (int round = 0; round < kMostSyncRounds; ++round) {
        HttpAnswer answer = Send("REPORT", calendar_url, WithDepth(0), SyncCollectionBody(current), true);
        if (answer.status >= 500) {
            // Xandikos fails with a 500 on a token it does not know.
            if (!current.empty() && answer.status == 500) return std::nullopt;
            throw DavError(DavError::kServer, answer.status, "the server failed (" + StatusText(answer.status) + ")");
        }
        if (answer.status >= 400) return std::nullopt;
        if (answer.status != 207) throw DavError(DavError::kBadAnswer, answer.status, StatusText(answer.status));
        Multistatus reply = ParseMultistatus(answer.body, calendar_url);
        bool truncated = false;
        for (DavResponse& response : reply.responses) {
            if (SameResource(response.href, calendar_url)) {
                truncated = truncated || response.status == 507;
                continue;
            }
            if (response.href.back() == '/') continue;
            if (response.status == 404) {
                deleted[response.href] = true;
                auto at = changed_at.find(response.href);
                if (at != changed_at.end()) {
                    changes.changed[at->second].href.clear();
                    changed_at.erase(at);
                }
                continue;
            }
            deleted.erase(response.href);
            std::string etag = response.props.etag.value_or("");
            auto at = changed_at.find(response.href);
            if (at != changed_at.end()) {
                changes.changed[at->second].etag = etag;
            } else {
                changed_at[response.href] = changes.changed.size();
                changes.changed.push_back({response.href, etag});
            }
        }
        changes.token = reply.sync_token;
        if (!truncated || reply.sync_token.empty() || reply.sync_token == current) break;
        current = reply.sync_token;
    }
    std::erase_if(changes.changed, [](const Member& member) { return member.href.empty(); });
    for (const auto& [href, gone] : deleted) changes.deleted.push_back(href);
    return changes;
}

std::vector<Member> CalDavClient::ListAll(const std::string& calendar_url) {
    std::vector<Member> members;
    for (DavResponse& response : Propfind(calendar_url, 1, PropfindKind::kMembers).responses) {
        if (SameResource(response.href, calendar_url) || response.props.collection) continue;
        if (response.status == 404 || NotAnEvent(response.props)) continue;
        members.push_back({response.href, response.props.etag.value_or("")});
    }
    return members;
}

std::vector<Fetched> CalDavClient::Multiget(const std::string& calendar_url, const std::vector<std::string>& hrefs) {
    std::vector<Fetched> items;
    for (size_t from = 0; from < hrefs.size(); from += kMultigetBatch) {
        std::vector<std::string> paths;
        for (size_t i = from; i < std::min(hrefs.size(), from + kMultigetBatch); ++i) paths.push_back(PathOf(hrefs[i]));
        HttpAnswer answer = Send("REPORT", calendar_url, WithDepth(1), MultigetBody(paths));
        if (answer.status != 207) {
            throw DavError(DavError::kBadAnswer, answer.status, StatusText(answer.status) + " to a request for items");
        }
        for (DavResponse& response : ParseMultistatus(answer.body, calendar_url).responses) {
            Fetched item;
            item.href = response.href;
            item.etag = response.props.etag.value_or("");
            if (response.props.calendar_data) {
                item.text = std::move(*response.props.calendar_data);
                item.status = 200;
            } else {
                item.status = response.status ? response.status : 404;
            }
            items.push_back(std::move(item));
        }
    }
    return items;
}

PutAnswer CalDavClient::Put(const std::string& href, const std::string& text, const HttpHeaders& condition) {
    HttpHeaders headers = {{"Content-Type", "text/calendar; charset=utf-8"}};
    headers.insert(headers.end(), condition.begin(), condition.end());
    HttpAnswer answer = Send("PUT", href, headers, text);
    if (answer.status == 207) {
        // Xandikos tells of a UID taken by another item in a multistatus.
        bool uid_taken = answer.body.find("no-uid-conflict") != std::string::npos;
        return {uid_taken ? 409 : 400, {}};
    }
    return {answer.status, answer.etag};
}

PutAnswer CalDavClient::Create(const std::string& calendar_url, const std::string& uid, const std::string& text,
                               std::string& href_out) {
    href_out = AsCollection(calendar_url) + ItemName(uid);
    return Put(href_out, text, {{"If-None-Match", "*"}});
}

PutAnswer CalDavClient::Update(const std::string& href, const std::string& etag, const std::string& text) {
    return Put(href, text, {{"If-Match", etag}});
}

int CalDavClient::Delete(const std::string& href, const std::string& etag) {
    HttpHeaders headers;
    if (!etag.empty()) headers.emplace_back("If-Match", etag);
    return Send("DELETE", href, headers, {}).status;
}

}  // namespace orbelle::sync
