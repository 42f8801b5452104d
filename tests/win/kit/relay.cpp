#include "kit/relay.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <stdexcept>
#include <thread>
#include <vector>

namespace orbelle::testing {
namespace {

// One client connection and the relay's own connection to the server for it.
struct Link {
    SOCKET client = INVALID_SOCKET;
    SOCKET server = INVALID_SOCKET;
    std::string unsent;           // the client's bytes of a request not yet whole
    bool answer_ends_it = false;  // the cut request went through: its answer ends everything
};

enum class Turn { kKeep, kClose, kGone };

// The length of the first whole request in `bytes`, 0 while it is not whole.
std::size_t WholeRequest(const std::string& bytes) {
    const std::size_t end = bytes.find("\r\n\r\n");
    if (end == std::string::npos) return 0;
    std::string head = bytes.substr(0, end + 2);
    std::transform(head.begin(), head.end(), head.begin(), [](unsigned char c) { return std::tolower(c); });
    std::size_t length = 0;
    const std::size_t at = head.find("\r\ncontent-length:");
    if (at != std::string::npos) length = std::stoul(head.substr(at + 17));
    const std::size_t total = end + 4 + length;
    return bytes.size() >= total ? total : 0;
}

bool SendAll(SOCKET socket, const char* data, std::size_t size) {
    while (size > 0) {
        const int sent = send(socket, data, static_cast<int>(size), 0);
        if (sent <= 0) return false;
        data += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return true;
}

void NoDelay(SOCKET socket) {
    BOOL on = TRUE;
    setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
}

// `abort`: a reset, as a machine that went away leaves its peers; and no
// lingering state that would keep the port from being listened on again.
void Close(SOCKET& socket, bool abort) {
    if (socket == INVALID_SOCKET) return;
    if (abort) {
        const LINGER reset{1, 0};
        setsockopt(socket, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&reset), sizeof reset);
    }
    closesocket(socket);
    socket = INVALID_SOCKET;
}

}  // namespace

struct Relay::State {
    sockaddr_in server{};
    unsigned short port = 0;
    SOCKET listener = INVALID_SOCKET;
    std::vector<Link> links;
    int cut_at = 0;  // 0: never
    bool answer_lost = false;
    std::atomic<int> requests{0};
    std::atomic<bool> gone{false};
    std::atomic<bool> stop{false};
    std::thread thread;

