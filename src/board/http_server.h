// The score board over HTTP (cpp-httplib) or HTTPS (OpenSSL): a pool of worker threads, each
// serving one connection at a time, which carries requests to the Board and its answers back.
#pragma once

#include "board/board.h"

#include <memory>
#include <string>

namespace zelto::board {

struct ServerOptions {
    std::string address = "127.0.0.1";
    int port = 8080; // 0: any free port
    /// HTTPS with this certificate chain and private key (PEM files), when both are given.
    std::string certificate;
    std::string privateKey;
    /// Worker threads: connections served at once, and database connections held.
    int threads = 32;
    /// A request, its headers and its body, must arrive whole within this many seconds, and a
    /// connection that sends nothing more is closed after keepAliveSeconds.
    int readTimeoutSeconds = 10;
    int keepAliveSeconds = 5;
    /// Where the board is reached, for the addresses it shows ("https://scores.example.org");
    /// empty: from each request's Host header.
    std::string publicUrl;
    /// A reverse proxy on this machine forwards every request: a request from a loopback
    /// address is the client named last in its X-Forwarded-For header.
    bool behindProxy = false;
};

class HttpServer {
public:
    HttpServer(Board& board, ServerOptions options);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    /// Loads the certificate and binds the address; false, with why in `problem`, when it
    /// cannot.
    bool bind(std::string& problem);
    /// The port bound.
    int port() const;
    /// Serves until stop(), then returns once every request already under way is answered.
    void run();
    /// Stops taking connections; safe from any thread.
    void stop();

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace zelto::board
