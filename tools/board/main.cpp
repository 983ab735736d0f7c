// zelto-board: the score board server. It keeps only games it has replayed itself.
#include "board/board.h"
#include "board/http_server.h"
#include "board/logging.h"
#include "board/store.h"
#include "replay/language.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <atomic>
#include <charconv>
#include <csignal>
#include <iostream>
#include <pthread.h>
#include <string>
#include <string_view>
#include <thread>

namespace {

constexpr const char* kUsage = R"(Usage: zelto-board [OPTION]...
Keeps the scores of games of Zelto, each one replayed before it counts: a client sends the
recording of a game (what zelto --record writes) and the board works out its score itself.
The table is at / as a page and at /api/v1/scores as JSON (see docs/board-api.md).

Options:
  --listen ADDRESS:PORT   where to listen (127.0.0.1:8080); port 0 takes any free port
  --db PATH|URL           where the games are kept: a SQLite file (by default
                          $XDG_DATA_HOME/zelto-board/board.sqlite), or a PostgreSQL database
                          that several boards may share:
                            postgresql://USER@HOST:PORT/DBNAME
                            postgresql:///DBNAME?host=/SOCKET/FOLDER
  --cert FILE --key FILE  serve HTTPS with this certificate chain and private key (PEM)
  --rate N                submissions a minute that one client address, and one key, may
                          make (30)
  --threads N             connections served at once, each with its database connection (32)
  --read-timeout SECONDS  a request must arrive whole within this; slower clients are cut off
                          (10)
  --public-url URL        the board's address as its clients reach it, for the addresses the
                          page shows (by default from each request)
  --behind-proxy          a reverse proxy on this machine forwards every request: the client
                          of a loopback request is the last address in X-Forwarded-For
  --help                  show this help and exit
  --version               show the version and exit

It runs until SIGTERM or SIGINT, then answers the requests under way and exits 0.
Diagnostics: QT_LOGGING_RULES="zelto.board.debug=true" logs every request.
)";

int usageError(const std::string& message) {
    std::cerr << "zelto-board: " << message << " (zelto-board --help lists the options)\n";
    return 2;
}

bool wholeNumber(std::string_view text, long long low, long long high, long long& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && error == std::errc() && end == text.data() + text.size() &&
           value >= low && value <= high;
}

} // namespace

int main(int argc, char** argv) {
    using namespace zelto::board;
    ServerOptions server;
    BoardOptions board;
    QString database;
    for (int i = 1; i < argc; ++i) {
        const std::string_view option = argv[i];
        if (option == "--help") {
            std::cout << kUsage;
            return 0;
        }
        if (option == "--version") {
            std::cout << "zelto-board " ZELTO_VERSION "\n";
            return 0;
        }
        if (option == "--behind-proxy") {
            server.behindProxy = true;
            continue;
        }
        const bool known = option == "--listen" || option == "--db" || option == "--cert" ||
                           option == "--key" || option == "--rate" || option == "--threads" ||
                           option == "--read-timeout" || option == "--public-url";
        if (!known)
            return usageError("unknown option " + zelto::script::excerpt(option));
        if (i + 1 >= argc)
            return usageError(std::string(option) + " needs a value");
        const std::string_view value = argv[++i];
        long long number = 0;
        if (option == "--listen") {
            const auto colon = value.rfind(':');
            std::string address(value.substr(0, colon == std::string_view::npos ? 0 : colon));
            if (address.size() > 2 && address.front() == '[' && address.back() == ']')
                address = address.substr(1, address.size() - 2);
            if (colon == std::string_view::npos || address.empty() ||
                !wholeNumber(value.substr(colon + 1), 0, 65535, number))
                return usageError("--listen takes ADDRESS:PORT, such as 127.0.0.1:8080");
            server.address = address;
            server.port = static_cast<int>(number);
        } else if (option == "--db") {
            database = QString::fromLocal8Bit(value.data(), static_cast<qsizetype>(value.size()));
        } else if (option == "--cert") {
            server.certificate = value;
        } else if (option == "--key") {
            server.privateKey = value;
        } else if (option == "--rate") {
            if (!wholeNumber(value, 1, 1'000'000'000, number))
                return usageError("--rate takes a whole number of submissions a minute");
            board.rate = static_cast<double>(number);
        } else if (option == "--threads") {
            if (!wholeNumber(value, 1, 1024, number))
                return usageError("--threads takes a number from 1 to 1024");
            server.threads = static_cast<int>(number);
        } else if (option == "--read-timeout") {
            if (!wholeNumber(value, 1, 3600, number))
                return usageError("--read-timeout takes a number of seconds from 1 to 3600");
            server.readTimeoutSeconds = static_cast<int>(number);
        } else {
            server.publicUrl = value;
            while (server.publicUrl.ends_with('/'))
                server.publicUrl.pop_back();
        }
    }

    // Every thread started from here on leaves SIGTERM and SIGINT to the one that waits for
    // them; a client gone away mid-answer is an error to handle, not a signal.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    QCoreApplication application(argc, argv);
    if (database.isEmpty()) {
        const QString folder =
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/zelto-board";
        QDir().mkpath(folder);
        database = folder + "/board.sqlite";
    }
    QString problem;
    const auto where = Database::parse(database, problem);
    if (!where)
        return usageError("--db: " + problem.toStdString());

    Store store(*where);
    try {
        store.migrate();
    } catch (const StoreError& error) {
        std::cerr << "zelto-board: " << where->describe().toStdString() << ": " << error.what()
                  << '\n';
        return 1;
    }
    Board scores(store, board);
    HttpServer http(scores, server);
    std::string why;
    if (!http.bind(why)) {
        std::cerr << "zelto-board: " << why << '\n';
        return 1;
    }

    std::atomic<bool> served{false};
    std::thread stopper([&] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        if (served)
            return;
        qCInfo(lcBoard, "stopping: answering the requests under way");
        http.stop();
    });
    std::cout << "zelto-board: listening on " << (server.certificate.empty() ? "http" : "https")
              << "://"
              << (server.address.find(':') != std::string::npos ? "[" + server.address + "]"
                                                                : server.address)
              << ':' << http.port() << " with " << where->describe().toStdString() << std::endl;
    http.run();
    served = true;
    pthread_kill(stopper.native_handle(), SIGTERM);
    stopper.join();
    return 0;
}