    void Listen() {
        listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        BOOL on = TRUE;
        setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&on), sizeof on);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(port);
        int size = sizeof address;
        if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            listen(listener, SOMAXCONN) != 0 ||
            getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
            Close(listener, true);
            throw std::runtime_error("the relay cannot listen on port " + std::to_string(port));
        }
        port = ntohs(address.sin_port);
        gone = false;
    }

    void Start() {
        stop = false;
        thread = std::thread([this] { Run(); });
    }
    void Halt() {
        stop = true;
        if (thread.joinable()) thread.join();
    }

    void GoAway() {
        for (Link& link : links) {
            Close(link.client, true);
            Close(link.server, true);
        }
        links.clear();
        Close(listener, true);
        gone = true;
    }

    void Accept() {
        SOCKET client = accept(listener, nullptr, nullptr);
        if (client == INVALID_SOCKET) return;
        SOCKET server_socket = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (connect(server_socket, reinterpret_cast<const sockaddr*>(&server), sizeof server) != 0) {
            Close(server_socket, true);
            Close(client, true);
            return;
        }
        NoDelay(client);
        NoDelay(server_socket);
        links.push_back({client, server_socket, {}, false});
    }

    Turn Serve(Link& link, fd_set& readable) {
        char buffer[16384];
        if (FD_ISSET(link.server, &readable)) {
            const int got = recv(link.server, buffer, sizeof buffer, 0);
            if (got <= 0) return Turn::kClose;
            if (link.answer_ends_it) {
                GoAway();
                return Turn::kGone;
            }
            if (!SendAll(link.client, buffer, static_cast<std::size_t>(got))) return Turn::kClose;
        }
        if (FD_ISSET(link.client, &readable)) {
            const int got = recv(link.client, buffer, sizeof buffer, 0);
            if (got <= 0) return Turn::kClose;
            link.unsent.append(buffer, static_cast<std::size_t>(got));
            while (const std::size_t length = WholeRequest(link.unsent)) {
                if (++requests == cut_at) {
                    if (!answer_lost) {
                        GoAway();
                        return Turn::kGone;
                    }
                    link.answer_ends_it = true;
                }
                if (!SendAll(link.server, link.unsent.data(), length)) return Turn::kClose;
                link.unsent.erase(0, length);
            }
        }
        return Turn::kKeep;
    }

    void Run() {
        while (!stop && !gone) {
            fd_set readable;
            FD_ZERO(&readable);
            if (listener != INVALID_SOCKET) FD_SET(listener, &readable);
            for (const Link& link : links) {
                FD_SET(link.client, &readable);
                FD_SET(link.server, &readable);
            }
            timeval wait{0, 20000};
            if (select(0, &readable, nullptr, nullptr, &wait) <= 0) continue;
            const bool incoming = FD_ISSET(listener, &readable);
            for (std::size_t i = 0; i < links.size();) {
                const Turn turn = Serve(links[i], readable);
                if (turn == Turn::kGone) return;
                if (turn == Turn::kClose) {
                    Close(links[i].client, false);
                    Close(links[i].server, false);
                    links.erase(links.begin() + static_cast<std::ptrdiff_t>(i));
                } else {
                    ++i;
                }
            }
            if (incoming) Accept();
        }
    }

    // Between the test's steps: the thread halted, the new rule set, back
    // on the same port when the relay went away.
    void Restart(int at, bool lost) {
        Halt();
        cut_at = at;
        answer_lost = lost;
        requests = 0;
        if (gone) Listen();
        Start();
    }
};

Relay::Relay(const std::string& server_url) : state_(std::make_unique<State>()) {
    WSADATA data{};
    WSAStartup(MAKEWORD(2, 2), &data);
    const std::size_t host_at = server_url.find("://") + 3;
    const std::size_t colon = server_url.find(':', host_at);
    const std::size_t path_at = server_url.find('/', host_at);
    if (server_url.compare(0, host_at, "http://") != 0 || colon == std::string::npos || colon > path_at)
        throw std::runtime_error("the relay needs http://HOST:PORT/, not " + server_url);
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const std::string host = server_url.substr(host_at, colon - host_at);
    const std::string port = server_url.substr(colon + 1, path_at - colon - 1);
    if (getaddrinfo(host.c_str(), port.c_str(), &hints, &found) != 0 || !found)
        throw std::runtime_error("the relay cannot find " + server_url);
    state_->server = *reinterpret_cast<sockaddr_in*>(found->ai_addr);
    freeaddrinfo(found);
    state_->Listen();
    state_->Start();
}

Relay::~Relay() {
    state_->Halt();
    for (Link& link : state_->links) {
        Close(link.client, false);
        Close(link.server, false);
    }
    Close(state_->listener, false);
    WSACleanup();
}

std::string Relay::Url(const std::string& url) const {
    const std::size_t host_at = url.find("://") + 3;
    const std::size_t path_at = url.find('/', host_at);
    return url.substr(0, host_at) + "127.0.0.1:" + std::to_string(state_->port) +
           (path_at == std::string::npos ? "/" : url.substr(path_at));
}

void Relay::CutAt(int at, bool answer_lost) { state_->Restart(at, answer_lost); }
void Relay::Pass() { state_->Restart(0, false); }
int Relay::Requests() const { return state_->requests; }
bool Relay::Gone() const { return state_->gone; }

}  // namespace orbelle::testing
