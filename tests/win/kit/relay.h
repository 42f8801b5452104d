#pragma once
// A loopback relay in front of a real server, on its own thread, that can
// make the server "go away" at a chosen request: it passes every byte both
// ways and counts the client's complete HTTP requests (headers, then
// Content-Length bytes of body); at the chosen one it closes every
// connection and its listening socket, so that the rest of the client's
// work meets a dropped or refused connection. The real server answers
// everything the relay lets through.
#include <cstdint>
#include <memory>
#include <string>

namespace orbelle::testing {

class Relay {
public:
    // `server_url`: "http://HOST:PORT/..." of the server (plain HTTP). The
    // relay listens on a free port of 127.0.0.1 and passes everything.
    explicit Relay(const std::string& server_url);
    ~Relay();
    Relay(const Relay&) = delete;
    Relay& operator=(const Relay&) = delete;

    // The server's address `url` with the relay's origin in its place.
    std::string Url(const std::string& url) const;

    // From now on, goes away at the `at`-th complete request (1 for the
    // first). With `answer_lost` that request reaches the server and the
    // relay goes away as the answer starts to come back, so the server has
    // done it and the client never hears; without, it never reaches the server.
    void CutAt(int at, bool answer_lost);
    // From now on passes everything, back on its port if it went away.
    void Pass();

    // Complete requests seen since the last CutAt or Pass, the cut one included.
    int Requests() const;
    bool Gone() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace orbelle::testing
