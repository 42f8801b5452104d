#pragma once
// HTTP for the calendar server through WinHTTP: one session per account,
// redirects handed back to the caller (so Wine and Windows behave alike),
// Basic credentials sent only to the account's own origin.
#include <exception>
#include <string>
#include <utility>
#include <vector>

namespace orbelle::sync {

// What went wrong talking to the server, in words the user can act on.
struct DavError : std::exception {
    enum Kind { kNetwork, kTimeout, kCertificate, kAuth, kServer, kRefused, kBadAnswer };
    DavError(Kind kind_in, int status_in, std::string message_in)
        : kind(kind_in), status(status_in), message(std::move(message_in)) {}
    const char* what() const noexcept override { return message.c_str(); }

    Kind kind;
    int status;  // the HTTP status when there was one, else 0
    std::string message;
};

// The connection was made and then lost before the whole answer came.
struct ConnectionDropped : DavError {
    explicit ConnectionDropped(std::string message);
};

struct HttpAnswer {
    int status = 0;
    std::string etag;  // exactly as sent, quotes and W/ kept
    std::string location;
    std::string content_type;
    std::string body;
};

using HttpHeaders = std::vector<std::pair<std::string, std::string>>;

class HttpClient {
public:
    // `origin_url`: the account's address; only requests to its scheme, host
    // and port carry the credentials. `pinned_sha256`: hex fingerprint of a
    // server certificate to accept although the system does not trust it.
    HttpClient(const std::string& origin_url, std::string user, std::string password,
               std::string pinned_sha256 = {});
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    // One request, no redirect followed. Throws DavError for a transport or
    // certificate failure; any HTTP status is an answer.
    HttpAnswer Request(const std::string& method, const std::string& url, const HttpHeaders& headers,
                       const std::string& body);

private:
    HttpAnswer Exchange(const std::string& method, const std::string& url, const HttpHeaders& headers,
                        const std::string& body);

    void* session_ = nullptr;
    std::string origin_;
    std::string authorization_;
    std::string pinned_sha256_;
};

// "scheme://host:port" of a URL, lower-cased, with the scheme's port made explicit.
std::string OriginOf(const std::string& url);

// `reference` (an href or a Location) made absolute against `base`.
std::string ResolveUrl(const std::string& base, const std::string& reference);

}  // namespace orbelle::sync
