#include "board/http_server.h"

#include "board/logging.h"

#include <arpa/inet.h>
#include <array>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <httplib.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace zelto::board {

namespace {

using SteadyClock = std::chrono::steady_clock;

/// What the handlers of the request under way on this worker thread tell its connection.
struct RequestState {
    bool admitted = false; // admitted before its body came (Expect: 100-continue)
    bool close = false;    // its body was not read: the connection ends after the answer
};
thread_local RequestState requestState;

struct SslContextFree {
    void operator()(SSL_CTX* context) const { SSL_CTX_free(context); }
};
struct SslFree {
    void operator()(SSL* ssl) const { SSL_free(ssl); }
};

std::string sslError() {
    std::array<char, 256> text{};
    ERR_error_string_n(ERR_get_error(), text.data(), text.size());
    return text.data();
}

std::string addressOf(const sockaddr_storage& address, int& port) {
    char text[INET6_ADDRSTRLEN] = "";
    if (address.ss_family == AF_INET) {
        const auto& in = reinterpret_cast<const sockaddr_in&>(address);
        inet_ntop(AF_INET, &in.sin_addr, text, sizeof text);
        port = ntohs(in.sin_port);
    } else if (address.ss_family == AF_INET6) {
        const auto& in = reinterpret_cast<const sockaddr_in6&>(address);
        inet_ntop(AF_INET6, &in.sin6_addr, text, sizeof text);
        port = ntohs(in.sin6_port);
    }
    return text;
}

/// One client's connection, plain or TLS, on a non-blocking socket. Every read of a request
/// must come by its deadline and within its byte budget, so that a slow or endless client
/// holds a worker for a bounded time and makes nothing grow; every write must make progress
/// within the write timeout.
class Connection final : public httplib::Stream {
public:
    Connection(int fd, SSL_CTX* tls, std::chrono::seconds writeTimeout)
        : fd_(fd), writeTimeout_(writeTimeout) {
        ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK);
        // An answer goes out in a few writes: none may wait for the client's delayed ACK.
        const int on = 1;
        ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        if (tls) {
            ssl_.reset(SSL_new(tls));
            if (ssl_) {
                SSL_set_fd(ssl_.get(), fd_);
                SSL_set_mode(ssl_.get(),
                             SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
            }
        }
    }
    ~Connection() override {
        if (ssl_ && handshaken_)
            SSL_shutdown(ssl_.get());
        ::shutdown(fd_, SHUT_RDWR);
        ::close(fd_);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    /// The TLS handshake, if any, by `deadline`.
    bool handshake(SteadyClock::time_point deadline) {
        if (!ssl_)
            return true;
        deadline_ = deadline;
        for (;;) {
            const int done = SSL_accept(ssl_.get());
            if (done == 1)
                return handshaken_ = true;
            if (!waitFor(SSL_get_error(ssl_.get(), done), deadline_))
                return false;
        }
    }
    /// Waits up to `timeout` for a request to begin; at once when `stopping`.
    bool awaitRequest(std::chrono::milliseconds timeout, const std::function<bool()>& stopping) {
        const auto until = SteadyClock::now() + timeout;
        while (!buffered()) {
            pollfd one{fd_, POLLIN, 0};
            const int ready = ::poll(&one, 1, stopping() ? 0 : 50);
            if (ready > 0)
                return true;
            if ((ready < 0 && errno != EINTR) || stopping() || SteadyClock::now() >= until)
                return false;
        }
        return true;
    }
    /// A request begins: it may read `budget` bytes until `deadline`.
    void beginRequest(SteadyClock::time_point deadline, std::size_t budget) {
        deadline_ = deadline;
        budget_ = budget;
    }
    /// A read failed (timed out, over budget, broken): the connection is done.
    bool broken() const { return broken_; }

    bool is_readable() const override { return buffered() || pollFor(POLLIN, deadline_); }
    bool is_writable() const override {
        return pollFor(POLLOUT, SteadyClock::now() + writeTimeout_);
    }

    ssize_t read(char* out, size_t size) override {
        if (budget_ == 0)
            return fail();
        if (start_ == end_) {
            start_ = end_ = 0;
            for (;;) {
                const int got = ssl_ ? SSL_read(ssl_.get(), buffer_.data(), int(buffer_.size()))
                                     : int(::recv(fd_, buffer_.data(), buffer_.size(), 0));
                if (got > 0) {
                    end_ = std::size_t(got);
                    break;
                }
                if (got == 0 && !ssl_)
                    return 0;
                const int why = ssl_ ? SSL_get_error(ssl_.get(), got)
                                     : (errno == EAGAIN || errno == EINTR ? SSL_ERROR_WANT_READ
                                                                          : SSL_ERROR_SYSCALL);
                if (why == SSL_ERROR_ZERO_RETURN)
                    return 0;
                if (!waitFor(why, deadline_))
                    return fail();
            }
        }
        const std::size_t n = std::min({size, end_ - start_, budget_});
        std::copy_n(buffer_.data() + start_, n, out);
        start_ += n;
        budget_ -= n;
        return ssize_t(n);
    }

    ssize_t write(const char* data, size_t size) override {
        const auto deadline = SteadyClock::now() + writeTimeout_;
        for (;;) {
            const int put =
                ssl_ ? SSL_write(ssl_.get(), data, int(std::min<size_t>(size, 1 << 30)))
                     : int(::send(fd_, data, std::min<size_t>(size, 1 << 30), MSG_NOSIGNAL));
            if (put > 0)
                return put;
            const int why = ssl_ ? SSL_get_error(ssl_.get(), put)
                                 : (errno == EAGAIN || errno == EINTR ? SSL_ERROR_WANT_WRITE
                                                                      : SSL_ERROR_SYSCALL);
            if (!waitFor(why, deadline))
                return -1;
        }
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override {
        sockaddr_storage address{};
        socklen_t length = sizeof address;
        if (::getpeername(fd_, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            ip = addressOf(address, port);
    }
    void get_local_ip_and_port(std::string& ip, int& port) const override {
        sockaddr_storage address{};
        socklen_t length = sizeof address;
        if (::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            ip = addressOf(address, port);
    }
    socket_t socket() const override { return fd_; }

private:
    bool buffered() const { return start_ < end_ || (ssl_ && SSL_pending(ssl_.get()) > 0); }
    ssize_t fail() {
        broken_ = true;
        return -1;
    }
    bool pollFor(short events, SteadyClock::time_point deadline) const {
        for (;;) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(deadline - SteadyClock::now());
            pollfd one{fd_, events, 0};
            const int ready = ::poll(&one, 1, int(std::max<std::int64_t>(0, left.count())));
            if (ready > 0)
                return true;
            if (ready == 0 || errno != EINTR)
                return false;
        }
    }
    /// Waits for what an I/O call that could not go on asked for; false when it failed for
    /// good or the deadline passed.
    bool waitFor(int why, SteadyClock::time_point deadline) const {
        if (why == SSL_ERROR_WANT_READ)
            return pollFor(POLLIN, deadline);
        if (why == SSL_ERROR_WANT_WRITE)
            return pollFor(POLLOUT, deadline);
        return false;
    }

    int fd_;
    std::chrono::seconds writeTimeout_;
    std::unique_ptr<SSL, SslFree> ssl_;
    bool handshaken_ = false;
    std::array<char, 16384> buffer_{};
    std::size_t start_ = 0;
    std::size_t end_ = 0;
    SteadyClock::time_point deadline_ = SteadyClock::now();
    std::size_t budget_ = 0;
    bool broken_ = false;
};

} // namespace

class HttpServer::Impl final : public httplib::Server {
public:
    Impl(Board& board, ServerOptions options) : board_(board), options_(std::move(options)) {
        const int threads = std::max(1, options_.threads);
        new_task_queue = [threads] {
            return std::make_unique<httplib::ThreadPool>(threads).release();
        };
        set_payload_max_length(maxBody_);
        set_keep_alive_max_count(kKeepAliveRequests);
        set_keep_alive_timeout(options_.keepAliveSeconds);
        set_read_timeout(options_.readTimeoutSeconds);
        set_write_timeout(kWriteTimeout.count());
        set_default_headers(
            {{"X-Content-Type-Options", "nosniff"},
             {"Content-Security-Policy",
              "default-src 'none'; style-src 'unsafe-inline'; frame-ancestors 'none'"},
             {"Referrer-Policy", "no-referrer"}});
        set_pre_routing_handler(
            [this](const httplib::Request& request, httplib::Response& response) {
                if (request.method != "POST" || request.path != "/api/v1/games" ||
                    requestState.admitted)
                    return HandlerResponse::Unhandled;
                if (auto refused = board_.admit(head(request))) {
                    send(response, std::move(*refused));
                    return HandlerResponse::Handled;
                }
                return HandlerResponse::Unhandled;
            });
        // A client that asks first is answered before it sends a byte of its body.
        set_expect_100_continue_handler(
            [this](const httplib::Request& request, httplib::Response& response) {
                if (request.method == "POST" && request.path == "/api/v1/games") {
                    if (auto refused = board_.admit(head(request))) {
                        const int status = refused->status;
                        send(response, std::move(*refused));
                        return status;
                    }
                    requestState.admitted = true;
                }
                return 100;
            });
        Post("/api/v1/games", [this](const httplib::Request& request, httplib::Response& response) {
            send(response, board_.submit(request.get_header_value("Authorization"), request.body));
        });
        Get("/api/v1/scores", [this](const httplib::Request& request, httplib::Response& response) {
            send(response, board_.scores(request.get_param_value("limit"),
                                         request.get_param_value("offset")));
        });
        Get(R"(/api/v1/games/(\d{1,19}))",
            [this](const httplib::Request& request, httplib::Response& response) {
                send(response, board_.game(request.matches[1].str()));
            });
        Get(R"(/api/v1/games/(\d{1,19})/recording)",
            [this](const httplib::Request& request, httplib::Response& response) {
                send(response, board_.recording(request.matches[1].str()));
                response.set_header("Content-Disposition", "inline; filename=\"zelto-game-" +
                                                               request.matches[1].str() + ".zrp\"");
            });
        Get("/", [this](const httplib::Request& request, httplib::Response& response) {
            send(response, board_.page(request.get_param_value("offset"), base(request)));
        });
        Get("/healthz", [this](const httplib::Request&, httplib::Response& response) {
            send(response, board_.health());
        });
        Get("/metrics", [this](const httplib::Request&, httplib::Response& response) {
            send(response, board_.metrics());
        });
        set_error_handler(
            HandlerWithResponse([](const httplib::Request&, httplib::Response& response) {
                if (!response.body.empty())
                    return HandlerResponse::Unhandled;
                const char* message = response.status == 404   ? "no such address"
                                      : response.status == 413 ? "the request is too large"
                                                               : "the request cannot be served";
                response.set_content(std::string("{\"error\":\"") + message + "\"}",
                                     "application/json");
                return HandlerResponse::Handled;
            }));
        set_logger([](const httplib::Request& request, const httplib::Response& response) {
            qCDebug(lcBoard, "%s %s %s: %d", request.remote_addr.c_str(), request.method.c_str(),
                    request.path.c_str(), response.status);
        });
    }

    bool start(std::string& problem) {
        if (!options_.certificate.empty() || !options_.privateKey.empty()) {
            tls_.reset(SSL_CTX_new(TLS_server_method()));
            if (!tls_ || options_.certificate.empty() || options_.privateKey.empty() ||
                SSL_CTX_set_min_proto_version(tls_.get(), TLS1_2_VERSION) != 1 ||
                SSL_CTX_use_certificate_chain_file(tls_.get(), options_.certificate.c_str()) != 1 ||
                SSL_CTX_use_PrivateKey_file(tls_.get(), options_.privateKey.c_str(),
                                            SSL_FILETYPE_PEM) != 1 ||
                SSL_CTX_check_private_key(tls_.get()) != 1) {
                problem = options_.certificate.empty() || options_.privateKey.empty()
                              ? "HTTPS needs both --cert and --key"
                              : "cannot use the certificate and key: " + sslError();
                return false;
            }
            SSL_CTX_set_options(tls_.get(), SSL_OP_NO_COMPRESSION | SSL_OP_NO_RENEGOTIATION);
        }
        if (options_.port == 0) {
            port_ = bind_to_any_port(options_.address);
        } else if (bind_to_port(options_.address, options_.port)) {
            port_ = options_.port;
        }
        if (port_ <= 0) {
            problem = std::string("cannot listen on ") + options_.address + ":" +
                      std::to_string(options_.port) + ": " + std::strerror(errno);
            return false;
        }
        // The library's backlog is a handful; a burst of clients needs more.
        ::listen(svr_sock_, 1024);
        return true;
    }

    int port() const { return port_; }

    std::atomic<bool> stopRequested{false};
    std::atomic<bool> finished{false};

private:
    static constexpr std::size_t kMaxHeaders = 64 * 1024;
    static constexpr std::size_t kKeepAliveRequests = 1000;
    static constexpr std::chrono::seconds kWriteTimeout{10};

    bool stopping() const { return svr_sock_ == INVALID_SOCKET; }

    /// Serves one connection: each request within its deadline and its share of bytes, until
    /// the client leaves, idles, or the board stops.
    bool process_and_close_socket(socket_t sock) override {
        Connection connection(sock, tls_.get(), kWriteTimeout);
        const std::chrono::seconds readTimeout(options_.readTimeoutSeconds);
        if (!connection.handshake(SteadyClock::now() + readTimeout))
            return false;
        const auto stopping = [this] { return this->stopping(); };
        for (std::size_t served = 0; served < kKeepAliveRequests; ++served) {
            const auto wait = served == 0 ? std::chrono::milliseconds(readTimeout)
                                          : std::chrono::seconds(options_.keepAliveSeconds);
            if (!connection.awaitRequest(wait, stopping))
                break;
            connection.beginRequest(SteadyClock::now() + readTimeout, kMaxHeaders + maxBody_);
            requestState = {};
            const bool last = served + 1 == kKeepAliveRequests || this->stopping();
            bool closed = false;
            if (!process_request(connection, last, closed, nullptr) || closed || last ||
                requestState.close || connection.broken())
                break;
        }
        return true;
    }

    SubmissionHead head(const httplib::Request& request) const {
        SubmissionHead head;
        head.authorization = request.get_header_value("Authorization");
        if (request.has_header("Content-Length")) {
            const std::string& text = request.get_header_value("Content-Length");
            std::uint64_t length = 0;
            const auto [end, error] =
                std::from_chars(text.data(), text.data() + text.size(), length);
            if (error == std::errc() && end == text.data() + text.size() && !text.empty())
                head.contentLength = length;
            else
                head.contentLength = UINT64_MAX; // unreadable: refused as too large
        }
        head.chunked = request.has_header("Transfer-Encoding");
        head.type = request.get_header_value("Content-Type");
        head.client = client(request);
        return head;
    }

    /// The client's address: the peer's, or behind a proxy on this machine the last address
    /// the proxy put in X-Forwarded-For.
    std::string client(const httplib::Request& request) const {
        const std::string& peer = request.remote_addr;
        if (!options_.behindProxy || (peer != "127.0.0.1" && peer != "::1") ||
            !request.has_header("X-Forwarded-For"))
            return peer;
        std::string forwarded = request.get_header_value("X-Forwarded-For");
        forwarded.erase(0, forwarded.find_last_of(',') + 1);
        forwarded.erase(0, forwarded.find_first_not_of(' '));
        return forwarded.empty() ? peer : forwarded;
    }

    /// Where this board is reached, for the addresses on its page.
    std::string base(const httplib::Request& request) const {
        if (!options_.publicUrl.empty())
            return options_.publicUrl;
        std::string host = request.get_header_value("Host");
        if (host.empty() || host.size() > 255 ||
            host.find_first_not_of(
                "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.-:[]") !=
                std::string::npos)
            host = options_.address + ":" + std::to_string(port_);
        return (tls_ ? "https://" : "http://") + host;
    }

    static void send(httplib::Response& response, Reply reply) {
        response.status = reply.status;
        response.body = std::move(reply.body);
        response.set_header("Content-Type", reply.type);
        if (reply.retryAfter > 0)
            response.set_header("Retry-After", std::to_string(reply.retryAfter));
        if (reply.close) {
            requestState.close = true;
            response.set_header("Connection", "close");
        }
    }

    Board& board_;
    ServerOptions options_;
    std::size_t maxBody_ = board_.options().limits.maxBytes;
    std::unique_ptr<SSL_CTX, SslContextFree> tls_;
    int port_ = 0;
};

HttpServer::HttpServer(Board& board, ServerOptions options)
    : impl_(std::make_unique<Impl>(board, std::move(options))) {}

HttpServer::~HttpServer() = default;

bool HttpServer::bind(std::string& problem) {
    return impl_->start(problem);
}

int HttpServer::port() const {
    return impl_->port();
}

void HttpServer::run() {
    if (!impl_->stopRequested)
        impl_->listen_after_bind();
    impl_->finished = true;
}

void HttpServer::stop() {
    impl_->stopRequested = true;
    // Asked before run() began listening, it stops the server once it has.
    while (!impl_->is_running() && !impl_->finished)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    impl_->Server::stop();
}

} // namespace zelto::board
