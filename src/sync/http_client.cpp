#include "sync/http_client.h"

#include <windows.h>
#include <wincrypt.h>
#include <winhttp.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <optional>

#include "platform/system_library.h"
#include "platform/wide.h"
#include "sync/content_hash.h"

namespace orbelle::sync {

namespace {

constexpr int kTimeoutMs = 15000;

// WinHTTP and the certificate functions, loaded at the first request rather
// than at start: a program that never syncs never maps them.
struct Network {
    decltype(&::WinHttpCloseHandle) CloseHandle = nullptr;
    decltype(&::WinHttpConnect) Connect = nullptr;
    decltype(&::WinHttpCrackUrl) CrackUrl = nullptr;
    decltype(&::WinHttpOpen) Open = nullptr;
    decltype(&::WinHttpOpenRequest) OpenRequest = nullptr;
    decltype(&::WinHttpQueryDataAvailable) QueryDataAvailable = nullptr;
    decltype(&::WinHttpQueryHeaders) QueryHeaders = nullptr;
    decltype(&::WinHttpQueryOption) QueryOption = nullptr;
    decltype(&::WinHttpReadData) ReadData = nullptr;
    decltype(&::WinHttpReceiveResponse) ReceiveResponse = nullptr;
    decltype(&::WinHttpSendRequest) SendRequest = nullptr;
    decltype(&::WinHttpSetOption) SetOption = nullptr;
    decltype(&::WinHttpSetStatusCallback) SetStatusCallback = nullptr;
    decltype(&::WinHttpSetTimeouts) SetTimeouts = nullptr;
    decltype(&::CryptBinaryToStringA) BinaryToString = nullptr;
    decltype(&::CertFreeCertificateContext) FreeCertificateContext = nullptr;
};

const Network& Net() {
    static const std::optional<Network> loaded_network = [] {
        const HMODULE winhttp = LoadSystemLibrary(L"winhttp.dll");
        const HMODULE crypt32 = LoadSystemLibrary(L"crypt32.dll");
        Network network;
        bool loaded = true;
        loaded = ResolveFunction(winhttp, "WinHttpCloseHandle", network.CloseHandle) && loaded;
        loaded = ResolveFunction(winhttp, "WinHttpConnect", network.Connect) && loaded;
        loaded = ResolveFunction(winhttp, "WinHttpCrackUrl", network.CrackUrl) && loaded;
        loaded = ResolveFunction(winhttp, "WinHttpOpen", network.Open) && loaded;
        loaded = ResolveFunction(winhttp, "WinHttpOpenRequest", network.OpenRequest) && loaded;
        loaded = ResolveFunction(winhttp, "WinHttpQueryDataAvailable", network.QueryDataAvailable) && loaded;
        loaded = ResolveFunction(winhttp, "WinHttpQueryHeaders", network.QueryHeaders) && loaded;
        loaded = ResolveFunction(winhttp, "WinHttpQueryOption", network.QueryOption) && loaded;
        loaded = ResolveFunction(winhttp, "WinHttpReadData", network.ReadData) && loaded;
        loaded = ResolveFunction(winhttp, "WinHttpReceiveResponse", network.ReceiveResponse) && loaded;
        loaded = ResolveFunction(winhttp, "WinHttpSendRequest", network.SendRequest) && loaded;
        loaded = ResolveFunction(winhttp, "WinHttpSetOption", network.SetOption) && loaded;
        loaded = ResolveFunction(winhttp, "WinHttpSetStatusCallback", network.SetStatusCallback) && loaded;
        loaded = ResolveFunction(winhttp, "WinHttpSetTimeouts", network.SetTimeouts) && loaded;
        loaded = ResolveFunction(crypt32, "CryptBinaryToStringA", network.BinaryToString) && loaded;
        loaded = ResolveFunction(crypt32, "CertFreeCertificateContext", network.FreeCertificateContext) && loaded;
        return loaded ? std::optional<Network>(network) : std::nullopt;
    }();
    if (!loaded_network) throw DavError(DavError::kNetwork, 0, "the network functions of Windows could not be loaded");
    return *loaded_network;
}

struct InternetHandle {
    HINTERNET handle = nullptr;
    ~InternetHandle() {
        if (handle) Net().CloseHandle(handle);
    }
};

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

struct UrlParts {
    bool secure = false;
    std::wstring host;
    INTERNET_PORT port = 0;
    std::wstring path;  // with the query
};

UrlParts Crack(const std::string& url) {
    std::wstring wide = Widen(url);
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwSchemeLength = parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = DWORD(-1);
    if (!Net().CrackUrl(wide.c_str(), DWORD(wide.size()), 0, &parts)) {
        throw DavError(DavError::kNetwork, 0, "\"" + url + "\" is not a server address (http://... or https://...)");
    }
    UrlParts out;
    out.secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    out.host.assign(parts.lpszHostName, parts.dwHostNameLength);
    out.port = parts.nPort;
    out.path.assign(parts.lpszUrlPath, parts.dwUrlPathLength);
    out.path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (out.path.empty()) out.path = L"/";
    return out;
}

std::string Base64(const std::string& bytes) {
    DWORD size = 0;
    const DWORD flags = CRYPT_STRING_BASE64 | CRYPT_STRING_NOCRLF;
    auto data = reinterpret_cast<const BYTE*>(bytes.data());
    Net().BinaryToString(data, DWORD(bytes.size()), flags, nullptr, &size);
    std::string out(size, '\0');
    Net().BinaryToString(data, DWORD(bytes.size()), flags, out.data(), &size);
    out.resize(size);
    return out;
}

std::string QueryHeader(HINTERNET request, DWORD which) {
    DWORD size = 0;
    Net().QueryHeaders(request, which, WINHTTP_HEADER_NAME_BY_INDEX, nullptr, &size, WINHTTP_NO_HEADER_INDEX);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0) return {};
    std::wstring value(size / sizeof(wchar_t), L'\0');
    if (!Net().QueryHeaders(request, which, WINHTTP_HEADER_NAME_BY_INDEX, value.data(), &size,
                             WINHTTP_NO_HEADER_INDEX)) {
        return {};
    }
    value.resize(size / sizeof(wchar_t));
    return Narrow(value);
}

std::string CertificateReason(DWORD flags) {
    if (flags & WINHTTP_CALLBACK_STATUS_FLAG_CERT_DATE_INVALID) return "the certificate has expired or is not yet valid";
    if (flags & WINHTTP_CALLBACK_STATUS_FLAG_CERT_CN_INVALID) return "the certificate names another host";
    if (flags & WINHTTP_CALLBACK_STATUS_FLAG_INVALID_CA) return "the certificate is not from an authority this computer trusts";
    if (flags & WINHTTP_CALLBACK_STATUS_FLAG_CERT_REVOKED) return "the certificate has been revoked";
    if (flags & WINHTTP_CALLBACK_STATUS_FLAG_CERT_WRONG_USAGE) return "the certificate is not meant for a web server";
    return "the secure connection could not be made";
}

// What the status callback learns about one request: why its certificate
// failed, and, with a pin, whether the certificate it met is the pinned one.
struct RequestWatch {
    DWORD secure_failure = 0;
    const std::string* pinned = nullptr;
    bool pin_checked = false;
    bool pin_matched = false;
};

std::string CertificateSha256(HINTERNET request) {
    PCCERT_CONTEXT certificate = nullptr;
    DWORD size = sizeof certificate;
    if (!Net().QueryOption(request, WINHTTP_OPTION_SERVER_CERT_CONTEXT, &certificate, &size) || !certificate) {
        return {};
    }
    std::string hash = Sha256Hex(
        std::string_view(reinterpret_cast<const char*>(certificate->pbCertEncoded), certificate->cbCertEncoded));
    Net().FreeCertificateContext(certificate);
    return hash;
}

void CALLBACK WatchRequest(HINTERNET request, DWORD_PTR context, DWORD status, void* info, DWORD) {
    auto* watch = reinterpret_cast<RequestWatch*>(context);
    if (!watch) return;
    if (status == WINHTTP_CALLBACK_STATUS_SECURE_FAILURE && info) {
        watch->secure_failure = *static_cast<DWORD*>(info);
    } else if (status == WINHTTP_CALLBACK_STATUS_SENDING_REQUEST && watch->pinned && !watch->pin_checked) {
        // The handshake is done and nothing of ours is sent yet: a certificate
        // other than the pinned one ends the request here.
        watch->pin_checked = true;
        watch->pin_matched = CertificateSha256(request) == *watch->pinned;
        if (!watch->pin_matched) Net().CloseHandle(request);
    }
}

std::string NormalisedFingerprint(std::string text) {
    std::string out;
    for (char c : text) {
        if (std::isxdigit(static_cast<unsigned char>(c))) out += char(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

}  // namespace

ConnectionDropped::ConnectionDropped(std::string message) : DavError(kNetwork, 0, std::move(message)) {}

std::string OriginOf(const std::string& url) {
    UrlParts parts = Crack(url);
    return std::string(parts.secure ? "https://" : "http://") + Lower(Narrow(parts.host)) + ":" +
           std::to_string(parts.port);
}

std::string ResolveUrl(const std::string& base, const std::string& reference) {
    if (reference.empty()) return base;
    size_t colon = reference.find(':');
    size_t slash = reference.find('/');
    if (colon != std::string::npos && (slash == std::string::npos || colon < slash)) return reference;
    size_t scheme_end = base.find("://");
    if (scheme_end == std::string::npos) return reference;
    if (reference.rfind("//", 0) == 0) return base.substr(0, scheme_end + 1) + reference;
    size_t path_start = base.find('/', scheme_end + 3);
    std::string origin = path_start == std::string::npos ? base : base.substr(0, path_start);
    if (reference[0] == '/') return origin + reference;
    std::string path = path_start == std::string::npos ? "/" : base.substr(path_start);
    path = path.substr(0, path.find_first_of("?#"));
    return origin + path.substr(0, path.rfind('/') + 1) + reference;
}

HttpClient::HttpClient(const std::string& origin_url, std::string user, std::string password,
                       std::string pinned_sha256)
    : origin_(OriginOf(origin_url)), pinned_sha256_(NormalisedFingerprint(std::move(pinned_sha256))) {
    if (!user.empty() || !password.empty()) authorization_ = "Basic " + Base64(user + ":" + password);
    session_ = Net().Open(L"Orbelle", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                           WINHTTP_NO_PROXY_BYPASS, 0);
    if (!session_) throw DavError(DavError::kNetwork, 0, "the network functions of Windows could not be started");
    Net().SetTimeouts(session_, kTimeoutMs, kTimeoutMs, kTimeoutMs, kTimeoutMs);
    DWORD policy = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
    Net().SetOption(session_, WINHTTP_OPTION_REDIRECT_POLICY, &policy, sizeof policy);
}

HttpClient::~HttpClient() {
    if (session_) Net().CloseHandle(session_);
}

HttpAnswer HttpClient::Request(const std::string& method, const std::string& url, const HttpHeaders& headers,
                               const std::string& body) {
    try {
        return Exchange(method, url, headers, body);
    } catch (const ConnectionDropped&) {
        // A server that refuses before reading the body (Radicale: a wrong
        // password, another user's calendar) may close with the body unread,
        // and the reset loses its answer. A read asked again without its body
        // is refused the same way; any other answer to that is not used.
        if (!body.empty() && (method == "PROPFIND" || method == "REPORT")) {
            try {
                HttpAnswer probe = Exchange(method, url, headers, {});
                if (probe.status == 401 || probe.status == 403) return probe;
            } catch (const DavError&) {
            }
        }
        // Once more: a dropped connection may have been passing.
        return Exchange(method, url, headers, body);
    }
}

HttpAnswer HttpClient::Exchange(const std::string& method, const std::string& url, const HttpHeaders& headers,
                                const std::string& body) {
    UrlParts parts = Crack(url);
    std::string host = Narrow(parts.host);
    InternetHandle connection{Net().Connect(session_, parts.host.c_str(), parts.port, 0)};
    if (!connection.handle) throw DavError(DavError::kNetwork, 0, "cannot reach " + host);

    bool pinned = parts.secure && !pinned_sha256_.empty();
    for (int attempt = 0;; ++attempt) {
        // Closed by us, unless the pin check closed it in the callback.
        HINTERNET request = Net().OpenRequest(connection.handle, Widen(method).c_str(), parts.path.c_str(), nullptr,
                                               WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                               parts.secure ? WINHTTP_FLAG_SECURE : 0);
        if (!request) throw DavError(DavError::kNetwork, 0, "cannot reach " + host);
        auto close = std::unique_ptr<void, decltype(Net().CloseHandle)>(request, Net().CloseHandle);
        DWORD features = WINHTTP_DISABLE_REDIRECTS | WINHTTP_DISABLE_COOKIES | WINHTTP_DISABLE_AUTHENTICATION;
        Net().SetOption(request, WINHTTP_OPTION_DISABLE_FEATURE, &features, sizeof features);

        RequestWatch watch;
        DWORD_PTR context = reinterpret_cast<DWORD_PTR>(&watch);
        Net().SetOption(request, WINHTTP_OPTION_CONTEXT_VALUE, &context, sizeof context);
        if (attempt > 0) {
            // A certificate the system does not trust, accepted only when the
            // callback finds it is the pinned one.
            watch.pinned = &pinned_sha256_;
            DWORD ignore = SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_CERT_CN_INVALID |
                           SECURITY_FLAG_IGNORE_CERT_DATE_INVALID | SECURITY_FLAG_IGNORE_CERT_WRONG_USAGE;
            Net().SetOption(request, WINHTTP_OPTION_SECURITY_FLAGS, &ignore, sizeof ignore);
        }
        Net().SetStatusCallback(request, WatchRequest,
                                 WINHTTP_CALLBACK_FLAG_SECURE_FAILURE | WINHTTP_CALLBACK_FLAG_SEND_REQUEST, 0);

        std::wstring header_text;
        for (const auto& [name, value] : headers) header_text += Widen(name + ": " + value + "\r\n");
        if (!authorization_.empty() && OriginOf(url) == origin_) {
            header_text += Widen("Authorization: " + authorization_ + "\r\n");
        }
        BOOL sent = Net().SendRequest(request, header_text.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : header_text.c_str(),
                                       DWORD(header_text.size()), const_cast<char*>(body.data()), DWORD(body.size()),
                                       DWORD(body.size()), 0);
        sent = sent && Net().ReceiveResponse(request, nullptr);
        if (!sent) {
            DWORD error = GetLastError();
            if (watch.pin_checked && !watch.pin_matched) {
                close.release();
                throw DavError(DavError::kCertificate, 0,
                               host + ": the server's certificate is not the one whose fingerprint was given");
            }
            // Wine tells of an untrusted certificate as a channel error.
            bool secure = error == ERROR_WINHTTP_SECURE_FAILURE || error == ERROR_WINHTTP_SECURE_CHANNEL_ERROR ||
                          error == ERROR_WINHTTP_SECURE_INVALID_CA || error == ERROR_WINHTTP_SECURE_CERT_CN_INVALID ||
                          error == ERROR_WINHTTP_SECURE_CERT_DATE_INVALID;
            if (secure && pinned && attempt == 0) continue;
            if (secure) {
                throw DavError(DavError::kCertificate, 0, host + ": " + CertificateReason(watch.secure_failure));
            }
            if (error == ERROR_WINHTTP_TIMEOUT) {
                throw DavError(DavError::kTimeout, 0, host + " did not answer in time");
            }
            if (error == ERROR_WINHTTP_NAME_NOT_RESOLVED) {
                throw DavError(DavError::kNetwork, 0, "no server named " + host + " was found");
            }
            if (error == ERROR_WINHTTP_CANNOT_CONNECT) throw DavError(DavError::kNetwork, 0, "cannot reach " + host);
            throw ConnectionDropped(host + " closed the connection (network error " + std::to_string(error) + ")");
        }

        HttpAnswer answer;
        DWORD status = 0, size = sizeof status;
        Net().QueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                            WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX);
        answer.status = int(status);
        answer.etag = QueryHeader(request, WINHTTP_QUERY_ETAG);
        answer.location = QueryHeader(request, WINHTTP_QUERY_LOCATION);
        answer.content_type = QueryHeader(request, WINHTTP_QUERY_CONTENT_TYPE);
        for (;;) {
            DWORD available = 0;
            if (!Net().QueryDataAvailable(request, &available)) {
                DWORD error = GetLastError();
                if (error == ERROR_WINHTTP_TIMEOUT) throw DavError(DavError::kTimeout, 0, host + " stopped answering midway");
                throw ConnectionDropped(host + " stopped answering midway");
            }
            if (available == 0) break;
            size_t used = answer.body.size();
            answer.body.resize(used + available);
            DWORD read = 0;
            if (!Net().ReadData(request, answer.body.data() + used, available, &read)) {
                throw ConnectionDropped(host + " stopped answering midway");
            }
            answer.body.resize(used + read);
        }
        return answer;
    }
}

}  // namespace orbelle::sync
