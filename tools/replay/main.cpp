// zelto-replay [--events] [FILE]: checks a recorded game, or runs a replay script in the
// current folder (standard input without FILE).
#include "base/text.h"
#include "replay/language.h"
#include "replay/replay.h"
#include "replay/script_text.h"
#include "replay/verify.h"

#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char* kUsage = R"(Usage: zelto-replay [OPTION]... [FILE]
Checks a recorded game of Zelto, or runs a replay script; without FILE, reads standard input.

A recording (what zelto --record writes, or the last game it keeps) is played again on a
virtual clock with the best score written in it, touching no file, and the result is one line:
  checks out: 1350 points by Ada, 2 min 14 s, 37 keys
or, status 2:
  does not check out: line N: what differs
A check proves that these inputs produce this game; it cannot tell who pressed the keys.

A script runs the game's rules line by line in the current folder, whose record.dat keeps the
best score, and prints what the game does and what it is asked to print.

Options:
  --events     for a recording, print every sound, box and record write of the game
               instead of the one line
  --help       show this help and exit
  --version    show the version and exit

Examples:
  zelto-replay ~/.local/state/zelto/last-game.zrp
  printf 'open\nkey x\nwait 1000\nprint Image1.Left\n' | zelto-replay
)";

std::string counted(long long n, const char* one, const char* many) {
    return std::to_string(n) + ' ' + (n == 1 ? one : many);
}

int check(const std::string& text, bool events) {
    zelto::VerifyOptions options;
    options.events = events ? &std::cout : nullptr;
    const zelto::Verdict verdict = zelto::verifyRecording(text, options);
    if (events) {
        if (verdict.stop)
            std::cerr << verdict.stop->text() << '\n';
        return verdict.stop ? 2 : 0;
    }
    if (verdict.stop) {
        std::cout << "does not check out: " << verdict.stop->text() << '\n';
        return 2;
    }
    std::cout << "checks out: " << counted(verdict.points, "point", "points")
              << (verdict.player.empty() ? "" : " by " + zelto::script::excerpt(verdict.player))
              << ", " << zelto::formatPlayLength(verdict.lengthMs) << ", "
              << counted(verdict.keys, "key", "keys") << '\n';
    return 0;
}

/// Checks a recording or runs a script, read from `in`.
int run(std::istream& in, bool events) {
    namespace script = zelto::script;
    script::StreamLines lines(in, zelto::kMaxScriptLine);
    std::vector<std::string> head; // up to the first command
    try {
        while (const auto line = lines.next()) {
            head.emplace_back(*line);
            const std::string_view content = zelto::trim(*line);
            if (!content.empty() && content.front() != '#')
                break;
        }
        if (!head.empty() && script::isRecording(head.back())) {
            const script::Limits limits;
            std::string text;
            for (const std::string& line : head)
                text += line + '\n';
            while (const auto line = lines.next()) {
                if (text.size() + line->size() + 1 > limits.maxBytes + 1)
                    throw script::Stop{lines.number(), "the recording is larger than " +
                                                           std::to_string(limits.maxBytes) +
                                                           " bytes"};
                text.append(*line).push_back('\n');
            }
            return check(text, events);
        }
    } catch (const script::Stop& stop) {
        std::cerr << stop.text() << '\n';
        return 2;
    }
    std::size_t at = 0;
    return zelto::runReplay(
        [&]() -> std::optional<std::string_view> {
            if (at < head.size())
                return head[at++];
            return lines.next();
        },
        std::cout, std::cerr, ".");
}

} // namespace

int main(int argc, char** argv) {
    bool events = false;
    const char* file = nullptr;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (options && argument == "--") {
            options = false;
        } else if (options && argument == "--help") {
            std::cout << kUsage;
            return 0;
        } else if (options && argument == "--version") {
            std::cout << "zelto-replay " ZELTO_VERSION "\n";
            return 0;
        } else if (options && argument == "--events") {
            events = true;
        } else if (options && argument.size() > 1 && argument.front() == '-') {
            std::cerr << "zelto-replay: unknown option " << zelto::script::excerpt(argument)
                      << " (zelto-replay --help lists the options)\n";
            return 2;
        } else if (!file) {
            file = argv[i];
        } else {
            std::cerr << "zelto-replay: one file at a time (zelto-replay --help)\n";
            return 2;
        }
    }
    if (!file)
        return run(std::cin, events);
    std::string problem;
    const int fd = zelto::openRegularFile(file, problem);
    if (fd < 0) {
        std::cerr << "zelto-replay: cannot read " << zelto::script::excerpt(file) << ": " << problem
                  << '\n';
        return 2;
    }
    std::ifstream in(std::string("/proc/self/fd/") + std::to_string(fd), std::ios::binary);
    ::close(fd);
    return run(in, events);
}
