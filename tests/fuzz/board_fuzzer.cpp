// libFuzzer target: the score board's submission path, without sockets, on a real SQLite
// database in memory. Whatever the bytes, the answer is one the API names, with a JSON body of
// printable text, and a game is kept or found kept only if it replays as a finished game.
#include "board/board.h"
#include "replay/verify.h"

#include <QCoreApplication>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

using namespace zelto::board;

BoardOptions quick() {
    BoardOptions options;
    options.limits.maxPlayMs = 10 * 60 * 1000; // ten minutes of play keep one input quick
    return options;
}

Database memory() {
    Database database;
    database.name = ":memory:";
    return database;
}

/// Made once; its construction completes after Qt SQL's own globals, so it is destroyed first.
struct Fixture {
    int argc = 1;
    char name[13] = "board_fuzzer";
    char* argv[2] = {name, nullptr};
    QCoreApplication application{argc, argv};
    Store store{memory()};
    Board board{store, quick()};
    Fixture() { store.migrate(); }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Fixture fixture;
    Board& board = fixture.board;
    // The last byte picks one of four keys, so that names are claimed and contested.
    const std::string key = "Zelto-Key " + std::string(64, "0123"[size ? data[size - 1] % 4 : 0]);
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const Reply reply = board.submit(key, text);
    for (const int status : {200, 201, 400, 409, 413, 422}) {
        if (reply.status == status) {
            if (reply.body.size() < 2 || reply.body.front() != '{' || reply.body.back() != '}')
                std::abort();
            for (const char c : reply.body) {
                if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
                    std::abort();
            }
            zelto::VerifyOptions check;
            check.limits = board.options().limits;
            if (status < 300 && !zelto::verifyRecording(text, check).finished())
                std::abort();
            return 0;
        }
    }
    std::abort();
}
